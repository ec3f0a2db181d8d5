#pragma once
// Helpers shared by the benchmark programs: wall-clock timing, medians, child processes,
// peak memory and file checksums.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace kel::bench {

class Stopwatch {
  public:
    Stopwatch() : FStart(std::chrono::steady_clock::now()) {}
    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
    }

  private:
    std::chrono::steady_clock::time_point FStart;
};

double Median(std::vector<double> values);

// Peak resident memory of this process so far, in KiB (VmHWM: this image only, whatever the
// parent that started it held).
long PeakRssKib();

struct ChildRun {
    double Seconds = 0;  // wall time from start to exit, as the parent sees it
    std::string Output;  // what the child wrote to standard output, unless redirected
};

// Runs `argv` to its end; standard input and output come from and go to the given files when
// their paths are not empty. Throws kel::Error when it cannot start or does not exit with 0.
ChildRun RunChild(const std::vector<std::string>& argv, const std::string& stdinPath = "",
                  const std::string& stdoutPath = "");

// The path of the running program, to start itself as a child.
std::string SelfPath();

uint32_t FileCrc32(const std::string& path);

}  // namespace kel::bench
