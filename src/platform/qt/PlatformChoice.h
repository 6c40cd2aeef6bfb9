// Which of Qt's platforms the program starts on when the user has not named one.
#pragma once

#include <functional>
#include <string>

namespace vedodud::qt {

using Environment = std::function<std::string(const char* name)>;  // "" when unset

// The platform list to start Qt with, or "" to leave the choice to Qt.
std::string PreferredPlatform(const Environment& environment);

// Applies PreferredPlatform to this process; call before the application object is made.
void ChoosePlatform();

}  // namespace vedodud::qt
