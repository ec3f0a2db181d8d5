#include "X11Windows.h"

#include <xcb/res.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <thread>
#include <tuple>

namespace kel::platform {

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

// The reply to a request; null when the request failed. Its error is dropped here: a window of
// another program may go at any moment, and left to the event queue the error would be logged.
template <typename T, typename Cookie>
Reply<T> Get(xcb_connection_t* connection,
             T* (*reply)(xcb_connection_t*, Cookie, xcb_generic_error_t**), Cookie cookie) {
    xcb_generic_error_t* error = nullptr;
    T* result = reply(connection, cookie, &error);
    std::free(error);
    return Reply<T>(result, &std::free);
}

constexpr uint32_t kNextKey = 0xff56;   // XK_Next, Page Down
constexpr uint32_t kPriorKey = 0xff55;  // XK_Prior, Page Up

uint32_t InternAtom(xcb_connection_t* connection, const char* name) {
    auto reply =
        Get(connection, xcb_intern_atom_reply,
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name));
    return reply ? reply->atom : static_cast<uint32_t>(XCB_ATOM_NONE);
}

std::vector<XWindow> Children(xcb_connection_t* connection, XWindow window) {
    auto tree = Get(connection, xcb_query_tree_reply, xcb_query_tree(connection, window));
    if (!tree)
        return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return {children, children + xcb_query_tree_children_length(tree.get())};
}

bool HasProperty(xcb_connection_t* connection, XWindow window, uint32_t property) {
    auto reply = Get(connection, xcb_get_property_reply,
                     xcb_get_property(connection, 0, window, property, XCB_ATOM_ANY, 0, 0));
    return reply && reply->type != XCB_ATOM_NONE;
}

// The client window of a child of the root: itself when the window manager marked it (WM_STATE)
// or nothing inside it is marked, else the marked window inside the manager's frame.
XWindow ClientOf(xcb_connection_t* connection, XWindow top, uint32_t wmState) {
    if (HasProperty(connection, top, wmState))
        return top;
    std::vector<XWindow> level = Children(connection, top);
    for (int depth = 0; depth < 3 && !level.empty(); ++depth) {
        std::vector<XWindow> next;
        for (XWindow w : level) {
            if (HasProperty(connection, w, wmState))
                return w;
            std::vector<XWindow> inside = Children(connection, w);
            next.insert(next.end(), inside.begin(), inside.end());
        }
        level = std::move(next);
    }
    return top;
}

std::vector<uint8_t> KeyCodesOf(xcb_connection_t* connection, uint32_t keysym) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const uint8_t first = setup->min_keycode;
    const uint8_t count = static_cast<uint8_t>(setup->max_keycode - first + 1);
    auto map = Get(connection, xcb_get_keyboard_mapping_reply,
                   xcb_get_keyboard_mapping(connection, first, count));
    std::vector<uint8_t> codes;
    if (!map)
        return codes;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
    const int perCode = map->keysyms_per_keycode;
    for (int code = 0; code < count; ++code)
        for (int i = 0; i < perCode; ++i)
            if (syms[code * perCode + i] == keysym) {
                codes.push_back(static_cast<uint8_t>(first + code));
                break;
            }
    return codes;
}

// Where a window and everything inside it lies, and which of them are shown.
using Layout = std::vector<std::tuple<XWindow, int, int, int, int, bool>>;

void CollectLayout(xcb_connection_t* connection, XWindow window, Layout& layout) {
    auto geometry = Get(connection, xcb_get_geometry_reply, xcb_get_geometry(connection, window));
    auto attributes = Get(connection, xcb_get_window_attributes_reply,
                          xcb_get_window_attributes(connection, window));
    if (!geometry || !attributes)
        return;
    layout.emplace_back(window, geometry->x, geometry->y, geometry->width, geometry->height,
                        attributes->map_state != XCB_MAP_STATE_UNMAPPED);
    for (XWindow child : Children(connection, window))
        if (layout.size() < 4096)
            CollectLayout(connection, child, layout);
}

}  // namespace

X11Windows::X11Windows(xcb_connection_t* connection)
    : FConnection(connection),
      FRoot(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root),
      FWmState(InternAtom(connection, "WM_STATE")),
      FNetWmPid(InternAtom(connection, "_NET_WM_PID")),
      FWmClass(XCB_ATOM_WM_CLASS) {}

std::vector<XWindow> X11Windows::TopLevelWindowsOf(pid_t pid) {
    const xcb_query_extension_reply_t* res = xcb_get_extension_data(FConnection, &xcb_res_id);
    const bool resourcePids = res && res->present;
    auto ownerOf = [&](XWindow window) -> std::optional<pid_t> {
        auto property =
            Get(FConnection, xcb_get_property_reply,
                xcb_get_property(FConnection, 0, window, FNetWmPid, XCB_ATOM_CARDINAL, 0, 1));
        if (property && property->format == 32 &&
            xcb_get_property_value_length(property.get()) == 4)
            return static_cast<pid_t>(
                *static_cast<const uint32_t*>(xcb_get_property_value(property.get())));
        if (!resourcePids)
            return std::nullopt;
        xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
        auto ids = Get(FConnection, xcb_res_query_client_ids_reply,
                       xcb_res_query_client_ids(FConnection, 1, &spec));
        if (!ids)
            return std::nullopt;
        for (auto it = xcb_res_query_client_ids_ids_iterator(ids.get()); it.rem;
             xcb_res_client_id_value_next(&it))
            if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
                xcb_res_client_id_value_value_length(it.data) == 1)
                return static_cast<pid_t>(*xcb_res_client_id_value_value(it.data));
        return std::nullopt;
    };
    std::vector<XWindow> result;
    for (XWindow top : Children(FConnection, FRoot)) {
        XWindow client = ClientOf(FConnection, top, FWmState);
        if (ownerOf(client) == pid)
            result.push_back(client);
    }
    return result;
}

