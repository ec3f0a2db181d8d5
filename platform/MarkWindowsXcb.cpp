#include "MarkWindowsXcb.h"

#include <X11/cursorfont.h>
#include <xcb/shape.h>
#include <xcb/xcb.h>
#include <xcb/xcb_image.h>

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QBitmap>
#include <QImage>
#include <QWidget>
#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

#include "PaneGrid.h"

namespace kel::platform {

namespace {

xcb_connection_t* QtConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

template <typename T>
std::unique_ptr<T, decltype(&std::free)> Take(T* reply) {
    return {reply, &std::free};
}

// The root of the display's first screen, the only one on any current X server (several
// monitors are one screen).
xcb_window_t RootWindow(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

// The ancestor that is a child of the root: the window itself, or the frame a window manager
// put around it. Stacking happens among the root's children.
xcb_window_t TopLevelOf(xcb_connection_t* connection, xcb_window_t window) {
    for (;;) {
        auto tree =
            Take(xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
        if (!tree || tree->parent == tree->root || tree->parent == XCB_NONE)
            return window;
        window = tree->parent;
    }
}

// The root's children, bottom to top.
std::vector<xcb_window_t> StackingOrder(xcb_connection_t* connection, xcb_window_t root) {
    auto tree = Take(xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return {children, children + xcb_query_tree_children_length(tree.get())};
}

uint16_t CursorGlyph(Qt::CursorShape shape) {
    switch (shape) {
        case Qt::CrossCursor:
            return XC_crosshair;
        case Qt::PointingHandCursor:
            return XC_hand2;
        case Qt::IBeamCursor:
            return XC_xterm;
        case Qt::WaitCursor:
        case Qt::BusyCursor:
            return XC_watch;
        default:
            return XC_left_ptr;
    }
}

xcb_cursor_t GlyphCursor(xcb_connection_t* connection, uint16_t glyph) {
    const char name[] = "cursor";
    const xcb_font_t font = xcb_generate_id(connection);
    xcb_open_font(connection, font, sizeof name - 1, name);
    const xcb_cursor_t cursor = xcb_generate_id(connection);
    xcb_create_glyph_cursor(connection, cursor, font, font, glyph, glyph + 1, 0, 0, 0, 0xFFFF,
                            0xFFFF, 0xFFFF);
    xcb_close_font(connection, font);
    return cursor;
}

// An XBM bitmap (lowest bit first, rows padded to bytes) of the pixels where `set` holds.
template <typename Predicate>
std::vector<uint8_t> XbmBits(const QImage& image, Predicate set) {
    const int stride = (image.width() + 7) / 8;
    std::vector<uint8_t> bits(static_cast<size_t>(stride) * image.height());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (set(image.pixel(x, y)))
                bits[static_cast<size_t>(y) * stride + x / 8] |= uint8_t(1u << (x % 8));
    return bits;
}

// A core (two-colour) cursor: black where `ink` is set, white elsewhere, shown where `shown`
// is set. The annotation cursors are monochrome.
xcb_cursor_t BitmapCursor(xcb_connection_t* connection, xcb_window_t root, QSize size,
                          std::vector<uint8_t> ink, std::vector<uint8_t> shown, QPoint hotSpot) {
    const auto pixmap = [&](std::vector<uint8_t>& bits) {
        return xcb_create_pixmap_from_bitmap_data(connection, root, bits.data(), size.width(),
                                                  size.height(), 1, 1, 0, nullptr);
    };
    const xcb_pixmap_t source = pixmap(ink);
    const xcb_pixmap_t mask = pixmap(shown);
    const xcb_cursor_t cursor = xcb_generate_id(connection);
    xcb_create_cursor(connection, cursor, source, mask, 0, 0, 0, 0xFFFF, 0xFFFF, 0xFFFF,
                      std::clamp(hotSpot.x(), 0, size.width() - 1),
                      std::clamp(hotSpot.y(), 0, size.height() - 1));
    xcb_free_pixmap(connection, source);
    xcb_free_pixmap(connection, mask);
    return cursor;
}

xcb_cursor_t CreateCursor(xcb_connection_t* connection, xcb_window_t root, const QCursor& cursor) {
    if (cursor.shape() != Qt::BitmapCursor)
        return GlyphCursor(connection, CursorGlyph(cursor.shape()));
    const auto dark = [](QRgb pixel) { return qAlpha(pixel) >= 128 && qGray(pixel) < 128; };
    const QBitmap bitmap = cursor.bitmap();
    if (!bitmap.isNull()) {
        // Qt's bitmap cursors: 1 bits (black) of the bitmap are ink, of the mask shown.
        const QImage ink = bitmap.toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage shown = cursor.mask().toImage().convertToFormat(QImage::Format_ARGB32);
        return BitmapCursor(connection, root, ink.size(), XbmBits(ink, dark), XbmBits(shown, dark),
                            cursor.hotSpot());
    }
    const QImage image = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        return GlyphCursor(connection, XC_left_ptr);
    return BitmapCursor(connection, root, image.size(), XbmBits(image, dark),
                        XbmBits(image, [](QRgb pixel) { return qAlpha(pixel) >= 128; }),
                        cursor.hotSpot());
}

// The annotation windows kept above the player window, besides the application's
// always-on-top Qt windows.
std::vector<xcb_window_t>& OnTopWindows() {
    static std::vector<xcb_window_t> windows;
    return windows;
}

// An override-redirect window over a part of the screen, at `Place` relative to the screen's
// origin.
struct Pane {
    xcb_window_t Id;
    QRect Place;
};

// What both windows share: one or more override-redirect panes that together cover the screen,
// their cursor, and the mouse input that reaches them through Qt's native event filter, given in
// the screen's coordinates.
template <typename Interface>
class XcbWindow : public Interface, public QAbstractNativeEventFilter {
  public:
    // A seen (input-output) window has no background: exposed parts keep what was there until
    // they are painted, so nothing flickers.
    XcbWindow(xcb_connection_t* connection, const QRect& screen, const PaneGrid& grid, bool seen,
              const char* name)
        : FConnection(connection), FRoot(RootWindow(connection)), FGrid(grid) {
        const uint32_t events = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                XCB_EVENT_MASK_POINTER_MOTION |
                                (seen ? XCB_EVENT_MASK_EXPOSURE : 0);
        const uint32_t seenValues[] = {XCB_BACK_PIXMAP_NONE, 1, events};
        const uint32_t unseenValues[] = {1, events};
        for (size_t i = 0; i < grid.Count(); ++i) {
            const Pane pane{xcb_generate_id(connection), grid.Pane(i)};
            const QRect place = pane.Place.translated(screen.topLeft());
            xcb_create_window(
                connection, 0, pane.Id, FRoot, int16_t(place.x()), int16_t(place.y()),
                uint16_t(place.width()), uint16_t(place.height()), 0,
                seen ? XCB_WINDOW_CLASS_INPUT_OUTPUT : XCB_WINDOW_CLASS_INPUT_ONLY,
                XCB_COPY_FROM_PARENT,
                (seen ? XCB_CW_BACK_PIXMAP : 0) | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK,
                seen ? seenValues : unseenValues);
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, pane.Id, XCB_ATOM_WM_NAME,
                                XCB_ATOM_STRING, 8, uint32_t(std::strlen(name)), name);
            FByWindow.emplace_back(pane.Id, FPanes.size());
            FPanes.push_back(pane);
        }
        std::sort(FByWindow.begin(), FByWindow.end());
        qApp->installNativeEventFilter(this);
    }

    ~XcbWindow() override {
        qApp->removeNativeEventFilter(this);
        for (const Pane& pane : FPanes)
            xcb_destroy_window(FConnection, pane.Id);
        if (FCursor != XCB_NONE)
            xcb_free_cursor(FConnection, FCursor);
        xcb_flush(FConnection);
    }

    XcbWindow(const XcbWindow&) = delete;
    XcbWindow& operator=(const XcbWindow&) = delete;

    void Show() override {
        for (const Pane& pane : FPanes)
            xcb_map_window(FConnection, pane.Id);
        FShown = true;
        xcb_flush(FConnection);
    }

    void Hide() override {
        for (const Pane& pane : FPanes)
            xcb_unmap_window(FConnection, pane.Id);
        FShown = false;
        xcb_flush(FConnection);
    }

    bool IsShown() const override { return FShown; }

    void SetCursor(const QCursor& cursor) override {
        const xcb_cursor_t created = CreateCursor(FConnection, FRoot, cursor);
        for (const Pane& pane : FPanes)
            xcb_change_window_attributes(FConnection, pane.Id, XCB_CW_CURSOR, &created);
        if (FCursor != XCB_NONE)
            xcb_free_cursor(FConnection, FCursor);
        FCursor = created;
        xcb_flush(FConnection);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const uint8_t type = event->response_type & 0x7F;
        if (type == XCB_BUTTON_PRESS || type == XCB_BUTTON_RELEASE) {
            const auto* button = reinterpret_cast<const xcb_button_press_event_t*>(event);
            const Pane* pane = PaneOf(button->event);
            if (!pane)
                return false;
            // Buttons 4 to 7 are wheel steps, not presses.
            if (button->detail < 4 || button->detail > 7)
                Deliver(type == XCB_BUTTON_PRESS ? MouseAction::Press : MouseAction::Release,
                        pane->Place.topLeft() + QPoint(button->event_x, button->event_y));
            return true;
        }
        if (type == XCB_MOTION_NOTIFY) {
            const auto* motion = reinterpret_cast<const xcb_motion_notify_event_t*>(event);
            const Pane* pane = PaneOf(motion->event);
            if (!pane)
                return false;
            Deliver(MouseAction::Move,
                    pane->Place.topLeft() + QPoint(motion->event_x, motion->event_y));
            return true;
        }
        return HandleEvent(type, event);
    }

  protected:
    // Events other than the mouse on this window; true when taken.
    virtual bool HandleEvent(uint8_t type, const xcb_generic_event_t* event) = 0;

    // Every event of the application passes here: a search among the sorted ids, not a walk.
    const Pane* PaneOf(xcb_window_t window) const {
        const auto found = std::lower_bound(FByWindow.begin(), FByWindow.end(), window,
                                            [](const std::pair<xcb_window_t, size_t>& entry,
                                               xcb_window_t id) { return entry.first < id; });
        return found != FByWindow.end() && found->first == window ? &FPanes[found->second]
                                                                  : nullptr;
    }

    xcb_connection_t* const FConnection;
    const xcb_window_t FRoot;
    const PaneGrid FGrid;
    // One for each pane of the grid, in its order.
    std::vector<Pane> FPanes;
    // The panes' window ids in order, with the pane's index.
    std::vector<std::pair<xcb_window_t, size_t>> FByWindow;

  private:
    void Deliver(MouseAction action, QPoint point) {
        if (this->OnMouse)
            this->OnMouse(action, point);
    }

    xcb_cursor_t FCursor = XCB_NONE;
    bool FShown = false;
};

class XcbOverlayWindow final : public XcbWindow<MarkWindow> {
  public:
    XcbOverlayWindow(xcb_connection_t* connection, QWidget& player, const QRect& screen)
        : XcbWindow(connection, screen,
                    PaneGrid(screen.size(), std::max(screen.width(), screen.height())), false,
                    "kelPlayer annotation overlay"),
          FWindow(FPanes.front().Id),
          FPlayer(player) {
        // Mapping and restacking of top-level windows, on top of what Qt already asked of
        // the root (an event mask is per client, so it is extended, not replaced).
        auto root = Take(xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, FRoot), nullptr));
        FRootMask = root ? root->your_event_mask : 0;
        const uint32_t mask = FRootMask | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection, FRoot, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection);
    }

