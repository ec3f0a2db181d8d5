// Sends the toolbar's WM_MARKMOUSE messages, as any program may: an X11 client message of the
// atom "WM_MARKMOUSE", format 32, the WParam in its first data word. Each send is confirmed by
// the server before the next. Usage: e2e_send_mark_mouse WINDOW WPARAM...
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: e2e_send_mark_mouse WINDOW WPARAM...\n");
        return 2;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "e2e_send_mark_mouse: cannot open the display\n");
        return 1;
    }
    const char name[] = "WM_MARKMOUSE";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
    if (!atom) {
        std::fprintf(stderr, "e2e_send_mark_mouse: cannot intern %s\n", name);
        return 1;
    }
    const auto window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
    int status = 0;
    for (int i = 2; i < argc; ++i) {
        xcb_client_message_event_t event;
        std::memset(&event, 0, sizeof event);
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom->atom;
        event.data.data32[0] = static_cast<uint32_t>(std::strtoul(argv[i], nullptr, 0));
        xcb_generic_error_t* error = xcb_request_check(
            connection, xcb_send_event_checked(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                               reinterpret_cast<const char*>(&event)));
        if (error) {
            std::fprintf(stderr, "e2e_send_mark_mouse: X error %d\n", error->error_code);
            std::free(error);
            status = 1;
        }
    }
    std::free(atom);
    xcb_disconnect(connection);
    return status;
}
