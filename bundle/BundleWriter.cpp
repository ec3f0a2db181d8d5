#include <libxml/xmlstring.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <functional>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "Error.h"
#include "InputFile.h"
#include "ReplaceFile.h"
#include "TarnZLib.h"
#include "Trailer.h"
#include "Writer.h"

namespace kel {

namespace {

constexpr size_t kChunkSize = 1 << 20;
const std::string kRootName = "Korvat教育存盘文件";

std::string ErrnoText() {
    return std::strerror(errno);
}

std::string NowText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return Format("%d-%d-%d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour, local.tm_min, local.tm_sec);
}

// Characters an attribute value cannot hold as they are. Tab and line breaks would be turned
// into blanks by attribute normalisation unless they are written as references.
constexpr std::pair<char, const char*> kReferences[] = {
    {'&', "&amp;"}, {'<', "&lt;"},   {'>', "&gt;"},   {'"', "&quot;"},
    {'\t', "&#9;"}, {'\n', "&#10;"}, {'\r', "&#13;"},
};

// XML 1.0 has no way to carry the other control characters, and bytes that are not UTF-8 would
// make the whole catalogue unreadable: both are refused rather than written.
std::string EscapeAttribute(const std::string& name, const std::string& value) {
    if (!xmlCheckUTF8(reinterpret_cast<const xmlChar*>(value.c_str())) ||
        value.find('\0') != std::string::npos)
        throw Error(
            Format("catalogue attribute \"%s\": the value is not UTF-8 text", name.c_str()));
    std::string out;
    for (const char c : value) {
        const auto* reference = std::find_if(std::begin(kReferences), std::end(kReferences),
                                             [c](const auto& r) { return r.first == c; });
        if (reference != std::end(kReferences))
            out += reference->second;
        else if (static_cast<unsigned char>(c) < 0x20)
            throw Error(
                Format("catalogue attribute \"%s\": the value holds control character %d, "
                       "which XML cannot carry",
                       name.c_str(), c));
        else
            out += c;
    }
    return out;
}

// Hands the rest of `file` to `sink` chunk by chunk, reporting progress after each; returns the
// number of bytes read.
uint64_t ForEachChunk(InputFile& file, const std::function<void(const uint8_t*, size_t)>& sink,
                      const WriteProgress& progress) {
    std::vector<uint8_t> buffer(kChunkSize);
    uint64_t done = 0;
    while (const size_t got = file.Read(buffer.data(), buffer.size())) {
        sink(buffer.data(), got);
        done += got;
        if (progress)
            progress(file.Path(), done, file.Size());
    }
    return done;
}

// The trailer records 32-bit positions (and the player adds HelpOffset to MainOffset in 32 bits),
// so every segment must end within the first 4 GiB.
uint32_t Position32(const std::string& outPath, const char* segment, uint64_t end) {
    if (end > UINT32_MAX)
        throw Error(
            Format("%s: the %s would end at byte %llu, past the 4 GiB a bundle trailer "
                   "can address",
                   outPath.c_str(), segment, Ull(end)));
    return static_cast<uint32_t>(end);
}

// The player can only show entries that name an existing top-level item.
void CheckEntries(const BundleSpec& spec) {
    if (spec.Entries.empty())
        throw Error("the catalogue has no entries");
    for (size_t i = 0; i < spec.Entries.size(); ++i) {
        const TEntryRef& entry = spec.Entries[i];
        const size_t count = entry.System ? spec.Main.size() : spec.Second.size();
        if (entry.Id < 0 || static_cast<size_t>(entry.Id) >= count)
            throw Error(
                Format("catalogue entry %zu: ID %d names no top-level item of the %s "
                       "package, which has %zu",
                       i + 1, entry.Id, entry.System ? "main" : "second", count));
    }
}

// Compresses the help file as one zlib stream at `start`; returns the stream's length.
uint64_t WriteHelpSegment(const std::string& helpPath, ReplacingFile& out, uint64_t start,
                          const WriteProgress& progress) {
    z_stream z{};
    if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK)
        throw Error(Format("%s: cannot start compressing", helpPath.c_str()));
    const std::unique_ptr<z_stream, int (*)(z_stream*)> end(&z, deflateEnd);
    std::vector<uint8_t> buffer(kChunkSize);
    uint64_t written = 0;
    const auto pump = [&](const uint8_t* data, size_t size, int flush) {
        z.next_in = const_cast<Bytef*>(data);
        z.avail_in = static_cast<uInt>(size);
        do {
            z.next_out = buffer.data();
            z.avail_out = static_cast<uInt>(buffer.size());
            if (deflate(&z, flush) == Z_STREAM_ERROR)
                throw Error(Format("%s: compression failed", helpPath.c_str()));
            const size_t produced = buffer.size() - z.avail_out;
            out.WriteAt(start + written, buffer.data(), produced);
            written += produced;
        } while (z.avail_out == 0);
    };
    InputFile help(helpPath);
    ForEachChunk(
        help, [&](const uint8_t* data, size_t size) { pump(data, size, Z_NO_FLUSH); }, progress);
    pump(nullptr, 0, Z_FINISH);
    return written;
}

// Copies `size` bytes at `offset` of `from` to `at` in `out`; returns where the copy ends in
// `out`.
uint64_t CopyRange(const InputFile& from, uint64_t offset, uint64_t size, ReplacingFile& out,
                   uint64_t at, const WriteProgress& progress) {
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<uint64_t>(kChunkSize, size)));
    for (uint64_t done = 0; done < size;) {
        const auto chunk = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - done));
        from.ReadExactlyAt(offset + done, buffer.data(), chunk);
        out.WriteAt(at + done, buffer.data(), chunk);
        done += chunk;
        if (progress)
            progress(from.Path(), done, size);
    }
    return at + size;
}

