// The main window as laid out: the one source both desktops render from.
#pragma once

#include "platform/FormLayout.h"

namespace vedodud {

inline constexpr Colour STATUS_ONLINE_COLOR = 0x0000C000;
inline constexpr Colour STATUS_OFFLINE_COLOR = 0x000000FF;

inline constexpr char16_t kDefaultUrl[] = u"http://example.com/";

const FormLayout& Form1Layout();

}  // namespace vedodud
