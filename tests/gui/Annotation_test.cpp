// The screen annotation on its bitmaps: the overlay's pen, rubber and circle, putting the marks
// away and clearing them, and the drawing surface's shape, painting and forwarding, with the
// null window variants of the offscreen platform; and the player window driving it through the
// toolbar's shortcuts.

#include <gtest/gtest.h>

#include <QBitmap>
#include <QBuffer>
#include <QPainter>
#include <QTest>
#include <cmath>
#include <filesystem>
#include <string>

#include "BundleFixture.h"
#include "TestControls.h"
#include "TestUtil.h"
#include "ToolbarActions.h"
#include "UnitDraw.h"
#include "UnitPlay.h"
#include "UnitTrans.h"

namespace kel::test {
namespace {

constexpr QRgb kRed = 0xFFFF0000;
const QRect kScreen(0, 0, 200, 150);

class Annotation : public ::testing::Test {
  protected:
    Annotation() {
        auto window = std::make_unique<platform::NullMarkWindow>();
        Window = window.get();
        Overlay = std::make_unique<TfrmTrans>(kScreen, std::move(window));
        auto surfaceWindow = std::make_unique<platform::NullSurfaceWindow>();
        SurfaceWindow = surfaceWindow.get();
        Surface = std::make_unique<TfrmDraw>(*Overlay, std::move(surfaceWindow));
    }

    // Presses at the first point, moves through the others and releases at the last, as the
    // overlay's window reports them.
    void Drag(std::initializer_list<QPoint> points) {
        Window->OnMouse(platform::MouseAction::Press, *points.begin());
        for (auto it = points.begin() + 1; it != points.end(); ++it)
            Window->OnMouse(platform::MouseAction::Move, *it);
        Window->OnMouse(platform::MouseAction::Release, *(points.end() - 1));
    }
    void Click(QPoint point) { Drag({point}); }

    bool Marked(int x, int y) const { return Overlay->Marks().pixel(x, y) != kNoMark; }

    QRegion MarkedRegion() const {
        QRegion region;
        for (int y = 0; y < kScreen.height(); ++y)
            for (int x = 0; x < kScreen.width(); ++x)
                if (Marked(x, y))
                    region += QRect(x, y, 1, 1);
        return region;
    }

    // The marked pixels of `area` as rows of '#' (marked) and '.', for failure messages.
    std::string Picture(const QRect& area) const {
        std::string text;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            text += '\n';
            for (int x = area.left(); x <= area.right(); ++x)
                text += Marked(x, y) ? '#' : '.';
        }
        return text;
    }

    // No blended pixel anywhere (each is silver or the pen's colour), and the surface's shape
    // is exactly the marked pixels.
    void ExpectCleanMarksAndShape(QRgb pen = kRed) const {
        const QImage& marks = Overlay->Marks();
        for (int y = 0; y < marks.height(); ++y)
            for (int x = 0; x < marks.width(); ++x)
                ASSERT_TRUE(marks.pixel(x, y) == kNoMark || marks.pixel(x, y) == pen)
                    << "pixel " << x << "," << y << " is " << std::hex << marks.pixel(x, y);
        EXPECT_EQ(SurfaceWindow->Shape(), MarkedRegion());
    }

    static bool AllSilver(const QImage& image) {
        QImage silver(image.size(), QImage::Format_RGB32);
        silver.fill(kNoMark);
        return image == silver;
    }

