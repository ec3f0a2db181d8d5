// The pen's work per mouse movement on a 1920 x 1080 and a 3840 x 2160 screen, measured in the
// same run: drawing the new segment into the marks, adding its pixels to the drawing surface's
// shape and painting them on the surface, up to the display server having done all of it. The
// same handwriting-like strokes are drawn at both sizes; the cost per movement must not grow
// with the screen. It is given for the first stroke, on a clear screen, and for the last, with
// the others on the screen: the display server's work for a change of the surface's shape grows
// with the marks already there (it recomputes the clipping of the windows beneath), whatever
// the screen's size. For reference, one stroke with the whole surface painted at each movement,
// as a full repaint per movement would cost.
//
//   bench_pen [STROKES [MOVES]]   10 strokes of 200 movements by default; on X11
//                                 (bench/annotation.sh runs it on a 3840 x 2160 virtual
//                                 display), elsewhere without a display server.

#include <xcb/xcb.h>

#include <QApplication>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "BenchUtil.h"
#include "UnitDraw.h"
#include "UnitTrans.h"

namespace kel::bench {

namespace {

constexpr double kTargetMsPerMove = 0.2;
constexpr int kRounds = 5;
constexpr int kReferenceStrokes = 1;
constexpr int kReferenceMoves = 20;
// Movements handled at a time when the mouse reports faster than the application keeps up.
constexpr int kBatch = 4;

// The platform's surface, with the pixels painted and the shape rectangles added counted.
class MeteredSurface final : public platform::SurfaceWindow {
  public:
    explicit MeteredSurface(const QRect& screen) : FInner(platform::CreateSurfaceWindow(screen)) {
        FInner->OnExpose = [this](const QRect& area) {
            if (OnExpose)
                OnExpose(area);
        };
    }

    double PaintedPixels = 0;
    double ShapeRects = 0;

    void Show() override { FInner->Show(); }
    void Hide() override { FInner->Hide(); }
    bool IsShown() const override { return FInner->IsShown(); }
    void SetCursor(const QCursor& cursor) override { FInner->SetCursor(cursor); }
    void SetShape(std::span<const QRect> rects) override { FInner->SetShape(rects); }
    void AddShape(const QRect& area, std::span<const QRect> rects) override {
        ShapeRects += double(rects.size());
        FInner->AddShape(area, rects);
    }
    void ReplaceShape(const QRect& area, std::span<const QRect> rects) override {
        ShapeRects += double(rects.size());
        FInner->ReplaceShape(area, rects);
    }
    void Paint(const QImage& image, const QRect& area) override {
        const QRect painted = area & image.rect();
        PaintedPixels += double(painted.width()) * painted.height();
        FInner->Paint(image, painted);
    }

