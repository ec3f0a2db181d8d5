// The web-based controls without the web engine: which files the lesson scheme serves, the
// lesson addresses of work-folder files, and the Flash control's side of its bridge (what it keeps
// of the page's reports, which reports it drops, and that unloading never starts the engine).

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "Error.h"
#include "FlashControl.h"
#include "LessonWeb.h"
#include "TestUtil.h"

namespace kel::test {
namespace {

namespace fs = std::filesystem;

// A work folder with a nested lesson, a link inside and a link out, and a file beside it that
// no lesson may read.
class WorkFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(Temp.Path() / "work/sub");
        WriteAll(Temp / "work/movie.swf", "swf");
        WriteAll(Temp / "work/sub/中文.swf", "swf");
        WriteAll(Temp / "secret.txt", "secret");
        fs::create_symlink(Temp / "secret.txt", Temp / "work/out.txt");
        fs::create_symlink(Temp / "work/movie.swf", Temp / "work/in.swf");
        fs::create_symlink(Temp.Path(), Temp / "work/up");
    }

    QString Work() const {
        return QString::fromStdString(fs::canonical(Temp.Path() / "work").string());
    }

    TempFolder Temp;
};

TEST_F(WorkFolder, SchemeServesOnlyRegularFilesInsideTheWorkFolder) {
    const struct {
        const char* urlPath;
        const char* served;  // relative to the work folder; nullptr: refused
    } cases[] = {
        {"/movie.swf", "movie.swf"},
        {"/sub/中文.swf", "sub/中文.swf"},
        {"/in.swf", "movie.swf"},
        {"/out.txt", nullptr},
        {"/up/secret.txt", nullptr},
        {"/../secret.txt", nullptr},
        {"/sub/../movie.swf", nullptr},
        {"/./movie.swf", nullptr},
        {"/sub", nullptr},
        {"/", nullptr},
        {"/missing.swf", nullptr},
        {"movie.swf", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        const QString served = LessonFileInFolder(Work(), QString::fromUtf8(c.urlPath));
        const QString expected = c.served ? Work() + "/" + QString::fromUtf8(c.served) : QString();
        EXPECT_EQ(served, expected) << c.urlPath;
    }
    EXPECT_TRUE(LessonFileInFolder(Work(), QString("/movie.swf") + QChar(0) + "x").isEmpty());
}

TEST_F(WorkFolder, LessonAddressesNameWorkFolderFilesOnly) {
    TLessonWeb web({Work() + "/", {}, {}});
    EXPECT_EQ(web.LessonUrl(Work() + "/sub/中文.swf").toString(QUrl::FullyEncoded),
              "kel://lesson/sub/%E4%B8%AD%E6%96%87.swf");
    EXPECT_EQ(web.LessonUrl(Work() + "/movie.swf").toString(), "kel://lesson/movie.swf");
    EXPECT_TRUE(web.LessonUrl(QString::fromStdString(Temp / "secret.txt")).isEmpty());
    EXPECT_TRUE(web.LessonUrl(Work() + "/out.txt").isEmpty());
    EXPECT_TRUE(web.LessonUrl("0").isEmpty());
    EXPECT_FALSE(web.Started());
}

class FlashBridge : public WorkFolder {
  protected:
    // A control whose movie is never loaded (its path is outside the work folder), so the engine
    // stays off while the test plays the page's part.
    void SetUp() override {
        WorkFolder::SetUp();
        Web = std::make_unique<TLessonWeb>(TLessonWebSetup{Work() + "/", {}, {}});
        Flash = std::make_unique<TWebFlashControl>(*Web, nullptr);
        Bridge = Flash->findChild<TFlashBridge*>();
        ASSERT_NE(Bridge, nullptr);
        Flash->OnFSCommand = [this](const QString& command, const QString& args) {
            Commands << command + " " + args;
        };
        Flash->OnReadyStateChange = [this](int state) { States << state; };
    }

    // Each SetMovie is a new load; the page numbers its reports with it.
    int LoadMovie(const QString& movie) {
        Flash->SetMovie(movie);
        QCoreApplication::processEvents();
        return ++LoadId;
    }

    std::unique_ptr<TLessonWeb> Web;
    std::unique_ptr<TWebFlashControl> Flash;
    TFlashBridge* Bridge = nullptr;
    QStringList Commands;
    QList<int> States;
    int LoadId = 0;
};

TEST_F(FlashBridge, UnloadingAndHidingNeverStartTheEngine) {
    Flash->SetMovie("0");
    Flash->SetBackgroundColor(0x123456);
    Flash->hide();
    QCoreApplication::processEvents();
    EXPECT_EQ(Flash->Movie(), "0");
    EXPECT_EQ(Flash->BackgroundColor(), 0x123456);
    EXPECT_FALSE(Flash->EngineStarted());
    EXPECT_FALSE(Web->Started());
}

TEST_F(FlashBridge, KeepsWhatTheCurrentMovieReportsAndDropsReportsOfReplacedOnes) {
    const int first = LoadMovie("/elsewhere/first.swf");
    const int second = LoadMovie("/elsewhere/second.swf");
    Bridge->loaded(first, {"SetVariable"});
    Bridge->fsCommand(first, "flvplay", "flvplay", {"SetVariable"});
    EXPECT_EQ(Flash->ReadyState(), 0);
    EXPECT_TRUE(Commands.isEmpty());
    EXPECT_TRUE(States.isEmpty());
    EXPECT_THROW(Flash->SetVariable("_root.movieq", "x"), Error);

    Bridge->loaded(second, {});
    EXPECT_EQ(Flash->ReadyState(), 4);
    EXPECT_EQ(States, QList<int>{4});
    Bridge->fsCommand(second, "flvplay", "flvplay", {"SetVariable"});
    EXPECT_EQ(Commands, QStringList{"flvplay flvplay"});

    // A work-folder path reaches the movie as its lesson address, any other value as it is.
    QSignalSpy calls(Bridge, &TFlashBridge::callMovie);
    Flash->SetVariable("_root.movieq", Work() + "/sub/中文.swf");
    Flash->SetVariable("_root.other", "plain text");
    ASSERT_EQ(calls.count(), 2);
    EXPECT_EQ(calls[0][0].toInt(), second);
    EXPECT_EQ(calls[0][1].toString(), "SetVariable");
    EXPECT_EQ(calls[0][2].toList(),
              (QVariantList{"_root.movieq", "kel://lesson/sub/%E4%B8%AD%E6%96%87.swf"}));
    EXPECT_EQ(calls[1][2].toList(), (QVariantList{"_root.other", "plain text"}));

    // The next movie starts with nothing known of it.
    LoadMovie("/elsewhere/third.swf");
    EXPECT_EQ(Flash->ReadyState(), 0);
    EXPECT_THROW(Flash->SetVariable("_root.movieq", "x"), Error);
}

TEST_F(FlashBridge, ClipPropertiesCannotBeSet) {
    LoadMovie("/elsewhere/movie.swf");
    EXPECT_THROW(Flash->TSetProperty("btt/quit", 7, "0"), Error);
}

}  // namespace
}  // namespace kel::test