// Writes the trailer at `end` and puts the bundle in place.
void FinishBundle(ReplacingFile& out, uint64_t end, const TBundleTrailer& trailer,
                  const InputFile& player) {
    uint8_t raw[kTrailerSize];
    trailer.Serialize(raw);
    out.WriteAt(end, raw, sizeof raw);
    // The bundle runs as the player does, so it takes the player's permissions whatever the
    // umask; and it reaches the disk before it replaces an older bundle.
    if (fchmod(out.Fd(), player.Mode() & 0777) != 0 || fsync(out.Fd()) != 0)
        throw Error(
            Format("%s: cannot finish writing: %s", out.Target().c_str(), ErrnoText().c_str()));
    out.Commit();
}

CatalogueInfo CatalogueFor(const BundleSpec& spec) {
    CatalogueInfo info = spec.Catalogue;
    if (info.PackageGuid.empty()) {
        TPackageHeader header;
        header.PackageGuid = spec.MainHeader.Guid;
        info.PackageGuid = header.GuidText();
    }
    return info;
}

}  // namespace

std::string WriteCatalogue(const CatalogueInfo& info, const std::vector<TEntryRef>& entries) {
    const std::pair<const char*, std::string> attributes[] = {
        {"产品名称", info.ProductName},
        {"文件版本", info.FileVersion},
        {"记录时间", info.RecordTime.empty() ? NowText() : info.RecordTime},
        {"宿主文件", info.HostFile},
        {"ZRGUID", info.PackageGuid},
    };
    std::string xml = "<" + kRootName;
    for (const auto& [name, value] : attributes)
        xml += Format(" %s=\"%s\"", name, EscapeAttribute(name, value).c_str());
    xml += ">";
    for (const TEntryRef& entry : entries)
        xml += Format("<素材 ID=\"%d\" System=\"%s\"/>", entry.Id, entry.System ? "-1" : "0");
    xml += "</" + kRootName + ">\r\n";
    return xml;
}

void WriteBundle(const BundleSpec& spec, const std::string& outPath,
                 const WriteProgress& progress) {
    CheckEntries(spec);
    const std::string catalogue = WriteCatalogue(CatalogueFor(spec), spec.Entries);
    const InputFile player(spec.PlayerExe);
    Position32(outPath, "player executable", player.Size());

    ReplacingFile out(outPath, 0600);
    TBundleTrailer trailer;
    uint64_t end = CopyRange(player, 0, player.Size(), out, 0, progress);
    trailer.MainOffset = Position32(outPath, "player executable", end);

    end += WritePackage(out.Fd(), end, spec.Main, spec.MainHeader, progress);
    trailer.MainSize = Position32(outPath, "main package", end) - trailer.MainOffset;

    trailer.SecondOffset = trailer.MainOffset + trailer.MainSize;
    if (!spec.Second.empty()) {
        end += WritePackage(out.Fd(), end, spec.Second, spec.SecondHeader, progress);
        trailer.SecondSize = Position32(outPath, "second package", end) - trailer.SecondOffset;
    }

    trailer.CatalogueOffset = static_cast<uint32_t>(end);
    out.WriteAt(end, reinterpret_cast<const uint8_t*>(catalogue.data()), catalogue.size());
    end += catalogue.size();
    trailer.CatalogueSize = Position32(outPath, "catalogue", end) - trailer.CatalogueOffset;

    if (!spec.HelpFile.empty()) {
        const uint32_t helpStart = static_cast<uint32_t>(end);
        end += WriteHelpSegment(spec.HelpFile, out, end, progress);
        trailer.HelpOffset = helpStart - trailer.MainOffset;
        trailer.HelpSize = Position32(outPath, "help segment", end) - helpStart;
    }

    FinishBundle(out, end, trailer, player);
}

TBundleTrailer RehostBundle(const std::string& bundlePath, const std::string& playerExe,
                            const std::string& outPath, const WriteProgress& progress) {
    const InputFile bundle(bundlePath);
    const TBundleTrailer source = ReadPlausibleTrailer(bundle);
    const InputFile player(playerExe);
    Position32(outPath, "player executable", player.Size());

    ReplacingFile out(outPath, 0600);
    uint64_t end = CopyRange(player, 0, player.Size(), out, 0, progress);
    // Appends a segment of the source; returns where it starts in the new bundle.
    const auto append = [&](const char* segment, uint64_t offset, uint32_t size) {
        const auto start = static_cast<uint32_t>(end);
        end = CopyRange(bundle, offset, size, out, end, progress);
        Position32(outPath, segment, end);
        return start;
    };
    TBundleTrailer trailer = source;
    trailer.MainOffset = append("main package", source.MainOffset, source.MainSize);
    trailer.SecondOffset = source.SecondSize != 0
                               ? append("second package", source.SecondOffset, source.SecondSize)
                               : static_cast<uint32_t>(end);
    trailer.CatalogueOffset = append("catalogue", source.CatalogueOffset, source.CatalogueSize);
    trailer.HelpOffset =
        source.HelpSize != 0
            ? append("help segment", uint64_t{source.MainOffset} + source.HelpOffset,
                     source.HelpSize) -
                  trailer.MainOffset
            : 0;
    FinishBundle(out, end, trailer, player);
    return trailer;
}

}  // namespace kel
