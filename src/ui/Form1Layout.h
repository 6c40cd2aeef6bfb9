// The main window as laid out: the one source both desktops render from.
#pragma once

#include "monitor/StatusColours.h"
#include "platform/FormLayout.h"

namespace vedodud {

inline constexpr char16_t kDefaultUrl[] = u"http://example.com/";
// How often Timer1 probes the site.
inline constexpr int kPollPeriodMs = 10000;

const FormLayout& Form1Layout();

}  // namespace vedodud
