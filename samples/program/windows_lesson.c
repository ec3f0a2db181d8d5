/* A Windows lesson program for the demo and the tests (Win32, built with mingw-w64).
 *
 * A captioned main window of class "TLessonForm" on a purple background with a white square in
 * its middle and small child windows along its top edge, laid out from the right edge whenever
 * the window is resized: at 36 pixels from the right a red "TTarnButton", at 63 a blue
 * "TLessonButton", at 90 two "TTarnButton"s on top of each other (yellow above, orange under).
 * The player hides the "TTarnButton"s at those points and leaves the other one. A click into
 * the window turns the square green, a key turns it black, so a screenshot shows that the
 * window took the input. */
#include <windows.h>

#define TOP 4
#define SIZE 24

enum { kRed = 0, kBlue, kYellow, kOrange, kButtons };

static const struct {
    const char* cls;
    int distance; /* from the right edge to the button's centre */
    COLORREF colour;
} kLayout[kButtons] = {
    {"TTarnButton", 36, RGB(0xFF, 0x00, 0x00)},
    {"TLessonButton", 63, RGB(0x00, 0x00, 0xFF)},
    {"TTarnButton", 90, RGB(0xFF, 0xFF, 0x00)},
    {"TTarnButton", 90, RGB(0xFF, 0x80, 0x00)},
};

static HWND buttons[kButtons];
static COLORREF square = RGB(0xFF, 0xFF, 0xFF);

static LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_ERASEBKGND) {
        RECT r;
        GetClientRect(window, &r);
        HBRUSH brush = CreateSolidBrush((COLORREF)GetWindowLongPtrA(window, GWLP_USERDATA));
        FillRect((HDC)wparam, &r, brush);
        DeleteObject(brush);
        return 1;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

static void Layout(HWND form) {
    RECT r;
    GetClientRect(form, &r);
    /* Yellow last, so it lies on top of orange. */
    static const int order[kButtons] = {kRed, kBlue, kOrange, kYellow};
    for (int i = 0; i < kButtons; ++i) {
        int b = order[i];
        SetWindowPos(buttons[b], HWND_TOP, r.right - kLayout[b].distance - SIZE / 2, TOP, SIZE,
                     SIZE, SWP_NOACTIVATE);
    }
}

static LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_SIZE:
            Layout(window);
            return 0;
        case WM_LBUTTONDOWN:
            square = RGB(0x00, 0xC0, 0x00);
            InvalidateRect(window, NULL, TRUE);
            return 0;
        case WM_KEYDOWN:
            square = RGB(0x00, 0x00, 0x00);
            InvalidateRect(window, NULL, TRUE);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            RECT r;
            GetClientRect(window, &r);
            RECT middle = {r.right / 2 - 50, r.bottom / 2 - 50, r.right / 2 + 50,
                           r.bottom / 2 + 50};
            HBRUSH brush = CreateSolidBrush(square);
            FillRect(dc, &middle, brush);
            DeleteObject(brush);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command, int show) {
    (void)previous;
    (void)command;
    WNDCLASSA form = {0};
    form.style = CS_HREDRAW | CS_VREDRAW;
    form.lpfnWndProc = FormProc;
    form.hInstance = instance;
    form.hCursor = LoadCursor(NULL, IDC_ARROW);
    form.hbrBackground = CreateSolidBrush(RGB(0x60, 0x30, 0x90));
    form.lpszClassName = "TLessonForm";
    RegisterClassA(&form);
    for (int i = 0; i < kButtons; ++i) {
        WNDCLASSA button = {0};
        button.lpfnWndProc = ButtonProc;
        button.hInstance = instance;
        button.lpszClassName = kLayout[i].cls;
        RegisterClassA(&button); /* the second "TTarnButton" finds the class registered */
    }

    HWND window = CreateWindowA("TLessonForm", "Windows lesson", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 480, 320, NULL, NULL, instance, NULL);
    for (int i = 0; i < kButtons; ++i) {
        buttons[i] = CreateWindowA(kLayout[i].cls, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0,
                                   0, SIZE, SIZE, window, NULL, instance, NULL);
        SetWindowLongPtrA(buttons[i], GWLP_USERDATA, (LONG_PTR)kLayout[i].colour);
    }
    Layout(window);
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
