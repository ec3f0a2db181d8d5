// Lesson programs in the player window: what decides how a file runs, the six polls for the
// program's window, and ending versus releasing, on a test double of the platform layer.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <functional>
#include <map>

#include "BundleFixture.h"
#include "LessonProgram.h"
#include "TestControls.h"
#include "TestUtil.h"
#include "UnitPlay.h"

namespace kel::test {
namespace {

constexpr char kElf[] =
    "\x7F"
    "ELF\x02\x01\x01";
constexpr char kPe[] = "MZ\x90\x00\x03";

// What the double's program does, poll by poll (polls count from 1).
struct TProgramScript {
    int StartingTicks = 0;  // polls of the timer that see the program still being started
    std::function<std::vector<TTopWindow>(int poll)> Windows = [](int) {
        return std::vector<TTopWindow>{};
    };
    bool EndsByItself = false;
};

struct TProgramLog {
    std::vector<std::string> Calls;
    int Ticks = 0;  // Started() asked
    int Polls = 0;  // TopLevelWindows() asked
    std::map<uint64_t, int> TakenAtPoll;
    std::vector<QPoint> Probes;
};

class TFakeProcess : public TLessonProcess {
  public:
    TFakeProcess(TProgramScript script, TProgramLog& log) : FScript(std::move(script)), FLog(log) {}

    bool Started() override { return ++FLog.Ticks > FScript.StartingTicks; }
    // A window that has been taken in is no longer a top-level window of the program.
    std::vector<TTopWindow> TopLevelWindows() override {
        std::vector<TTopWindow> result;
        for (const TTopWindow& w : FScript.Windows(++FLog.Polls))
            if (!FLog.TakenAtPoll.count(w.Handle))
                result.push_back(w);
        return result;
    }
    bool TakeIn(uint64_t window, const TTakeIn& where) override {
        FLog.Calls.push_back("TakeIn " + std::to_string(window));
        FLog.TakenAtPoll[window] = FLog.Polls;
        FLog.Probes = where.Probes;
        return true;
    }
    bool HasEnded() override { return FScript.EndsByItself; }
    void Terminate() override { FLog.Calls.push_back("Terminate"); }
    void Release() override { FLog.Calls.push_back("Release"); }

  private:
    TProgramScript FScript;
    TProgramLog& FLog;
};

// Starts the scripted program for each file in turn; every start gets a log of its own.
class TFakeHost : public TLessonHost {
  public:
    std::unique_ptr<TLessonProcess> Start(TProgramKind kind, const std::string& file) override {
        Starts.push_back({kind, file.substr(file.rfind('/') + 1)});
        if (CannotStart)
            return nullptr;
        Logs.push_back(std::make_unique<TProgramLog>());
        return std::make_unique<TFakeProcess>(Script, *Logs.back());
    }
    void ReturnFocus(QWidget&) override { ++FocusReturns; }

    TProgramScript Script;
    bool CannotStart = false;
    std::vector<std::pair<TProgramKind, std::string>> Starts;
    std::vector<std::unique_ptr<TProgramLog>> Logs;
    int FocusReturns = 0;
};

// A program whose main window (with children, handle 7) exists from the given poll on.
std::function<std::vector<TTopWindow>(int)> WindowFrom(int firstPoll) {
    return [firstPoll](int poll) {
        return poll >= firstPoll ? std::vector<TTopWindow>{{7, true}} : std::vector<TTopWindow>{};
    };
}

LessonFile Program(const std::string& name, const std::string& head = kElf) {
    return {name, std::vector<uint8_t>(head.begin(), head.end()), {}};
}

LessonFile Program(const std::string& name, const char* head, size_t size) {
    return {name, std::vector<uint8_t>(head, head + size), {}};
}

class LessonPrograms : public ::testing::Test {
  protected:
    std::unique_ptr<TfrmZRPlay> Open(const std::vector<LessonFile>& lessons) {
        std::filesystem::create_directory(Folder.Path() / "temp");
        auto window = std::make_unique<TfrmZRPlay>(
            TPlayerSetup{BuildBundle(Folder.Path().string(), lessons),
                         (Folder.Path() / "temp").string() + "/", TestControls(), Host});
        window->resize(640, 480);
        window->show();
        return window;
    }

