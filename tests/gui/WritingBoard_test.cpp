// The writing board on its own (placement on the 1024 x 768 test screen, what its text box shows
// when) and as the player drives it (shown at start, Ctrl+W and the banner, the "动画" rule).

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "BundleFixture.h"
#include "GeneralErrorReport.h"
#include "TestControls.h"
#include "TestUtil.h"
#include "ToolbarActions.h"
#include "UnitPlay.h"
#include "UnitWriting.h"

namespace kel::test {
namespace {

const QRect kLowered(0, 762, 1024, 109);
const QRect kRaised(0, 659, 1024, 109);

// A point on the 6-pixel banner along the board's top, in the board's coordinates.
const QPoint kOnBanner(300, 3);

void ExpectTestScreen() {
    ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1024, 768))
        << "the window tests run on the screen of tests/gui/offscreen-1024x768.json";
}

TEST(WritingBoard, LowersToItsBannerAndRaisesAtTheBottomOfTheScreen) {
    ExpectTestScreen();
    TfrmWriting board(nullptr);
    board.show();
    EXPECT_FALSE(board.BoardOpen());
    EXPECT_EQ(board.geometry(), kLowered);
    for (bool open : {true, false, true}) {
        EXPECT_EQ(board.ToggleBoard(), open);
        EXPECT_EQ(board.BoardOpen(), open);
        EXPECT_EQ(board.geometry(), open ? kRaised : kLowered);
    }
}

// The text box shows the kept text only from the moment the board is raised; raising always
// reloads it; lowering leaves the box as it was.
TEST(WritingBoard, ShowsTheKeptTextWhenRaised) {
    TfrmWriting board(nullptr);
    board.show();
    struct Step {
        const char* Set;  // nullptr: toggle the board instead
        const char* Shown;
    };
    const Step steps[] = {
        {"第一课的板书", ""},
        {nullptr, "第一课的板书"},
        {"第二课\r\n两行", "第二课\n两行"},
        {nullptr, "第二课\n两行"},
        {"第三课", "第二课\n两行"},
        {nullptr, "第三课"},
        {"", ""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.Set ? step.Set : "toggle");
        if (step.Set)
            board.SetWritingText(step.Set);
        else
            board.ToggleBoard();
        EXPECT_EQ(board.ShownText(), QString::fromUtf8(step.Shown));
    }
}

class BoardInPlayer : public ::testing::Test {
  protected:
    void SetUp() override {
        SetErrorReporter([this](const std::string& text) { Reports.push_back(text); });
    }
    void TearDown() override {
        SetErrorReporter({});
        EXPECT_TRUE(Reports.empty()) << Reports.front();
    }

    static LessonFile Lesson(const std::string& name,
                             std::vector<std::pair<std::string, std::string>> attributes) {
        return {name, Bytes("lesson"), std::move(attributes)};
    }

    std::unique_ptr<TfrmZRPlay> Open(const std::vector<LessonFile>& lessons) {
        std::filesystem::create_directory(Folder.Path() / "temp");
        auto window = std::make_unique<TfrmZRPlay>(TPlayerSetup{
            BuildBundle(Folder.Path().string(), lessons), Folder / "temp/", TestControls()});
        window->show();
        return window;
    }

    static void Press(TfrmZRPlay& window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(window.windowHandle(), key, modifiers);
    }

    static void ClickBanner(TfrmWriting& board) {
        QTest::mouseClick(board.windowHandle(), Qt::LeftButton, {}, kOnBanner);
    }

    // The board and the writing action agree on raised or lowered.
    static void ExpectBoard(TfrmZRPlay& window, bool open, const char* shown) {
        TfrmWriting& board = window.WritingBoard();
        const TAction& writing = *window.Toolbar().atWriting;
        EXPECT_EQ(board.BoardOpen(), open);
        EXPECT_EQ(board.geometry(), open ? kRaised : kLowered);
        EXPECT_EQ(writing.isChecked(), open);
        EXPECT_EQ(writing.ImageIndex, open ? 14 : 2);
        EXPECT_EQ(board.ShownText(), QString::fromUtf8(shown));
    }

    TempFolder Folder;
    std::vector<std::string> Reports;
};

TEST_F(BoardInPlayer, CtrlWAndTheBannerRaiseAndLowerTheLessonsNotes) {
    ExpectTestScreen();
    auto window = Open({Lesson("a.txt", {{"Writing", "三角形的内角和"}}),
                        Lesson("b.txt", {{"UserWriting", "勾股定理"}})});
    TfrmWriting& board = window->WritingBoard();
    EXPECT_TRUE(board.isVisible());
    ExpectBoard(*window, false, "");

    Press(*window, Qt::Key_W, Qt::ControlModifier);
    ExpectBoard(*window, true, "三角形的内角和");
    ClickBanner(board);
    ExpectBoard(*window, false, "三角形的内角和");
    ClickBanner(board);
    ExpectBoard(*window, true, "三角形的内角和");

    // The next lesson's notes reach the board while it is still raised; then it is lowered.
    Press(*window, Qt::Key_Space);
    ExpectBoard(*window, false, "勾股定理");
    Press(*window, Qt::Key_W, Qt::ControlModifier);
    ExpectBoard(*window, true, "勾股定理");
    Press(*window, Qt::Key_W, Qt::ControlModifier);
    ExpectBoard(*window, false, "勾股定理");
}

TEST_F(BoardInPlayer, AnimationLessonKeepsTheBoardLowered) {
    auto window = Open({Lesson("movie.txt", {{"style", "动画"}, {"Writing", "不显示"}}),
                        Lesson("notes.txt", {{"style", "动画 "}, {"Writing", "显示"}})});
    TfrmWriting& board = window->WritingBoard();
    ClickBanner(board);
    window->ToggleWriting(nullptr);
    Press(*window, Qt::Key_W, Qt::ControlModifier);
    ExpectBoard(*window, false, "");

    // Only the exact style text disables the board.
    Press(*window, Qt::Key_Space);
    ClickBanner(board);
    ExpectBoard(*window, true, "显示");
}

}  // namespace
}  // namespace kel::test
