#pragma once
// The player's main window: full screen, borderless, one stacked surface per kind of lesson
// content. It reads the bundle appended to the executable, walks the catalogue's entries,
// unpacks each entry's file into the work folder just before showing it and cleans the
// temporary files up when it is closed.

#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "Catalogue.h"
#include "LessonControls.h"
#include "LessonProgram.h"

class QKeyEvent;
class QTimer;

namespace kel {

class TImageView;
class TPanel;
class TTarnPackageFile;
class TToolbarActions;
class TfrmDraw;
class TfrmToolbar;
class TfrmTrans;
class TfrmWriting;

// The folder inside the private temporary folder where lesson files are unpacked.
inline constexpr char kWorkFolderName[] = "Korvat_ZR/";

struct TPlayerSetup {
    std::string ExecutablePath;  // the file that carries the bundle
    std::string TempDir;         // the private temporary folder, ending in "/"
    TLessonControlFactory Controls;
    // How lesson programs run; none given: X11 when the player runs on it, else nothing runs.
    std::shared_ptr<TLessonHost> LessonPrograms = nullptr;
};

class TfrmZRPlay : public QWidget {
  public:
    // Runs FormCreate: reads the bundle, loads the catalogue and shows its first entry.
    explicit TfrmZRPlay(TPlayerSetup setup);
    // FormDestroy.
    ~TfrmZRPlay() override;

    void LoadCatalogue(const std::string& path);
    void OpenCatalogue();
    void CloseCatalogue();
    void ResolveEntry();
    void ShowEntry();
    bool MovePrevious();
    bool MoveNext();
    void PlayPrevious(QObject* sender);
    void PlayNext(QObject* sender);
    void ExitPlayer(QObject* sender);
    void ToggleWriting(QObject* sender);
    // The modal About box.
    void ShowAbout(QObject* sender);
    // Opens the help file, unpacked from the bundle into the work folder the first time; says so
    // when the bundle carries none.
    void ShowHelp(QObject* sender);

    // True when the trailer could not be read: the caller ends the application without showing
    // the window.
    bool TerminateRequested() const { return FTerminateRequested; }

    std::string WorkFolder() const;     // TempDir + "Korvat_ZR/"
    std::string CatalogueFile() const;  // TempDir + "TeachMaterial.xml"
    const std::string& CurrentFile() const { return FCurrentFile; }
    const std::string& Style() const { return FStyle; }
    TToolbarActions& Toolbar();
    TfrmToolbar& ToolbarWindow() { return *FToolbar; }
    // The screen annotation's overlay and drawing surface.
    TfrmTrans& Overlay() { return *FTrans; }
    TfrmDraw& DrawingSurface() { return *FDraw; }
    TfrmWriting& WritingBoard() { return *FWritingBoard; }
    // The content surface brought to the front last: WebBrowser, pnlVideo, pnlPicture or
    // pnlFlash.
    QWidget* FrontContainer() const;
    QWidget* PicturePanel() const;
    QWidget* VideoPanel() const;
    QWidget* FlashPanel() const;
    // The lesson program's window taken in by the latest poll (0: none), and whether polls are
    // still to come.
    uint64_t LessonWindow() const { return FLessonWindow; }
    bool LessonPolling() const;
    TFlashControl& Flash() const { return *FFlash; }
    TMediaPlayerControl& MediaPlayer() const { return *FMediaPlayer; }
    TBrowserControl& WebBrowser() const { return *FWebBrowser; }
    const TImageView& Image() const { return *FImage; }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildLayout();
    void FormCreate();
    void FormShow();
    void FormClose();
    bool ReadTrailer();
    // A click on the bare Flash panel: the toolbar comes to the front, above every window.
    void pnlFlashClick();
    // The keyboard hook: runs toolbar actions for the player's keys and never consumes a key.
    void AppMessage(const QKeyEvent& key);

    // Stops whatever is showing; a failing step ends it there, silently.
    void StopCurrentContent();
    // Shows FCurrentFile with the presenter its extension chooses.
    void PresentCurrentFile();
    void PresentFlash();
    void PresentPicture();
    void PresentVideo();
    void PresentLessonProgram();
    void PresentBrowser();
    void PresentFlashVideo();
    void FlashReadyStateChange(int newState);
    void FlashFSCommand(const QString& command, const QString& args);
    // Starts the lesson program with its own count of six polls.
    void StartLessonProgram(const std::string& file);
    void StopLessonProgram();
    void tmrExecuteTimer();

    TPlayerSetup FSetup;

    TPanel* FClient = nullptr;
    TBrowserControl* FWebBrowser = nullptr;
    TPanel* FVideoPanel = nullptr;
    TMediaPlayerControl* FMediaPlayer = nullptr;
    TPanel* FPicturePanel = nullptr;
    TImageView* FImage = nullptr;
    TPanel* FFlashPanel = nullptr;
    TFlashControl* FFlash = nullptr;
    QTimer* tmrExecute = nullptr;
    // Before FProcessInfo, whose program uses it up to its end.
    std::shared_ptr<TLessonHost> FLessonHost;
    uint64_t FLessonWindow = 0;
    TProcessInfo FProcessInfo;
    int ExecuteAttempts = 0;
    // Declared first of the tool windows, so that it is freed last.
    std::unique_ptr<TfrmToolbar> FToolbar;
    std::unique_ptr<TfrmTrans> FTrans;
    std::unique_ptr<TfrmDraw> FDraw;
    // Freed right after the package readers, before the annotation windows and the toolbar.
    std::unique_ptr<TfrmWriting> FWritingBoard;

    TCatalogue XMLDoc;
    TCatalogueNode FCurrentNode;
    std::string FStyle;
    std::string FCurrentFile;
    std::unique_ptr<TTarnPackageFile> FMainPackage;
    std::unique_ptr<TTarnPackageFile> FSecondPackage;
    uint64_t FHelpOffset = 0;
    uint64_t FHelpSize = 0;
    std::string FFlvFile;

    bool FShown = false;
    bool FHookInstalled = false;
    bool FTerminateRequested = false;
};

}  // namespace kel