    ~XcbOverlayWindow() override {
        xcb_change_window_attributes(FConnection, FRoot, XCB_CW_EVENT_MASK, &FRootMask);
    }

    void Show() override {
        XcbWindow::Show();
        Restack();
    }

  protected:
    bool HandleEvent(uint8_t type, const xcb_generic_event_t* event) override {
        if (type == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event);
            if (map->event == FRoot && map->window != FWindow)
                Restack();
        } else if (type == XCB_CONFIGURE_NOTIFY) {
            // The player window restacked, or another window put directly above it.
            const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
            if (configure->event == FRoot && configure->window != FWindow &&
                (configure->window == FPlayerTop || configure->above_sibling == FPlayerTop))
                Restack();
        }
        return false;
    }

  private:
    // The one restacking routine: the overlay directly above the player window, the drawing
    // surface and the application's always-on-top windows (toolbar, board) above both. A
    // window manager keeps its own layers, in which a focused full-screen window rises above
    // "always on top" ones; without one nobody keeps any order. So the order is restored here
    // whenever a top-level window is mapped, the player window is restacked or another window
    // comes directly above it.
    void Restack() {
        if (!FPlayer.testAttribute(Qt::WA_WState_Created))
            return;
        FPlayerTop = TopLevelOf(FConnection, FPlayer.winId());
        xcb_window_t floor = FPlayerTop;
        if (IsShown()) {
            const uint32_t above[] = {FPlayerTop, XCB_STACK_MODE_ABOVE};
            xcb_configure_window(FConnection, FWindow,
                                 XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, above);
            floor = FWindow;
        }
        std::vector<xcb_window_t> onTop = OnTopWindows();
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget != &FPlayer && widget->isVisible() &&
                widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint) &&
                widget->testAttribute(Qt::WA_WState_Created))
                onTop.push_back(TopLevelOf(FConnection, widget->winId()));

        const std::vector<xcb_window_t> order = StackingOrder(FConnection, FRoot);
        const auto rank = [&](xcb_window_t window) {
            return std::find(order.begin(), order.end(), window) - order.begin();
        };
        const auto floorRank = rank(floor);
        std::vector<std::pair<std::ptrdiff_t, xcb_window_t>> low;
        for (xcb_window_t window : onTop)
            if (rank(window) < floorRank)
                low.emplace_back(rank(window), window);
        // Raised one after the other, bottom first, so they keep their order among themselves.
        std::sort(low.begin(), low.end());
        for (const auto& [unused, window] : low) {
            const uint32_t top = XCB_STACK_MODE_ABOVE;
            xcb_configure_window(FConnection, window, XCB_CONFIG_WINDOW_STACK_MODE, &top);
        }
        xcb_flush(FConnection);
    }

    const xcb_window_t FWindow;
    QWidget& FPlayer;
    uint32_t FRootMask = 0;
    xcb_window_t FPlayerTop = XCB_NONE;
};

