/* kelwinehost: the Windows side of hosting a Windows lesson program under wine.
 *
 * Under wine a program's child windows are wine's own, not X11 windows, so finding the lesson
 * program's main window, hiding its caption buttons and ending it have to happen inside wine.
 * The player starts this helper under wine with two pipes, one line per message:
 *
 *   player -> helper                         helper -> player
 *   the program's path (first line only)     "started PID" or "failed ERROR"
 *   "windows"                                "windows" and " HWND:C" per top-level window of
 *                                            the program's main thread, C 1 when it has child
 *                                            windows
 *   "take HWND X Y W H" + 5 x " PX PY"       "taken XID" (its X11 window) or "gone"
 *   "state"                                  "running" or "ended"
 *   "terminate"                              "terminated"
 *   "release"                                "released", then the helper ends
 *
 * The end of the input (the player has gone) ends a program still running, then the helper.
 * The program runs in a job object, so ending it also ends the processes it started. */
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#define LINE 1024
#define PROBES 5

static HANDLE input, output;
static PROCESS_INFORMATION program;
static HANDLE job;

static void Report(const char* format, ...) {
    char text[LINE];
    va_list args;
    va_start(args, format);
    int length = vsnprintf(text, sizeof text - 1, format, args);
    va_end(args);
    if (length < 0 || length > (int)sizeof text - 2)
        length = (int)sizeof text - 2;
    text[length++] = '\n';
    DWORD written;
    WriteFile(output, text, (DWORD)length, &written, NULL);
}

/* One line of input without its end; FALSE at the end of the input. */
static BOOL ReadLine(char* line, int size) {
    int length = 0;
    for (;;) {
        char c;
        DWORD count = 0;
        if (!ReadFile(input, &c, 1, &count, NULL) || count == 0) {
            line[length] = 0;
            return length > 0;
        }
        if (c == '\n')
            break;
        if (length < size - 1)
            line[length++] = c;
    }
    line[length] = 0;
    return TRUE;
}

static BOOL Running(void) {
    return WaitForSingleObject(program.hProcess, 0) == WAIT_TIMEOUT;
}

/* The command line is the program's full path, unchanged and not quoted; the working folder
 * is the path's folder with its trailing backslash. */
static BOOL StartProgram(const char* unixPath) {
    typedef WCHAR*(CDECL * DosName)(const char*);
    DosName dosName = (DosName)(void (*)(void))GetProcAddress(GetModuleHandleA("kernel32"),
                                                              "wine_get_dos_file_name");
    WCHAR* path = dosName ? dosName(unixPath) : NULL;
    if (!path) {
        Report("failed %lu", (unsigned long)ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    size_t length = wcslen(path);
    WCHAR* commandLine =
        HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (length + 1) * sizeof(WCHAR));
    WCHAR* folder = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (length + 1) * sizeof(WCHAR));
    memcpy(commandLine, path, length * sizeof(WCHAR));
    memcpy(folder, path, length * sizeof(WCHAR));
    WCHAR* slash = wcsrchr(folder, L'\\');
    if (slash)
        slash[1] = 0;

    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_SHOWNORMAL;
    job = CreateJobObjectW(NULL, NULL);
    BOOL started =
        CreateProcessW(NULL, commandLine, NULL, NULL, TRUE, DETACHED_PROCESS | CREATE_SUSPENDED,
                       NULL, slash ? folder : NULL, &startup, &program);
    if (!started) {
        Report("failed %lu", (unsigned long)GetLastError());
        return FALSE;
    }
    if (job)
        AssignProcessToJobObject(job, program.hProcess);
    ResumeThread(program.hThread);
    Report("started %lu", (unsigned long)program.dwProcessId);
    return TRUE;
}

/* Windows taken into the player stay top-level windows for wine, but no longer for the player:
 * they are not listed again. */
#define TAKEN 64
static HWND taken[TAKEN];
static int takenCount;

static BOOL Taken(HWND window) {
    for (int i = 0; i < takenCount; ++i)
        if (taken[i] == window)
            return TRUE;
    return FALSE;
}

static char windowList[LINE];

