#include <errno.h>
#include <libxml/tree.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <set>

#include "Error.h"
#include "Gbk.h"
#include "InputFile.h"
#include "ReplaceFile.h"
#include "TarnZLib.h"
#include "Writer.h"

namespace kel {

namespace {

// Sources are read and compressed in chunks of this size, so memory stays flat whatever their
// size.
constexpr size_t kChunkSize = 256 * 1024;
// The directory's numbers are read back as signed 32-bit integers.
constexpr uint64_t kMaxDirectoryNumber = std::numeric_limits<int32_t>::max();
constexpr const char* kRootName = "Korvat教育存盘文件";
constexpr const char* kFixedAttributeNames[] = {
    "FileSize", "FilePosition", "OdditionalSize", "OdditionalPosition", "Compress",
    "FileName", "FilePath",     "MainFileName",   "OdditionalFile"};

// Writes the package's bytes at their positions, counted from the package start.
class PackageOutput {
  public:
    PackageOutput(int fd, uint64_t start) : FHandle(fd), FStart(start) {}

    uint64_t Position() const { return FPosition; }

    void WriteAt(uint64_t position, const uint8_t* data, size_t size) {
        uint64_t offset = FStart + position;
        while (size > 0) {
            const ssize_t n = pwrite(FHandle, data, size, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw Error(Format("cannot write the package (%s)", std::strerror(errno)));
            data += n;
            offset += static_cast<uint64_t>(n);
            size -= static_cast<size_t>(n);
        }
    }

    void Append(const uint8_t* data, size_t size) {
        WriteAt(FPosition, data, size);
        FPosition += size;
    }

    void Skip(uint64_t size) { FPosition += size; }

  private:
    int FHandle;
    uint64_t FStart;
    uint64_t FPosition = 0;
};

struct StoredRange {
    uint64_t Position = 0;
    uint64_t Size = 0;
};

// Takes one item's bytes in pieces and stores them at the output's current position, either
// as they are or as one zlib stream.
class DataSink {
  public:
    DataSink(PackageOutput& out, bool compress)
        : FOut(out), FCompress(compress), FStart(out.Position()) {
        if (FCompress && deflateInit(&FStream, Z_DEFAULT_COMPRESSION) != Z_OK)
            throw Error("zlib cannot start compressing");
    }
    ~DataSink() {
        if (FCompress)
            deflateEnd(&FStream);
    }
    DataSink(const DataSink&) = delete;
    DataSink& operator=(const DataSink&) = delete;

    void Add(const uint8_t* data, size_t size) {
        if (!FCompress) {
            FOut.Append(data, size);
            return;
        }
        while (size > 0) {
            const size_t piece = std::min(size, kChunkSize);
            FStream.next_in = const_cast<Bytef*>(data);
            FStream.avail_in = static_cast<uInt>(piece);
            Deflate(Z_NO_FLUSH);
            data += piece;
            size -= piece;
        }
    }

    StoredRange Finish() {
        if (FCompress)
            Deflate(Z_FINISH);
        return {FStart, FOut.Position() - FStart};
    }

