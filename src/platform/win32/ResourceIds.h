/* Resource identifiers shared by Vedodud.rc and the code that loads them. */
#pragma once

#define VEDODUD_ICON_GROUP_ID 1
#define VEDODUD_VERSION_ID 1
#define VEDODUD_LOGO_RESOURCE_ID 2
