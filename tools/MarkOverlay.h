#pragma once
// What the toolbar drives of the screen annotation: the overlay, which takes the mouse while a
// tool is chosen and owns the marks, and the drawing surface, which shows them over everything.

#include <QColor>
#include <QCursor>
#include <QPoint>
#include <cstdint>
#include <functional>

namespace kel {

enum class TMarkTool : uint8_t { mtPencil = 0, mtRubber = 1, mtCircle = 2 };

class TMarkOverlay {
  public:
    virtual ~TMarkOverlay() = default;

    // Shown and brought to the front (directly above the player window, below the surface, the
    // toolbar and the board), or hidden.
    virtual void ShowOverlay() = 0;
    virtual void HideOverlay() = 0;
    virtual void SetTool(TMarkTool tool) = 0;
    virtual void SetToolCursor(const QCursor& cursor) = 0;
    virtual void SetPenColor(const QColor& color) = 0;
    virtual void SetPenWidth(int width) = 0;
    virtual void ClearMarks() = 0;
    virtual bool MarksVisible() const = 0;
    virtual void SetMarksVisible(bool visible) = 0;
    // The overlay's mouse handlers; points are screen coordinates (the overlay covers the screen
    // from its origin).
    virtual void MarkMouseDown(QPoint point) = 0;
    virtual void MarkMouseMove(QPoint point) = 0;
    virtual void MarkMouseUp(QPoint point) = 0;
    // The drawing surface's: presses, moves and releases on drawn pixels go on to the overlay.
    virtual void SetForwardMouse(bool forward) = 0;

    // Called whenever MarksVisible changes, so the toolbar keeps atVisible in step (checked and
    // image 15 when shown, unchecked and image 8 when put away).
    std::function<void(bool visible)> OnMarksVisibleChanged;
};

}  // namespace kel