  private:
    void Deflate(int flush) {
        int status = Z_OK;
        do {
            FStream.next_out = FBuffer.data();
            FStream.avail_out = static_cast<uInt>(FBuffer.size());
            status = deflate(&FStream, flush);
            if (status == Z_STREAM_ERROR)
                throw Error("zlib cannot compress the data");
            FOut.Append(FBuffer.data(), FBuffer.size() - FStream.avail_out);
        } while (FStream.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    }

    PackageOutput& FOut;
    bool FCompress;
    uint64_t FStart;
    z_stream FStream{};
    std::vector<uint8_t> FBuffer = std::vector<uint8_t>(kChunkSize);
};

StoredRange StoreBytes(PackageOutput& out, const std::vector<uint8_t>& data, bool compress) {
    DataSink sink(out, compress);
    sink.Add(data.data(), data.size());
    return sink.Finish();
}

std::string SourceOpenFailure(const std::string& path, const char* reason) {
    return Format("%s: cannot open (%s)", path.c_str(), reason);
}

void CheckDirectoryNumber(const char* what, uint64_t value) {
    if (value > kMaxDirectoryNumber)
        throw Error(Format("its %s %llu lies beyond the %llu a package directory can hold", what,
                           Ull(value), Ull(kMaxDirectoryNumber)));
}

StoredRange StoreFile(PackageOutput& out, const std::string& path, bool compress,
                      const std::string& what, const WriteProgress& progress) {
    InputFile source(path, SourceOpenFailure);
    const uint64_t total = source.Size();
    // Stored bytes keep their size, so a source too large is refused before any copying.
    if (!compress)
        CheckDirectoryNumber("data size", total);
    DataSink sink(out, compress);
    std::vector<uint8_t> buffer(kChunkSize);
    uint64_t done = 0;
    while (const size_t n = source.Read(buffer.data(), buffer.size())) {
        sink.Add(buffer.data(), n);
        done += n;
        if (progress)
            progress(what, done, total);
    }
    return sink.Finish();
}

// An attribute value escaped for a double-quoted attribute; tab, line feed and carriage return
// become character references so that they survive the reader's value normalisation.
std::string EscapeAttribute(const std::string& name, const std::string& value) {
    std::string escaped;
    for (char c : value) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\t':
                escaped += "&#9;";
                break;
            case '\n':
                escaped += "&#10;";
                break;
            case '\r':
                escaped += "&#13;";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20)
                    throw Error(
                        Format("the value of \"%s\" holds a control character", name.c_str()));
                escaped += c;
        }
    }
    return escaped;
}

void CheckExtraAttributeNames(const PackageItemSpec& spec) {
    std::set<std::string> taken(std::begin(kFixedAttributeNames), std::end(kFixedAttributeNames));
    for (const auto& [name, value] : spec.ExtraAttributes) {
        // A name with a colon or "xmlns" would be read as a namespace, not as an attribute.
        if (xmlValidateNCName(reinterpret_cast<const xmlChar*>(name.c_str()), 0) != 0 ||
            name == "xmlns" || name.find('\0') != std::string::npos)
            throw Error(Format("\"%s\" is not a valid attribute name", name.c_str()));
        if (!taken.insert(name).second)
            throw Error(Format("the attribute \"%s\" is given twice", name.c_str()));
    }
}

class PackageBuilder {
  public:
    PackageBuilder(PackageOutput& out, const WriteProgress& progress)
        : FOut(out), FProgress(progress) {}

    // Stores the item's data and returns its directory element, in GBK.
    std::string WriteItem(const PackageItemSpec& spec) {
        try {
            return ItemElement(spec);
        } catch (const Error& error) {
            throw Error(Format("item '%s': %s", spec.DisplayName.c_str(), error.what()));
        }
    }

  private:
    std::string ItemElement(const PackageItemSpec& spec) {
        const bool folder = !spec.FilePath.empty();
        if (folder && spec.FilePath.back() != '\\')
            throw Error(
                Format("the folder path \"%s\" does not end in \"\\\"", spec.FilePath.c_str()));
        if (!folder && !spec.Children.empty())
            throw Error("it has child items but no folder path");
        CheckExtraAttributeNames(spec);
        const std::string elementName = EncodeItemElementName(spec.DisplayName);

        // A folder's own data is never read; it stores none.
        const StoredRange data = folder ? StoredRange{} : StoreData(spec);
        CheckDirectoryNumber("data size", data.Size);
        const StoredRange additional =
            spec.AdditionalSource.empty() ? StoredRange{} : StoreAdditional(spec);
        CheckDirectoryNumber("additional data size", additional.Size);

        const std::string values[] = {std::to_string(data.Size),
                                      std::to_string(data.Position),
                                      std::to_string(additional.Size),
                                      std::to_string(additional.Position),
                                      spec.Compress ? "-1" : "0",
                                      spec.FileName,
                                      spec.FilePath,
                                      spec.MainFileName,
                                      spec.OdditionalFile};
        std::string element = "<" + elementName;
        for (size_t i = 0; i < std::size(values); ++i)
            element += AttributeText(kFixedAttributeNames[i], values[i]);
        for (const auto& [name, value] : spec.ExtraAttributes)
            element += AttributeText(name, value);
        if (!folder)
            return element + "/>";
        element += ">";
        for (const auto& child : spec.Children)
            element += WriteItem(child);
        return element + "</" + elementName + ">";
    }

