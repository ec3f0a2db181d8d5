// Prints the colour of one pixel of the X screen as RRGGBB, for the end-to-end harness to poll
// cheaply. Usage: e2e_root_pixel X Y
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: e2e_root_pixel X Y\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "e2e_root_pixel: cannot open the display\n");
        return 1;
    }
    const int x = std::atoi(argv[1]);
    const int y = std::atoi(argv[2]);
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) {
        std::fprintf(stderr, "e2e_root_pixel: cannot read the screen at %d,%d\n", x, y);
        XCloseDisplay(display);
        return 1;
    }
    const unsigned long pixel = XGetPixel(image, 0, 0);
    std::printf("%02lX%02lX%02lX\n", (pixel & image->red_mask) >> 16,
                (pixel & image->green_mask) >> 8, pixel & image->blue_mask);
    XDestroyImage(image);
    XCloseDisplay(display);
    return 0;
}
