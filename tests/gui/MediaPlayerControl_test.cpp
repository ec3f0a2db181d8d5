// The video control with its real player (Qt Multimedia, GStreamer) on small videos that ffmpeg
// makes for the run, on the offscreen platform.

#include <gtest/gtest.h>

#include <QApplication>
#include <QAudioDevice>
#include <QAudioOutput>
#include <QDialog>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <filesystem>
#include <memory>

#include "MediaPlayerControl.h"
#include "TestUtil.h"

namespace kel::test {
namespace {

namespace fs = std::filesystem;

constexpr int kDeadlineMs = 10000;

// A blue 16:9 picture over a tone, coded as lesson videos are (MS-MPEG4 v2 and MP3 in AVI).
bool MakeVideo(const std::string& path, double seconds) {
    const QString duration = QString::number(seconds);
    return QProcess::execute("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                                        "color=c=0x2080E0:s=160x90:d=" + duration, "-f", "lavfi",
                                        "-i", "sine=f=440:d=" + duration, "-c:v", "msmpeg4v2",
                                        "-c:a", "libmp3lame", QString::fromStdString(path)}) == 0;
}

bool FileIsOpen(const std::string& path) {
    const fs::path file = fs::canonical(path);
    std::error_code ignored;
    for (const fs::directory_entry& fd : fs::directory_iterator("/proc/self/fd", ignored))
        if (fs::read_symlink(fd.path(), ignored) == file)
            return true;
    return false;
}

class MediaPlayerControl : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
            return;
        Videos = std::make_unique<TempFolder>();
        if (!MakeVideo(*Videos / "lesson.avi", 10) || !MakeVideo(*Videos / "short.avi", 0.5))
            Videos.reset();
    }
    static void TearDownTestSuite() { Videos.reset(); }

    void SetUp() override {
        if (!Videos)
            GTEST_SKIP() << "ffmpeg is not installed (or failed): it makes the test videos";
        Control.resize(400, 300);
        Control.show();
    }

    QString Video(const std::string& name) const { return QString::fromStdString(*Videos / name); }
    QMediaPlayer& Player() { return *Control.findChild<QMediaPlayer*>(); }

    bool WaitForState(int state) {
        return QTest::qWaitFor([&] { return Control.playState() == state; }, kDeadlineMs);
    }

    static std::unique_ptr<TempFolder> Videos;
    TQtMediaPlayer Control;
};

std::unique_ptr<TempFolder> MediaPlayerControl::Videos;

TEST_F(MediaPlayerControl, PlaysWhenOpenedUntilStopped) {
    EXPECT_EQ(Control.playState(), TQtMediaPlayer::kUndefined);
    Control.setURL(Video("lesson.avi"));
    EXPECT_EQ(Control.URL(), Video("lesson.avi"));
    ASSERT_TRUE(WaitForState(TMediaPlayerControl::kPlaying)) << Control.playState();
    EXPECT_GT(Player().position(), 0);

    Control.controls().stop();
    EXPECT_TRUE(WaitForState(TQtMediaPlayer::kStopped)) << Control.playState();
    EXPECT_EQ(Control.URL(), Video("lesson.avi"));
}

TEST_F(MediaPlayerControl, ReportsTheEndOfTheMedia) {
    Control.setURL(Video("short.avi"));
    EXPECT_TRUE(WaitForState(TQtMediaPlayer::kMediaEnded)) << Control.playState();
}

TEST_F(MediaPlayerControl, CloseEndsPlaybackAndLetsGoOfTheFile) {
    const QString video = Video("lesson.avi");
    Control.setURL(video);
    ASSERT_TRUE(WaitForState(TMediaPlayerControl::kPlaying)) << Control.playState();
    ASSERT_TRUE(FileIsOpen(video.toStdString()));

    Control.controls().stop();
    Control.close();
    Control.hide();
    EXPECT_TRUE(Control.URL().isEmpty());
    EXPECT_EQ(Control.playState(), TQtMediaPlayer::kUndefined);
    EXPECT_EQ(Player().playbackState(), QMediaPlayer::StoppedState);
    EXPECT_TRUE(Player().source().isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !FileIsOpen(video.toStdString()); }, kDeadlineMs));
}

// The window hides a paused video without stopping it; showing it again must resume it.
TEST_F(MediaPlayerControl, PausedVideoKeepsItsMediaWhileHidden) {
    Control.setURL(Video("lesson.avi"));
    ASSERT_TRUE(WaitForState(TMediaPlayerControl::kPlaying)) << Control.playState();
    Control.controls().pause();
    ASSERT_TRUE(WaitForState(TQtMediaPlayer::kPaused)) << Control.playState();
    const qint64 position = Player().position();

    Control.hide();
    EXPECT_FALSE(QTest::qWaitFor(
        [&] {
            return Control.playState() != TQtMediaPlayer::kPaused ||
                   Player().position() != position;
        },
        500));
    EXPECT_EQ(Control.URL(), Video("lesson.avi"));

    Control.show();
    Control.controls().play();
    EXPECT_TRUE(WaitForState(TMediaPlayerControl::kPlaying)) << Control.playState();
    EXPECT_GE(Player().position(), position);
}

TEST_F(MediaPlayerControl, FileThatCannotBePlayedNeverPlaysNorRaisesABox) {
    WriteAll(*Videos / "text.avi", "this is no video");
    WriteAll(*Videos / "noise.wmv", SampleBytes(4000, 7, 0));
    for (const char* name : {"text.avi", "noise.wmv", "missing.avi"}) {
        SCOPED_TRACE(name);
        Control.setURL(Video(name));
        bool played = false;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                played = played || Control.playState() == TMediaPlayerControl::kPlaying;
                return Control.playState() == TQtMediaPlayer::kReady;
            },
            kDeadlineMs))
            << Control.playState();
        EXPECT_FALSE(played);
        for (QWidget* window : QApplication::topLevelWidgets())
            EXPECT_FALSE(qobject_cast<QDialog*>(window) && window->isVisible())
                << window->metaObject()->className();
    }
}

// Without a listed device the video plays silently; with one, it sounds on it.
TEST_F(MediaPlayerControl, MakesAnAudioOutputOnlyForAListedDevice) {
    Control.setURL(Video("lesson.avi"));
    const bool device = !QMediaDevices::audioOutputs().isEmpty();
    EXPECT_EQ(Control.findChild<QAudioOutput*>() != nullptr, device);
    EXPECT_EQ(Player().audioOutput() != nullptr, device);
    EXPECT_TRUE(WaitForState(TMediaPlayerControl::kPlaying)) << Control.playState();
}

// The video (160x90) fills the control with its proportions when stretched, keeps its own
// size centred otherwise, and is scaled down when larger than the control.
TEST_F(MediaPlayerControl, PlacesTheVideoAsStretchToFitSays) {
    Control.setStretchToFit(false);
    Control.setURL(Video("lesson.avi"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Control.PictureRect().isEmpty(); }, kDeadlineMs));
    EXPECT_EQ(Control.PictureRect(), QRect(120, 105, 160, 90));

    Control.setStretchToFit(true);
    EXPECT_EQ(Control.PictureRect(), QRect(0, 37, 400, 225));

    Control.setStretchToFit(false);
    Control.resize(120, 80);
    EXPECT_EQ(Control.PictureRect(), QRect(0, 6, 120, 67));
    Control.resize(400, 300);
    EXPECT_EQ(Control.PictureRect(), QRect(120, 105, 160, 90));

    Control.close();
    EXPECT_TRUE(Control.PictureRect().isEmpty());
}

}  // namespace
}  // namespace kel::test
