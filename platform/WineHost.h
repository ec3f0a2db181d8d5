#pragma once
// The player's side of the Win32 helper (platform/winehost/) that starts a Windows lesson
// program under wine and does the Windows side of hosting it. They talk over two pipes, one
// line per message; every answer is awaited with a deadline, so a helper that hangs cannot
// stop the player.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ProcessGroup.h"

namespace kel::platform {

struct WineWindow {
    uint64_t Handle = 0;  // the HWND
    bool HasChildren = false;
};

struct WineTakeIn {
    int X = 0, Y = 0, Width = 0, Height = 0;  // the panel on the screen
    std::vector<std::pair<int, int>> Probes;  // five screen points
};

class WineHost {
  public:
    // Starts `helper` under `wine` with the program's folder as working directory and tells it
    // which program to start. The user's own wine prefix is used (WINEPREFIX or the default);
    // wine's offers to install its Mono and Gecko are kept away for the run, since no one
    // would answer them. Returns an empty host when the helper cannot be started.
    static WineHost Start(const std::string& wine, const std::string& helper,
                          const std::string& program);

    WineHost() = default;
    WineHost(WineHost&& other) noexcept;
    WineHost& operator=(WineHost&& other) noexcept;
    WineHost(const WineHost&) = delete;
    WineHost& operator=(const WineHost&) = delete;
    ~WineHost();

    bool Valid() const { return FHelper.Pid() != 0; }
    // Reads the helper's report without waiting: true once the program has been started, or
    // has failed to start, or the helper has ended. A new wine prefix takes seconds to make.
    bool Started();
    // The top-level windows of the program's main thread, in the order wine enumerates them.
    std::vector<WineWindow> TopLevelWindows();
    // Styles the window, shows it maximised over the panel and hides its "TTarnButton"s at the
    // probe points; returns its X11 window, nullopt when the window is gone.
    std::optional<uint32_t> TakeIn(uint64_t window, const WineTakeIn& where);
    bool HasEnded();
    // Ends the program and the processes it started.
    void Terminate();
    // Lets the helper release the program and end; a helper that does not end in time is
    // ended with its process group.
    void Release();

  private:
    void Send(const std::string& line);
    // The next line from the helper; nullopt when none came within `limit` or the pipe ended.
    std::optional<std::string> Receive(std::chrono::milliseconds limit);
    std::optional<std::string> Ask(const std::string& line);
    void Close();

    ProcessGroup FHelper;
    int FToHelper = -1;
    int FFromHelper = -1;
    std::string FPending;  // bytes read past the last whole line
    bool FStarted = false;
    bool FUnresponsive = false;  // an answer did not come in time: ask nothing more
};

}  // namespace kel::platform
