/* Resource identifiers shared by Vedodud.rc and the code that loads them. */
#pragma once

#define VEDODUD_ICON_GROUP_ID 1
#define VEDODUD_VERSION_ID 1
#define VEDODUD_LOGO_RESOURCE_ID 2
/* The icon image itself, which the icon group names; the build writes it under this id. */
#define VEDODUD_ICON_RESOURCE_ID 30001
