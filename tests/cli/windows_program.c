/* A stand-in for the Windows player image that old lesson bundles carry: a real 32-bit Windows
   program, to which the tests append bundles. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    MessageBoxA(NULL, "Lesson player", "Lesson player", MB_OK);
    return 0;
}