XWindow X11Windows::ParentOf(XWindow window) {
    auto tree = Get(FConnection, xcb_query_tree_reply, xcb_query_tree(FConnection, window));
    return tree ? tree->parent : static_cast<XWindow>(XCB_WINDOW_NONE);
}

bool X11Windows::Exists(XWindow window) {
    return Get(FConnection, xcb_get_window_attributes_reply,
               xcb_get_window_attributes(FConnection, window)) != nullptr;
}

bool X11Windows::HasChildren(XWindow window) {
    return !Children(FConnection, window).empty();
}

std::string X11Windows::ClassName(XWindow window) {
    auto property =
        Get(FConnection, xcb_get_property_reply,
            xcb_get_property(FConnection, 0, window, FWmClass, XCB_ATOM_STRING, 0, 256));
    if (!property)
        return {};
    const char* value = static_cast<const char*>(xcb_get_property_value(property.get()));
    const std::string text(value,
                           static_cast<size_t>(xcb_get_property_value_length(property.get())));
    // "instance\0class\0"
    const size_t instanceEnd = text.find('\0');
    if (instanceEnd == std::string::npos)
        return {};
    const size_t classEnd = text.find('\0', instanceEnd + 1);
    return text.substr(instanceEnd + 1, classEnd == std::string::npos ? std::string::npos
                                                                      : classEnd - instanceEnd - 1);
}

void X11Windows::TakeIn(XWindow window, XWindow parent, int x, int y, int width, int height) {
    // A window in a window manager's frame is withdrawn first and taken once the manager has
    // let it go: taken straight out of the frame, the manager would put it back on the desktop.
    if (ParentOf(window) != FRoot) {
        xcb_unmap_window(FConnection, window);
        xcb_flush(FConnection);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (ParentOf(window) != FRoot && Exists(window) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    xcb_reparent_window(FConnection, window, parent, static_cast<int16_t>(x),
                        static_cast<int16_t>(y));
    const uint32_t values[] = {static_cast<uint32_t>(x), static_cast<uint32_t>(y),
                               static_cast<uint32_t>(width), static_cast<uint32_t>(height), 0};
    xcb_configure_window(FConnection, window,
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                             XCB_CONFIG_WINDOW_HEIGHT | XCB_CONFIG_WINDOW_BORDER_WIDTH,
                         values);
    xcb_map_window(FConnection, window);
    xcb_flush(FConnection);
}

void X11Windows::AwaitLayout(XWindow window, std::chrono::milliseconds limit) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kQuiet = std::chrono::milliseconds(100);
    const auto deadline = Clock::now() + limit;
    Layout last;
    CollectLayout(FConnection, window, last);
    auto since = Clock::now();
    while (Clock::now() < deadline && Clock::now() - since < kQuiet) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        Layout now;
        CollectLayout(FConnection, window, now);
        if (now != last) {
            last = std::move(now);
            since = Clock::now();
        }
    }
}

XWindow X11Windows::DeepestWindowAt(int x, int y) {
    XWindow current = FRoot;
    for (int depth = 0; depth < 64; ++depth) {
        auto reply =
            Get(FConnection, xcb_translate_coordinates_reply,
                xcb_translate_coordinates(FConnection, FRoot, current, static_cast<int16_t>(x),
                                          static_cast<int16_t>(y)));
        if (!reply || reply->child == XCB_WINDOW_NONE)
            break;
        current = reply->child;
    }
    return current;
}

void X11Windows::Hide(XWindow window) {
    xcb_unmap_window(FConnection, window);
    xcb_flush(FConnection);
}

void X11Windows::Focus(XWindow window, std::chrono::milliseconds limit) {
    // The window manager moves the focus once more when it has let a withdrawn window go, a
    // moment after it did so: the focus is given back until it stays.
    using Clock = std::chrono::steady_clock;
    constexpr auto kSettled = std::chrono::milliseconds(100);
    const auto deadline = Clock::now() + limit;
    auto since = Clock::now();
    bool given = false;
    while (Clock::now() < deadline && !(given && Clock::now() - since >= kSettled)) {
        auto focus = Get(FConnection, xcb_get_input_focus_reply, xcb_get_input_focus(FConnection));
        if (!given || !focus || !Within(focus->focus, window)) {
            xcb_set_input_focus(FConnection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
            xcb_flush(FConnection);
            given = true;
            since = Clock::now();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool X11Windows::Within(XWindow inner, XWindow outer) {
    for (int depth = 0; depth < 64 && inner != XCB_WINDOW_NONE && inner != FRoot; ++depth) {
        if (inner == outer)
            return true;
        inner = ParentOf(inner);
    }
    return false;
}

void X11Windows::HoldNavigationKeys(XWindow window) {
    for (uint32_t keysym : {kNextKey, kPriorKey})
        for (uint8_t code : KeyCodesOf(FConnection, keysym))
            xcb_grab_key(FConnection, 0, window, XCB_MOD_MASK_ANY, code, XCB_GRAB_MODE_ASYNC,
                         XCB_GRAB_MODE_ASYNC);
    xcb_flush(FConnection);
}

void X11Windows::ReleaseNavigationKeys(XWindow window) {
    for (uint32_t keysym : {kNextKey, kPriorKey})
        for (uint8_t code : KeyCodesOf(FConnection, keysym))
            xcb_ungrab_key(FConnection, code, window, XCB_MOD_MASK_ANY);
    xcb_flush(FConnection);
}

}  // namespace kel::platform
