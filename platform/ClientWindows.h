#pragma once
// The windows of programs that the player starts and leaves to the window manager (the help
// viewer): which processes a start made, and what the player asks of the window manager about
// their windows.

#include <sys/types.h>

#include <cstdint>
#include <vector>

struct xcb_connection_t;

namespace kel::platform {

// `root` and all its descendants, as the process table says now; empty when `root` is gone.
std::vector<pid_t> ProcessTree(pid_t root);

// True when a window manager has taken the client window in and shows it (WM_STATE normal):
// toolkits also make unmapped top-level windows of their own, such as a group leader.
bool ShownByWindowManager(xcb_connection_t* connection, uint32_t window);

// Asks the window manager to maximise the client window, as its maximise button does.
void RequestMaximised(xcb_connection_t* connection, uint32_t window);

}  // namespace kel::platform
