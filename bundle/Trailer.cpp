#include "Trailer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Error.h"

namespace kel {

namespace {

uint32_t GetLE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void PutLE32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// The eight integer fields in their stored order.
template <typename Trailer>
auto Fields(Trailer& t) {
    return std::array{&t.MainOffset,      &t.MainSize,      &t.SecondOffset, &t.SecondSize,
                      &t.CatalogueOffset, &t.CatalogueSize, &t.HelpOffset,   &t.HelpSize};
}

constexpr size_t kReservedOffset = 32;

class ReadOnlyFile {
  public:
    explicit ReadOnlyFile(const std::string& path) : FPath(path) {
        FFd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (FFd < 0)
            throw Error(Format("%s: cannot open: %s", path.c_str(), std::strerror(errno)));
    }
    ~ReadOnlyFile() { close(FFd); }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    uint64_t Size() const {
        struct stat st {};
        if (fstat(FFd, &st) != 0)
            throw Error(Format("%s: cannot read: %s", FPath.c_str(), std::strerror(errno)));
        if (!S_ISREG(st.st_mode))
            throw Error(Format("%s: not a regular file", FPath.c_str()));
        return static_cast<uint64_t>(st.st_size);
    }

    // Exactly `size` bytes at `offset`; a file that ends early is an error.
    void ReadAt(uint64_t offset, uint8_t* buffer, size_t size) const {
        size_t done = 0;
        while (done < size) {
            ssize_t got = pread(FFd, buffer + done, size - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                throw Error(Format("%s: cannot read %zu bytes at %llu: %s", FPath.c_str(), size,
                                   static_cast<unsigned long long>(offset),
                                   got < 0 ? std::strerror(errno) : "the file ends early"));
            done += static_cast<size_t>(got);
        }
    }

  private:
    std::string FPath;
    int FFd = -1;
};

std::string BeyondEndText(const std::string& path, const TBundleSegment& segment,
                          uint64_t fileSize) {
    return Format("%s: %s at %llu+%llu lies beyond the end of the file (%llu bytes)", path.c_str(),
                  segment.Name.c_str(), static_cast<unsigned long long>(segment.Offset),
                  static_cast<unsigned long long>(segment.Size),
                  static_cast<unsigned long long>(fileSize));
}

bool LiesInside(const TBundleSegment& segment, uint64_t fileSize) {
    return segment.Offset <= fileSize && segment.Size <= fileSize - segment.Offset;
}

TBundleSegment CatalogueSegment(const TBundleTrailer& t) {
    return {"catalogue", t.CatalogueOffset, t.CatalogueSize};
}

}  // namespace

TBundleTrailer TBundleTrailer::Parse(const uint8_t* bytes) {
    TBundleTrailer t;
    size_t offset = 0;
    for (uint32_t* field : Fields(t)) {
        *field = GetLE32(bytes + offset);
        offset += 4;
    }
    std::memcpy(t.Reserved.data(), bytes + kReservedOffset, t.Reserved.size());
    return t;
}

void TBundleTrailer::Serialize(uint8_t* bytes) const {
    size_t offset = 0;
    for (const uint32_t* field : Fields(*this)) {
        PutLE32(bytes + offset, *field);
        offset += 4;
    }
    std::memcpy(bytes + kReservedOffset, Reserved.data(), Reserved.size());
}

TBundleContents ReadBundle(const std::string& path) {
    ReadOnlyFile file(path);
    TBundleContents result;
    result.FileSize = file.Size();
    if (result.FileSize < kTrailerSize)
        throw Error(Format("%s: file is too small to hold a bundle trailer (%llu bytes)",
                           path.c_str(), static_cast<unsigned long long>(result.FileSize)));

    uint8_t raw[kTrailerSize];
    file.ReadAt(result.FileSize - kTrailerSize, raw, kTrailerSize);
    result.Trailer = TBundleTrailer::Parse(raw);

    // Only the catalogue must be readable here: the packages and the help segment are read
    // later, and each of those reads reports its own failure.
    const TBundleSegment catalogue = CatalogueSegment(result.Trailer);
    if (!LiesInside(catalogue, result.FileSize))
        throw Error(BeyondEndText(path, catalogue, result.FileSize));
    result.Catalogue.resize(catalogue.Size);
    file.ReadAt(catalogue.Offset, reinterpret_cast<uint8_t*>(result.Catalogue.data()),
                result.Catalogue.size());
    return result;
}

std::vector<TBundleSegment> BundleSegments(const TBundleTrailer& t) {
    std::vector<TBundleSegment> segments{{"main package", t.MainOffset, t.MainSize}};
    if (t.SecondSize != 0)
        segments.push_back({"second package", t.SecondOffset, t.SecondSize});
    segments.push_back(CatalogueSegment(t));
    if (t.HelpSize != 0)
        segments.push_back({"help segment", uint64_t(t.MainOffset) + t.HelpOffset, t.HelpSize});
    return segments;
}

std::vector<std::string> SegmentsOutsideFile(const TBundleContents& bundle,
                                             const std::string& path) {
    std::vector<std::string> problems;
    for (const TBundleSegment& segment : BundleSegments(bundle.Trailer))
        if (!LiesInside(segment, bundle.FileSize))
            problems.push_back(BeyondEndText(path, segment, bundle.FileSize));
    return problems;
}

}  // namespace kel
