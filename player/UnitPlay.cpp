#include "UnitPlay.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QImageReader>
#include <QKeyEvent>
#include <QScreen>
#include <QStackedLayout>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "Common.h"
#include "ContentType.h"
#include "Error.h"
#include "GeneralErrorReport.h"
#include "HelpSegment.h"
#include "HelpViewer.h"
#include "LessonProgram.h"
#include "Panels.h"
#include "TarnZLib.h"
#include "ToolbarActions.h"
#include "Trailer.h"
#include "UnitAbout.h"
#include "UnitDraw.h"
#include "UnitToolbar.h"
#include "UnitTrans.h"
#include "UnitUtils.h"
#include "UnitWriting.h"

namespace kel {

namespace {

const char kPackageSignature[] = "EPT_Korvat";
const char kCatalogueFileName[] = "TeachMaterial.xml";
const char kFlvPlayerMovie[] = "flvPlayer.swf";
const char kNoWritingStyle[] = "动画";
constexpr int kWritingLowered = 2;
constexpr int kWritingRaised = 14;
constexpr int kReadyStateComplete = 4;
constexpr int kLessonProgramPollMs = 200;
constexpr int kLessonProgramPolls = 6;

// The hourglass from the start of showing an entry until its presentation has ended, also
// when a step fails.
class TBusyCursor {
  public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// Keeps the window from drawing half-changed content while one presenter replaces another.
class TDrawingLock {
  public:
    explicit TDrawingLock(QWidget& window) : FWindow(window) { FWindow.setUpdatesEnabled(false); }
    ~TDrawingLock() { FWindow.setUpdatesEnabled(true); }
    TDrawingLock(const TDrawingLock&) = delete;
    TDrawingLock& operator=(const TDrawingLock&) = delete;

