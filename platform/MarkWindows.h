#pragma once
// The window-system side of the screen annotation: two X11 windows made without Qt, over the
// whole screen and never managed by a window manager (none moves, decorates or focuses them, so
// the keyboard stays with the player). Their mouse input and exposures come through Qt's native
// event filter.
//
// - The overlay is an input-only window: unseen, it takes every press, movement and release
//   while a tool is chosen.
// - The drawing surface shows the marks. Its bounding shape is the set of marked pixels, so only
//   they are seen, with or without a compositor, and only they take the mouse (X takes the
//   input region as the bounding shape within the input shape, which stays whole). It is
//   painted straight from the marks bitmap, a changed rectangle at a time, with no round trip
//   to the display server. On X11 it is a grid of windows, each shaped to its own part of the
//   marks, so that a change costs the display server what its part holds rather than all the
//   marks on the screen.
//
// Elsewhere than on X11 (the offscreen platform of the window tests) null variants keep what
// was asked of them.

#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <functional>
#include <memory>
#include <span>
#include <vector>

class QWidget;

namespace kel::platform {

enum class MouseAction { Press, Move, Release };

class MarkWindow {
  public:
    virtual ~MarkWindow() = default;

    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual bool IsShown() const = 0;
    virtual void SetCursor(const QCursor& cursor) = 0;

    // Mouse input on the window, in its coordinates (its origin is the screen's); every button
    // counts (wheel steps do not).
    std::function<void(MouseAction action, QPoint point)> OnMouse;
};

class SurfaceWindow : public MarkWindow {
  public:
    // The shape becomes exactly these rectangles (none: nothing of the window is seen).
    virtual void SetShape(std::span<const QRect> rects) = 0;
    // The rectangles, which lie inside `area`, join the shape.
    virtual void AddShape(const QRect& area, std::span<const QRect> rects) = 0;
    // Within `area` the shape becomes these rectangles, which lie inside it.
    virtual void ReplaceShape(const QRect& area, std::span<const QRect> rects) = 0;
    // Copies `area` of `image` (32-bit RGB, the window's size) onto the window.
    virtual void Paint(const QImage& image, const QRect& area) = 0;

    // A part of the window must be painted again (it was covered, or has just joined the shape).
    std::function<void(const QRect& area)> OnExpose;
};

// Show maps the overlay and restacks: the overlay directly above the top-level window of
// `player`, the drawing surface and the application's always-on-top windows (toolbar, board)
// above both. On X11 the same restacking runs again whenever a top-level window is mapped or
// the player window is restacked, with or without a window manager.
std::unique_ptr<MarkWindow> CreateOverlayWindow(QWidget& player, const QRect& screen);
std::unique_ptr<SurfaceWindow> CreateSurfaceWindow(const QRect& screen);

template <typename Window>
class NullWindow : public Window {
  public:
    void Show() override { FShown = true; }
    void Hide() override { FShown = false; }
    bool IsShown() const override { return FShown; }
    void SetCursor(const QCursor& cursor) override { FCursor = cursor; }
    const QCursor& Cursor() const { return FCursor; }

  private:
    bool FShown = false;
    QCursor FCursor;
};

using NullMarkWindow = NullWindow<MarkWindow>;

class NullSurfaceWindow final : public NullWindow<SurfaceWindow> {
  public:
    void SetShape(std::span<const QRect> rects) override;
    void AddShape(const QRect& area, std::span<const QRect> rects) override;
    void ReplaceShape(const QRect& area, std::span<const QRect> rects) override;
    void Paint(const QImage& image, const QRect& area) override;

    const QRegion& Shape() const { return FShape; }
    // The areas painted, in order.
    std::vector<QRect> Painted;

  private:
    QRegion FShape;
};

}  // namespace kel::platform
