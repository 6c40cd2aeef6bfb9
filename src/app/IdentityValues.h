/* The program's identity as plain macros, so the resource compiler and C++ share one source. */
#pragma once

#include "app/Version.h"

#define VEDODUD_TITLE "Dezorav Ovozeri"
#define VEDODUD_EXE_NAME "Vedodud"
#define VEDODUD_EXE_FILE "Vedodud.exe"
#define VEDODUD_COMPANY_NAME "Quillet - Software"
#define VEDODUD_PRODUCT_NAME "Quillet - Dezorav Ovozeri"
#define VEDODUD_LANGUAGE_ID 1033
