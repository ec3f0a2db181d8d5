// The player window driven through its keyboard hook and toolbar actions, with test-double
// controls and bundles built by the project's writer.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QBuffer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <filesystem>
#include <fstream>

#include "BundleFixture.h"
#include "Fonts.h"
#include "GeneralErrorReport.h"
#include "Panels.h"
#include "TestControls.h"
#include "TestUtil.h"
#include "ToolbarActions.h"
#include "UnitPlay.h"
#include "UnitToolbar.h"
#include "UnitWriting.h"

namespace kel::test {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> PictureBytes(const QColor& color, const char* format = "BMP") {
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return {bytes.begin(), bytes.end()};
}

LessonFile Picture(const std::string& name, const QColor& color,
                   std::vector<std::pair<std::string, std::string>> attributes = {}) {
    return {name, PictureBytes(color), std::move(attributes)};
}

LessonFile Plain(const std::string& name, const std::string& text = "lesson") {
    return {name, {text.begin(), text.end()}, {}};
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

class PlayerWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        SetErrorReporter([this](const std::string& text) { Reports.push_back(text); });
        fs::create_directory(Folder.Path() / "temp");
    }
    void TearDown() override { SetErrorReporter({}); }

    std::string TempDir() const { return (Folder.Path() / "temp").string() + "/"; }

    std::unique_ptr<TfrmZRPlay> OpenBundle(const std::string& bundle) {
        auto window = std::make_unique<TfrmZRPlay>(TPlayerSetup{bundle, TempDir(), TestControls()});
        window->show();
        return window;
    }

    std::unique_ptr<TfrmZRPlay> Open(const std::vector<LessonFile>& lessons,
                                     const std::vector<TEntryRef>& entries = {},
                                     const std::vector<LessonFile>& second = {}) {
        return OpenBundle(BuildBundle(Folder.Path().string(), lessons, entries, second));
    }

    // A bundle whose catalogue lists exactly these entries, over the given lessons.
    std::unique_ptr<TfrmZRPlay> OpenWithCatalogue(const std::vector<LessonFile>& lessons,
                                                  const std::vector<std::string>& entries) {
        const std::string bundle = BuildBundle(Folder.Path().string(), lessons);
        ReplaceCatalogue(bundle, CatalogueXml(entries));
        return OpenBundle(bundle);
    }

    static void Press(TfrmZRPlay& window, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(window.windowHandle(), key, modifiers);
    }

    static QColor Shown(const TfrmZRPlay& window) {
        EXPECT_EQ(window.FrontContainer(), window.PicturePanel());
        const QImage& picture = window.Image().Picture();
        return picture.isNull() ? QColor() : picture.pixelColor(0, 0);
    }

    // How many entries have been shown: each showing first unloads the Flash movie.
    static int Showings(const TfrmZRPlay& window) {
        return static_cast<int>(
            dynamic_cast<const TTestFlash&>(window.Flash()).Calls.count("Movie 0"));
    }

    TempFolder Folder;
    std::vector<std::string> Reports;
};

