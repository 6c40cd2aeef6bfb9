// The notification area as Wine shows it in an XEmbed tray: a window of class
// "__winex11_tray_icon" in explorer for each icon, with a tooltip control kept in explorer's memory.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/WindowsApi.h"

namespace vedodud::win32 {

std::vector<HWND> TrayIconWindows();
// The icon's tooltip text, read from the process that shows it; empty when it has none.
std::wstring TrayIconTip(HWND icon);

}  // namespace vedodud::win32
