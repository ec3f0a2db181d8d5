// Opening packages whose directories list 1,000, 10,000 and 100,000 tiny items. The time per
// item at each size, compared between sizes, shows whether opening stays linear.
//
//   bench_open WORK_DIR

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchUtil.h"
#include "Error.h"
#include "TarnZLib.h"
#include "Writer.h"

namespace kel::bench {

namespace {

constexpr const char* kSignature = "EPT_Korvat";
constexpr double kTargetMsAt10k = 100;
// Each size is opened until this much time has passed (and at least kMinRuns times).
constexpr double kTimePerSize = 1.0;
constexpr int kMinRuns = 3;

std::vector<PackageItemSpec> TinyItems(int count) {
    std::vector<PackageItemSpec> items(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        PackageItemSpec& item = items[static_cast<size_t>(i)];
        const std::string number = Format("%06d", i);
        item.DisplayName = "第" + number + "课";
        item.Data.assign(number.begin(), number.end());
        item.Compress = false;
        item.FileName = "D:\\课件\\lesson" + number + ".swf";
        item.ExtraAttributes = {{"Style", "动画"}, {"Writing", "板书 " + number}};
    }
    return items;
}

struct OpenTiming {
    double Seconds = 0;  // median
    uint32_t DirectorySize = 0;
};

OpenTiming TimeOpen(const std::string& path, int count) {
    std::vector<double> runs;
    uint32_t directorySize = 0;
    const Stopwatch total;
    while (runs.size() < kMinRuns || total.Seconds() < kTimePerSize) {
        TTarnPackageFile package;
        package.SetSignature(kSignature);
        const Stopwatch clock;
        const int result = package.Open(path);
        runs.push_back(clock.Seconds());
        if (result != 0 || package.Root().ChildCount() != count)
            throw Error(Format("%s did not open with %d items", path.c_str(), count));
        directorySize = package.Header().DirectorySize;
    }
    return {Median(runs), directorySize};
}

int Run(const std::string& workDir) {
    const int counts[] = {1000, 10000, 100000};
    std::vector<double> perItem;
    std::printf("Opening a package (header and directory), median time\n");
    std::printf("  %8s  %12s  %10s  %14s\n", "items", "directory", "open", "per item");
    for (const int count : counts) {
        const std::string path =
            (std::filesystem::path(workDir) / Format("open-%d.ept", count)).string();
        WritePackageFile(path, TinyItems(count), PackageHeaderInfo{});
        const OpenTiming timing = TimeOpen(path, count);
        perItem.push_back(timing.Seconds / count);
        std::printf("  %8d  %8.1f KiB  %7.2f ms  %11.2f us\n", count, timing.DirectorySize / 1024.0,
                    timing.Seconds * 1e3, timing.Seconds / count * 1e6);
        std::filesystem::remove(path);
    }
    const double msAt10k = perItem[1] * 10000 * 1e3;
    std::printf("  10,000 items: %.2f ms (target < %.0f ms: %s)\n", msAt10k, kTargetMsAt10k,
                msAt10k < kTargetMsAt10k ? "met" : "NOT met");
    std::printf("  per-item time 10k / 1k: %.2f   100k / 10k: %.2f   (1.00 = linear)\n",
                perItem[1] / perItem[0], perItem[2] / perItem[1]);
    return 0;
}

}  // namespace

}  // namespace kel::bench

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s WORK_DIR\n", argv[0]);
        return 2;
    }
    try {
        return kel::bench::Run(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_open: %s\n", e.what());
        return 1;
    }
}
