#include "Trailer.h"

#include <cstring>

#include "Error.h"
#include "InputFile.h"
#include "TarnZLib.h"

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

TBundleSegment CatalogueSegment(const TBundleTrailer& t) {
    return {"catalogue", t.CatalogueOffset, t.CatalogueSize};
}

std::string TooSmallText(uint64_t fileSize) {
    return Format("file is too small to hold a bundle trailer (%llu bytes)", Ull(fileSize));
}

// The last kTrailerSize bytes of a file that holds at least that many.
TBundleTrailer ReadTrailerBytes(const InputFile& file) {
    uint8_t raw[kTrailerSize];
    file.ReadExactlyAt(file.Size() - kTrailerSize, raw, kTrailerSize);
    return TBundleTrailer::Parse(raw);
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
        throw Error(path + ": " + TooSmallText(result.FileSize));

    result.Trailer = ReadTrailerBytes(file);

    // Only the catalogue must be readable here: the packages and the help segment are read
    // later, and each of those reads reports its own failure.
    const TBundleSegment catalogue = CatalogueSegment(result.Trailer);
    file.RequireRange(catalogue.Name, catalogue.Offset, catalogue.Size);
    result.Catalogue.resize(catalogue.Size);
    file.ReadExactlyAt(catalogue.Offset, reinterpret_cast<uint8_t*>(result.Catalogue.data()),
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

std::string TrailerImplausibility(const TBundleTrailer& trailer, uint64_t fileSize) {
    if (fileSize < kTrailerSize)
        return TooSmallText(fileSize);
    if (trailer.CatalogueSize == 0)
        return "the trailer names no catalogue";
    const uint64_t trailerStart = fileSize - kTrailerSize;
    for (const TBundleSegment& segment : BundleSegments(trailer))
        if (segment.Size != 0 && !RangeWithin(segment.Offset, segment.Size, trailerStart))
            return Format("the %s at %llu+%llu runs past byte %llu, where the trailer begins",
                          segment.Name.c_str(), Ull(segment.Offset), Ull(segment.Size),
                          Ull(trailerStart));
    return {};
}

TBundleTrailer ReadPlausibleTrailer(const InputFile& file) {
    TBundleTrailer trailer;
    if (file.Size() >= kTrailerSize)
        trailer = ReadTrailerBytes(file);
    std::string why = TrailerImplausibility(trailer, file.Size());
    // The player opens the main package of every bundle, so a file whose main package does not
    // begin with the signature has nothing to show.
    char signature[kSignatureSize];
    if (why.empty() &&
        (trailer.MainSize < kSignatureSize ||
         !file.ReadAt(trailer.MainOffset, reinterpret_cast<uint8_t*>(signature), kSignatureSize) ||
         std::memcmp(signature, kLessonPackageSignature, kSignatureSize) != 0))
        why = Format("the main package at %u does not begin with the signature \"%s\"",
                     trailer.MainOffset, kLessonPackageSignature);
    if (!why.empty())
        throw Error(file.Path() + ": carries no lesson bundle: " + why);
    return trailer;
}

}  // namespace kel
