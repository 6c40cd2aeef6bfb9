/* The program's identity as plain macros, so the resource compiler and C++ share one source. */
#pragma once

#define VEDODUD_TITLE "Dezorav Ovozeri"
#define VEDODUD_EXE_NAME "Vedodud"
#define VEDODUD_EXE_FILE "Vedodud.exe"
#define VEDODUD_COMPANY_NAME "Quillet - Software"
#define VEDODUD_PRODUCT_NAME "Quillet - Dezorav Ovozeri"
#define VEDODUD_VERSION_TEXT "1.00"
#define VEDODUD_VERSION_MAJOR 1
#define VEDODUD_VERSION_MINOR 0
#define VEDODUD_LANGUAGE_ID 1033
#define VEDODUD_ICON_RESOURCE_ID 30001
