#include "UnitDraw.h"

#include "GeneralErrorReport.h"
#include "UnitTrans.h"

namespace kel {

namespace {

bool IsNoMark(QRgb pixel) {
    return (pixel & 0xFFFFFF) == (kNoMark & 0xFFFFFF);
}

// The smallest rectangle holding all of them.
QRect Bounds(const std::vector<QRect>& rects) {
    QRect bounds;
    for (const QRect& rect : rects)
        bounds |= rect;
    return bounds;
}

}  // namespace

std::vector<QRect> MarkedRuns(const QImage& marks, const QRect& area) {
    std::vector<QRect> runs;
    const QRect box = area & marks.rect();
    for (int y = box.top(); y <= box.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(marks.constScanLine(y));
        const int end = box.right() + 1;
        int x = box.left();
        while (x < end) {
            while (x < end && IsNoMark(line[x]))
                ++x;
            const int start = x;
            while (x < end && !IsNoMark(line[x]))
                ++x;
            if (x > start)
                runs.emplace_back(start, y, x - start, 1);
        }
    }
    return runs;
}

TfrmDraw::TfrmDraw(TfrmTrans& overlay, std::unique_ptr<platform::SurfaceWindow> window)
    : FOverlay(overlay),
      FWindow(window ? std::move(window) : platform::CreateSurfaceWindow(overlay.Screen())) {
    FWindow->OnMouse = [this](platform::MouseAction action, QPoint point) {
        if (FForwardMouse)
            RunGuarded([&] { FOverlay.MarkMouse(action, point); });
    };
    FWindow->OnExpose = [this](const QRect& area) { RunGuarded([&] { Paint(area); }); };
    FShowAdded.setSingleShot(true);
    FShowAdded.setInterval(0);
    FShowAdded.callOnTimeout([this] { RunGuarded([&] { ShowAdded(); }); });
    FOverlay.SetSurface(this);
}

TfrmDraw::~TfrmDraw() {
    FOverlay.SetSurface(nullptr);
}

void TfrmDraw::SetForwardMouse(bool forward) {
    FForwardMouse = forward;
    FWindow->SetCursor(forward ? FOverlay.ToolCursor() : QCursor(Qt::ArrowCursor));
}

void TfrmDraw::MarksAdded(const QRect& area) {
    FAdded += area;
    FShowAdded.start();
}

void TfrmDraw::ShowAdded() {
    FShowAdded.stop();
    if (FAdded.isEmpty())
        return;
    std::vector<QRect> runs;
    for (const QRect& rect : FAdded) {
        const std::vector<QRect> inRect = MarkedRuns(FOverlay.Marks(), rect);
        runs.insert(runs.end(), inRect.begin(), inRect.end());
    }
    FWindow->AddShape(FAdded.boundingRect(), runs);
    for (const QRect& rect : FAdded)
        Paint(rect);
    FAdded = QRegion();
}

void TfrmDraw::MarksChanged(const QRect& area) {
    ShowAdded();
    FWindow->ReplaceShape(area, MarkedRuns(FOverlay.Marks(), area));
    Paint(area);
}

// Only marked pixels are seen, so only their bounds need painting. Added marks waiting to be
// shown are among them.
void TfrmDraw::MarksReplaced() {
    FShowAdded.stop();
    FAdded = QRegion();
    const QImage& marks = FOverlay.Marks();
    const std::vector<QRect> runs = MarkedRuns(marks, marks.rect());
    FWindow->SetShape(runs);
    Paint(Bounds(runs));
}

void TfrmDraw::Paint(const QRect& area) {
    if (!area.isEmpty())
        FWindow->Paint(FOverlay.Marks(), area);
}

}  // namespace kel
