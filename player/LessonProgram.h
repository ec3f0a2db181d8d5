#pragma once
// Lesson programs: a lesson that is a program of its own. It is started from the work folder,
// its main window is taken into the player's panel (maximised inside it, without decorations,
// the program's own caption buttons near the panel's top-right corner hidden), and it is ended
// when the lesson changes. What the file is decides how it runs: an ELF program directly, a
// Windows program under wine through our Win32 helper.

#include <QPoint>
#include <QRect>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace kel {

enum class TProgramKind { None, Native, Windows };

// From the file's first bytes: "\x7F" "ELF" is a native program, "MZ" a Windows one; anything
// else, or a file that cannot be read, is not started.
TProgramKind ProgramKindOf(const std::string& file);

struct TTopWindow {
    uint64_t Handle = 0;
    bool HasChildren = false;
};

// Where a window is taken in.
struct TTakeIn {
    uint64_t Parent = 0;         // the native window that holds the panel
    QRect Area;                  // the panel inside Parent
    QRect Screen;                // the panel on the screen
    std::vector<QPoint> Probes;  // screen points where "TTarnButton" windows are hidden
};

// A started lesson program, as the platform runs it.
class TLessonProcess {
  public:
    virtual ~TLessonProcess() = default;
    // False while the program is still being started (wine may be making the user's prefix);
    // the polls for its window count only from then.
    virtual bool Started() = 0;
    // The top-level windows of the program's main thread, in the order the system lists them.
    virtual std::vector<TTopWindow> TopLevelWindows() = 0;
    // Takes the window in: into the panel, maximised there, without decorations, its
    // "TTarnButton" windows at the probe points hidden once it has laid itself out at its new
    // size. False when the window no longer exists.
    virtual bool TakeIn(uint64_t window, const TTakeIn& where) = 0;
    virtual bool HasEnded() = 0;
    // Ends the program and whatever it started.
    virtual void Terminate() = 0;
    // Lets the ended program go.
    virtual void Release() = 0;
};

// The platform's way of running lesson programs.
class TLessonHost {
  public:
    virtual ~TLessonHost() = default;
    // Null when the program cannot be started.
    virtual std::unique_ptr<TLessonProcess> Start(TProgramKind kind, const std::string& file) = 0;
    // Gives the keyboard back to the player's window after a window was taken in.
    virtual void ReturnFocus(QWidget& window) = 0;
};

// FProcessInfo: the running lesson program; empty when there is none.
struct TProcessInfo {
    std::unique_ptr<TLessonProcess> Process;
};

// Starts the lesson program `file` (unless its kind is None); a program that cannot be started
// leaves the record empty, without a message.
void StartLessonProgram(TProcessInfo& info, const std::string& file, TLessonHost& host);
// True once the program runs (or could not be started, or has ended): the polls count from then.
bool LessonProgramStarted(TProcessInfo& info);
// The first of the program's top-level windows that has child windows; 0 when none.
uint64_t FindLessonWindow(TProcessInfo& info);
// Five points at y = 16 and x = the panel's width less 36, 63, 90, 90 and 117, in the display's
// pixels on the screen: where the program's caption buttons are looked for.
std::vector<QPoint> LessonButtonProbes(const QWidget& panel);
// Takes `window` into `panel`; false when the window has gone.
bool TakeInLessonWindow(TProcessInfo& info, uint64_t window, QWidget& panel);
// Ends the program if it still runs (a program that ended by itself is only released) and
// clears the record.
void TerminateLessonProgram(TProcessInfo& info);

// Runs nothing: for a session without X11 (the offscreen window tests).
std::unique_ptr<TLessonHost> NullLessonHost();
// The X11 host when the application runs on X11, else the null one.
std::unique_ptr<TLessonHost> DefaultLessonHost();
// The Win32 helper: beside the running executable, else installed, else in the build tree;
// empty when none is there.
std::string WineHostPath();

}  // namespace kel
