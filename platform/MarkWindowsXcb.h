#pragma once
// The X11 variants of the annotation windows, on the xcb connection of Qt's own X11 platform.

#include "MarkWindows.h"

namespace kel::platform {

// Both are null (no variant) when the application does not run on X11.
std::unique_ptr<MarkWindow> CreateXcbOverlayWindow(QWidget& player, const QRect& screen);
std::unique_ptr<SurfaceWindow> CreateXcbSurfaceWindow(const QRect& screen);

}  // namespace kel::platform
