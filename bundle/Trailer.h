#pragma once
// The 80-byte trailer at the end of a bundled player executable, which locates the main and
// second packages, the catalogue and the help segment.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kel {

class InputFile;

constexpr size_t kTrailerSize = 80;

struct TBundleTrailer {
    uint32_t MainOffset = 0;
    uint32_t MainSize = 0;
    uint32_t SecondOffset = 0;
    uint32_t SecondSize = 0;  // 0: no second package
    uint32_t CatalogueOffset = 0;
    uint32_t CatalogueSize = 0;
    uint32_t HelpOffset = 0;  // counted from MainOffset
    uint32_t HelpSize = 0;    // 0: no help file
    std::array<uint8_t, 48> Reserved{};

    static TBundleTrailer Parse(const uint8_t* bytes);  // kTrailerSize bytes
    void Serialize(uint8_t* bytes) const;               // kTrailerSize bytes
};

struct TBundleContents {
    TBundleTrailer Trailer;
    std::string Catalogue;  // the catalogue's bytes, unchanged
    uint64_t FileSize = 0;
};

// Reads the trailer of `path` and copies the catalogue out. Throws kel::Error naming the file
// and the offsets, e.g. "bundle.exe: catalogue at 4830558+368 lies beyond the end of the file
// (4831000 bytes)".
TBundleContents ReadBundle(const std::string& path);

// One segment the trailer locates, at its absolute position in the file.
struct TBundleSegment {
    std::string Name;  // "main package", "second package", "catalogue", "help segment"
    uint64_t Offset = 0;
    uint64_t Size = 0;
};

// The segments in trailer order; the second package and the help segment only when their size is
// not 0. Positions are 64-bit, so no sum wraps.
std::vector<TBundleSegment> BundleSegments(const TBundleTrailer& trailer);

// One text per segment that does not lie wholly inside the file, worded as ReadBundle's errors.
std::vector<std::string> SegmentsOutsideFile(const TBundleContents& bundle,
                                             const std::string& path);

// Why `trailer`, found at the end of a file of `fileSize` bytes, cannot be the trailer of a bundle
// in that file; empty when it can. A bundle has a catalogue, and every segment whose size is not 0
// lies before the trailer (the help segment counted from MainOffset in 64 bits); the offset of a
// segment of size 0 means nothing. So an ordinary program is told apart from a lesson bundle,
// e.g. "the catalogue at 4830558+368 runs past byte 4830926, where the trailer begins".
std::string TrailerImplausibility(const TBundleTrailer& trailer, uint64_t fileSize);

// Reads the trailer of `file`, checks it as TrailerImplausibility does, and checks that the main
// package begins with the lesson packages' signature; reads nothing else. Throws kel::Error
// "<path>: carries no lesson bundle: <why>" when the file carries none.
TBundleTrailer ReadPlausibleTrailer(const InputFile& file);

}  // namespace kel
