// Measures how long a lesson change takes to reach the screen: presses a key through the XTest
// extension, then reads one pixel of the screen until it shows the expected colour, and prints
// the milliseconds from the key press to that moment.
//
// Usage: bench_switch_probe KEY X Y RRGGBB [TOLERANCE [TIMEOUT_MS]]
//   KEY is an X key name ("Next", "space"); TOLERANCE is per colour channel (default 24);
//   exit status 1 when the colour does not come within TIMEOUT_MS (default 10000).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

bool Near(unsigned long pixel, unsigned long wanted, int tolerance) {
    for (int shift : {16, 8, 0}) {
        const int a = int((pixel >> shift) & 0xFF);
        const int b = int((wanted >> shift) & 0xFF);
        if (std::abs(a - b) > tolerance)
            return false;
    }
    return true;
}

unsigned long PixelAt(Display* display, int x, int y) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return ~0UL;
    const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5 || argc > 7) {
        std::fprintf(stderr, "usage: bench_switch_probe KEY X Y RRGGBB [TOLERANCE [TIMEOUT_MS]]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_switch_probe: cannot open the display\n");
        return 2;
    }
    const KeyCode key = XKeysymToKeycode(display, XStringToKeysym(argv[1]));
    const int x = std::atoi(argv[2]);
    const int y = std::atoi(argv[3]);
    const unsigned long wanted = std::strtoul(argv[4], nullptr, 16);
    const int tolerance = argc > 5 ? std::atoi(argv[5]) : 24;
    const auto timeout = std::chrono::milliseconds(argc > 6 ? std::atoi(argv[6]) : 10000);

    using Clock = std::chrono::steady_clock;
    XTestFakeKeyEvent(display, key, True, CurrentTime);
    XTestFakeKeyEvent(display, key, False, CurrentTime);
    XSync(display, False);
    const Clock::time_point pressed = Clock::now();
    while (!Near(PixelAt(display, x, y), wanted, tolerance)) {
        if (Clock::now() - pressed > timeout) {
            std::fprintf(stderr, "bench_switch_probe: %s did not show at %d,%d\n", argv[4], x, y);
            XCloseDisplay(display);
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const auto elapsed = std::chrono::duration<double, std::milli>(Clock::now() - pressed);
    std::printf("%.0f\n", elapsed.count());
    XCloseDisplay(display);
    return 0;
}
