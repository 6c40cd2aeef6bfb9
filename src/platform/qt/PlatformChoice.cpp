#include "platform/qt/PlatformChoice.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace vedodud::qt {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::string PreferredPlatform(const Environment& environment) {
    if (!environment("QT_QPA_PLATFORM").empty()) return "";  // the user's choice stands
    const bool waylandSession =
        !environment("WAYLAND_DISPLAY").empty() || Lower(environment("XDG_SESSION_TYPE")) == "wayland";
    const bool gnome = Lower(environment("XDG_CURRENT_DESKTOP")).find("gnome") != std::string::npos ||
                       Lower(environment("XDG_SESSION_DESKTOP")).find("gnome") != std::string::npos;
    // GNOME draws no title bars for Wayland clients, and Qt's own ignore the window's flags and
    // cut short titles; on XWayland GNOME draws its own. Wayland stays the fallback.
    if (waylandSession && gnome && !environment("DISPLAY").empty()) return "xcb;wayland";
    return "";
}

void ChoosePlatform() {
    const std::string platform = PreferredPlatform([](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    });
    if (!platform.empty()) setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
}

}  // namespace vedodud::qt
