#include "LessonProgram.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QWidget>
#include <fstream>

#include "ProcessGroup.h"
#include "WineHost.h"
#include "X11Windows.h"

namespace kel {

namespace {

constexpr char kWineHostName[] = "kelwinehost.exe";
constexpr char kTarnButton[] = "TTarnButton";
constexpr int kProbeY = 16;
constexpr int kProbeDistances[] = {36, 63, 90, 90, 117};
constexpr auto kLayoutLimit = std::chrono::seconds(1);
constexpr auto kReleaseLimit = std::chrono::seconds(2);
constexpr auto kFocusLimit = std::chrono::seconds(1);

// Qt places widgets in device-independent pixels; the window system counts device pixels.
QRect NativeRect(const QWidget& widget, QPoint topLeft) {
    const qreal ratio = widget.devicePixelRatioF();
    return QRect(topLeft * ratio, widget.size() * ratio);
}

// Page Down and Page Up stay the player's while a program's window is in the panel: X11 gives a
// key pressed over a window inside the focused one to that window, so the program would take
// them and the player would never see them.
class THeldKeys {
  public:
    explicit THeldKeys(platform::X11Windows& windows) : FWindows(windows) {}
    ~THeldKeys() { Release(); }
    THeldKeys(const THeldKeys&) = delete;
    THeldKeys& operator=(const THeldKeys&) = delete;

    void Hold(platform::XWindow window) {
        if (FWindow == 0)
            FWindows.HoldNavigationKeys(window);
        FWindow = window;
    }
    void Release() {
        if (FWindow != 0)
            FWindows.ReleaseNavigationKeys(FWindow);
        FWindow = 0;
    }

  private:
    platform::X11Windows& FWindows;
    platform::XWindow FWindow = 0;
};

// A native program: its own process group, its windows found and taken in through X11.
class TNativeProcess : public TLessonProcess {
  public:
    TNativeProcess(platform::ProcessGroup group, platform::X11Windows& windows)
        : FGroup(std::move(group)), FWindows(windows), FKeys(windows) {}

    bool Started() override { return true; }

    std::vector<TTopWindow> TopLevelWindows() override {
        std::vector<TTopWindow> result;
        for (platform::XWindow w : FWindows.TopLevelWindowsOf(FGroup.Pid()))
            result.push_back({w, FWindows.HasChildren(w)});
        return result;
    }

    bool TakeIn(uint64_t handle, const TTakeIn& where) override {
        const auto window = static_cast<platform::XWindow>(handle);
        if (!FWindows.Exists(window))
            return false;
        const auto parent = static_cast<platform::XWindow>(where.Parent);
        // Held before the window comes under the pointer: a key pressed while it lays itself out
        // waits for the player.
        FKeys.Hold(parent);
        FWindows.TakeIn(window, parent, where.Area.x(), where.Area.y(), where.Area.width(),
                        where.Area.height());
        FWindows.AwaitLayout(window, kLayoutLimit);
        // A hidden window no longer answers the probe, so a second probe at the same point
        // reaches the window under it.
        for (const QPoint& probe : where.Probes) {
            const platform::XWindow found = FWindows.DeepestWindowAt(probe.x(), probe.y());
            if (FWindows.ClassName(found) == kTarnButton)
                FWindows.Hide(found);
        }
        return true;
    }

    bool HasEnded() override { return FGroup.HasEnded(); }
    void Terminate() override { FGroup.Kill(); }
    void Release() override {
        FKeys.Release();
        FGroup.Release(kReleaseLimit);
    }

  private:
    platform::ProcessGroup FGroup;
    platform::X11Windows& FWindows;
    THeldKeys FKeys;
};

// A Windows program under wine: the helper finds, styles and probes its windows inside wine;
// the X11 window it reports is then taken into the panel like a native one.
class TWineProcess : public TLessonProcess {
  public:
    TWineProcess(platform::WineHost host, platform::X11Windows& windows)
        : FHost(std::move(host)), FWindows(windows), FKeys(windows) {}

    bool Started() override { return FHost.Started(); }

    std::vector<TTopWindow> TopLevelWindows() override {
        std::vector<TTopWindow> result;
        for (const platform::WineWindow& w : FHost.TopLevelWindows())
            result.push_back({w.Handle, w.HasChildren});
        return result;
    }

    bool TakeIn(uint64_t handle, const TTakeIn& where) override {
        platform::WineTakeIn request{
            where.Screen.x(), where.Screen.y(), where.Screen.width(), where.Screen.height(), {}};
        for (const QPoint& probe : where.Probes)
            request.Probes.emplace_back(probe.x(), probe.y());
        const auto parent = static_cast<platform::XWindow>(where.Parent);
        FKeys.Hold(parent);
        std::optional<uint32_t> window = FHost.TakeIn(handle, request);
        if (!window)
            return false;
        if (*window != 0)
            FWindows.TakeIn(*window, parent, where.Area.x(), where.Area.y(), where.Area.width(),
                            where.Area.height());
        return true;
    }

    bool HasEnded() override { return FHost.HasEnded(); }
    void Terminate() override { FHost.Terminate(); }
    void Release() override {
        FKeys.Release();
        FHost.Release();
    }