  private:
    std::unique_ptr<platform::SurfaceWindow> FInner;
};

// Waits until the display server has carried out every request sent so far.
void SyncDisplay() {
    QApplication::processEvents();
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return;
    xcb_connection_t* connection = x11->connection();
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

// Handwriting: short wavy strokes of a few pixels per movement, in lines across a 1920 x 1080
// screen.
std::vector<std::vector<QPoint>> Strokes(int count, int moves) {
    std::vector<std::vector<QPoint>> strokes(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double left = 100 + (i % 5) * 350;
        const double top = 150 + (i / 5 % 6) * 150;
        for (int j = 0; j <= moves; ++j)
            strokes[size_t(i)].emplace_back(int(std::lround(left + j * 300.0 / moves)),
                                            int(std::lround(top + 40 * std::sin(j * 0.15))));
    }
    return strokes;
}

struct Measure {
    double FirstMs = 0;        // per movement, the first stroke, on a clear screen
    double LastMs = 0;         // per movement, the last stroke, with the others on the screen
    double PixelsPerMove = 0;  // painted on the surface
    double RectsPerMove = 0;   // added to its shape
    double ReleaseMs = 0;      // the redraw at the end of a stroke
};

// Draws the strokes `kRounds` times, each time on a cleared surface, timing each stroke's
// movements up to the display server's completion (medians over the rounds); the releases are
// timed apart. The application handles `batch` movements at a time, as when the mouse reports
// faster than it keeps up. With `paintWhole` the whole surface is painted after each movement
// as well.
Measure Draw(QSize screen, const std::vector<std::vector<QPoint>>& strokes, int batch,
             bool paintWhole) {
    // As in the player: the player window beneath, the overlay shown directly above it (a tool
    // is chosen), the drawing surface above both.
    QWidget player(nullptr, Qt::FramelessWindowHint);
    player.setGeometry(QRect(QPoint(0, 0), screen));
    player.show();
    const QRect area(QPoint(0, 0), screen);
    TfrmTrans overlay(area, platform::CreateOverlayWindow(player, area));
    overlay.ShowOverlay();
    auto metered = std::make_unique<MeteredSurface>(overlay.Screen());
    MeteredSurface& surface = *metered;
    TfrmDraw draw(overlay, std::move(metered));
    draw.Show();
    SyncDisplay();

    std::vector<double> first;
    std::vector<double> last;
    std::vector<double> releases;
    double pixels = 0;
    double rects = 0;
    double moves = 0;
    for (int round = 0; round < kRounds; ++round) {
        overlay.ClearMarks();
        SyncDisplay();
        for (const std::vector<QPoint>& stroke : strokes) {
            const double paintedBefore = surface.PaintedPixels;
            const double rectsBefore = surface.ShapeRects;
            overlay.MarkMouseDown(stroke.front());
            const Stopwatch clock;
            for (size_t i = 1; i < stroke.size(); ++i) {
                overlay.MarkMouseMove(stroke[i]);
                if (paintWhole)
                    surface.Paint(overlay.Marks(), overlay.Marks().rect());
                if (i % size_t(batch) == 0)
                    QApplication::processEvents();
            }
            SyncDisplay();
            const double ms = clock.Seconds() * 1000 / double(stroke.size() - 1);
            if (&stroke == &strokes.front())
                first.push_back(ms);
            if (&stroke == &strokes.back())
                last.push_back(ms);
            pixels += surface.PaintedPixels - paintedBefore;
            rects += surface.ShapeRects - rectsBefore;
            moves += double(stroke.size() - 1);
            const Stopwatch release;
            overlay.MarkMouseUp(stroke.back());
            SyncDisplay();
            releases.push_back(release.Seconds() * 1000);
        }
    }
    return {Median(first), Median(last), pixels / moves, rects / moves, Median(releases)};
}

void Row(const char* what, const Measure& m) {
    std::printf(
        "  %-30s %8.4f %8.4f ms/movement  %9.0f px painted  %5.1f shape rects  "
        "release %6.2f ms\n",
        what, m.FirstMs, m.LastMs, m.PixelsPerMove, m.RectsPerMove, m.ReleaseMs);
}

}  // namespace

}  // namespace kel::bench

int main(int argc, char** argv) {
    using namespace kel::bench;
    QApplication app(argc, argv);
    const int strokes = argc > 1 ? std::atoi(argv[1]) : 10;
    const int moves = argc > 2 ? std::atoi(argv[2]) : 200;
    const QSize small(1920, 1080);
    const QSize large(3840, 2160);

    std::printf("Pen: %d strokes of %d movements, medians of %d rounds, platform %s\n", strokes,
                moves, kRounds, qPrintable(QGuiApplication::platformName()));
    std::printf("  %-30s %8s %8s (first stroke on a clear screen, last stroke)\n", "", "first",
                "last");
    const auto writing = Strokes(strokes, moves);
    const Measure pen1080 = Draw(small, writing, 1, false);
    const Measure pen2160 = Draw(large, writing, 1, false);
    const Measure batched1080 = Draw(small, writing, kBatch, false);
    const Measure batched2160 = Draw(large, writing, kBatch, false);
    const auto reference = Strokes(kReferenceStrokes, kReferenceMoves);
    const Measure whole1080 = Draw(small, reference, 1, true);
    const Measure whole2160 = Draw(large, reference, 1, true);
    Row("pen, 1920 x 1080", pen1080);
    Row("pen, 3840 x 2160", pen2160);
    Row("pen, 4 at a time, 1920 x 1080", batched1080);
    Row("pen, 4 at a time, 3840 x 2160", batched2160);
    Row("reference: whole, 1920 x 1080", whole1080);
    Row("reference: whole, 3840 x 2160", whole2160);
    std::printf(
        "pen per movement, 3840 x 2160 / 1920 x 1080: first stroke %.2f, last stroke %.2f "
        "(target: about 1)\n",
        pen2160.FirstMs / pen1080.FirstMs, pen2160.LastMs / pen1080.LastMs);
    std::printf(
        "pen per movement at 3840 x 2160: first stroke %.4f ms (target: under %.1f ms, "
        "%s), last stroke %.4f ms\n",
        pen2160.FirstMs, kTargetMsPerMove, pen2160.FirstMs < kTargetMsPerMove ? "met" : "NOT met",
        pen2160.LastMs);
    std::printf("reference per movement, 3840 x 2160 / 1920 x 1080: %.2f\n",
                whole2160.FirstMs / whole1080.FirstMs);
    return 0;
}