TEST_F(PlayerWindow, KeysStepThroughTheEntriesAndStopAtBothEnds) {
    auto window = Open({Picture("red.bmp", Qt::red), Picture("green.bmp", Qt::green),
                        Picture("blue.bmp", Qt::blue)});
    TToolbarActions& toolbar = window->Toolbar();
    EXPECT_EQ(Shown(*window), QColor(Qt::red));
    EXPECT_FALSE(toolbar.atPrevious->isEnabled());
    EXPECT_TRUE(toolbar.atNext->isEnabled());

    struct Step {
        Qt::Key Key;
        QColor Shown;
        bool Previous;
        bool Next;
        bool Moves;
    };
    const Step steps[] = {
        {Qt::Key_PageUp, Qt::red, false, true, false},
        {Qt::Key_Space, Qt::green, true, true, true},
        {Qt::Key_PageDown, Qt::blue, true, false, true},
        {Qt::Key_Space, Qt::blue, true, false, false},
        {Qt::Key_PageDown, Qt::blue, true, false, false},
        {Qt::Key_PageUp, Qt::green, true, true, true},
        {Qt::Key_PageUp, Qt::red, false, true, true},
        {Qt::Key_PageUp, Qt::red, false, true, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(QTest::toString(step.Key));
        const int before = Showings(*window);
        Press(*window, step.Key);
        EXPECT_EQ(Shown(*window), step.Shown);
        EXPECT_EQ(toolbar.atPrevious->isEnabled(), step.Previous);
        EXPECT_EQ(toolbar.atNext->isEnabled(), step.Next);
        EXPECT_EQ(Showings(*window), before + (step.Moves ? 1 : 0));
    }
    EXPECT_TRUE(Reports.empty());
}

TEST_F(PlayerWindow, OneEntryDisablesBothWaysAndKeysDoNothing) {
    auto window = Open({Picture("only.bmp", Qt::yellow)});
    EXPECT_FALSE(window->Toolbar().atPrevious->isEnabled());
    EXPECT_FALSE(window->Toolbar().atNext->isEnabled());
    const int showings = Showings(*window);
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_PageDown, Qt::Key_PageUp})
        Press(*window, key);
    EXPECT_EQ(Showings(*window), showings);
    EXPECT_EQ(Shown(*window), QColor(Qt::yellow));
}

TEST_F(PlayerWindow, KeysStillReachTheFocusedWidget) {
    auto window = Open({Picture("red.bmp", Qt::red), Picture("green.bmp", Qt::green)});
    QLineEdit edit;
    edit.show();
    QApplication::setActiveWindow(&edit);
    edit.setFocus();
    QTest::keyClick(edit.windowHandle(), Qt::Key_Space);
    EXPECT_EQ(edit.text(), " ");
    EXPECT_EQ(Shown(*window), QColor(Qt::green));
}

TEST_F(PlayerWindow, ToolShortcutsNeedCtrl) {
    auto window = Open({Picture("red.bmp", Qt::red)});
    TToolbarActions& toolbar = window->Toolbar();
    struct Shortcut {
        Qt::Key Key;
        TAction* const TToolbarActions::*Action;
        TAction* const TToolbarActions::*
            Before;  // run first, so the shortcut has something to change
    };
    const Shortcut shortcuts[] = {
        {Qt::Key_C, &TToolbarActions::atCircle, &TToolbarActions::atControl},
        {Qt::Key_R, &TToolbarActions::atRubber, &TToolbarActions::atControl},
        {Qt::Key_X, &TToolbarActions::atPencil, &TToolbarActions::atControl},
        {Qt::Key_Z, &TToolbarActions::atControl, &TToolbarActions::atPencil},
        {Qt::Key_V, &TToolbarActions::atVisible, &TToolbarActions::atControl},
    };
    for (const Shortcut& shortcut : shortcuts) {
        SCOPED_TRACE(QTest::toString(shortcut.Key));
        (toolbar.*shortcut.Before)->Execute();
        TAction& action = *(toolbar.*shortcut.Action);
        const bool checked = action.isChecked();
        Press(*window, shortcut.Key);
        Press(*window, shortcut.Key, Qt::ShiftModifier | Qt::AltModifier);
        EXPECT_EQ(action.isChecked(), checked);
        Press(*window, shortcut.Key, Qt::ControlModifier);
        EXPECT_NE(action.isChecked(), checked);
    }
}

