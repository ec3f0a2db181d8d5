#pragma once
// The writing board: the current lesson's notes in a full-width strip at the bottom of the
// screen. It is never hidden: lowered, only its 6-pixel banner shows along the bottom edge;
// raised, the whole board shows with the text.

#include <QWidget>
#include <string>

class QPlainTextEdit;

namespace kel {

class TfrmZRPlay;

class TfrmWriting : public QWidget {
  public:
    static constexpr int kBannerHeight = 6;
    static constexpr int kBoardHeight = 109;

    // An always-on-top tool window that never takes the keyboard focus, so the player's
    // shortcuts keep working after a click on the board. No window manager places it: lowered,
    // all but its banner lies below the screen's edge, which a window manager would not allow.
    // The player's restacking keeps it above the player window.
    explicit TfrmWriting(QWidget* owner);

    // Keeps the lesson's notes; a raised board shows them at once, a lowered one when next raised.
    void SetWritingText(const std::string& text);
    const std::string& WritingText() const { return FWritingText; }
    bool BoardOpen() const { return FBoardOpen; }
    // Raises a lowered board or lowers a raised one at the bottom of the primary screen; raising
    // reloads the kept text. Returns the new BoardOpen.
    bool ToggleBoard();

    // The text box as it shows now.
    QString ShownText() const;

    // The player window, whose writing-board handler a click on the banner runs.
    TfrmZRPlay* Player = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void imgBannerClick();
    // Full width at the bottom of the primary screen, `visible` pixels of the board on it.
    void PlaceAtBottom(int visible);

    QWidget* imgBanner;
    QWidget* Panel1;
    QPlainTextEdit* reWriting;

    bool FBoardOpen = false;
    std::string FWritingText;
    bool FPlaced = false;
};

}  // namespace kel
