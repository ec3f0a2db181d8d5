#include "FlashControl.h"

#include <QFileInfo>
#include <QStackedLayout>
#include <QTimer>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "Error.h"
#include "LessonWeb.h"

namespace kel {

namespace {

constexpr int kReadyStateComplete = 4;

QColor ColourOf(int rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

}  // namespace

void TFlashBridge::pageReady() {
    emit ready();
}

void TFlashBridge::loaded(int id, const QStringList& callbacks) {
    emit movieLoaded(id, callbacks);
}

void TFlashBridge::fsCommand(int id, const QString& command, const QString& args,
                             const QStringList& callbacks) {
    emit movieCommand(id, command, args, callbacks);
}

TWebFlashControl::TWebFlashControl(TLessonWeb& web, QWidget* parent)
    : TFlashControl(parent), FWeb(web), FBridge(new TFlashBridge(this)) {
    setAutoFillBackground(true);
    PaintBackground();
    connect(FBridge, &TFlashBridge::ready, this, [this] {
        FPageReady = true;
        emit FBridge->fontChosen(FWeb.Setup().ChineseFont);
        Commit();
    });
    connect(FBridge, &TFlashBridge::movieLoaded, this, &TWebFlashControl::MovieLoaded);
    connect(FBridge, &TFlashBridge::movieCommand, this, &TWebFlashControl::MovieCommand);
}

void TWebFlashControl::SetMovie(const QString& movie) {
    // The view shows the last frame it drew until it draws again: the cover keeps the previous
    // movie out of sight until the new one has drawn its first frame.
    if (FCover)
        FCover->show();
    FMovie = movie;
    ++FLoadId;
    FReadyState = 0;
    FCallbacks.clear();
    FLoadPending = true;
    ScheduleCommit();
}

void TWebFlashControl::SetBackgroundColor(int color) {
    FBackgroundColor = color & 0xFFFFFF;
    PaintBackground();
    ScheduleCommit();
}

void TWebFlashControl::TSetProperty(const QString& target, int property, const QString&) {
    throw Error("The Flash emulator cannot set property " + std::to_string(property) + " of " +
                target.toStdString());
}

void TWebFlashControl::SetVariable(const QString& name, const QString& value) {
    if (!FCallbacks.contains("SetVariable"))
        throw Error("The movie cannot take the variable " + name.toStdString());
    const QUrl file = QFileInfo(value).isAbsolute() ? FWeb.LessonUrl(value) : QUrl();
    const QString handed = file.isEmpty() ? value : file.toString(QUrl::FullyEncoded);
    emit FBridge->callMovie(FLoadId, "SetVariable", {name, handed});
}

void TWebFlashControl::ScheduleCommit() {
    if (FCommitScheduled)
        return;
    FCommitScheduled = true;
    QTimer::singleShot(0, this, [this] {
        FCommitScheduled = false;
        Commit();
    });
}

void TWebFlashControl::Commit() {
    const QString colour = ColourOf(FBackgroundColor).name();
    if (!FLoadPending) {
        if (FPageReady)
            emit FBridge->backgroundChanged(colour);
        return;
    }
    // "0", a path that is not a lesson file: nothing to show, and no reason to start the engine.
    const QUrl url = FWeb.LessonUrl(FMovie);
    if (url.isEmpty()) {
        FLoadPending = false;
        if (FPageReady)
            emit FBridge->unloadMovie();
        return;
    }
    if (!FView)
        StartPage();
    if (!FPageReady)
        return;  // the page's start commits again
    FLoadPending = false;
    emit FBridge->loadMovie(FLoadId, url.toString(QUrl::FullyEncoded), colour);
}

void TWebFlashControl::StartPage() {
    FView = new QWebEngineView(this);
    auto* fill = new QStackedLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->setStackingMode(QStackedLayout::StackAll);
    fill->addWidget(FView);
    FCover = new QWidget(this);
    FCover->setAutoFillBackground(true);
    fill->addWidget(FCover);
    FCover->raise();
    QWebEnginePage* page = FWeb.NewPage(FView);
    auto* channel = new QWebChannel(page);
    channel->registerObject("flash", FBridge);
    page->setWebChannel(channel);
    page->setBackgroundColor(ColourOf(FBackgroundColor));
    FView->setPage(page);
    // The emulator's own menu is the movie's right-click menu.
    FView->setContextMenuPolicy(Qt::NoContextMenu);
    FView->setUrl(FWeb.PlayerFileUrl("host.html"));
}

void TWebFlashControl::PaintBackground() {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ColourOf(FBackgroundColor));
    setPalette(palette);
    if (FView)
        FView->page()->setBackgroundColor(ColourOf(FBackgroundColor));
}

void TWebFlashControl::MovieLoaded(int id, const QStringList& callbacks) {
    if (id != FLoadId)
        return;
    FCallbacks = callbacks;
    FReadyState = kReadyStateComplete;
    if (FCover)
        FCover->hide();
    if (OnReadyStateChange)
        OnReadyStateChange(kReadyStateComplete);
}

void TWebFlashControl::MovieCommand(int id, const QString& command, const QString& args,
                                    const QStringList& callbacks) {
    if (id != FLoadId)
        return;
    FCallbacks = callbacks;
    if (OnFSCommand)
        OnFSCommand(command, args);
}

}  // namespace kel
