#pragma once
// The Flash control: the Flash emulator in a web page of the player's own, driven through a
// small bridge that offers exactly the control's operations.
//
// The window's calls are synchronous, the page is not. The control keeps on its side what the
// page has reported (the ready state, the callbacks the movie registered) and numbers each load,
// so events of a movie that has been replaced are dropped. A movie set during a command is
// loaded when the command has ended, together with the background colour set in the same
// command, so that colour is the one the emulator starts the movie with.

#include <QObject>
#include <QStringList>
#include <QVariantList>

#include "LessonControls.h"

class QWebEngineView;

namespace kel {

class TLessonWeb;

// The object the page sees as "flash" on its web channel.
class TFlashBridge : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    Q_INVOKABLE void pageReady();
    Q_INVOKABLE void loaded(int id, const QStringList& callbacks);
    Q_INVOKABLE void fsCommand(int id, const QString& command, const QString& args,
                               const QStringList& callbacks);

  signals:
    void loadMovie(int id, const QString& url, const QString& colour);
    void unloadMovie();
    void backgroundChanged(const QString& colour);
    void callMovie(int id, const QString& name, const QVariantList& args);
    void fontChosen(const QString& family);

    // For the control.
    void ready();
    void movieLoaded(int id, const QStringList& callbacks);
    void movieCommand(int id, const QString& command, const QString& args,
                      const QStringList& callbacks);
};

class TWebFlashControl : public TFlashControl {
  public:
    TWebFlashControl(TLessonWeb& web, QWidget* parent);

    QString Movie() const override { return FMovie; }
    void SetMovie(const QString& movie) override;
    int BackgroundColor() const override { return FBackgroundColor; }
    void SetBackgroundColor(int color) override;
    // The emulator offers no way to reach a movie's clips: always fails.
    void TSetProperty(const QString& target, int property, const QString& value) override;
    // Calls the movie's ExternalInterface callback "SetVariable"; fails for movies without one.
    // A value naming a file of the work folder is handed over as its lesson URL.
    void SetVariable(const QString& name, const QString& value) override;

    int ReadyState() const { return FReadyState; }
    // True once this control has started the web engine.
    bool EngineStarted() const { return FView != nullptr; }

  private:
    void ScheduleCommit();
    // Brings the page in line with Movie and BackgroundColor at the end of a command.
    void Commit();
    void StartPage();
    void PaintBackground();
    void MovieLoaded(int id, const QStringList& callbacks);
    void MovieCommand(int id, const QString& command, const QString& args,
                      const QStringList& callbacks);

    TLessonWeb& FWeb;
    TFlashBridge* FBridge;
    QWebEngineView* FView = nullptr;
    QWidget* FCover = nullptr;
    bool FPageReady = false;
    bool FCommitScheduled = false;
    bool FLoadPending = false;

    QString FMovie;
    int FBackgroundColor = 0xFFFFFF;
    int FLoadId = 0;
    int FReadyState = 0;
    QStringList FCallbacks;
};

}  // namespace kel