  private:
    QWidget& FWindow;
};

QRect ScreenRect() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? QRect(QPoint(0, 0), screen->geometry().size()) : QRect();
}

bool FileExists(const std::string& path) {
    return QFileInfo::exists(QString::fromStdString(path));
}

// The core reads the help segment where a trailer's fields place it; the window keeps its
// position from the start of the file (MainOffset plus HelpOffset, which may pass 32 bits).
TBundleTrailer HelpSegmentOf(uint64_t offset, uint64_t size) {
    TBundleTrailer trailer;
    trailer.MainOffset = static_cast<uint32_t>(std::min<uint64_t>(offset, UINT32_MAX));
    trailer.HelpOffset = static_cast<uint32_t>(offset - trailer.MainOffset);
    trailer.HelpSize = static_cast<uint32_t>(size);
    return trailer;
}

QFont PixelFont(const char* family, int pixels) {
    QFont font(QString::fromUtf8(family));
    font.setPixelSize(pixels);
    return font;
}

}  // namespace

TfrmZRPlay::TfrmZRPlay(TPlayerSetup setup) : QWidget(nullptr), FSetup(std::move(setup)) {
    BuildLayout();
    RunGuarded([this] { FormCreate(); });
}

// FormDestroy: the controls, readers and tools go with the window; the hook must not outlive it.
TfrmZRPlay::~TfrmZRPlay() {
    if (FHookInstalled)
        qApp->removeEventFilter(this);
}

void TfrmZRPlay::BuildLayout() {
    setWindowFlag(Qt::FramelessWindowHint);
    setWindowTitle(QString::fromUtf8("Korvat教育 Lumivo播放器"));
    setFont(PixelFont("宋体", 12));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    FClient = new TPanel(Qt::white, this);
    auto* fill = new QStackedLayout;
    fill->setContentsMargins(0, 0, 0, 0);
    setLayout(fill);
    fill->addWidget(FClient);

    // Every surface fills pnlClient; the one raised last is seen. pnlFlash, made last, starts
    // in front.
    auto* stack = new QStackedLayout(FClient);
    stack->setStackingMode(QStackedLayout::StackAll);
    FWebBrowser = FSetup.Controls.WebBrowser(FClient);
    stack->addWidget(FWebBrowser);
    FVideoPanel = new TPanel(Qt::white, FClient);
    stack->addWidget(FVideoPanel);
    FMediaPlayer = FSetup.Controls.MediaPlayer(FVideoPanel);
    FPicturePanel = new TPanel(Qt::white, FClient);
    stack->addWidget(FPicturePanel);
    FImage = new TImageView(FPicturePanel);
    auto* pictureFill = new QStackedLayout(FPicturePanel);
    pictureFill->addWidget(FImage);
    FFlashPanel = new TPanel(Qt::white, FClient);
    FFlashPanel->setFont(PixelFont("黑体", 48));
    FFlashPanel->SetCaption(QString::fromUtf8("Korvat软件 - Lumivo"));
    stack->addWidget(FFlashPanel);
    FFlash = FSetup.Controls.Flash(FFlashPanel);
    FFlashPanel->raise();
    FFlashPanel->OnClick = [this] { RunGuarded([this] { pnlFlashClick(); }); };

    tmrExecute = new QTimer(this);
    tmrExecute->setInterval(kLessonProgramPollMs);
    FLessonHost = FSetup.LessonPrograms ? FSetup.LessonPrograms : DefaultLessonHost();
    connect(tmrExecute, &QTimer::timeout, this,
            [this] { RunGuarded([this] { tmrExecuteTimer(); }); });
    FFlash->OnReadyStateChange = [this](int newState) {
        RunGuarded([&] { FlashReadyStateChange(newState); });
    };
    FFlash->OnFSCommand = [this](const QString& command, const QString& args) {
        RunGuarded([&] { FlashFSCommand(command, args); });
    };
}

void TfrmZRPlay::FormCreate() {
    FMediaPlayer->setEnableContextMenu(false);
    FMediaPlayer->setStretchToFit(true);
    FMediaPlayer->setUiMode("none");

    FToolbar = std::make_unique<TfrmToolbar>();
    FTrans = std::make_unique<TfrmTrans>(*this);
    FDraw = std::make_unique<TfrmDraw>(*FTrans);
    FToolbar->SetOverlay(FTrans.get());
    FWritingBoard = std::make_unique<TfrmWriting>(this);
    FWritingBoard->Player = this;

    FMainPackage = std::make_unique<TTarnPackageFile>();
    FMainPackage->SetSignature(kPackageSignature);
    FSecondPackage = std::make_unique<TTarnPackageFile>();
    FSecondPackage->SetSignature(kPackageSignature);

    FToolbar->OnPlayPrevious = [this](QObject* sender) { PlayPrevious(sender); };
    FToolbar->OnPlayNext = [this](QObject* sender) { PlayNext(sender); };
    FToolbar->OnQuit = [this](QObject* sender) { ExitPlayer(sender); };
    FToolbar->OnToggleWriting = [this](QObject* sender) { ToggleWriting(sender); };
    FToolbar->OnShowAbout = [this](QObject* sender) { ShowAbout(sender); };
    FToolbar->OnShowHelp = [this](QObject* sender) { ShowHelp(sender); };

    ShellDelete(WorkFolder());

    if (ReadTrailer()) {
        // Reported here rather than ending the creation, so that the keyboard still steps past
        // a broken first entry.
        RunGuarded([this] { LoadCatalogue(CatalogueFile()); });
    } else {
        FTerminateRequested = true;
    }

    qApp->installEventFilter(this);
    FHookInstalled = true;
}

bool TfrmZRPlay::ReadTrailer() {
    try {
        TBundleContents bundle = ReadBundle(FSetup.ExecutablePath);
        const TBundleTrailer& trailer = bundle.Trailer;
        FMainPackage->SetEmbedded(trailer.MainOffset, trailer.MainSize);
        FSecondPackage->SetEmbedded(trailer.SecondOffset, trailer.SecondSize);
        FHelpOffset = uint64_t{trailer.MainOffset} + trailer.HelpOffset;
        FHelpSize = trailer.HelpSize;

        std::ofstream out(CatalogueFile(), std::ios::binary | std::ios::trunc);
        out.write(bundle.Catalogue.data(), static_cast<std::streamsize>(bundle.Catalogue.size()));
        out.close();
        if (!out)
            throw Error("Cannot write the catalogue file " + CatalogueFile());
        return true;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kelPlayer: the lesson bundle cannot be read: %s\n", error.what());
        return false;
    }
}

std::string TfrmZRPlay::WorkFolder() const {
    return FSetup.TempDir + kWorkFolderName;
}

std::string TfrmZRPlay::CatalogueFile() const {
    return FSetup.TempDir + kCatalogueFileName;
}

void TfrmZRPlay::LoadCatalogue(const std::string& path) {
    XMLDoc = TCatalogue::LoadFromFile(path);
    OpenCatalogue();
}

void TfrmZRPlay::OpenCatalogue() {
    FCurrentNode = XMLDoc.DocumentElement();
    FMainPackage->Open(FSetup.ExecutablePath);
    if (FSecondPackage->PackageSize() != 0)
        FSecondPackage->Open(FSetup.ExecutablePath);
    FCurrentNode = XMLDoc.FirstEntry();
    ShowEntry();
    FToolbar->atNext->setEnabled(!FCurrentNode.NextSibling().IsNull());
}

void TfrmZRPlay::CloseCatalogue() {
    FCurrentNode = {};
    XMLDoc.Close();
}

void TfrmZRPlay::ResolveEntry() {
    if (FCurrentNode.IsNull())
        throw Error("The catalogue lists no lesson");
    TTarnPackageItem& item =
        kel::ResolveEntry(ReadEntryRef(FCurrentNode), *FMainPackage, *FSecondPackage);
    FCurrentFile = ShownFilePath(item, WorkFolder());
    if (FCurrentFile.empty())
        throw Error("The lesson '" + item.DisplayName() + "' has a file name that cannot be used");
    if (!FileExists(FCurrentFile))
        item.ExtractTo(WorkFolder());
    FStyle = item.Attribute("style");
    std::string writing = item.Attribute("UserWriting");
    if (writing.empty())
        writing = item.Attribute("Writing");
    FWritingBoard->SetWritingText(writing);
}

void TfrmZRPlay::ShowEntry() {
    TBusyCursor busy;
    ResolveEntry();
    if (FWritingBoard->BoardOpen())
        FWritingBoard->ToggleBoard();
    TAction& writing = *FToolbar->atWriting;
    writing.setChecked(false);
    writing.setEnabled(FStyle != kNoWritingStyle);
    writing.ImageIndex = kWritingLowered;
    TDrawingLock lock(*this);
    StopCurrentContent();
    PresentCurrentFile();
}

bool TfrmZRPlay::MovePrevious() {
    TCatalogueNode previous =
        FCurrentNode.IsNull() ? TCatalogueNode() : FCurrentNode.PreviousSibling();
    if (previous.IsNull())
        return false;
    FCurrentNode = previous;
    FToolbar->atPrevious->setEnabled(!FCurrentNode.PreviousSibling().IsNull());
    FToolbar->atNext->setEnabled(!FCurrentNode.NextSibling().IsNull());
    return true;
}

bool TfrmZRPlay::MoveNext() {
    TCatalogueNode next = FCurrentNode.IsNull() ? TCatalogueNode() : FCurrentNode.NextSibling();
    if (next.IsNull())
        return false;
    FCurrentNode = next;
    FToolbar->atNext->setEnabled(!FCurrentNode.NextSibling().IsNull());
    FToolbar->atPrevious->setEnabled(!FCurrentNode.PreviousSibling().IsNull());
    return true;
}

void TfrmZRPlay::PlayPrevious(QObject*) {
    if (MovePrevious())
        ShowEntry();
}

void TfrmZRPlay::PlayNext(QObject*) {
    if (MoveNext())
        ShowEntry();
}

void TfrmZRPlay::ExitPlayer(QObject*) {
    close();
}

void TfrmZRPlay::ToggleWriting(QObject*) {
    TAction& writing = *FToolbar->atWriting;
    if (!writing.isEnabled())
        return;
    bool open = FWritingBoard->ToggleBoard();
    writing.setChecked(open);
    writing.ImageIndex = open ? kWritingRaised : kWritingLowered;
}

void TfrmZRPlay::ShowAbout(QObject*) {
    TfrmAbout about(this);
    about.exec();
}

void TfrmZRPlay::ShowHelp(QObject*) {
    const std::string helpFile = WorkFolder() + kHelpFileName;
    if (!FileExists(helpFile)) {
        if (FHelpSize == 0) {
            ShowNoHelpBox(this);
            return;
        }
        // No lesson may have been unpacked yet, so the work folder may not be there.
        std::filesystem::create_directories(WorkFolder());
        ExtractHelpFile(FSetup.ExecutablePath, HelpSegmentOf(FHelpOffset, FHelpSize), helpFile);
    }
    OpenHelpFile(helpFile);
}

// Raised, not brought out: a toolbar withdrawn to its strip stays there, since the mouse is over
// the panel and the toolbar would withdraw again at its next check.
void TfrmZRPlay::pnlFlashClick() {
    FToolbar->raise();
}

TToolbarActions& TfrmZRPlay::Toolbar() {
    return *FToolbar;
}

QWidget* TfrmZRPlay::FrontContainer() const {
    const QObjectList& stacked = FClient->children();
    for (auto it = stacked.rbegin(); it != stacked.rend(); ++it)
        if (*it == FWebBrowser || *it == FVideoPanel || *it == FPicturePanel || *it == FFlashPanel)
            return static_cast<QWidget*>(*it);
    return nullptr;
}

QWidget* TfrmZRPlay::PicturePanel() const {
    return FPicturePanel;
}

QWidget* TfrmZRPlay::VideoPanel() const {
    return FVideoPanel;
}

QWidget* TfrmZRPlay::FlashPanel() const {
    return FFlashPanel;
}

bool TfrmZRPlay::LessonPolling() const {
    return tmrExecute->isActive();
}

void TfrmZRPlay::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (FShown)
        return;
    FShown = true;
    RunGuarded([this] { FormShow(); });
}

