#include "platform/win32/Win32Internet.h"

namespace vedodud::win32 {

Long Win32Internet::InternetCheckConnectionA(const std::string& lpszUrl, Long dwFlags, Long dwReserved) {
    // WinINet would read only up to the NUL and probe some other host.
    if (lpszUrl.find('\0') != std::string::npos) return 0;
    return check_(lpszUrl.c_str(), static_cast<DWORD>(dwFlags), static_cast<DWORD>(dwReserved));
}

}  // namespace vedodud::win32