TEST_F(PlayerWindow, WritingBoardFollowsTheLessonStyle) {
    auto window = Open({Picture("movie.bmp", Qt::red, {{"style", "动画"}}),
                        Picture("notes.bmp", Qt::green), Picture("other.bmp", Qt::blue)});
    TAction& writing = *window->Toolbar().atWriting;
    EXPECT_FALSE(writing.isEnabled());
    Press(*window, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window->WritingBoard().BoardOpen());

    Press(*window, Qt::Key_Space);
    EXPECT_TRUE(writing.isEnabled());
    Press(*window, Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(window->WritingBoard().BoardOpen());
    EXPECT_TRUE(writing.isChecked());
    EXPECT_EQ(writing.ImageIndex, 14);

    Press(*window, Qt::Key_Space);
    EXPECT_FALSE(window->WritingBoard().BoardOpen());
    EXPECT_FALSE(writing.isChecked());
    EXPECT_EQ(writing.ImageIndex, 2);
    EXPECT_TRUE(writing.isEnabled());
}

TEST_F(PlayerWindow, WritingTextComesFromUserWritingElseWriting) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> Attributes;
        std::string Text;
    };
    const std::vector<Case> cases = {
        {{{"UserWriting", "学生的笔记"}, {"Writing", "教师板书"}}, "学生的笔记"},
        {{{"UserWriting", ""}, {"Writing", "教师板书"}}, "教师板书"},
        {{{"writing", "小写的名字"}}, "小写的名字"},
        {{}, ""},
    };
    std::vector<LessonFile> lessons;
    for (size_t i = 0; i < cases.size(); ++i)
        lessons.push_back(Picture("p" + std::to_string(i) + ".bmp", Qt::red, cases[i].Attributes));
    auto window = Open(lessons);
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(window->WritingBoard().WritingText(), cases[i].Text);
        Press(*window, Qt::Key_Space);
    }
}

TEST_F(PlayerWindow, PictureIsUnpackedEachTimeOtherFilesOnce) {
    auto window = Open({Picture("red.bmp", Qt::red), Plain("page.htm", "<p>first</p>")});
    const std::string picture = window->WorkFolder() + "red.bmp";
    const std::string page = window->WorkFolder() + "page.htm";
    EXPECT_EQ(window->CurrentFile(), picture);
    EXPECT_FALSE(fs::exists(picture));

    Press(*window, Qt::Key_Space);
    ASSERT_EQ(ReadText(page), "<p>first</p>");
    std::ofstream(page) << "changed in the work folder";

    Press(*window, Qt::Key_PageUp);
    EXPECT_EQ(Shown(*window), QColor(Qt::red));
    EXPECT_FALSE(fs::exists(picture));

    Press(*window, Qt::Key_Space);
    EXPECT_EQ(ReadText(page), "changed in the work folder");
    EXPECT_TRUE(Reports.empty());
}

TEST_F(PlayerWindow, ExtensionChoosesThePresenter) {
    enum class Front { Flash, Picture, Video, Browser };
    struct Case {
        std::string Name;
        std::vector<uint8_t> Data;
        Front Expected;
    };
    const std::vector<uint8_t> text{'x', 'y', 'z'};
    const std::vector<Case> cases = {
        {"lesson.jpg", PictureBytes(Qt::blue, "JPG"), Front::Picture},
        {"LESSON.JPG", PictureBytes(Qt::blue, "JPG"), Front::Picture},
        {"Lesson.Bmp", PictureBytes(Qt::blue), Front::Picture},
        {"lesson.jpeg", PictureBytes(Qt::blue, "JPG"), Front::Flash},
        {"notes", text, Front::Flash},
        {"lesson.htm", text, Front::Browser},
        {"report.doc", text, Front::Browser},
        {"clip.wmv", text, Front::Video},
        {"lesson.", text, Front::Flash},
        {"movie.swf", text, Front::Flash},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto window = Open({{c.Name, c.Data, {}}});
        const QString file = QString::fromStdString(window->WorkFolder() + c.Name);
        ASSERT_TRUE(Reports.empty()) << Reports.front();
        switch (c.Expected) {
            case Front::Picture:
                EXPECT_EQ(window->FrontContainer(), window->PicturePanel());
                EXPECT_FALSE(window->Image().Picture().isNull());
                EXPECT_TRUE(window->Image().isVisibleTo(window->PicturePanel()));
                break;
            case Front::Browser:
                EXPECT_EQ(window->FrontContainer(), &window->WebBrowser());
                EXPECT_EQ(dynamic_cast<TInertBrowser&>(window->WebBrowser()).Location(), file);
                EXPECT_TRUE(window->WebBrowser().Visible());
                break;
            case Front::Video:
                EXPECT_EQ(window->FrontContainer(), window->VideoPanel());
                EXPECT_EQ(window->MediaPlayer().URL(), file);
                EXPECT_TRUE(window->MediaPlayer().isVisibleTo(window->VideoPanel()));
                EXPECT_EQ(window->MediaPlayer().geometry().size(),
                          QGuiApplication::primaryScreen()->geometry().size());
                break;
            case Front::Flash:
                // pnlFlash is in front from the start; only a movie is loaded into it.
                EXPECT_EQ(window->FrontContainer(), window->FlashPanel());
                const bool movie = c.Name.ends_with(".swf") || c.Name.ends_with(".");
                EXPECT_EQ(window->Flash().Movie(), movie ? file : "0");
                EXPECT_EQ(window->Flash().isVisibleTo(window->FlashPanel()), movie);
                break;
        }
    }
}

