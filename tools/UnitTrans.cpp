#include "UnitTrans.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cstdlib>

#include "GeneralErrorReport.h"
#include "MarkPen.h"
#include "UnitDraw.h"

namespace kel {

namespace {

constexpr int kRubberHalf = 8;  // the rubber erases a 16 x 16 square around the point

// How many of the display's pixels Qt gives one of its own (2 on a screen scaled to 200 %).
qreal PrimaryScale() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->devicePixelRatio() : 1.0;
}

// The primary screen in the display's pixels: the annotation windows are made without Qt, and
// the marks are drawn pixel for pixel where Qt scales its windows too.
QRect PrimaryScreenPixels() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const QRect geometry = screen->geometry();
    const qreal scale = screen->devicePixelRatio();
    return {QPoint(qRound(geometry.x() * scale), qRound(geometry.y() * scale)),
            QSize(qRound(geometry.width() * scale), qRound(geometry.height() * scale))};
}

// A picture cursor as many whole times larger (its pixels stay sharp); others as they are.
QCursor Enlarged(const QCursor& cursor, int times) {
    if (times == 1 || cursor.shape() != Qt::BitmapCursor)
        return cursor;
    const QPoint hotSpot = cursor.hotSpot() * times;
    const auto larger = [&](const QImage& image) { return image.scaled(image.size() * times); };
    if (!cursor.bitmap().isNull())
        return QCursor(QBitmap::fromImage(larger(cursor.bitmap().toImage())),
                       QBitmap::fromImage(larger(cursor.mask().toImage())), hotSpot.x(),
                       hotSpot.y());
    if (cursor.pixmap().isNull())
        return cursor;
    return QCursor(QPixmap::fromImage(larger(cursor.pixmap().toImage())), hotSpot.x(), hotSpot.y());
}

QImage NoMarks(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(kNoMark);
    return image;
}

}  // namespace

TfrmTrans::TfrmTrans(QWidget& player)
    : TfrmTrans(PrimaryScreenPixels(), platform::CreateOverlayWindow(player, PrimaryScreenPixels()),
                PrimaryScale()) {}

TfrmTrans::TfrmTrans(const QRect& screen, std::unique_ptr<platform::MarkWindow> window, qreal scale)
    : FScale(scale),
      FSaved(NoMarks(screen.size())),
      FMarks(NoMarks(screen.size())),
      FScreen(screen),
      FWindow(std::move(window)) {
    FWindow->OnMouse = [this](platform::MouseAction action, QPoint point) {
        RunGuarded([&] { MarkMouse(action, point); });
    };
}

TfrmTrans::~TfrmTrans() = default;

void TfrmTrans::ShowOverlay() {
    FWindow->Show();
}

void TfrmTrans::HideOverlay() {
    FWindow->Hide();
}

void TfrmTrans::SetToolCursor(const QCursor& cursor) {
    FCursor = Enlarged(cursor, std::max(qRound(FScale), 1));
    FWindow->SetCursor(FCursor);
}

void TfrmTrans::ClearMarks() {
    FMarks.fill(kNoMark);
    MarksReplaced();
}

void TfrmTrans::SetMarksVisible(bool visible) {
    if (visible == FMarksVisible)
        return;
    FMarksVisible = visible;
    if (visible) {
        FMarks = FSaved;
    } else {
        FSaved = FMarks;
        FMarks = NoMarks(FMarks.size());
    }
    MarksReplaced();
    if (OnMarksVisibleChanged)
        OnMarksVisibleChanged(visible);
}

void TfrmTrans::MarkMouseDown(QPoint point) {
    SetMarksVisible(true);
    FMarking = true;
    FLastPoint = point;
    if (FTool == TMarkTool::mtCircle) {
        FSaved = FMarks;
        FCircleCenter = point;
        FCircleArea = QRect();
    }
}

void TfrmTrans::MarkMouseMove(QPoint point) {
    if (!FMarking)
        return;
    switch (FTool) {
        case TMarkTool::mtPencil: {
            // Only the new segment is drawn and shown: the cost of a movement does not grow
            // with the screen.
            DrawPenLine(FMarks, FLastPoint, point, PenPixels(), FPenColor);
            MarksAdded(PenArea(QRect(FLastPoint, point).normalized()));
            break;
        }
        case TMarkTool::mtRubber: {
            // Only the square at each reported position: jumps leave gaps.
            const int half = qRound(kRubberHalf * FScale);
            const QRect square(point.x() - half, point.y() - half, 2 * half, 2 * half);
            QPainter(&FMarks).fillRect(square, QColor::fromRgb(kNoMark));
            MarksChanged(square & FMarks.rect());
            break;
        }
        case TMarkTool::mtCircle: {
            const int radius = std::max(std::abs(point.x() - FCircleCenter.x()),
                                        std::abs(point.y() - FCircleCenter.y()));
            const QRect previous = FCircleArea;
            // FMarks differs from the snapshot only where the previous circle was drawn.
            QPainter(&FMarks).drawImage(previous, FSaved, previous);
            FCircleArea = QRect();
            if (radius > 0) {
                DrawPenCircle(FMarks, FCircleCenter, radius, PenPixels(), FPenColor);
                FCircleArea = PenArea(QRect(FCircleCenter - QPoint(radius, radius),
                                            QSize(2 * radius + 1, 2 * radius + 1)));
            }
            MarksChanged(previous | FCircleArea);
            break;
        }
    }
    FLastPoint = point;
}

void TfrmTrans::MarkMouseUp(QPoint point) {
    if (!FMarking)
        return;
    FMarking = false;
    if (point == FLastPoint && FTool == TMarkTool::mtPencil) {
        // A click leaves a round dot of the pen's width.
        DrawPenLine(FMarks, point, point, PenPixels(), FPenColor);
    }
    if (FTool == TMarkTool::mtCircle) {
        FSaved.fill(kNoMark);
        FCircleArea = QRect();
    }
    MarksReplaced();
}

void TfrmTrans::MarkMouse(platform::MouseAction action, QPoint point) {
    switch (action) {
        case platform::MouseAction::Press:
            MarkMouseDown(point);
            break;
        case platform::MouseAction::Move:
            MarkMouseMove(point);
            break;
        case platform::MouseAction::Release:
            MarkMouseUp(point);
            break;
    }
}

void TfrmTrans::SetForwardMouse(bool forward) {
    if (FSurface)
        FSurface->SetForwardMouse(forward);
}

int TfrmTrans::PenPixels() const {
    return std::max(qRound(FPenWidth * FScale), 1);
}

QRect TfrmTrans::PenArea(const QRect& box) const {
    const int grow = PenPixels();
    return box.adjusted(-grow, -grow, grow, grow) & FMarks.rect();
}

void TfrmTrans::MarksAdded(const QRect& area) {
    if (FSurface)
        FSurface->MarksAdded(area);
}

void TfrmTrans::MarksChanged(const QRect& area) {
    if (FSurface)
        FSurface->MarksChanged(area);
}

void TfrmTrans::MarksReplaced() {
    if (FSurface)
        FSurface->MarksReplaced();
}

}  // namespace kel