void TfrmZRPlay::FormShow() {
    FFlash->setGeometry(ScreenRect());
    FMediaPlayer->setGeometry(ScreenRect());
    FToolbar->show();
    FToolbar->ShowToolbar();
    FDraw->Show();
    // The overlay is not mapped until a tool is chosen: beneath the full-screen player it would
    // take no input anyway, and unmapped it cannot catch clicks meant for other windows while
    // the player is minimised.
    FWritingBoard->show();
}

void TfrmZRPlay::closeEvent(QCloseEvent* event) {
    RunGuarded([this] { FormClose(); });
    event->accept();
}

void TfrmZRPlay::FormClose() {
    StopCurrentContent();
    CloseCatalogue();
    std::remove(CatalogueFile().c_str());
    ShellDelete(FSetup.TempDir + "*.ept");
    ShellDelete(WorkFolder());
}

bool TfrmZRPlay::eventFilter(QObject* watched, QEvent* event) {
    // A key press from the window system reaches its window first and is then passed on to the
    // widgets, so acting only on the window's copy runs each key once.
    if (event->type() == QEvent::KeyPress && watched->isWindowType())
        RunGuarded([&] { AppMessage(static_cast<const QKeyEvent&>(*event)); });
    return false;
}

void TfrmZRPlay::AppMessage(const QKeyEvent& key) {
    const bool ctrl = key.modifiers().testFlag(Qt::ControlModifier);
    TToolbarActions& toolbar = *FToolbar;
    switch (key.key()) {
        case Qt::Key_Space:
        case Qt::Key_PageDown:
            toolbar.atNext->Execute();
            break;
        case Qt::Key_PageUp:
            toolbar.atPrevious->Execute();
            break;
        default: {
            if (!ctrl)
                break;
            TAction* action = nullptr;
            switch (key.key()) {
                case Qt::Key_C:
                    action = toolbar.atCircle;
                    break;
                case Qt::Key_R:
                    action = toolbar.atRubber;
                    break;
                case Qt::Key_V:
                    action = toolbar.atVisible;
                    break;
                case Qt::Key_W:
                    action = toolbar.atWriting;
                    break;
                case Qt::Key_X:
                    action = toolbar.atPencil;
                    break;
                case Qt::Key_Z:
                    action = toolbar.atControl;
                    break;
                default:
                    break;
            }
            if (action)
                action->Execute();
        }
    }
}

