#include "WindowSystem.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QPlatformSurfaceEvent>
#include <QPointer>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace kel {

namespace {

xcb_connection_t* Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Intern(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// Adds the skip states to the window's _NET_WM_STATE, keeping the states already there.
void SkipTaskbar(xcb_connection_t* connection, xcb_window_t window) {
    const xcb_atom_t state = Intern(connection, "_NET_WM_STATE");
    std::vector<xcb_atom_t> states;
    xcb_get_property_cookie_t cookie =
        xcb_get_property(connection, 0, window, state, XCB_ATOM_ATOM, 0, 64);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto* first = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        states.assign(first, first + xcb_get_property_value_length(reply.get()) / 4);
    }
    for (const char* name : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
        const xcb_atom_t skip = Intern(connection, name);
        if (std::find(states.begin(), states.end(), skip) == states.end())
            states.push_back(skip);
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(states.size()), states.data());
    xcb_flush(connection);
}

bool TakesTaskbarEntry(const QWindow& window) {
    return window.isTopLevel() && window.type() != Qt::Popup && window.type() != Qt::ToolTip;
}

// Catches each window right after its X11 window is made, before it is mapped.
class TNoTaskbarRule : public QObject {
  public:
    explicit TNoTaskbarRule(xcb_connection_t* connection)
        : QObject(qGuiApp), FConnection(connection) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::PlatformSurface &&
            static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
                QPlatformSurfaceEvent::SurfaceCreated)
            if (auto* window = qobject_cast<QWindow*>(watched);
                window && TakesTaskbarEntry(*window))
                SkipTaskbar(FConnection, static_cast<xcb_window_t>(window->winId()));
        return false;
    }

  private:
    xcb_connection_t* FConnection;
};

}  // namespace

uint32_t InternAtom(const char* name) {
    xcb_connection_t* connection = Connection();
    return connection ? Intern(connection, name) : xcb_atom_t{XCB_ATOM_NONE};
}

void KeepWindowsOffTaskbar() {
    xcb_connection_t* connection = Connection();
    static QPointer<TNoTaskbarRule> rule;
    if (!connection || rule)
        return;
    rule = new TNoTaskbarRule(connection);
    qGuiApp->installEventFilter(rule);
    for (QWindow* window : QGuiApplication::allWindows())
        if (window->handle() && !window->isVisible() && TakesTaskbarEntry(*window))
            SkipTaskbar(connection, static_cast<xcb_window_t>(window->winId()));
}

}  // namespace kel
