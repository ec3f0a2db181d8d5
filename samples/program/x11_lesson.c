/* A native lesson program for the demo and the tests (C with Xlib).
 *
 * A teal main window with a white square in its middle and small child windows along its top
 * edge, laid out from the right edge whenever the window changes size: at 36 pixels from the
 * right a red window of class "TTarnButton", at 63 a blue one of class "TLessonButton", at 90
 * two "TTarnButton"s on top of each other (yellow above, orange under). The player hides the
 * "TTarnButton"s at those points and leaves the other one. A click turns the square green, a
 * key (other than the player's Page Down and Page Up) turns it black. Like most plain Xlib
 * programs it does not set _NET_WM_PID. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#define TOP 4
#define SIZE 24

enum { kRed = 0, kBlue, kYellow, kOrange, kButtons };

static const struct {
    const char* cls;
    int distance; /* from the right edge to the button's centre */
    unsigned long colour;
} kLayout[kButtons] = {
    {"TTarnButton", 36, 0xFF0000},
    {"TLessonButton", 63, 0x0000FF},
    {"TTarnButton", 90, 0xFFFF00},
    {"TTarnButton", 90, 0xFF8000},
};

static void Layout(Display* display, Window* buttons, int width) {
    for (int i = 0; i < kButtons; ++i)
        XMoveWindow(display, buttons[i], width - kLayout[i].distance - SIZE / 2, TOP);
}

static void DrawSquare(Display* display, Window window, GC gc, unsigned long colour, int width,
                       int height) {
    XSetForeground(display, gc, colour);
    XFillRectangle(display, window, gc, width / 2 - 50, height / 2 - 50, 100, 100);
}

int main(void) {
    Display* display = XOpenDisplay(NULL);
    if (!display)
        return 1;
    int screen = DefaultScreen(display);
    int width = 480, height = 320;
    Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, width, height,
                                        0, 0, 0x208080);
    XStoreName(display, window, "Native lesson");
    XClassHint form = {"x11_lesson", "TLessonForm"};
    XSetClassHint(display, window, &form);
    XSelectInput(display, window,
                 StructureNotifyMask | ExposureMask | ButtonPressMask | KeyPressMask);

    Window buttons[kButtons];
    /* Orange is made before yellow, so yellow lies on top. */
    static const int order[kButtons] = {kRed, kBlue, kOrange, kYellow};
    for (int i = 0; i < kButtons; ++i) {
        int b = order[i];
        buttons[b] =
            XCreateSimpleWindow(display, window, 0, 0, SIZE, SIZE, 0, 0, kLayout[b].colour);
        XClassHint hint = {"button", (char*)kLayout[b].cls};
        XSetClassHint(display, buttons[b], &hint);
    }
    Layout(display, buttons, width);
    XMapSubwindows(display, window);
    XMapWindow(display, window);

    GC gc = XCreateGC(display, window, 0, NULL);
    unsigned long square = 0xFFFFFF;
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        switch (event.type) {
            case ConfigureNotify:
                if (event.xconfigure.width != width || event.xconfigure.height != height) {
                    width = event.xconfigure.width;
                    height = event.xconfigure.height;
                    Layout(display, buttons, width);
                    XClearArea(display, window, 0, 0, 0, 0, True);
                }
                break;
            case Expose:
                if (event.xexpose.count == 0)
                    DrawSquare(display, window, gc, square, width, height);
                break;
            case ButtonPress:
                square = 0x00C000;
                DrawSquare(display, window, gc, square, width, height);
                break;
            case KeyPress:
                square = 0x000000;
                DrawSquare(display, window, gc, square, width, height);
                break;
            default:
                break;
        }
    }
}
