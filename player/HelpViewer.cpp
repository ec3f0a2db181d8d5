#include "HelpViewer.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "ClientWindows.h"
#include "X11Windows.h"

namespace kel {

namespace {

constexpr int kWatchIntervalMs = 200;
constexpr int kWatchLimitMs = 30000;

THelpViewer& CurrentViewer() {
    static THelpViewer viewer;
    return viewer;
}

// xdg-open cannot pass on a window state, so the viewer's window is maximised once it is there:
// the first top-level window of a process in the launch's process tree, looked for until a time
// limit. A viewer that a desktop's launcher starts outside that tree keeps the size it chooses.
void MaximiseFirstWindowOf(qint64 launched) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    auto* watch = new QTimer(qGuiApp);
    auto windows = std::make_shared<platform::X11Windows>(x11->connection());
    const QDeadlineTimer deadline(kWatchLimitMs);
    QObject::connect(watch, &QTimer::timeout, watch, [=] {
        for (pid_t pid : platform::ProcessTree(static_cast<pid_t>(launched)))
            for (platform::XWindow window : windows->TopLevelWindowsOf(pid))
                if (platform::ShownByWindowManager(x11->connection(), window)) {
                    platform::RequestMaximised(x11->connection(), window);
                    watch->deleteLater();
                    return;
                }
        if (deadline.hasExpired())
            watch->deleteLater();
    });
    watch->start(kWatchIntervalMs);
}

// The desktop's opener chooses the viewer registered for the file's type. Whether it finds one
// is its business: like the shell's open, the outcome is not reported to the user. Only a
// missing opener is worth a line on stderr, for whoever set the machine up.
void OpenWithXdgOpen(const std::string& path) {
    qint64 pid = 0;
    if (!QProcess::startDetached("xdg-open", {QString::fromStdString(path)}, {}, &pid)) {
        std::fprintf(stderr, "kelPlayer: the help file cannot be opened: xdg-open did not start\n");
        std::fflush(stderr);
        return;
    }
    MaximiseFirstWindowOf(pid);
}

}  // namespace

void ShowNoHelpBox(QWidget* owner) {
    const char text[] = "包中没有应用指南";
    std::fprintf(stderr, "kelPlayer: %s\n", text);
    std::fflush(stderr);
    QMessageBox box(QMessageBox::Information, QString::fromUtf8("提示"), QString::fromUtf8(text),
                    QMessageBox::Ok, owner);
    box.exec();
}

void OpenHelpFile(const std::string& path) {
    if (CurrentViewer())
        CurrentViewer()(path);
    else
        OpenWithXdgOpen(path);
}

void SetHelpViewer(THelpViewer viewer) {
    CurrentViewer() = std::move(viewer);
}

}  // namespace kel