    StoredRange StoreData(const PackageItemSpec& spec) {
        CheckDirectoryNumber("data position", FOut.Position());
        if (spec.SourceFile.empty())
            return StoreBytes(FOut, spec.Data, spec.Compress);
        return StoreFile(FOut, spec.SourceFile, spec.Compress, spec.DisplayName, FProgress);
    }

    StoredRange StoreAdditional(const PackageItemSpec& spec) {
        CheckDirectoryNumber("additional data position", FOut.Position());
        return StoreFile(FOut, spec.AdditionalSource, true, spec.DisplayName, FProgress);
    }

    static std::string AttributeText(const std::string& name, const std::string& value) {
        return " " + Utf8ToGbk(name) + "=\"" + Utf8ToGbk(EscapeAttribute(name, value)) + "\"";
    }

    PackageOutput& FOut;
    const WriteProgress& FProgress;
};

// Copies `stored` (the field's bytes) into a fixed-size field; `text` is what the user wrote.
template <size_t N>
void CopyField(std::array<char, N>& field, const std::string& stored, const char* what,
               const std::string& text) {
    if (stored.size() > N)
        throw Error(
            Format("the package %s \"%s\" is longer than %zu bytes", what, text.c_str(), N));
    std::memcpy(field.data(), stored.data(), stored.size());
}

TPackageHeader MakeHeader(const PackageHeaderInfo& info) {
    TPackageHeader header;
    CopyField(header.Signature, info.Signature, "signature", info.Signature);
    CopyField(header.Description, Utf8ToGbk(info.Description), "description (in GBK)",
              info.Description);
    for (char c : info.Version) {
        if (static_cast<unsigned char>(c) >= 0x80)
            throw Error(Format("the package version \"%s\" is not ASCII", info.Version.c_str()));
    }
    CopyField(header.Version, info.Version, "version", info.Version);
    header.DateTime = info.DateTime;
    header.PackageGuid = info.Guid;
    return header;
}

}  // namespace

uint64_t WritePackage(int fd, uint64_t start, const std::vector<PackageItemSpec>& items,
                      const PackageHeaderInfo& headerInfo, const WriteProgress& progress) {
    TPackageHeader header = MakeHeader(headerInfo);
    PackageOutput out(fd, start);
    out.Skip(kPackageHeaderSize);

    PackageBuilder builder(out, progress);
    const std::string root = Utf8ToGbk(kRootName);
    std::string directory = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<" + root + ">";
    for (const auto& item : items)
        directory += builder.WriteItem(item);
    directory += "</" + root + ">\r\n";

    const StoredRange stored =
        StoreBytes(out, std::vector<uint8_t>(directory.begin(), directory.end()), true);
    if (stored.Position + stored.Size > std::numeric_limits<uint32_t>::max())
        throw Error(Format("the package's %llu bytes exceed the 4 GiB its header can address",
                           Ull(stored.Position + stored.Size)));
    header.DataSize = static_cast<uint32_t>(stored.Position - kPackageHeaderSize);
    header.DirectorySize = static_cast<uint32_t>(stored.Size);
    header.DirectoryPosition = static_cast<uint32_t>(stored.Position);
    uint8_t bytes[kPackageHeaderSize];
    header.Serialize(bytes);
    out.WriteAt(0, bytes, sizeof bytes);
    return stored.Position + stored.Size;
}

void WritePackageFile(const std::string& path, const std::vector<PackageItemSpec>& items,
                      const PackageHeaderInfo& header, const WriteProgress& progress) {
    ReplacingFile out(path, 0666);
    WritePackage(out.Fd(), 0, items, header, progress);
    out.Commit();
}

}  // namespace kel
