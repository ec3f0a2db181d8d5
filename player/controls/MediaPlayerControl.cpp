#include "MediaPlayerControl.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QPainter>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>
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

// The frames are painted by the control itself, as pictures: a native video window of its own
// sometimes stayed black when it came up with the player window, and would sit above the
// windows the player stacks over its lessons.
TQtMediaPlayer::TQtMediaPlayer(QWidget* parent)
    : TMediaPlayerControl(parent), FSink(new QVideoSink(this)), FControls(*this) {
    // Queued: the sink hands frames over from the decoding thread.
    connect(
        FSink, &QVideoSink::videoFrameChanged, this,
        [this](const QVideoFrame& frame) {
            FFrame = frame.toImage();
            update();
        },
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
    FPlayer->setVideoSink(FSink);
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
    update();
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
    FFrame = QImage();
    update();
}

QRect TQtMediaPlayer::PictureRect() const {
    if (FFrame.isNull())
        return {};
    const QSize own = FFrame.size();
    const bool fits = own.width() <= width() && own.height() <= height();
    const QSize shown = FStretchToFit || !fits ? own.scaled(size(), Qt::KeepAspectRatio) : own;
    return QRect(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
}

// The picture on black, also where a style sheet of the window would give the control another
// background.
void TQtMediaPlayer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (FFrame.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(PictureRect(), FFrame);
}

}  // namespace kel
