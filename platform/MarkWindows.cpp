#include "MarkWindows.h"

#include "MarkWindowsXcb.h"

namespace kel::platform {

namespace {

void Unite(QRegion& region, std::span<const QRect> rects) {
    for (const QRect& rect : rects)
        region += rect;
}

}  // namespace

std::unique_ptr<MarkWindow> CreateOverlayWindow(QWidget& player, const QRect& screen) {
    if (std::unique_ptr<MarkWindow> window = CreateXcbOverlayWindow(player, screen))
        return window;
    return std::make_unique<NullMarkWindow>();
}

std::unique_ptr<SurfaceWindow> CreateSurfaceWindow(const QRect& screen) {
    if (std::unique_ptr<SurfaceWindow> window = CreateXcbSurfaceWindow(screen))
        return window;
    return std::make_unique<NullSurfaceWindow>();
}

void NullSurfaceWindow::SetShape(std::span<const QRect> rects) {
    FShape = QRegion();
    Unite(FShape, rects);
}

void NullSurfaceWindow::AddShape(const QRect&, std::span<const QRect> rects) {
    Unite(FShape, rects);
}

void NullSurfaceWindow::ReplaceShape(const QRect& area, std::span<const QRect> rects) {
    FShape -= area;
    Unite(FShape, rects);
}

void NullSurfaceWindow::Paint(const QImage&, const QRect& area) {
    Painted.push_back(area);
}

}  // namespace kel::platform
