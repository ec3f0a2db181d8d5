#pragma once
// The writer side of the bundle format: packages (PackageWriter.cpp), catalogues and whole
// bundles (BundleWriter.cpp). Writers refuse what the readers could not read back (a name GBK
// cannot encode, a size or position past the signed 32-bit range the directory's numbers are read
// in).

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "Catalogue.h"
#include "Trailer.h"

namespace kel {

// One item of a package to be written.
struct PackageItemSpec {
    std::string DisplayName;  // UTF-8; stored as the element name "BEG<GBK hex>END"

    // File item: stored bytes come from SourceFile, or from Data when SourceFile is empty.
    std::string SourceFile;
    std::vector<uint8_t> Data;
    bool Compress = true;  // store one zlib stream instead of the bytes themselves
    std::string FileName;  // the "FileName" attribute, e.g. "D:\\lessons\\a.swf"

    // Optional additional data (a thumbnail), stored as one zlib stream, never extracted.
    std::string AdditionalSource;
    std::string OdditionalFile;  // the "OdditionalFile" attribute

    // Folder item: FilePath is non-empty and ends in "\"; MainFileName names the shown file.
    std::string FilePath;
    std::string MainFileName;
    std::vector<PackageItemSpec> Children;

    // Written after the nine fixed attributes, in this order.
    std::vector<std::pair<std::string, std::string>> ExtraAttributes;
};

struct PackageHeaderInfo {
    std::string Signature = "EPT_Korvat";
    std::string Description;  // UTF-8, stored as GBK, at most 20 bytes
    std::string Version;      // ASCII, at most 26 bytes
    double DateTime = 0;      // days since 1899-12-30
    std::array<uint8_t, 16> Guid{};
};

// Called while large items are stored: bytes read of the current source, of how many.
using WriteProgress = std::function<void(const std::string& what, uint64_t done, uint64_t total)>;

// Writes a package at byte `start` of the open file `fd` (positions inside it count from
// `start`). Returns the package's length. Throws kel::Error naming the item on failure.
uint64_t WritePackage(int fd, uint64_t start, const std::vector<PackageItemSpec>& items,
                      const PackageHeaderInfo& header, const WriteProgress& progress = {});
// A package file of its own; `path` is replaced only once the package is complete.
void WritePackageFile(const std::string& path, const std::vector<PackageItemSpec>& items,
                      const PackageHeaderInfo& header, const WriteProgress& progress = {});

struct CatalogueInfo {
    std::string ProductName = "Lumivo";
    std::string FileVersion = "1.0.0804";
    std::string RecordTime;   // "2014-6-30 14:29:47"; empty: now
    std::string HostFile;     // the package path the entries came from
    std::string PackageGuid;  // "{...}" text form
};

// UTF-8, no BOM, no declaration; root "Korvat教育存盘文件", entries "素材" with "ID" and
// "System" ("-1" or "0"); CRLF after the root's closing tag.
std::string WriteCatalogue(const CatalogueInfo& info, const std::vector<TEntryRef>& entries);

struct BundleSpec {
    std::string PlayerExe;  // copied unchanged; the bundle is appended after it
    std::vector<PackageItemSpec> Main;
    std::vector<PackageItemSpec> Second;  // empty: no second package
    PackageHeaderInfo MainHeader;
    PackageHeaderInfo SecondHeader;
    std::vector<TEntryRef> Entries;
    CatalogueInfo Catalogue;
    std::string HelpFile;  // empty: no help segment; else stored as one zlib stream
};

// Player image, main package, second package, catalogue, help segment, 80-byte trailer.
void WriteBundle(const BundleSpec& spec, const std::string& outPath,
                 const WriteProgress& progress = {});

// The bundle appended to `bundlePath` (a Windows bundle, or one on any player) moved onto
// `playerExe`: the segments copied byte for byte in WriteBundle's order and the trailer's
// positions rewritten, its reserved bytes kept. The source must pass ReadPlausibleTrailer.
// Returns the new trailer; `outPath` is replaced only when the whole bundle was written.
TBundleTrailer RehostBundle(const std::string& bundlePath, const std::string& playerExe,
                            const std::string& outPath, const WriteProgress& progress = {});

}  // namespace kel
