#pragma once
// The overlay of the screen annotation. Unseen, it takes the mouse while a tool is chosen and
// owns the marks: FMarks is what the drawing surface shows; FSaved holds the circle tool's
// snapshot while a circle is dragged and the marks while they are put away. A silver pixel
// carries no mark. Nothing is drawn straight onto the screen: each change is shown at once by
// the drawing surface, over the rectangle where it happened.

#include <QImage>
#include <memory>

#include "MarkOverlay.h"
#include "MarkWindows.h"

class QWidget;

namespace kel {

class TfrmDraw;

inline constexpr QRgb kNoMark = 0xFFC0C0C0;  // silver, RGB (192, 192, 192)

class TfrmTrans final : public TMarkOverlay {
  public:
    // Covers the primary screen and lies directly above `player` when shown.
    explicit TfrmTrans(QWidget& player);
    // Covers `screen` (its origin is the bitmaps' origin) with the given window. Screen, bitmaps
    // and mouse positions are in the display's pixels; where the display has `scale` of them
    // to one of the user interface's, the pen and the rubber are as much wider, so the marks
    // look as they do on an unscaled screen.
    TfrmTrans(const QRect& screen, std::unique_ptr<platform::MarkWindow> window, qreal scale = 1.0);
    ~TfrmTrans() override;
    TfrmTrans(const TfrmTrans&) = delete;
    TfrmTrans& operator=(const TfrmTrans&) = delete;

    void ShowOverlay() override;
    void HideOverlay() override;
    void SetTool(TMarkTool tool) override { FTool = tool; }
    void SetToolCursor(const QCursor& cursor) override;
    void SetPenColor(const QColor& color) override { FPenColor = color.rgb(); }
    void SetPenWidth(int width) override { FPenWidth = width; }
    void ClearMarks() override;
    bool MarksVisible() const override { return FMarksVisible; }
    void SetMarksVisible(bool visible) override;
    void MarkMouseDown(QPoint point) override;
    void MarkMouseMove(QPoint point) override;
    void MarkMouseUp(QPoint point) override;
    void SetForwardMouse(bool forward) override;
    // The handler of the given kind.
    void MarkMouse(platform::MouseAction action, QPoint point);

    TMarkTool Tool() const { return FTool; }
    const QCursor& ToolCursor() const { return FCursor; }
    bool Marking() const { return FMarking; }
    const QImage& Marks() const { return FMarks; }
    const QImage& Saved() const { return FSaved; }
    // The screen area the overlay covers; the bitmaps' origin is its origin.
    const QRect& Screen() const { return FScreen; }
    const platform::MarkWindow& Window() const { return *FWindow; }

    // The drawing surface registers itself while it exists.
    void SetSurface(TfrmDraw* surface) { FSurface = surface; }

  private:
    // The pen's width in the display's pixels.
    int PenPixels() const;
    // Where the pen can change pixels when it draws within `box`.
    QRect PenArea(const QRect& box) const;
    void MarksAdded(const QRect& area);
    void MarksChanged(const QRect& area);
    void MarksReplaced();

    const qreal FScale;
    bool FMarking = false;
    QPoint FLastPoint;
    QPoint FCircleCenter;
    TMarkTool FTool = TMarkTool::mtPencil;
    QImage FSaved;
    bool FMarksVisible = true;
    QImage FMarks;
    // The pen of the marks (MarkPen.h draws as the Windows pen does).
    QRgb FPenColor = 0xFFFF0000;
    int FPenWidth = 5;
    QCursor FCursor;
    // The rubber-band circle's area on FMarks while a circle is dragged.
    QRect FCircleArea;
    QRect FScreen;
    TfrmDraw* FSurface = nullptr;
    std::unique_ptr<platform::MarkWindow> FWindow;
};

}  // namespace kel
