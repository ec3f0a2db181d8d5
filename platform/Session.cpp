#include "Session.h"

#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace kel::platform {

std::string OwnExecutablePath() {
    return "/proc/self/exe";
}

void PreferX11Platform() {
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if (chosen && *chosen)
        return;
    const char* sessionType = std::getenv("XDG_SESSION_TYPE");
    const char* waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    bool wayland = (sessionType && std::strcmp(sessionType, "wayland") == 0) ||
                   (waylandDisplay && *waylandDisplay);
    if (wayland)
        setenv("QT_QPA_PLATFORM", "xcb", 1);
}

void AllowWebEngineAsRoot() {
    if (geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
}

}  // namespace kel::platform