// The marks are shown by a grid of panes, each shaped to its own marked pixels. The display
// server's work for a change of a window's shape grows with the rectangles of the whole shape
// (it checks each of them against the clipping of the window); a change to one pane costs what
// that pane holds, however much is marked elsewhere on the screen.
constexpr int kSurfacePaneSize = 256;

class XcbSurfaceWindow final : public XcbWindow<SurfaceWindow> {
  public:
    XcbSurfaceWindow(xcb_connection_t* connection, const QRect& screen)
        : XcbWindow(connection, screen, PaneGrid(screen.size(), kSurfacePaneSize), true,
                    "kelPlayer annotation surface"),
          FGc(xcb_generate_id(connection)),
          FMaxRequestBytes(size_t{4} * xcb_get_maximum_request_length(connection)),
          FShaped(FPanes.size(), true) {
        CheckPixelFormat();
        xcb_create_gc(connection, FGc, FPanes.front().Id, 0, nullptr);
        // Nothing is marked yet: the window is neither seen nor takes the mouse from its first
        // mapping on.
        SetShape({});
        for (const Pane& pane : FPanes)
            OnTopWindows().push_back(pane.Id);
    }

    ~XcbSurfaceWindow() override {
        for (const Pane& pane : FPanes)
            std::erase(OnTopWindows(), pane.Id);
        xcb_free_gc(FConnection, FGc);
    }