    static void AwaitPollsEnd(const TfrmZRPlay& window) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window.LessonPolling(); }, 10000));
    }

    TempFolder Folder;
    std::shared_ptr<TFakeHost> Host = std::make_shared<TFakeHost>();
};

TEST_F(LessonPrograms, FirstBytesDecideHowAFileRuns) {
    struct Case {
        LessonFile File;
        bool Started;
        TProgramKind Kind;
    };
    const Case cases[] = {
        {Program("native.exe", kElf, sizeof kElf - 1), true, TProgramKind::Native},
        {Program("windows.exe", kPe, sizeof kPe - 1), true, TProgramKind::Windows},
        {Program("short.exe", "MZ"), true, TProgramKind::Windows},
        {Program("script.exe", "#!/bin/sh\nexit 0\n"), false, TProgramKind::None},
        {Program("mz-lower.exe", "mz\x90"), false, TProgramKind::None},
        {Program("elf-short.exe",
                 "\x7F"
                 "EL"),
         false, TProgramKind::None},
        {Program("empty.exe", ""), false, TProgramKind::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.File.Name);
        Host->Starts.clear();
        auto window = Open({c.File});
        EXPECT_EQ(window->CurrentFile().substr(window->CurrentFile().rfind('/') + 1), c.File.Name);
        EXPECT_EQ(ProgramKindOf(window->CurrentFile()), c.Kind);
        if (c.Started) {
            ASSERT_EQ(Host->Starts.size(), 1u);
            EXPECT_EQ(Host->Starts[0].first, c.Kind);
        } else {
            EXPECT_TRUE(Host->Starts.empty());
        }
    }
    EXPECT_EQ(ProgramKindOf((Folder.Path() / "missing.exe").string()), TProgramKind::None);
}

// A file that is not a program, or a program that cannot be started: the six polls find
// nothing and leave the Flash panel in front, its control hidden, without a message.
TEST_F(LessonPrograms, WhatCannotBeStartedLeavesTheFlashPanel) {
    for (bool program : {false, true}) {
        SCOPED_TRACE(program ? "a program that cannot be started" : "not a program");
        Host->CannotStart = program;
        auto window = Open({program ? Program("lesson.exe") : Program("lesson.exe", "text")});
        window->PicturePanel()->raise();
        AwaitPollsEnd(*window);
        EXPECT_EQ(window->FrontContainer(), window->FlashPanel());
        EXPECT_FALSE(window->Flash().isVisible());
        EXPECT_EQ(window->LessonWindow(), 0u);
        EXPECT_EQ(Host->FocusReturns, 0);
    }
}

