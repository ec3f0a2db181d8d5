#pragma once
// The drawing surface of the screen annotation: an always-on-top window over the whole screen
// that shows the overlay's marks. Only the marked pixels are seen and take the mouse; presses
// on them go on to the overlay. A change of the marks repaints the surface only where it
// happened.

#include <QRect>
#include <QRegion>
#include <QTimer>
#include <memory>
#include <vector>

#include "MarkWindows.h"

namespace kel {

class TfrmTrans;

// The marked (non-silver) pixels of `area`, one rectangle per run of a row, rows top to
// bottom, each row left to right.
std::vector<QRect> MarkedRuns(const QImage& marks, const QRect& area);

class TfrmDraw final {
  public:
    // Covers the overlay's screen; without a window given, the platform's.
    explicit TfrmDraw(TfrmTrans& overlay,
                      std::unique_ptr<platform::SurfaceWindow> window = nullptr);
    ~TfrmDraw();
    TfrmDraw(const TfrmDraw&) = delete;
    TfrmDraw& operator=(const TfrmDraw&) = delete;

    void Show() { FWindow->Show(); }

    // Mouse events on marked pixels go on to the overlay; the surface's cursor is then the
    // overlay's, otherwise the default one.
    void SetForwardMouse(bool forward);
    bool ForwardMouse() const { return FForwardMouse; }

    // The overlay's marks changed: pixels were only added within `area`; anything within
    // `area` may have changed; the whole bitmap changed. Added pixels are shown once the
    // application has handled the input at hand: movements that arrive together change the
    // window's shape once, so a pen that reports faster than the display server follows does
    // not fall behind.
    void MarksAdded(const QRect& area);
    void MarksChanged(const QRect& area);
    void MarksReplaced();

    const platform::SurfaceWindow& Window() const { return *FWindow; }

  private:
    void Paint(const QRect& area);
    void ShowAdded();

    TfrmTrans& FOverlay;
    // Added marks not shown yet, and what shows them.
    QRegion FAdded;
    QTimer FShowAdded;
    bool FForwardMouse = false;
    std::unique_ptr<platform::SurfaceWindow> FWindow;
};

}  // namespace kel
