#include "MediaPlayerControl.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QPainter>
#include <QUrl>
#include <QVideoSink>
#include <QVideoWidget>
#include <cstdio>

namespace kel {

void TQtMediaPlayerControls::play() {
    FOwner.FPlayer->play();
}

void TQtMediaPlayerControls::pause() {
    FOwner.FPlayer->pause();
}

void TQtMediaPlayerControls::stop() {
    FOwner.FPlayer->stop();
}

TQtMediaPlayer::TQtMediaPlayer(QWidget* parent)
    : TMediaPlayerControl(parent), FVideo(new QVideoWidget(this)), FControls(*this) {
    FVideo->setAspectRatioMode(Qt::KeepAspectRatio);
    // Queued: the sink announces a new size while it holds the lock that videoSize() takes.
    connect(
        FVideo->videoSink(), &QVideoSink::videoSizeChanged, this, [this] { PlaceVideo(); },
        Qt::QueuedConnection);
    MakePlayer();
}

void TQtMediaPlayer::MakePlayer() {
    delete FPlayer;
    delete FAudio;
    FAudio = nullptr;
    FPlayer = new QMediaPlayer(this);
    if (!QMediaDevices::audioOutputs().isEmpty()) {
        FAudio = new QAudioOutput(QMediaDevices::defaultAudioOutput(), this);
        FPlayer->setAudioOutput(FAudio);
    }
    FPlayer->setVideoOutput(FVideo);
    // A media error only ever reaches the log: the control stays black and reports that
    // nothing plays.
    connect(FPlayer, &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus status) {
                if (status == QMediaPlayer::InvalidMedia)
                    std::fprintf(stderr, "kelPlayer: the video %s cannot be played: %s\n",
                                 qPrintable(FUrl), qPrintable(FPlayer->errorString()));
            });
}

void TQtMediaPlayer::FollowAudioDevices() {
    const bool sound = !QMediaDevices::audioOutputs().isEmpty();
    if (sound != (FAudio != nullptr))
        MakePlayer();
    else if (FAudio)
        FAudio->setDevice(QMediaDevices::defaultAudioOutput());
}

void TQtMediaPlayer::setEnableContextMenu(bool enable) {
    FEnableContextMenu = enable;
    setContextMenuPolicy(enable ? Qt::DefaultContextMenu : Qt::PreventContextMenu);
}

void TQtMediaPlayer::setStretchToFit(bool stretch) {
    FStretchToFit = stretch;
    PlaceVideo();
}

void TQtMediaPlayer::setURL(const QString& url) {
    FUrl = url;
    if (url.isEmpty()) {
        FPlayer->setSource(QUrl());
        return;
    }
    // The sound goes to where the devices are now; the player is changed while it is idle.
    FPlayer->stop();
    FollowAudioDevices();
    FPlayer->setSource(QUrl::fromLocalFile(url));
    FPlayer->play();
}

int TQtMediaPlayer::playState() const {
    switch (FPlayer->mediaStatus()) {
        case QMediaPlayer::NoMedia:
            return kUndefined;
        // A file that cannot be played leaves the player idle, ready for another URL.
        case QMediaPlayer::InvalidMedia:
            return kReady;
        case QMediaPlayer::EndOfMedia:
            return kMediaEnded;
        default:
            break;
    }
    switch (FPlayer->playbackState()) {
        case QMediaPlayer::StoppedState:
            return kStopped;
        case QMediaPlayer::PausedState:
            return kPaused;
        case QMediaPlayer::PlayingState:
            break;
    }
    // Asked to play: it plays only once the pipeline has its data; before that it is opening.
    switch (FPlayer->mediaStatus()) {
        case QMediaPlayer::BufferedMedia:
            return kPlaying;
        case QMediaPlayer::BufferingMedia:
            return kBuffering;
        case QMediaPlayer::StalledMedia:
            return kWaiting;
        default:
            return kTransitioning;
    }
}

void TQtMediaPlayer::close() {
    FUrl.clear();
    FPlayer->setSource(QUrl());
}

// Black, also where a style sheet of the window would give the control another background.
void TQtMediaPlayer::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), Qt::black);
}

void TQtMediaPlayer::resizeEvent(QResizeEvent* event) {
    TMediaPlayerControl::resizeEvent(event);
    PlaceVideo();
}

// The video widget fits the picture into itself with its proportions and paints the margins
// black, so it covers the control unless the picture is to keep its own, smaller size.
void TQtMediaPlayer::PlaceVideo() {
    const QSize picture = FVideo->videoSink()->videoSize();
    const bool fits = picture.width() <= width() && picture.height() <= height();
    if (FStretchToFit || picture.isEmpty() || !fits) {
        FVideo->setGeometry(rect());
        return;
    }
    FVideo->setGeometry((width() - picture.width()) / 2, (height() - picture.height()) / 2,
                        picture.width(), picture.height());
}

}  // namespace kel
