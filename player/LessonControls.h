#pragma once
// The three lesson controls the player window hosts, reduced to the operations the player
// uses. Each is a widget placed in its panel; its visibility and bounds are the widget's own.
// Implementations: inert ones that only keep what they are told (InertControls.h), the real
// players, and test doubles.

#include <QString>
#include <QWidget>
#include <functional>

namespace kel {

class TFlashControl : public QWidget {
  public:
    using QWidget::QWidget;

    // A local file path loads that movie; "0" unloads the current one.
    virtual QString Movie() const = 0;
    virtual void SetMovie(const QString& movie) = 0;
    // 0x00RRGGBB.
    virtual int BackgroundColor() const = 0;
    virtual void SetBackgroundColor(int color) = 0;
    // Property indices: 0 _x, 1 _y, 7 _visible. Throws when the movie has no such clip.
    virtual void TSetProperty(const QString& target, int property, const QString& value) = 0;
    virtual void SetVariable(const QString& name, const QString& value) = 0;

    // Raised by the control; 4 means the movie is completely loaded.
    std::function<void(int newState)> OnReadyStateChange;
    std::function<void(const QString& command, const QString& args)> OnFSCommand;
};

// The Media Player's "controls" object.
class TMediaPlayerControls {
  public:
    virtual ~TMediaPlayerControls() = default;
    virtual void stop() = 0;
};

class TMediaPlayerControl : public QWidget {
  public:
    using QWidget::QWidget;

    // playState, as the Media Player numbers it.
    static constexpr int kUndefined = 0;
    static constexpr int kStopped = 1;
    static constexpr int kPaused = 2;
    static constexpr int kPlaying = 3;
    static constexpr int kBuffering = 6;
    static constexpr int kWaiting = 7;
    static constexpr int kMediaEnded = 8;
    static constexpr int kTransitioning = 9;
    static constexpr int kReady = 10;
    // Playing, or about to: a video in these states goes on with its sound when hidden.
    static bool Playing(int playState) {
        return playState == kPlaying || playState == kBuffering || playState == kWaiting ||
               playState == kTransitioning;
    }

    virtual bool enableContextMenu() const = 0;
    virtual void setEnableContextMenu(bool enable) = 0;
    virtual bool stretchToFit() const = 0;
    virtual void setStretchToFit(bool stretch) = 0;
    virtual QString uiMode() const = 0;
    virtual void setUiMode(const QString& mode) = 0;
    // A local file path: opens it and starts playing.
    virtual QString URL() const = 0;
    virtual void setURL(const QString& url) = 0;
    virtual int playState() const = 0;
    virtual TMediaPlayerControls& controls() = 0;
    virtual void close() = 0;
};

class TBrowserControl : public QWidget {
  public:
    using QWidget::QWidget;

    // Opens a local file (web page or document).
    virtual void Navigate(const QString& url) = 0;
    // The browser's own Visible property, not the widget's visibility.
    virtual bool Visible() const = 0;
    virtual void SetVisible(bool visible) = 0;
};

// Makes the controls inside the panels the player window gives them.
struct TLessonControlFactory {
    std::function<TFlashControl*(QWidget* parent)> Flash;
    std::function<TMediaPlayerControl*(QWidget* parent)> MediaPlayer;
    std::function<TBrowserControl*(QWidget* parent)> WebBrowser;
};

}  // namespace kel