    void SetShape(std::span<const QRect> rects) override {
        for (const auto& [i, part] : FGrid.Split(FGrid.Screen(), rects))
            // A pane with nothing before and nothing now is left alone.
            if (FShaped[i] || !part.empty()) {
                Combine(FPanes[i], XCB_SHAPE_SO_SET, part);
                FShaped[i] = !part.empty();
            }
        xcb_flush(FConnection);
    }

    void AddShape(const QRect& area, std::span<const QRect> rects) override {
        for (const auto& [i, part] : FGrid.Split(area, rects))
            if (!part.empty()) {
                Combine(FPanes[i], XCB_SHAPE_SO_UNION, part);
                FShaped[i] = true;
            }
        xcb_flush(FConnection);
    }

    void ReplaceShape(const QRect& area, std::span<const QRect> rects) override {
        for (const auto& [i, part] : FGrid.Split(area, rects))
            if (FShaped[i] || !part.empty()) {
                const QRect& pane = FPanes[i].Place;
                const QRect cut[] = {(area & pane).translated(-pane.topLeft())};
                Combine(FPanes[i], XCB_SHAPE_SO_SUBTRACT, cut);
                if (!part.empty())
                    Combine(FPanes[i], XCB_SHAPE_SO_UNION, part);
                FShaped[i] = true;
            }
        xcb_flush(FConnection);
    }

    void Paint(const QImage& image, const QRect& area) override {
        const QRect box = area & image.rect();
        if (box.isEmpty())
            return;
        for (size_t i : FGrid.PanesIn(box))
            PaintPane(image, box & FPanes[i].Place, FPanes[i]);
        xcb_flush(FConnection);
    }

  protected:
    bool HandleEvent(uint8_t type, const xcb_generic_event_t* event) override {
        if (type != XCB_EXPOSE)
            return false;
        const auto* expose = reinterpret_cast<const xcb_expose_event_t*>(event);
        const Pane* pane = PaneOf(expose->window);
        if (!pane)
            return false;
        if (OnExpose)
            OnExpose(QRect(pane->Place.topLeft() + QPoint(expose->x, expose->y),
                           QSize(expose->width, expose->height)));
        return true;
    }

