#include "Trailer.h"

#include <cerrno>
#include <cstring>

#include "Error.h"
#include "InputFile.h"

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

// Exactly `size` bytes at `offset`; a file that ends early is an error.
void ReadExactly(const InputFile& file, uint64_t offset, uint8_t* buffer, size_t size) {
    if (!file.ReadAt(offset, buffer, size))
        throw Error(Format("%s: cannot read %zu bytes at %llu: %s", file.Path().c_str(), size,
                           Ull(offset), errno != 0 ? std::strerror(errno) : "the file ends early"));
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
    const InputFile file(path);
    TBundleContents result;
    result.FileSize = file.Size();
    if (result.FileSize < kTrailerSize)
        throw Error(Format("%s: file is too small to hold a bundle trailer (%llu bytes)",
                           path.c_str(), Ull(result.FileSize)));

    uint8_t raw[kTrailerSize];
    ReadExactly(file, result.FileSize - kTrailerSize, raw, kTrailerSize);
    result.Trailer = TBundleTrailer::Parse(raw);

    // Only the catalogue must be readable here: the packages and the help segment are read
    // later, and each of those reads reports its own failure.
    const TBundleSegment catalogue = CatalogueSegment(result.Trailer);
    file.RequireRange(catalogue.Name, catalogue.Offset, catalogue.Size);
    result.Catalogue.resize(catalogue.Size);
    ReadExactly(file, catalogue.Offset, reinterpret_cast<uint8_t*>(result.Catalogue.data()),
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
        if (!RangeWithin(segment.Offset, segment.Size, bundle.FileSize))
            problems.push_back(
                BeyondEndText(path, segment.Name, segment.Offset, segment.Size, bundle.FileSize));
    return problems;
}

}  // namespace kel