TEST_F(PlayerWindow, PictureThatCannotBeLoadedIsReportedAndReleasesTheWindow) {
    const struct {
        LessonFile Lesson;
        std::string Report;
    } cases[] = {
        {{"photo.jp", PictureBytes(Qt::blue, "JPG"), {}}, "Unknown picture file extension (.jp)"},
        {{"photo.bmp", PictureBytes(Qt::blue, "JPG"), {}}, "Cannot load the picture "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Lesson.Name);
        Reports.clear();
        auto window = Open({Picture("red.bmp", Qt::red), c.Lesson});
        Press(*window, Qt::Key_Space);
        ASSERT_EQ(Reports.size(), 1u);
        EXPECT_TRUE(Reports[0].starts_with(c.Report)) << Reports[0];
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(window->updatesEnabled());
        EXPECT_TRUE(window->Toolbar().atPrevious->isEnabled());
    }
}

TEST_F(PlayerWindow, StoppingLeavesAPausedVideoAlone) {
    const struct {
        int State;
        bool PlayStateFails;
        int Stops;
        bool Hidden;
    } cases[] = {
        {3, false, 1, true},  // playing: stopped and closed
        {9, false, 1, true},  // still opening, so about to play: the same
        {6, false, 1, true},  // buffering: the same
        {2, false, 0, true},  // paused: only hidden
        {8, false, 0, true},  // ended: only hidden
        {0, true, 0, false},  // no state to read: the stop ends before hiding it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.State);
        auto window = Open({Plain("clip.avi"), Picture("red.bmp", Qt::red)});
        auto& player = dynamic_cast<TTestMediaPlayer&>(window->MediaPlayer());
        player.State = c.State;
        player.PlayStateFails = c.PlayStateFails;
        Press(*window, Qt::Key_Space);
        EXPECT_EQ(player.Stops, c.Stops);
        EXPECT_EQ(player.Closes, c.Stops);
        EXPECT_EQ(player.isVisibleTo(window->VideoPanel()), !c.Hidden);
        EXPECT_EQ(Shown(*window), QColor(Qt::red));
        EXPECT_TRUE(Reports.empty());
    }
}

