#pragma once
// A one-line progress bar on standard output for large items, drawn only on a terminal.

#include <cstdint>
#include <string>

namespace kelpack {

// Items smaller than this finish too fast for a bar to help.
constexpr uint64_t kProgressThreshold = 8ull << 20;

class ProgressBar {
  public:
    ProgressBar();  // enabled when standard output is a terminal
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Shows `done` of `total` bytes for `label`; a new label ends the previous bar's line.
    void Update(const std::string& label, uint64_t done, uint64_t total);
    // Ends the current bar's line, if one is drawn.
    void Finish();

  private:
    bool FEnabled;
    bool FActive = false;
    std::string FLabel;
    int FShownPermille = -1;
};

}  // namespace kelpack