TEST_F(LessonPrograms, SixPollsFindTheFirstTopLevelWindowWithChildWindows) {
    struct Case {
        const char* Name;
        TProgramScript Script;
        std::map<uint64_t, int> TakenAtPoll;
        int Ticks;
    };
    const Case cases[] = {
        {"a window at once is taken in at the first poll", {0, WindowFrom(1)}, {{7, 1}}, 6},
        {"a window that comes late is taken in at the first poll after it exists",
         {0, WindowFrom(4)},
         {{7, 4}},
         6},
        {"a window after the sixth poll is never taken in", {0, WindowFrom(7)}, {}, 6},
        {"an empty splash window is passed over, the main window taken in",
         {0,
          [](int poll) {
              std::vector<TTopWindow> w{{3, false}};
              if (poll >= 3)
                  w.push_back({7, true});
              return w;
          }},
         {{7, 3}},
         6},
        {"the first of two windows with children, then the second at the next poll",
         {0,
          [](int) {
              return std::vector<TTopWindow>{{3, false}, {5, true}, {7, true}};
          }},
         {{5, 1}, {7, 2}},
         6},
        {"the polls count from the moment the program has started",
         {5, WindowFrom(6)},
         {{7, 6}},
         11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Host->Script = c.Script;
        Host->FocusReturns = 0;
        auto window = Open({Program("lesson.exe")});
        AwaitPollsEnd(*window);
        const TProgramLog& log = *Host->Logs.back();
        EXPECT_EQ(log.Polls, 6);
        EXPECT_EQ(log.Ticks, c.Ticks);
        EXPECT_EQ(log.TakenAtPoll, c.TakenAtPoll);
        EXPECT_EQ(Host->FocusReturns, static_cast<int>(c.TakenAtPoll.size()));
        EXPECT_EQ(window->FrontContainer(), window->FlashPanel());
        // The window taken in by the last poll, if any.
        uint64_t last = 0;
        for (const auto& [handle, poll] : c.TakenAtPoll)
            if (poll == 6)
                last = handle;
        EXPECT_EQ(window->LessonWindow(), last);
    }
}

TEST_F(LessonPrograms, ProbesLieAlongThePanelsTopRightEdge) {
    Host->Script.Windows = WindowFrom(1);
    auto window = Open({Program("lesson.exe")});
    AwaitPollsEnd(*window);
    const QWidget& panel = *window->FlashPanel();
    const QPoint origin = panel.mapToGlobal(QPoint(0, 0));
    std::vector<QPoint> expected;
    for (int d : {36, 63, 90, 90, 117})
        expected.push_back(origin + QPoint(panel.width() - d, 16));
    EXPECT_EQ(Host->Logs.back()->Probes, expected);
    EXPECT_EQ(LessonButtonProbes(panel), expected);
}

// Each start gets its six polls, however soon the lesson before was left.
TEST_F(LessonPrograms, EveryProgramGetsSixPolls) {
    auto window = Open({Program("first.exe"), Program("second.exe")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return Host->Logs.back()->Polls == 2; }, 5000));
    QTest::keyClick(window->windowHandle(), Qt::Key_PageDown);
    ASSERT_EQ(Host->Logs.size(), 2u);
    AwaitPollsEnd(*window);
    EXPECT_EQ(Host->Logs[0]->Polls, 2);
    EXPECT_EQ(Host->Logs[1]->Polls, 6);
}

TEST_F(LessonPrograms, LeavingEndsARunningProgramAndReleasesOneThatEnded) {
    struct Case {
        const char* Name;
        bool EndsByItself;
        bool Close;  // the window is closed rather than the lesson changed
        std::vector<std::string> Calls;
    };
    const Case cases[] = {
        {"running, next lesson", false, false, {"TakeIn 7", "Terminate", "Release"}},
        {"running, window closed", false, true, {"TakeIn 7", "Terminate", "Release"}},
        {"ended by itself, next lesson", true, false, {"TakeIn 7", "Release"}},
        {"ended by itself, window closed", true, true, {"TakeIn 7", "Release"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Host->Script = {0, WindowFrom(1), c.EndsByItself};
        auto window = Open({Program("lesson.exe"), Program("next.txt", "text")});
        ASSERT_TRUE(QTest::qWaitFor([&] { return Host->Logs.back()->Polls >= 1; }, 5000));
        TProgramLog& log = *Host->Logs.back();
        if (c.Close)
            window->close();
        else
            QTest::keyClick(window->windowHandle(), Qt::Key_PageDown);
        EXPECT_EQ(log.Calls, c.Calls);
        EXPECT_FALSE(window->LessonPolling());
        EXPECT_EQ(window->LessonWindow(), 0u);
        // Forgotten: a later stop does not reach it again.
        window->close();
        EXPECT_EQ(log.Calls, c.Calls);
    }
}

}  // namespace
}  // namespace kel::test
