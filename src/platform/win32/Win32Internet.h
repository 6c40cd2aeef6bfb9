// WinINet's reachability probe, bound by name.
#pragma once

#include "platform/Internet.h"
#include "platform/win32/BoundFunction.h"
#include "platform/win32/WindowsApi.h"

namespace vedodud::win32 {

class Win32Internet : public Internet {
public:
    Long InternetCheckConnectionA(const std::string& lpszUrl, Long dwFlags, Long dwReserved) override;

private:
    BoundFunction<BOOL WINAPI(LPCSTR, DWORD, DWORD)> check_{"wininet.dll", "InternetCheckConnectionA"};
};

}  // namespace vedodud::win32
