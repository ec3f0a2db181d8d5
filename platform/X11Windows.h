#pragma once
// The X11 operations behind taking a lesson program's window into the player: finding a
// process's top-level windows, reparenting one into the player's window, probing the deepest
// window at a screen point, and the keyboard focus.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

struct xcb_connection_t;

namespace kel::platform {

using XWindow = uint32_t;

class X11Windows {
  public:
    // Works on a connection that the caller keeps open (the application's own).
    explicit X11Windows(xcb_connection_t* connection);

    // The top-level windows of the process `pid`, bottom of the stack first: the children of
    // the root window, or the client window inside a window manager's frame, whose _NET_WM_PID
    // or, where the program does not set it, whose X-Resource client process id is `pid`.
    std::vector<XWindow> TopLevelWindowsOf(pid_t pid);
    bool Exists(XWindow window);
    bool HasChildren(XWindow window);
    // The class part of WM_CLASS; empty when the window has none or is gone.
    std::string ClassName(XWindow window);

    // Makes `window` a child of `parent` at (x, y), `width` x `height`, without a border, and
    // shows it. Out of the window manager's hands it has no decorations.
    void TakeIn(XWindow window, XWindow parent, int x, int y, int width, int height);
    // Waits until the window and the windows inside it have kept their places for a moment,
    // so a program has laid itself out at a new size; at most `limit`.
    void AwaitLayout(XWindow window, std::chrono::milliseconds limit);
    // The deepest shown window at a point of the screen; the root window when none.
    XWindow DeepestWindowAt(int x, int y);
    void Hide(XWindow window);

    // Gives `window` the keyboard focus and keeps giving it for up to `limit` until it stays
    // there (with `window` or a window inside it).
    void Focus(XWindow window, std::chrono::milliseconds limit);
    // Routes Page Down and Page Up to `window` whatever window lies under the pointer: a window
    // taken in would otherwise receive the keys pressed over it, before the player could see
    // them. ReleaseNavigationKeys undoes it.
    void HoldNavigationKeys(XWindow window);
    void ReleaseNavigationKeys(XWindow window);

  private:
    XWindow ParentOf(XWindow window);
    bool Within(XWindow inner, XWindow outer);

    xcb_connection_t* FConnection;
    XWindow FRoot;
    uint32_t FWmState;
    uint32_t FNetWmPid;
    uint32_t FWmClass;
};

}  // namespace kel::platform
