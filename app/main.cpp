// kelPlayer: the lesson player. It takes no arguments; its only input is its own executable
// file, which carries the lesson bundle appended after the program image.

#include <QApplication>
#include <cstdio>
#include <optional>

#include "Common.h"
#include "ControlFactory.h"
#include "ElfImage.h"
#include "Error.h"
#include "Fonts.h"
#include "GeneralErrorReport.h"
#include "Session.h"
#include "UnitPlay.h"

namespace {

// The bundle is appended after the program image, so a file that ends where its image ends
// carries no lessons.
bool CarriesBundle(const std::string& executable) {
    std::optional<uint64_t> imageEnd = kel::platform::ElfImageEnd(executable);
    int64_t size = kel::FileSizeOf(executable);
    return imageEnd && size > 0 && static_cast<uint64_t>(size) > *imageEnd;
}

// What a later start asks of the running player: show its window again and bring it forward.
void BringToFront(QWidget& window) {
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowFullScreen);
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace

int main(int argc, char** argv) {
    // The graphics library is part of the platform here (Qt and the system libraries come with
    // the distribution's packages), so nothing is deployed and the player never restarts
    // itself to load one.

    const std::string executable = kel::platform::OwnExecutablePath();
    if (!CarriesBundle(executable))
        return 0;

    std::string refusal;
    try {
        kel::InitCommon();
    } catch (const std::exception& error) {
        refusal = error.what();
    }

    // The running player has our title from its start on; this process has no window yet, so
    // it never finds itself. It ends without touching any temporary file.
    if (refusal.empty() && kel::ActivateRunningInstance(kel::kApplicationTitle))
        return 0;

    kel::platform::PreferX11Platform();
    kel::platform::AllowWebEngineAsRoot();
    kel::PrepareWebEngine();
    QApplication app(argc, argv);
    if (!refusal.empty()) {
        kel::ReportError(refusal);
        return 1;
    }
    QCoreApplication::setApplicationName(QString::fromUtf8(kel::kApplicationTitle));
    const QString chineseFont = kel::SubstituteChineseFonts();

    kel::TfrmZRPlay* player = nullptr;
    kel::TInstanceListener listener(kel::kApplicationTitle, [&player] {
        if (player)
            kel::RunGuarded([player] { BringToFront(*player); });
    });

    const QString tempDir = QString::fromStdString(kel::TempDir());
    kel::TLessonWeb web(
        {tempDir + kel::kWorkFolderName, QString::fromStdString(kel::DataDir()), chineseFont});
    kel::TfrmZRPlay window(
        {executable, kel::TempDir(), kel::RealControlFactory(web, tempDir + "libreoffice/")});
    if (window.TerminateRequested())
        return 1;
    player = &window;
    window.showFullScreen();
    return app.exec();
}
