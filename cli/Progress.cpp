#include "Progress.h"

#include <cstdio>

#include "Output.h"

namespace kelpack {

namespace {

constexpr int kBarWidth = 30;

double MiB(uint64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

}  // namespace

ProgressBar::ProgressBar() : FEnabled(StdoutIsTerminal()) {}

ProgressBar::~ProgressBar() {
    Finish();
}

void ProgressBar::Update(const std::string& label, uint64_t done, uint64_t total) {
    if (!FEnabled || total < kProgressThreshold)
        return;
    if (FActive && label != FLabel)
        Finish();
    FActive = true;
    FLabel = label;
    const int permille = static_cast<int>(done >= total ? 1000 : done * 1000 / total);
    // Redraw only when the bar changes visibly; callbacks come for every chunk.
    if (permille == FShownPermille)
        return;
    FShownPermille = permille;
    const int filled = permille * kBarWidth / 1000;
    std::printf("\r  %s [%s%s] %3d%% %.1f/%.1f MiB", label.c_str(),
                std::string(static_cast<size_t>(filled), '#').c_str(),
                std::string(static_cast<size_t>(kBarWidth - filled), ' ').c_str(), permille / 10,
                MiB(done), MiB(total));
    std::fflush(stdout);
}

void ProgressBar::Finish() {
    if (!FActive)
        return;
    std::printf("\n");
    std::fflush(stdout);
    FActive = false;
    FShownPermille = -1;
}

}  // namespace kelpack