TEST_F(PlayerWindow, BadEntriesAreReportedAndThePreviousLessonStays) {
    const struct {
        std::string Entry;
        std::string Report;
    } cases[] = {
        {R"(ID="abc" System="-1")", "'abc' is not a valid integer value."},
        {R"(ID="5" System="-1")", "List index out of bounds (5)"},
        {R"(ID="-1" System="True")", "List index out of bounds (-1)"},
        {R"(System="-1")", "Could not convert variant of type (Null) into type (String)"},
        {R"(ID="0")", "Could not convert variant of type (Null) into type (String)"},
        {R"(ID="0" System="maybe")", "'maybe' is not a valid boolean value."},
        {R"(ID="0" System="0")", "List index out of bounds (0)"},  // no second package
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Entry);
        Reports.clear();
        auto window =
            OpenWithCatalogue({Picture("red.bmp", Qt::red)}, {R"(ID="0" System="-1")", c.Entry});
        Press(*window, Qt::Key_Space);
        EXPECT_EQ(Reports, std::vector<std::string>{c.Report});
        EXPECT_EQ(Shown(*window), QColor(Qt::red));
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(window->Toolbar().atPrevious->isEnabled());
        EXPECT_FALSE(window->Toolbar().atNext->isEnabled());
    }
}

TEST_F(PlayerWindow, BrokenFirstEntryIsReportedAndTheKeysStillWork) {
    auto window = OpenWithCatalogue({Picture("red.bmp", Qt::red)},
                                    {R"(ID="7" System="-1")", R"(ID="0" System="true")"});
    EXPECT_EQ(Reports, std::vector<std::string>{"List index out of bounds (7)"});
    EXPECT_FALSE(window->TerminateRequested());
    Press(*window, Qt::Key_Space);
    EXPECT_EQ(Shown(*window), QColor(Qt::red));
}

TEST_F(PlayerWindow, SystemChoosesTheMainOrTheSecondPackage) {
    auto window = Open({Picture("main.bmp", Qt::red)}, {{0, true}, {0, false}},
                       {Picture("second.bmp", Qt::blue)});
    EXPECT_EQ(Shown(*window), QColor(Qt::red));
    Press(*window, Qt::Key_Space);
    EXPECT_EQ(Shown(*window), QColor(Qt::blue));
}

TEST_F(PlayerWindow, CatalogueThatDoesNotParseIsReported) {
    const std::string bundle = BuildBundle(Folder.Path().string(), {Picture("red.bmp", Qt::red)});
    ReplaceCatalogue(bundle, "<Korvat教育存盘文件><素材 ID=\"0\"");
    auto window = OpenBundle(bundle);
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_NE(Reports[0].find("TeachMaterial.xml"), std::string::npos) << Reports[0];
    EXPECT_FALSE(window->TerminateRequested());
    Press(*window, Qt::Key_Space);
    EXPECT_EQ(Reports.size(), 1u);
}

TEST_F(PlayerWindow, UnreadableTrailerEndsThePlayerWithoutACatalogue) {
    const std::string notABundle = Folder / "short.bin";
    std::ofstream(notABundle) << "too short for a trailer";
    auto window = OpenBundle(notABundle);
    EXPECT_TRUE(window->TerminateRequested());
    EXPECT_FALSE(fs::exists(window->CatalogueFile()));
    EXPECT_TRUE(Reports.empty());
}

TEST_F(PlayerWindow, StartEmptiesTheWorkFolderAndCloseCleansUp) {
    const fs::path temp = TempDir();
    const fs::path work = temp / "Korvat_ZR";
    fs::create_directories(work / "old");
    std::ofstream(work / "old" / "stale.txt") << "from an earlier run";
    std::ofstream(temp / "a.ept") << "package";
    std::ofstream(temp / "b.ept") << "package";
    std::ofstream(temp / "keep.txt") << "not ours";
    const fs::path outside = Folder.Path() / "outside";
    fs::create_directories(outside / "inner");
    std::ofstream(outside / "inner" / "precious.txt") << "must survive";
    fs::create_symlink(outside / "inner" / "precious.txt", temp / "link.ept");

    auto window = Open({Plain("page.htm"), Picture("red.bmp", Qt::red)});
    EXPECT_FALSE(fs::exists(work / "old"));
    EXPECT_TRUE(fs::exists(window->CatalogueFile()));
    EXPECT_TRUE(fs::exists(temp / "a.ept"));
    fs::create_directory_symlink(outside, work / "linked");

    window->Toolbar().atExit->Execute();

    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(fs::exists(window->CatalogueFile()));
    EXPECT_FALSE(fs::exists(work));
    for (const char* name : {"a.ept", "b.ept", "link.ept"})
        EXPECT_FALSE(fs::exists(fs::symlink_status(temp / name))) << name;
    EXPECT_TRUE(fs::exists(temp / "keep.txt"));
    EXPECT_EQ(ReadText((outside / "inner" / "precious.txt").string()), "must survive");
    EXPECT_TRUE(Reports.empty());
}