  private:
    // Copies `box` of `image` (in the screen's coordinates, inside the pane) onto the pane.
    void PaintPane(const QImage& image, const QRect& box, const Pane& pane) {
        if (box.isEmpty())
            return;
        const size_t rowBytes = size_t(box.width()) * 4;
        // Each request carries as many whole rows as fit after its 24-byte header.
        const int rowsPerRequest = int(std::max<size_t>((FMaxRequestBytes - 24) / rowBytes, 1));
        std::vector<uint32_t> pixels;
        for (int top = box.top(); top <= box.bottom(); top += rowsPerRequest) {
            const int rows = std::min(rowsPerRequest, box.bottom() + 1 - top);
            pixels.resize(size_t(box.width()) * rows);
            for (int row = 0; row < rows; ++row)
                std::memcpy(&pixels[size_t(row) * box.width()],
                            image.constScanLine(top + row) + box.left() * 4, rowBytes);
            if (FSwapBytes)
                for (uint32_t& pixel : pixels)
                    pixel = __builtin_bswap32(pixel);
            xcb_put_image(FConnection, XCB_IMAGE_FORMAT_Z_PIXMAP, pane.Id, FGc,
                          uint16_t(box.width()), uint16_t(rows),
                          int16_t(box.left() - pane.Place.x()), int16_t(top - pane.Place.y()), 0,
                          FDepth, uint32_t(pixels.size() * 4),
                          reinterpret_cast<const uint8_t*>(pixels.data()));
        }
    }

    // The marks are 32-bit pixels 0xffRRGGBB; the screen must take them as they are, in its
    // byte order.
    void CheckPixelFormat() {
        const xcb_setup_t* setup = xcb_get_setup(FConnection);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
        FDepth = screen->root_depth;
        int bitsPerPixel = 0;
        for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem;
             xcb_format_next(&formats))
            if (formats.data->depth == FDepth)
                bitsPerPixel = formats.data->bits_per_pixel;
        const xcb_visualtype_t* visual = nullptr;
        for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem;
             xcb_depth_next(&depths))
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
                 xcb_visualtype_next(&visuals))
                if (visuals.data->visual_id == screen->root_visual)
                    visual = visuals.data;
        if (bitsPerPixel != 32 || !visual || visual->red_mask != 0xFF0000 ||
            visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF)
            throw std::runtime_error("The screen annotation needs a display in 24-bit true colour");
        FSwapBytes = (setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST) !=
                     (std::endian::native == std::endian::little);
    }

    // `rects` in the pane's coordinates.
    void Combine(const Pane& pane, xcb_shape_op_t operation, std::span<const QRect> rects) {
        std::vector<xcb_rectangle_t> boxes;
        boxes.reserve(rects.size());
        for (const QRect& rect : rects)
            boxes.push_back({int16_t(rect.x()), int16_t(rect.y()), uint16_t(rect.width()),
                             uint16_t(rect.height())});
        // Four units of request header, two per rectangle.
        const size_t chunk = std::min<size_t>(FMaxRequestBytes / 8 - 2, size_t{1} << 16);
        size_t done = 0;
        xcb_shape_op_t step = operation;
        do {
            const size_t count = std::min(chunk, boxes.size() - done);
            xcb_shape_rectangles(FConnection, step, XCB_SHAPE_SK_BOUNDING,
                                 XCB_CLIP_ORDERING_UNSORTED, pane.Id, 0, 0, uint32_t(count),
                                 boxes.data() + done);
            done += count;
            // A long list goes in several requests: the first sets, the others add.
            if (step == XCB_SHAPE_SO_SET)
                step = XCB_SHAPE_SO_UNION;
        } while (done < boxes.size());
    }

    const xcb_gcontext_t FGc;
    const size_t FMaxRequestBytes;
    // Whether a pane's shape may hold anything.
    std::vector<bool> FShaped;
    uint8_t FDepth = 0;
    bool FSwapBytes = false;
};

}  // namespace

std::unique_ptr<MarkWindow> CreateXcbOverlayWindow(QWidget& player, const QRect& screen) {
    xcb_connection_t* connection = QtConnection();
    if (!connection)
        return nullptr;
    return std::make_unique<XcbOverlayWindow>(connection, player, screen);
}

std::unique_ptr<SurfaceWindow> CreateXcbSurfaceWindow(const QRect& screen) {
    xcb_connection_t* connection = QtConnection();
    if (!connection)
        return nullptr;
    return std::make_unique<XcbSurfaceWindow>(connection, screen);
}

}  // namespace kel::platform
