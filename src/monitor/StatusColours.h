// The two colours of the status light, as the forms toolkit takes colours (&H00BBGGRR). The
// light's colour is the only record of the site's last known state.
#pragma once

#include "platform/Types.h"

namespace vedodud {

inline constexpr Colour STATUS_ONLINE_COLOR = 0x0000C000;
inline constexpr Colour STATUS_OFFLINE_COLOR = 0x000000FF;

}  // namespace vedodud