static BOOL CALLBACK CollectWindow(HWND window, LPARAM unused) {
    (void)unused;
    if (Taken(window))
        return TRUE;
    size_t used = strlen(windowList);
    if (used + 32 < sizeof windowList)
        snprintf(windowList + used, sizeof windowList - used, " %lu:%d",
                 (unsigned long)(ULONG_PTR)window, GetTopWindow(window) != NULL);
    return TRUE;
}

static void ListWindows(void) {
    strcpy(windowList, "windows");
    EnumThreadWindows(program.dwThreadId, CollectWindow, 0);
    Report("%s", windowList);
}

/* Hides the windows of class "TTarnButton" at the probe points. A hidden window no longer
 * answers WindowFromPoint, so a second probe at the same point reaches the one under it. */
static void HideLessonButtons(const POINT* probes) {
    for (int i = 0; i < PROBES; ++i) {
        HWND found = WindowFromPoint(probes[i]);
        char name[256];
        if (found && GetClassNameA(found, name, sizeof name) > 0 &&
            strcmp(name, "TTarnButton") == 0)
            ShowWindow(found, SW_HIDE);
    }
}

static void TakeIn(const char* arguments) {
    unsigned long handle;
    int x, y, width, height, used;
    POINT probes[PROBES];
    if (sscanf(arguments, "%lu %d %d %d %d%n", &handle, &x, &y, &width, &height, &used) != 5) {
        Report("gone");
        return;
    }
    arguments += used;
    for (int i = 0; i < PROBES; ++i) {
        if (sscanf(arguments, "%ld %ld%n", &probes[i].x, &probes[i].y, &used) != 2) {
            Report("gone");
            return;
        }
        arguments += used;
    }
    HWND window = (HWND)(ULONG_PTR)handle;
    char name[129];
    if (!IsWindow(window) || GetClassNameA(window, name, sizeof name) == 0) {
        Report("gone");
        return;
    }
    SetForegroundWindow(window);
    /* Without its system menu, and without the caption and frame that the window manager would
     * draw around it: the window fills the panel as the program's own content. */
    LONG style = GetWindowLongA(window, GWL_STYLE);
    SetWindowLongA(window, GWL_STYLE, style & ~(WS_SYSMENU | WS_CAPTION | WS_THICKFRAME));
    ShowWindow(window, SW_SHOWMAXIMIZED);
    /* Maximised over the panel rather than the work area; the window lays its children out
     * while this call runs, so the probes see the new layout. */
    SetWindowPos(window, NULL, x, y, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    HideLessonButtons(probes);
    if (!Taken(window) && takenCount < TAKEN)
        taken[takenCount++] = window;
    Report("taken %lu", (unsigned long)(ULONG_PTR)GetPropA(window, "__wine_x11_whole_window"));
}

static void EndProgram(void) {
    DWORD code = 0;
    if (!GetExitCodeProcess(program.hProcess, &code) || code == STILL_ACTIVE) {
        if (job)
            TerminateJobObject(job, code);
        TerminateProcess(program.hProcess, code);
        WaitForSingleObject(program.hProcess, 2000);
    }
}

static void Release(void) {
    CloseHandle(program.hThread);
    CloseHandle(program.hProcess);
    if (job)
        CloseHandle(job);
}

int main(void) {
    input = GetStdHandle(STD_INPUT_HANDLE);
    output = GetStdHandle(STD_OUTPUT_HANDLE);
    char line[LINE];
    if (!ReadLine(line, sizeof line) || !StartProgram(line))
        return 1;
    while (ReadLine(line, sizeof line)) {
        if (strcmp(line, "windows") == 0) {
            ListWindows();
        } else if (strncmp(line, "take ", 5) == 0) {
            TakeIn(line + 5);
        } else if (strcmp(line, "state") == 0) {
            Report(Running() ? "running" : "ended");
        } else if (strcmp(line, "terminate") == 0) {
            EndProgram();
            Report("terminated");
        } else if (strcmp(line, "release") == 0) {
            Release();
            Report("released");
            return 0;
        }
    }
    /* The player has gone without ending the program. */
    if (Running())
        EndProgram();
    Release();
    return 0;
}
