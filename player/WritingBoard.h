#pragma once
// The writing board's state as the player drives it: the current lesson's notes and whether
// the board is raised. The board window derives from it to place itself and show the text.

#include <string>

namespace kel {

class TWritingBoard {
  public:
    virtual ~TWritingBoard() = default;

    // Keeps the text; a raised board shows it at once, a lowered one when next raised.
    virtual void SetWritingText(const std::string& text) { FWritingText = text; }
    const std::string& WritingText() const { return FWritingText; }

    bool BoardOpen() const { return FBoardOpen; }
    // Raises a lowered board or lowers a raised one; returns the new BoardOpen.
    virtual bool ToggleBoard() { return FBoardOpen = !FBoardOpen; }

  protected:
    bool FBoardOpen = false;
    std::string FWritingText;
};

}  // namespace kel
