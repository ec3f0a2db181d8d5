#pragma once
// What the tool windows need of the X11 window system directly. Without an X11 connection (the
// offscreen platform in tests) these do nothing and an atom is 0.

#include <cstdint>

namespace kel {

// The atom of the name, interned on the application's X11 connection.
uint32_t InternAtom(const char* name);

// No window of the application has a taskbar (or pager) entry: every top-level window it
// creates from now on, and every one created but not yet shown, gets the window states
// _NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER before it is mapped.
void KeepWindowsOffTaskbar();

}  // namespace kel
