#include "ClientWindows.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace kel::platform {

namespace {

// The parent's pid from /proc/PID/stat; 0 when the process is gone. The command name may hold
// blanks and parentheses, so the fields are read after its last ')'.
pid_t ParentOf(const std::filesystem::path& process) {
    std::ifstream in(process / "stat");
    const std::string stat((std::istreambuf_iterator<char>(in)), {});
    const size_t end = stat.rfind(')');
    if (end == std::string::npos)
        return 0;
    std::istringstream fields(stat.substr(end + 1));
    char state = 0;
    long parent = 0;
    fields >> state >> parent;
    return fields ? static_cast<pid_t>(parent) : 0;
}

xcb_atom_t Intern(xcb_connection_t* connection, const char* name) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

}  // namespace

std::vector<pid_t> ProcessTree(pid_t root) {
    std::multimap<pid_t, pid_t> children;
    bool found = false;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const auto pid = static_cast<pid_t>(std::stol(name));
        found = found || pid == root;
        children.emplace(ParentOf(entry.path()), pid);
    }
    std::vector<pid_t> tree;
    if (!found)
        return tree;
    tree.push_back(root);
    for (size_t next = 0; next < tree.size(); ++next) {
        const auto [first, last] = children.equal_range(tree[next]);
        for (auto it = first; it != last; ++it)
            tree.push_back(it->second);
    }
    return tree;
}

bool ShownByWindowManager(xcb_connection_t* connection, uint32_t window) {
    const xcb_atom_t wmState = Intern(connection, "WM_STATE");
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, wmState, wmState, 0, 1), nullptr),
        &std::free);
    constexpr uint32_t kNormalState = 1;
    return reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) == 4 &&
           *static_cast<const uint32_t*>(xcb_get_property_value(reply.get())) == kNormalState;
}

void RequestMaximised(xcb_connection_t* connection, uint32_t window) {
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = Intern(connection, "_NET_WM_STATE");
    message.data.data32[0] = 1;  // add
    message.data.data32[1] = Intern(connection, "_NET_WM_STATE_MAXIMIZED_VERT");
    message.data.data32[2] = Intern(connection, "_NET_WM_STATE_MAXIMIZED_HORZ");
    message.data.data32[3] = 1;  // from an ordinary application
    xcb_send_event(connection, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
}

}  // namespace kel::platform
