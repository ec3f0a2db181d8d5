// kelPlayer: the lesson player. Without arguments its only input is its own executable file,
// which carries the lesson bundle appended after the program image; "kelPlayer FILE" plays the
// bundle appended to FILE instead (one made by kelpack, or a Windows bundle).

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "Common.h"
#include "ControlFactory.h"
#include "ElfImage.h"
#include "Error.h"
#include "Fonts.h"
#include "GeneralErrorReport.h"
#include "InputFile.h"
#include "QtTranslations.h"
#include "Session.h"
#include "Trailer.h"
#include "UnitPlay.h"

namespace {

constexpr char kUsage[] =
    "usage: kelPlayer [FILE]\n"
    "\n"
    "Plays a lesson bundle full-screen: without FILE the one appended to this executable, with\n"
    "FILE the one appended to FILE (a bundle made by kelpack, or a Windows lesson bundle).\n"
    "\n"
    "  -h, --help     show this text\n"
    "      --version  show the version\n"
    "\n"
    "Exit status: 0 when the player was closed or a running player was brought to the front,\n"
    "1 when the bundle cannot be played, 2 when the command line is wrong.\n";

struct TCommandLine {
    enum { Play, Help, Version, Wrong } Action = Play;
    std::optional<std::string> File;
    std::string Problem;  // what is wrong with the command line
};

TCommandLine ParseCommandLine(int argc, char** argv) {
    TCommandLine line;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "-h" || arg == "--help")
                return {TCommandLine::Help, {}, {}};
            if (arg == "--version")
                return {TCommandLine::Version, {}, {}};
            return {TCommandLine::Wrong, {}, "unknown option: " + arg};
        } else if (line.File) {
            return {TCommandLine::Wrong, {}, "one FILE at a time: " + arg};
        } else {
            line.File = arg;
        }
    }
    return line;
}

// Why FILE cannot be played, found before anything is written: empty when its trailer is
// plausible, so that an ordinary program is refused as such rather than by a reader's error.
std::string BundleRefusal(const std::string& file) {
    try {
        kel::ReadPlausibleTrailer(kel::InputFile(file));
        return {};
    } catch (const std::exception& error) {
        return error.what();
    }
}

// A message box needs a display; without one the line on stderr is the whole report.
bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

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

    const TCommandLine line = ParseCommandLine(argc, argv);
    switch (line.Action) {
        case TCommandLine::Help:
            std::fputs(kUsage, stdout);
            return 0;
        case TCommandLine::Version:
            std::printf("kelPlayer %s\n", KEL_VERSION);
            return 0;
        case TCommandLine::Wrong:
            std::fprintf(stderr, "kelPlayer: %s\n%s", line.Problem.c_str(), kUsage);
            return 2;
        case TCommandLine::Play:
            break;
    }

    const std::string bundle = line.File.value_or(kel::platform::OwnExecutablePath());
    std::string refusal;
    if (line.File)
        refusal = BundleRefusal(bundle);
    else if (!CarriesBundle(bundle))
        return 0;

    if (refusal.empty()) {
        try {
            kel::InitCommon();
        } catch (const std::exception& error) {
            refusal = error.what();
        }
    }

    // The running player has our title from its start on; this process has no window yet, so
    // it never finds itself. It ends without touching any temporary file.
    if (refusal.empty() && kel::ActivateRunningInstance(kel::kApplicationTitle))
        return 0;
    if (!refusal.empty() && !HasDisplay()) {
        std::fprintf(stderr, "kelPlayer: %s\n", kel::ErrorReportText(refusal).c_str());
        return 1;
    }

    kel::platform::PreferX11Platform();
    kel::platform::AllowWebEngineAsRoot();
    kel::PrepareWebEngine();
    // The command line is read above; Qt gets none of it, so no file name reads as its option.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    const auto qtTranslations = kel::InstallQtTranslations();
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
        {bundle, kel::TempDir(), kel::RealControlFactory(web, tempDir + "libreoffice/")});
    if (window.TerminateRequested())
        return 1;
    player = &window;
    window.showFullScreen();
    return app.exec();
}