  private:
    platform::WineHost FHost;
    platform::X11Windows& FWindows;
    THeldKeys FKeys;
};

class TX11LessonHost : public TLessonHost {
  public:
    explicit TX11LessonHost(xcb_connection_t* connection) : FWindows(connection) {}

    std::unique_ptr<TLessonProcess> Start(TProgramKind kind, const std::string& file) override {
        const size_t slash = file.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : file.substr(0, slash + 1);
        if (kind == TProgramKind::Native) {
            // Unpacked lesson files carry no execute permission; this one is ours to run.
            struct stat info {};
            if (::stat(file.c_str(), &info) == 0)
                ::chmod(file.c_str(), (info.st_mode & 07777) | S_IXUSR);
            platform::ProcessGroup group = platform::ProcessGroup::Spawn({{file}, folder, {}});
            if (group.Pid() == 0)
                return nullptr;
            return std::make_unique<TNativeProcess>(std::move(group), FWindows);
        }
        if (kind == TProgramKind::Windows) {
            const std::string helper = WineHostPath();
            const QString wine = QStandardPaths::findExecutable("wine");
            if (helper.empty() || wine.isEmpty())
                return nullptr;
            platform::WineHost host = platform::WineHost::Start(wine.toStdString(), helper, file);
            if (!host.Valid())
                return nullptr;
            return std::make_unique<TWineProcess>(std::move(host), FWindows);
        }
        return nullptr;
    }

    void ReturnFocus(QWidget& window) override {
        FWindows.Focus(static_cast<platform::XWindow>(window.winId()), kFocusLimit);
        window.activateWindow();
    }

  private:
    platform::X11Windows FWindows;
};

class TNullLessonHost : public TLessonHost {
  public:
    std::unique_ptr<TLessonProcess> Start(TProgramKind, const std::string&) override {
        return nullptr;
    }
    void ReturnFocus(QWidget&) override {}
};

}  // namespace

TProgramKind ProgramKindOf(const std::string& file) {
    char head[4] = {};
    std::ifstream in(file, std::ios::binary);
    in.read(head, sizeof head);
    const std::string start(head, static_cast<size_t>(in.gcount()));
    if (start == std::string("\x7F"
                             "ELF",
                             4))
        return TProgramKind::Native;
    if (start.compare(0, 2, "MZ") == 0)
        return TProgramKind::Windows;
    return TProgramKind::None;
}

void StartLessonProgram(TProcessInfo& info, const std::string& file, TLessonHost& host) {
    const TProgramKind kind = ProgramKindOf(file);
    if (kind != TProgramKind::None)
        info.Process = host.Start(kind, file);
}

bool LessonProgramStarted(TProcessInfo& info) {
    return !info.Process || info.Process->Started();
}

uint64_t FindLessonWindow(TProcessInfo& info) {
    if (!info.Process)
        return 0;
    for (const TTopWindow& window : info.Process->TopLevelWindows())
        if (window.HasChildren)
            return window.Handle;
    return 0;
}

// The program draws in the display's pixels, also where Qt scales the player: its buttons lie
// that many display pixels from the panel's edge.
std::vector<QPoint> LessonButtonProbes(const QWidget& panel) {
    const QRect onScreen = NativeRect(panel, panel.mapToGlobal(QPoint(0, 0)));
    std::vector<QPoint> probes;
    for (int d : kProbeDistances)
        probes.emplace_back(onScreen.x() + onScreen.width() - d, onScreen.y() + kProbeY);
    return probes;
}

bool TakeInLessonWindow(TProcessInfo& info, uint64_t window, QWidget& panel) {
    if (!info.Process || window == 0)
        return false;
    // The window goes into the player's own window, over the panel (which is in front while a
    // program shows): a native window for the panel alone would turn its siblings, the web
    // engine's views among them, into native windows too.
    const QWidget& top = *panel.window();
    TTakeIn where{top.winId(), NativeRect(panel, panel.mapTo(&top, QPoint(0, 0))),
                  NativeRect(panel, panel.mapToGlobal(QPoint(0, 0))), LessonButtonProbes(panel)};
    return info.Process->TakeIn(window, where);
}

void TerminateLessonProgram(TProcessInfo& info) {
    if (!info.Process)
        return;
    if (!info.Process->HasEnded())
        info.Process->Terminate();
    info.Process->Release();
    info.Process.reset();
}

std::unique_ptr<TLessonHost> NullLessonHost() {
    return std::make_unique<TNullLessonHost>();
}

std::unique_ptr<TLessonHost> DefaultLessonHost() {
    // The interface is there on every platform; only X11 gives it a connection.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 && x11->connection())
        return std::make_unique<TX11LessonHost>(x11->connection());
    return NullLessonHost();
}

std::string WineHostPath() {
    for (const QString& path :
         {QCoreApplication::applicationDirPath() + "/" + kWineHostName,
          QStringLiteral(KEL_INSTALL_WINEHOST), QStringLiteral(KEL_BUILD_WINEHOST)}) {
        QFileInfo info(path);
        if (info.isFile())
            return info.canonicalFilePath().toStdString();
    }
    return {};
}

}  // namespace kel