TEST_F(PlayerWindow, LessonMoviesAreAdjustedStepByStep) {
    const struct {
        QStringList Failing;
        QStringList Calls;
    } cases[] = {
        {{},
         {"TSetProperty btt/quit 7 0", "TSetProperty btt/sf 7 0", "TSetProperty btt/bz 0 289.75",
          "TSetProperty btt/bz 1 -218.4"}},
        {{"btt/quit", "btt/sf"},
         {"TSetProperty btt/quit 7 0", "TSetProperty btt/sf 7 0", "TSetProperty btt/bz 0 289.75",
          "TSetProperty btt/bz 1 -218.4"}},
        {{"btt/bz"},
         {"TSetProperty btt/quit 7 0", "TSetProperty btt/sf 7 0", "TSetProperty btt/bz 0 289.75"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Failing.join(",").toStdString());
        auto window = Open({Plain("page.htm")});
        auto& flash = dynamic_cast<TTestFlash&>(window->Flash());
        flash.FailingTargets = c.Failing;
        flash.Calls.clear();
        flash.OnReadyStateChange(3);
        EXPECT_TRUE(flash.Calls.isEmpty());
        flash.OnReadyStateChange(4);
        EXPECT_EQ(flash.Calls, c.Calls);
        EXPECT_TRUE(Reports.empty());
    }
}

TEST_F(PlayerWindow, OnlyTheFlvRequestIsAnswered) {
    auto window = Open({Plain("page.htm")});
    auto& flash = dynamic_cast<TTestFlash&>(window->Flash());
    flash.Calls.clear();
    flash.OnFSCommand("flvplay", "other");
    flash.OnFSCommand("FLVPLAY", "flvplay");
    EXPECT_TRUE(flash.Calls.isEmpty());
    flash.OnFSCommand("flvplay", "flvplay");
    EXPECT_EQ(flash.Calls, QStringList{"SetVariable _root.movieq "});
}

// Each FLV: the movie is unloaded, set to the FLV, then to the FLV player movie, which is written
// once per run; the player movie's request is answered with the FLV being shown.
TEST_F(PlayerWindow, FlashVideoGoesThroughThePlayerMovieWrittenOnce) {
    auto window = Open({Plain("first.flv"), Plain("second.flv")});
    auto& flash = dynamic_cast<TTestFlash&>(window->Flash());
    const QString work = QString::fromStdString(window->WorkFolder());
    const std::string playerMovie = window->WorkFolder() + "flvPlayer.swf";
    EXPECT_EQ(flash.Calls.filter("Movie "), (QStringList{"Movie 0", "Movie " + work + "first.flv",
                                                         "Movie " + work + "flvPlayer.swf"}));
    ASSERT_TRUE(fs::is_regular_file(playerMovie));
    EXPECT_EQ(ReadText(playerMovie).substr(0, 3), "CWS");
    EXPECT_EQ(flash.BackgroundColor(), 0xFFFFFF);
    flash.Calls.clear();
    flash.OnFSCommand("flvplay", "flvplay");
    EXPECT_EQ(flash.Calls, QStringList{"SetVariable _root.movieq " + work + "first.flv"});

    // A second FLV reuses the player movie already in the work folder.
    WriteAll(playerMovie, "kept");
    flash.Calls.clear();
    Press(*window, Qt::Key_Space);
    EXPECT_EQ(flash.Calls.filter("Movie "), (QStringList{"Movie 0", "Movie " + work + "second.flv",
                                                         "Movie " + work + "flvPlayer.swf"}));
    EXPECT_EQ(ReadText(playerMovie), "kept");
    flash.Calls.clear();
    flash.OnFSCommand("flvplay", "flvplay");
    EXPECT_EQ(flash.Calls, QStringList{"SetVariable _root.movieq " + work + "second.flv"});
    EXPECT_TRUE(Reports.empty());
}

TEST_F(PlayerWindow, APageStaysLoadedBehindAPicture) {
    auto window = Open({Plain("page.htm"), Picture("red.bmp", Qt::red)});
    auto& browser = dynamic_cast<TInertBrowser&>(window->WebBrowser());
    const QString page = QString::fromStdString(window->WorkFolder() + "page.htm");
    Press(*window, Qt::Key_Space);
    EXPECT_EQ(Shown(*window), QColor(Qt::red));
    EXPECT_EQ(browser.Location(), page);
    EXPECT_TRUE(browser.Visible());
    EXPECT_TRUE(browser.isVisibleTo(window.get()));
}

// Counts the requests to bring a window to the front.
class RaiseCounter : public QObject {
  public:
    explicit RaiseCounter(QWidget& window) { window.installEventFilter(this); }
    int Raises = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::ZOrderChange)
            ++Raises;
        return false;
    }
};

