// The notification area, as Windows' shell32 offers it.
#pragma once

#include <array>
#include <cstdint>

#include "platform/Types.h"

namespace vedodud {

inline constexpr Long NIM_ADD = 0;
inline constexpr Long NIM_MODIFY = 1;
inline constexpr Long NIM_DELETE = 2;
inline constexpr Long NIF_MESSAGE = 1;
inline constexpr Long NIF_ICON = 2;
inline constexpr Long NIF_TIP = 4;

// NOTIFYICONDATAA in its first layout: six little-endian 32-bit integers, then szTip as
// 64 narrow characters; byte for byte what a 32-bit Shell_NotifyIconA takes.
inline constexpr std::size_t kNotifyIconDataASize = 88;
using NotifyIconDataA = std::array<std::uint8_t, kNotifyIconDataASize>;

class Shell {
public:
    virtual ~Shell() = default;
    virtual Long Shell_NotifyIconA(Long dwMessage, NotifyIconDataA& lpData) = 0;
};

}  // namespace vedodud