    platform::NullMarkWindow* Window = nullptr;
    platform::NullSurfaceWindow* SurfaceWindow = nullptr;
    std::unique_ptr<TfrmTrans> Overlay;
    std::unique_ptr<TfrmDraw> Surface;
};

TEST_F(Annotation, PenDragDrawsALineOfThePenWidthWithRoundEndsAndJoins) {
    Drag({{50, 60}, {100, 60}, {100, 100}});
    const std::string picture = Picture(QRect(44, 54, 64, 52));

    // Across each segment exactly the pen's 5 pixels, centred on it.
    for (int y = 50; y < 70; ++y)
        EXPECT_EQ(Marked(75, y), y >= 58 && y <= 62) << "row " << y << picture;
    for (int x = 90; x < 110; ++x)
        EXPECT_EQ(Marked(x, 80), x >= 98 && x <= 102) << "column " << x << picture;
    // Round ends: the cap reaches 2 pixels beyond the end point but not into the corners a
    // square cap would fill.
    EXPECT_TRUE(Marked(48, 60)) << picture;
    EXPECT_FALSE(Marked(47, 60)) << picture;
    EXPECT_FALSE(Marked(48, 58)) << picture;
    EXPECT_TRUE(Marked(100, 102)) << picture;
    EXPECT_FALSE(Marked(100, 103)) << picture;
    // Round join: the outer corner of the bend is rounded off.
    EXPECT_TRUE(Marked(102, 60)) << picture;
    EXPECT_FALSE(Marked(102, 58)) << picture;
    ExpectCleanMarksAndShape();
}

TEST_F(Annotation, AClickLeavesARoundDotOfThePenWidth) {
    struct Case {
        int Width;
        QRgb Color;
    };
    for (const Case& c : {Case{5, kRed}, Case{6, 0xFF008000}, Case{2, 0xFF000000}}) {
        SCOPED_TRACE(c.Width);
        if (c.Width != 5) {
            Overlay->SetPenWidth(c.Width);
            Overlay->SetPenColor(QColor::fromRgb(c.Color));
        }
        Overlay->ClearMarks();
        Click({60, 60});
        const QRegion dot = MarkedRegion();
        const std::string picture = Picture(QRect(52, 52, 16, 16));
        EXPECT_EQ(dot.boundingRect().size(), QSize(c.Width, c.Width)) << picture;
        EXPECT_TRUE(dot.contains(QPoint(60, 60))) << picture;
        if (c.Width > 2) {
            const QRect box = dot.boundingRect();
            for (const QPoint& corner :
                 {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()})
                EXPECT_FALSE(dot.contains(corner)) << picture;
        }
        ExpectCleanMarksAndShape(c.Color);
    }
}

TEST_F(Annotation, TheRubberErasesA16By16SquareAtEachReportedPointOnly) {
    Overlay->SetPenWidth(60);
    Drag({{10, 75}, {190, 75}});
    const QImage before = Overlay->Marks().copy();

    Overlay->SetTool(TMarkTool::mtRubber);
    // The press erases nothing; the jump from one square to the next leaves a gap.
    Drag({{100, 75}, {60, 70}, {140, 80}});

    QImage expected = before;
    QPainter painter(&expected);
    for (const QRect& square : {QRect(52, 62, 16, 16), QRect(132, 72, 16, 16)}) {
        int marked = 0;
        for (const QRect& run : MarkedRuns(before, square))
            marked += run.width();
        ASSERT_EQ(marked, 16 * 16) << "the square was not fully marked";
        painter.fillRect(square, QColor::fromRgb(kNoMark));
    }
    painter.end();
    EXPECT_TRUE(Overlay->Marks() == expected) << Picture(QRect(40, 55, 120, 40));
    ExpectCleanMarksAndShape();
}

TEST_F(Annotation, ACircleHasTheLargerOffsetAsRadiusAndLeavesNoRubberBand) {
    Overlay->SetTool(TMarkTool::mtCircle);
    Click({50, 50});
    EXPECT_EQ(MarkedRegion(), QRegion()) << "a circle press without movement draws nothing";

    // 30 right and 40 down: radius 40. The first movement's circle (radius 10) goes again.
    Drag({{100, 75}, {110, 78}, {130, 115}});
    const std::string picture = Picture(QRect(55, 30, 90, 90));
    for (const QPoint& onRing :
         {QPoint(140, 75), QPoint(60, 75), QPoint(100, 35), QPoint(100, 115)})
        EXPECT_TRUE(Marked(onRing.x(), onRing.y())) << onRing.x() << "," << onRing.y() << picture;
    for (int y = 0; y < kScreen.height(); ++y)
        for (int x = 0; x < kScreen.width(); ++x)
            if (Marked(x, y)) {
                const double distance = std::hypot(x - 100, y - 75);
                EXPECT_NEAR(distance, 40, 3.5) << x << "," << y << picture;
            }
    EXPECT_TRUE(AllSilver(Overlay->Saved())) << "the circle's snapshot is cleared at release";
    ExpectCleanMarksAndShape();
}

TEST_F(Annotation, PuttingAwayKeepsTheMarksInSavedUntilShownOrPressedAgain) {
    std::vector<bool> reported;
    Overlay->OnMarksVisibleChanged = [&](bool visible) { reported.push_back(visible); };
    Drag({{20, 20}, {120, 90}});
    const QImage marks = Overlay->Marks().copy();

    Overlay->SetMarksVisible(false);
    EXPECT_FALSE(Overlay->MarksVisible());
    EXPECT_TRUE(AllSilver(Overlay->Marks()));
    EXPECT_TRUE(Overlay->Saved() == marks);
    EXPECT_TRUE(SurfaceWindow->Shape().isEmpty());
    Overlay->SetMarksVisible(false);
    EXPECT_EQ(reported, std::vector<bool>{false}) << "an unchanged visibility reports nothing";

    Overlay->SetMarksVisible(true);
    EXPECT_TRUE(Overlay->Marks() == marks);
    ExpectCleanMarksAndShape();

    // Clearing while put away empties only what is shown; a press brings the rest back.
    Overlay->SetMarksVisible(false);
    Overlay->ClearMarks();
    EXPECT_TRUE(Overlay->Saved() == marks);
    Click({10, 140});
    EXPECT_TRUE(Overlay->MarksVisible());
    EXPECT_TRUE(Marked(70, 55)) << "the line came back";
    EXPECT_TRUE(Marked(10, 140)) << "the press drew its dot";
    EXPECT_EQ(reported, (std::vector<bool>{false, true, false, true}));
    ExpectCleanMarksAndShape();

    Overlay->ClearMarks();
    EXPECT_TRUE(AllSilver(Overlay->Marks()));
    EXPECT_TRUE(SurfaceWindow->Shape().isEmpty());
}

TEST_F(Annotation, APenMovementPaintsAndShapesOnlyItsSegment) {
    const auto painted = [this] {
        QRegion region;
        for (const QRect& rect : SurfaceWindow->Painted)
            region += rect;
        return region;
    };
    Window->OnMouse(platform::MouseAction::Press, {40, 40});
    Window->OnMouse(platform::MouseAction::Move, {60, 50});
    Window->OnMouse(platform::MouseAction::Move, {65, 52});
    EXPECT_TRUE(SurfaceWindow->Painted.empty()) << "shown once the input at hand is handled";
    QCoreApplication::processEvents();
    // Movements that arrived together are shown together: each segment's bounding box grown
    // by the pen width (5).
    EXPECT_EQ(painted(), QRegion(35, 35, 31, 21) + QRegion(55, 45, 16, 13));
    EXPECT_EQ(SurfaceWindow->Shape(), MarkedRegion());

    // A later movement shows only its own segment.
    SurfaceWindow->Painted.clear();
    Window->OnMouse(platform::MouseAction::Move, {70, 52});
    QCoreApplication::processEvents();
    EXPECT_EQ(painted(), QRegion(60, 47, 16, 11));
    EXPECT_EQ(SurfaceWindow->Shape(), MarkedRegion());

    // The release redraws the surface once, over all the marks, the movement not shown yet
    // among them.
    Window->OnMouse(platform::MouseAction::Move, {75, 40});
    SurfaceWindow->Painted.clear();
    Window->OnMouse(platform::MouseAction::Release, {75, 40});
    QCoreApplication::processEvents();
    EXPECT_EQ(SurfaceWindow->Painted, std::vector<QRect>{MarkedRegion().boundingRect()});
    ExpectCleanMarksAndShape();
}

TEST_F(Annotation, TheSurfaceForwardsItsMouseToTheOverlayOnlyWhenAsked) {
    const auto dragOnSurface = [this] {
        SurfaceWindow->OnMouse(platform::MouseAction::Press, {50, 50});
        SurfaceWindow->OnMouse(platform::MouseAction::Move, {80, 50});
        SurfaceWindow->OnMouse(platform::MouseAction::Release, {80, 50});
    };
    Click({50, 50});

    dragOnSurface();
    EXPECT_FALSE(Marked(65, 50)) << "forwarding is off at creation";

    Overlay->SetToolCursor(QCursor(Qt::CrossCursor));
    Overlay->SetForwardMouse(true);
    EXPECT_EQ(SurfaceWindow->Cursor().shape(), Qt::CrossCursor);
    dragOnSurface();
    EXPECT_TRUE(Marked(65, 50)) << "the stroke started on a drawn pixel went on";
    EXPECT_FALSE(Overlay->Marking());
    ExpectCleanMarksAndShape();

    Overlay->SetForwardMouse(false);
    EXPECT_EQ(SurfaceWindow->Cursor().shape(), Qt::ArrowCursor);
}

// Where the display has more pixels than the user interface, the pen and the rubber are as
// many times wider, so the marks look as they do on an unscaled screen.
TEST(AnnotationScaled, PenAndRubberGrowWithTheDisplaysScale) {
    const struct {
        qreal Scale;
        int Pen;
        int Rubber;
        int Cursor;
    } cases[] = {{1, 5, 16, 1}, {1.5, 8, 24, 2}, {2, 10, 32, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Scale);
        auto window = std::make_unique<platform::NullMarkWindow>();
        const platform::NullMarkWindow& shown = *window;
        TfrmTrans overlay(kScreen, std::move(window), c.Scale);

        // The tool cursors too, whole times larger so that they stay sharp.
        QBitmap picture(16, 16);
        picture.fill(Qt::color1);
        overlay.SetToolCursor(QCursor(picture, picture, 3, 4));
        EXPECT_EQ(shown.Cursor().bitmap().size(), QSize(16, 16) * c.Cursor);
        EXPECT_EQ(shown.Cursor().hotSpot(), QPoint(3, 4) * c.Cursor);

        const auto count = [&](const QRect& area, bool marked) {
            int pixels = 0;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    pixels += (overlay.Marks().pixel(x, y) != kNoMark) == marked;
            return pixels;
        };
        const auto drag = [&](QPoint from, QPoint to) {
            overlay.MarkMouseDown(from);
            overlay.MarkMouseMove(to);
            overlay.MarkMouseUp(to);
        };
        drag({20, 20}, {180, 20});
        EXPECT_EQ(count(QRect(100, 0, 1, 40), true), c.Pen);

        // A wide stroke makes a block; one rubber position erases one square from it.
        overlay.SetPenWidth(60);
        drag({40, 100}, {160, 100});
        overlay.SetTool(TMarkTool::mtRubber);
        drag({100, 100}, {100, 100});
        EXPECT_EQ(count(QRect(70, 80, 60, 40), false), c.Rubber * c.Rubber);
    }
}

TEST(AnnotationInPlayer, TheShortcutsChooseTheToolsAndNextClearsTheMarks) {
    TempFolder folder;
    std::filesystem::create_directory(folder.Path() / "temp");
    const auto picture = [](const char* name) {
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "BMP");
        return LessonFile{name, {bytes.begin(), bytes.end()}, {}};
    };
    TfrmZRPlay window(
        TPlayerSetup{BuildBundle(folder.Path().string(), {picture("a.bmp"), picture("b.bmp")}),
                     (folder.Path() / "temp").string() + "/", TestControls()});
    window.show();
    TfrmTrans& overlay = window.Overlay();
    TToolbarActions& toolbar = window.Toolbar();
    const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(window.windowHandle(), key, modifiers);
    };
    EXPECT_FALSE(overlay.Window().IsShown()) << "no tool yet: the overlay takes no input";

    press(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(overlay.Tool(), TMarkTool::mtCircle);
    press(Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(overlay.Window().IsShown());
    EXPECT_EQ(overlay.Tool(), TMarkTool::mtPencil);
    EXPECT_TRUE(window.DrawingSurface().ForwardMouse());
    overlay.MarkMouseDown({10, 10});
    overlay.MarkMouseMove({40, 10});
    overlay.MarkMouseUp({40, 10});
    const QImage marks = overlay.Marks().copy();
    ASSERT_EQ(marks.pixel(25, 10), 0xFFFF0000u) << "the initial pen is red";

    press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_FALSE(overlay.MarksVisible());
    EXPECT_FALSE(toolbar.atVisible->isChecked());
    press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(overlay.Marks() == marks);
    EXPECT_TRUE(toolbar.atVisible->isChecked());

    press(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(overlay.Tool(), TMarkTool::mtRubber);
    press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(overlay.Window().IsShown());
    EXPECT_TRUE(overlay.Marks() == marks) << "the marks stay in control mode";

    press(Qt::Key_PageDown, {});
    EXPECT_EQ(MarkedRuns(overlay.Marks(), overlay.Marks().rect()).size(), 0u);
}

}  // namespace
}  // namespace kel::test