// Only a plain left click that lands on the bare Flash panel itself, not on a movie over it nor
// on another surface in front, brings the toolbar to the front.
TEST_F(PlayerWindow, ClickOnTheBareFlashPanelBringsTheToolbarToTheFront) {
    auto window = Open({Plain("notes"), Plain("movie.swf"), Picture("red.bmp", Qt::red)});
    RaiseCounter toolbar(window->ToolbarWindow());
    QWindow* screen = window->windowHandle();
    const QPoint centre = window->rect().center();
    const struct {
        const char* Lesson;
        QWidget* Front;
        bool Movie;
        bool Raises;
    } lessons[] = {
        {"no movie", window->FlashPanel(), false, true},
        {"a movie", window->FlashPanel(), true, false},
        {"a picture", window->PicturePanel(), false, false},
    };
    for (const auto& lesson : lessons) {
        SCOPED_TRACE(lesson.Lesson);
        ASSERT_EQ(window->FrontContainer(), lesson.Front);
        ASSERT_EQ(window->Flash().isVisibleTo(window->FlashPanel()), lesson.Movie);
        toolbar.Raises = 0;
        QTest::mouseClick(screen, Qt::RightButton, {}, centre);
        QTest::mouseClick(screen, Qt::MiddleButton, {}, centre);
        // Released away from the panel, the press is no click.
        QTest::mousePress(screen, Qt::LeftButton, {}, centre);
        QTest::mouseRelease(screen, Qt::LeftButton, {}, QPoint(-20, -20));
        EXPECT_EQ(toolbar.Raises, 0);
        QTest::mouseClick(screen, Qt::LeftButton, {}, centre);
        EXPECT_EQ(toolbar.Raises, lesson.Raises ? 1 : 0);
        Press(*window, Qt::Key_Space);
    }
    EXPECT_TRUE(Reports.empty());
}

TEST(ChineseFonts, WindowsFontNamesStandForAnInstalledChineseFont) {
    SubstituteChineseFonts();
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    ASSERT_FALSE(chinese.isEmpty()) << "no font for Simplified Chinese is installed";
    for (const char* name : {"宋体", "黑体"})
        EXPECT_TRUE(chinese.contains(QFontInfo(QFont(QString::fromUtf8(name))).family())) << name;
}

}  // namespace
}  // namespace kel::test