void TfrmZRPlay::StopCurrentContent() {
    try {
        tmrExecute->stop();
        FFlash->SetMovie("0");
        FFlash->hide();
        FImage->hide();
        if (TMediaPlayerControl::Playing(FMediaPlayer->playState())) {
            FMediaPlayer->controls().stop();
            FMediaPlayer->close();
        }
        FMediaPlayer->hide();
        StopLessonProgram();
    } catch (...) {
        // Stopping is best effort: content that cannot be stopped stays as it is.
    }
}

void TfrmZRPlay::PresentCurrentFile() {
    switch (PresenterFor(FCurrentFile)) {
        case TPresenter::Flash:
            PresentFlash();
            break;
        case TPresenter::Picture:
            PresentPicture();
            break;
        case TPresenter::Video:
            PresentVideo();
            break;
        case TPresenter::LessonProgram:
            PresentLessonProgram();
            break;
        case TPresenter::Browser:
            PresentBrowser();
            break;
        case TPresenter::FlashVideo:
            PresentFlashVideo();
            break;
        case TPresenter::None:
            break;
    }
}

void TfrmZRPlay::PresentFlash() {
    FFlashPanel->raise();
    FFlash->show();
    FFlash->SetMovie(QString::fromStdString(FCurrentFile));
    ApplyMovieBackground(*FFlash);
    AdjustLessonMovie(*FFlash);
}

