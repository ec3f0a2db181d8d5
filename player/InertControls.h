#pragma once
// Lesson controls that play nothing: they keep what the player tells them and report it back,
// so the window runs end to end before the real players are hosted.

#include <QMap>
#include <QString>

#include "LessonControls.h"

namespace kel {

class TInertFlash : public TFlashControl {
  public:
    using TFlashControl::TFlashControl;

    QString Movie() const override { return FMovie; }
    void SetMovie(const QString& movie) override { FMovie = movie; }
    int BackgroundColor() const override { return FBackgroundColor; }
    void SetBackgroundColor(int color) override { FBackgroundColor = color; }
    void TSetProperty(const QString& target, int property, const QString& value) override;
    void SetVariable(const QString& name, const QString& value) override;

    // What TSetProperty and SetVariable were last told, by "target/property" and by name.
    QMap<QString, QString> Properties;
    QMap<QString, QString> Variables;

  private:
    QString FMovie;
    int FBackgroundColor = 0xFFFFFF;
};

class TInertMediaPlayer : public TMediaPlayerControl, public TMediaPlayerControls {
  public:
    using TMediaPlayerControl::TMediaPlayerControl;

    bool enableContextMenu() const override { return FEnableContextMenu; }
    void setEnableContextMenu(bool enable) override { FEnableContextMenu = enable; }
    bool stretchToFit() const override { return FStretchToFit; }
    void setStretchToFit(bool stretch) override { FStretchToFit = stretch; }
    QString uiMode() const override { return FUiMode; }
    void setUiMode(const QString& mode) override { FUiMode = mode; }
    QString URL() const override { return FUrl; }
    void setURL(const QString& url) override { FUrl = url; }
    // Nothing ever plays here: 0, undefined.
    int playState() const override { return 0; }
    TMediaPlayerControls& controls() override { return *this; }
    void stop() override {}
    void close() override { FUrl.clear(); }

  private:
    bool FEnableContextMenu = true;
    bool FStretchToFit = false;
    QString FUiMode = "full";
    QString FUrl;
};

class TInertBrowser : public TBrowserControl {
  public:
    using TBrowserControl::TBrowserControl;

    void Navigate(const QString& url) override { FLocation = url; }
    bool Visible() const override { return FVisible; }
    void SetVisible(bool visible) override { FVisible = visible; }
    const QString& Location() const { return FLocation; }

  private:
    QString FLocation;
    bool FVisible = false;
};

TLessonControlFactory InertControlFactory();

}  // namespace kel
