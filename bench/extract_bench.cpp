// Extraction of one large compressed package item, timed against pigz and against the zlib
// engine inflating the same stored stream, all in the same run. Every output is checked
// against the content's checksum; a wrong output ends the run with an error.
//
//   bench_extract WORK_DIR [MIB] [REPEATS]   prepares the package and prints the report
//   bench_extract --extract PACKAGE OUT_DIR  (child) extracts the package's first item
//   bench_extract --zlib STREAM OUT_FILE     (child) inflates STREAM with the zlib engine
//
// The children print their peak resident memory in KiB, measured in their own image.

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "BenchUtil.h"
#include "Error.h"
#include "Inflate.h"
#include "SampleContent.h"
#include "TarnZLib.h"
#include "Writer.h"

namespace kel::bench {

namespace {

constexpr const char* kSignature = "EPT_Korvat";
constexpr const char* kItemName = "lesson-media.bin";
constexpr double kTargetPigzRatio = 0.5;
constexpr long kTargetPeakKib = 32 * 1024;

// A file descriptor closed on every way out.
class Fd {
  public:
    Fd(const std::string& path, int flags) : FFd(open(path.c_str(), flags | O_CLOEXEC, 0644)) {
        if (FFd < 0)
            throw Error(Format("cannot open %s (%s)", path.c_str(), std::strerror(errno)));
    }
    ~Fd() { close(FFd); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    size_t Read(uint8_t* buf, size_t size) const {
        ssize_t n;
        while ((n = read(FFd, buf, size)) < 0 && errno == EINTR) {
        }
        if (n < 0)
            throw Error(Format("read failed (%s)", std::strerror(errno)));
        return static_cast<size_t>(n);
    }
    void Write(const uint8_t* data, size_t size) const {
        while (size > 0) {
            const ssize_t n = write(FFd, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw Error(Format("write failed (%s)", std::strerror(errno)));
            data += n;
            size -= static_cast<size_t>(n);
        }
    }
    void Seek(uint64_t offset) const {
        if (lseek(FFd, static_cast<off_t>(offset), SEEK_SET) < 0)
            throw Error("seek failed");
    }

  private:
    int FFd;
};

// Writes `size` bytes of sample content to `path`; returns their CRC-32.
uint32_t WriteContent(const std::string& path, uint64_t size) {
    const Fd out(path, O_WRONLY | O_CREAT | O_TRUNC);
    SampleContent content(20240806);
    std::vector<uint8_t> segment;
    uLong crc = crc32(0, nullptr, 0);
    for (uint64_t done = 0; done < size; done += segment.size()) {
        segment.clear();
        content.NextSegment(segment);
        segment.resize(std::min<uint64_t>(segment.size(), size - done));
        out.Write(segment.data(), segment.size());
        crc = crc32(crc, segment.data(), static_cast<uInt>(segment.size()));
    }
    return static_cast<uint32_t>(crc);
}

// Copies the item's stored zlib stream out of the package, for the references to inflate.
void CopyStoredStream(const std::string& package, const std::string& target) {
    TTarnPackageFile reader;
    reader.SetSignature(kSignature);
    if (reader.Open(package) != 0)
        throw Error("the benchmark package does not open");
    const TTarnPackageItem& item = reader.Root().Child(0);
    const Fd in(package, O_RDONLY);
    const Fd out(target, O_WRONLY | O_CREAT | O_TRUNC);
    in.Seek(static_cast<uint64_t>(item.FilePosition));
    std::vector<uint8_t> buf(1 << 20);
    for (uint64_t left = static_cast<uint64_t>(item.FileSize); left > 0;) {
        const size_t got = in.Read(buf.data(), std::min<uint64_t>(buf.size(), left));
        if (got == 0)
            throw Error("the benchmark package is short");
        out.Write(buf.data(), got);
        left -= got;
    }
}

int ChildExtract(const std::string& package, const std::string& outDir) {
    TTarnPackageFile reader;
    reader.SetSignature(kSignature);
    if (reader.Open(package) != 0 || reader.Root().Child(0).ExtractTo(outDir) != 0)
        return 1;
    std::printf("%ld\n", PeakRssKib());
    return 0;
}

int ChildZlib(const std::string& stream, const std::string& outFile) {
    const Fd in(stream, O_RDONLY);
    const Fd out(outFile, O_WRONLY | O_CREAT | O_TRUNC);
    InflateZlib([&](uint8_t* buf, size_t size) { return in.Read(buf, size); },
                [&](const uint8_t* data, size_t size) { out.Write(data, size); },
                std::numeric_limits<uint64_t>::max(), InflateEngine::Zlib);
    std::printf("%ld\n", PeakRssKib());
    return 0;
}

struct Measure {
    std::vector<double> Seconds;
    long PeakKib = 0;
};

// Times one run, checks its output against the content and removes the output.
void Record(Measure& measure, const ChildRun& run, const std::string& output, uint32_t crc) {
    if (FileCrc32(output) != crc)
        throw Error(Format("%s does not match the content", output.c_str()));
    std::filesystem::remove(output);
    measure.Seconds.push_back(run.Seconds);
    if (!run.Output.empty())
        measure.PeakKib = std::max(measure.PeakKib, std::atol(run.Output.c_str()));
}

int Run(const std::string& workDir, uint64_t mib, int repeats) {
    const std::filesystem::path work(workDir);
    const std::string content = (work / "content.bin").string();
    const std::string package = (work / "item.ept").string();
    const std::string stream = (work / "item.zz").string();
    const std::string extractDir = (work / "extracted").string();
    const std::string extracted = (work / "extracted" / kItemName).string();
    const std::string zlibOut = (work / "zlib.out").string();
    const std::string pigzOut = (work / "pigz.out").string();
    const uint64_t size = mib << 20;

    const uint32_t crc = WriteContent(content, size);
    PackageItemSpec item;
    item.DisplayName = "课件素材";
    item.SourceFile = content;
    item.FileName = std::string("D:\\lessons\\") + kItemName;
    const Stopwatch writing;
    WritePackageFile(package, {item}, PackageHeaderInfo{});
    const double writeSeconds = writing.Seconds();
    std::filesystem::remove(content);
    CopyStoredStream(package, stream);
    const auto storedSize = std::filesystem::file_size(stream);

    const std::string self = SelfPath();
    Measure pigz, zlib, extract;
    for (int i = 0; i < repeats; ++i) {
        Record(pigz, RunChild({"pigz", "-dz"}, stream, pigzOut), pigzOut, crc);
        Record(zlib, RunChild({self, "--zlib", stream, zlibOut}), zlibOut, crc);
        Record(extract, RunChild({self, "--extract", package, extractDir}), extracted, crc);
    }

    const double tPigz = Median(pigz.Seconds);
    const double tZlib = Median(zlib.Seconds);
    const double tExtract = Median(extract.Seconds);
    const double mibs = static_cast<double>(mib);
    std::printf(
        "Extracting one compressed item of %llu MiB (stored %.1f MiB, %.1f%%), "
        "median of %d runs\n",
        static_cast<unsigned long long>(mib), static_cast<double>(storedSize) / (1 << 20),
        100.0 * static_cast<double>(storedSize) / static_cast<double>(size), repeats);
    std::printf("  package written in %.2f s (zlib, default level)\n", writeSeconds);
    std::printf("  %-34s %8.3f s  %7.0f MiB/s\n", "pigz -dz (reference)", tPigz, mibs / tPigz);
    std::printf("  %-34s %8.3f s  %7.0f MiB/s  peak RSS %.1f MiB\n", "InflateZlib, zlib engine",
                tZlib, mibs / tZlib, static_cast<double>(zlib.PeakKib) / 1024);
    std::printf("  %-34s %8.3f s  %7.0f MiB/s  peak RSS %.1f MiB\n", "TTarnPackageItem::ExtractTo",
                tExtract, mibs / tExtract, static_cast<double>(extract.PeakKib) / 1024);
    std::printf("  ExtractTo / pigz      %.2f   (target <= %.2f: %s)\n", tExtract / tPigz,
                kTargetPigzRatio, tExtract / tPigz <= kTargetPigzRatio ? "met" : "NOT met");
    std::printf("  ExtractTo / zlib      %.2f\n", tExtract / tZlib);
    std::printf("  ExtractTo peak RSS    %.1f MiB (target < %ld MiB: %s)\n",
                static_cast<double>(extract.PeakKib) / 1024, kTargetPeakKib / 1024,
                extract.PeakKib < kTargetPeakKib ? "met" : "NOT met");
    return 0;
}

}  // namespace

}  // namespace kel::bench

int main(int argc, char** argv) {
    using namespace kel::bench;
    try {
        const std::string mode = argc > 1 ? argv[1] : "";
        if (argc == 4 && mode == "--extract")
            return ChildExtract(argv[2], argv[3]);
        if (argc == 4 && mode == "--zlib")
            return ChildZlib(argv[2], argv[3]);
        if (argc >= 2 && argc <= 4 && mode.rfind("--", 0) != 0)
            return Run(mode, argc > 2 ? std::stoull(argv[2]) : 256,
                       argc > 3 ? std::stoi(argv[3]) : 3);
        std::fprintf(stderr, "usage: %s WORK_DIR [MIB] [REPEATS]\n", argv[0]);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_extract: %s\n", e.what());
        return 1;
    }
}
