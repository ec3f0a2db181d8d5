#pragma once
// The Media Player control: a QMediaPlayer (GStreamer) whose frames the control paints on its
// black background. It reports its state with the Media Player's numbers.
//
// Sound goes to an audio output only when the system lists an output device: without one
// (a machine with no sound card, a virtual display) the video plays silently instead of
// waiting on a sink that can never open. The list is read each time a video is opened, so a
// device that appears or goes while one plays counts from the next video on, which then sounds
// on the default device of that moment. Qt 6.4 never reports changes of the list on Linux, and
// its pipeline links an audio output only when it has it before its first media, so a change
// between sound and silence gets a new player.

#include <QImage>

#include "LessonControls.h"

class QAudioOutput;
class QMediaPlayer;
class QVideoSink;

namespace kel {

class TQtMediaPlayer;

// The control's "controls" object: the transport of its player.
class TQtMediaPlayerControls : public TMediaPlayerControls {
  public:
    explicit TQtMediaPlayerControls(const TQtMediaPlayer& owner) : FOwner(owner) {}

    void play();
    void pause();
    void stop() override;

  private:
    const TQtMediaPlayer& FOwner;
};

class TQtMediaPlayer : public TMediaPlayerControl {
  public:
    explicit TQtMediaPlayer(QWidget* parent = nullptr);

    // No menu of the control's own either way; false also keeps a right click from reaching
    // the widgets behind the control.
    bool enableContextMenu() const override { return FEnableContextMenu; }
    void setEnableContextMenu(bool enable) override;
    // True: the video is scaled to the control, proportions kept. False: shown at its own size,
    // or scaled down like that when it is larger than the control. Centred on black either way.
    bool stretchToFit() const override { return FStretchToFit; }
    void setStretchToFit(bool stretch) override;
    // Kept only: the control never shows controls of its own, whatever the mode.
    QString uiMode() const override { return FUiMode; }
    void setUiMode(const QString& mode) override { FUiMode = mode; }
    QString URL() const override { return FUrl; }
    void setURL(const QString& url) override;
    int playState() const override;
    TQtMediaPlayerControls& controls() override { return FControls; }
    // Stops and lets go of the file: nothing is opened afterwards and the URL is empty.
    void close() override;

    // Where the current frame is painted; empty before the first frame and after close.
    QRect PictureRect() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    friend class TQtMediaPlayerControls;

    // A player with an audio output on the default device when there is one.
    void MakePlayer();
    void FollowAudioDevices();

    QVideoSink* FSink;
    QImage FFrame;
    QMediaPlayer* FPlayer = nullptr;
    QAudioOutput* FAudio = nullptr;
    TQtMediaPlayerControls FControls;
    bool FEnableContextMenu = true;
    bool FStretchToFit = false;
    QString FUiMode = "full";
    QString FUrl;
};

}  // namespace kel
