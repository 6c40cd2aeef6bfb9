// <windows.h> for the backend. The program's boundary headers name some constants as
// Windows does (NIM_ADD, WM_NULL, GWL_WNDPROC...), so they are read before Windows' macros
// of the same names exist; the macros then stand for the same values.
#pragma once

// clang-format off
#include "platform/Platform.h"
#include "platform/WindowManager.h"
#include "platform/Shell.h"
#include "platform/Internet.h"
#include "platform/FormsToolkit.h"

// Sockets before windows.h, as winsock2.h requires of any file that uses both.
#include <winsock2.h>
#include <windows.h>
// clang-format on