void TfrmZRPlay::PresentPicture() {
    FPicturePanel->raise();
    const std::string extension = FileExtension(FCurrentFile);
    const char* format = extension == ".BMP" ? "bmp" : extension == ".JPG" ? "jpg" : nullptr;
    if (!format)
        throw Error("Unknown picture file extension (" +
                    QString::fromStdString(extension).toLower().toStdString() + ")");
    // The format follows the extension alone, so a file whose content does not match it fails.
    QImageReader reader(QString::fromStdString(FCurrentFile), format);
    reader.setAutoDetectImageFormat(false);
    QImage picture = reader.read();
    if (picture.isNull())
        throw Error("Cannot load the picture " + FCurrentFile + ": " +
                    reader.errorString().toStdString());
    FImage->SetPicture(picture);
    FImage->show();
    std::remove(FCurrentFile.c_str());
}

void TfrmZRPlay::PresentVideo() {
    FVideoPanel->raise();
    FMediaPlayer->show();
    FMediaPlayer->setURL(QString::fromStdString(FCurrentFile));
    FMediaPlayer->setGeometry(ScreenRect());
}

void TfrmZRPlay::PresentLessonProgram() {
    StartLessonProgram(FCurrentFile);
    tmrExecute->start();
}

void TfrmZRPlay::PresentBrowser() {
    FWebBrowser->raise();
    FWebBrowser->Navigate(QString::fromStdString(FCurrentFile));
    FWebBrowser->SetVisible(true);
}

void TfrmZRPlay::PresentFlashVideo() {
    FFlvFile = FCurrentFile;
    FFlashPanel->raise();
    FFlash->show();
    FFlash->SetMovie(QString::fromStdString(FCurrentFile));
    const std::string player = WorkFolder() + kFlvPlayerMovie;
    if (!FileExists(player))
        ResourceToFile("flv", "FLASH", player);
    FFlash->SetMovie(QString::fromStdString(player));
    ApplyMovieBackground(*FFlash);
    AdjustLessonMovie(*FFlash);
}

void TfrmZRPlay::FlashReadyStateChange(int newState) {
    if (newState == kReadyStateComplete)
        AdjustLessonMovie(*FFlash);
}

void TfrmZRPlay::FlashFSCommand(const QString& command, const QString& args) {
    if (command == "flvplay" && args == "flvplay")
        FFlash->SetVariable("_root.movieq", QString::fromStdString(FFlvFile));
}

// Every program gets its six polls: a count left over from a lesson that was left early would
// otherwise shorten the next program's wait, and wine's start-up time varies.
void TfrmZRPlay::StartLessonProgram(const std::string& file) {
    ExecuteAttempts = 0;
    kel::StartLessonProgram(FProcessInfo, file, *FLessonHost);
}

void TfrmZRPlay::StopLessonProgram() {
    TerminateLessonProgram(FProcessInfo);
    FLessonWindow = 0;
}

void TfrmZRPlay::tmrExecuteTimer() {
    tmrExecute->stop();
    FFlashPanel->raise();
    // Wine may still be making the user's prefix: the panel's caption shows meanwhile, and the
    // polls count from the moment the program runs.
    if (!LessonProgramStarted(FProcessInfo)) {
        tmrExecute->start();
        return;
    }
    FLessonWindow = FindLessonWindow(FProcessInfo);
    if (FLessonWindow != 0) {
        TDrawingLock lock(*this);
        if (!TakeInLessonWindow(FProcessInfo, FLessonWindow, *FFlashPanel))
            FLessonWindow = 0;
        FLessonHost->ReturnFocus(*this);
    }
    if (++ExecuteAttempts >= kLessonProgramPolls)
        ExecuteAttempts = 0;
    else
        tmrExecute->start();
}

}  // namespace kel
