#pragma once
// Facts about the running process and its desktop session.

#include <string>

namespace kel::platform {

// A path that opens the running executable's own file, even when it was renamed or replaced
// on disk after the start.
std::string OwnExecutablePath();

// Chooses the X11 platform plugin (QT_QPA_PLATFORM=xcb) when the session is a Wayland session
// and no platform has been chosen: always-on-top tool windows, window placement and taking in
// other programs' windows need X11. Must run before the application object is created.
void PreferX11Platform();

// The web engine's Chromium cannot sandbox its processes when they run as root: only then is its
// sandbox turned off. Must run before the web engine starts.
void AllowWebEngineAsRoot();

}  // namespace kel::platform
