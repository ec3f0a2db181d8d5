#include "TarnZLib.h"

#include <errno.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlreader.h>
#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "Convert.h"
#include "Error.h"
#include "Gbk.h"
#include "Inflate.h"
#include "InputFile.h"
#include "PathUtil.h"
#include "ReplaceFile.h"

namespace kel {

namespace {

// Item data is copied in chunks of this size, so memory stays flat whatever the item's size.
constexpr size_t kCopyChunkSize = 256 * 1024;

uint32_t ReadLe32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void WriteLe32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t ReadLe64(const uint8_t* p) {
    return uint64_t{ReadLe32(p)} | uint64_t{ReadLe32(p + 4)} << 32;
}

void WriteLe64(uint8_t* p, uint64_t value) {
    WriteLe32(p, static_cast<uint32_t>(value));
    WriteLe32(p + 4, static_cast<uint32_t>(value >> 32));
}

std::string PackageOpenFailure(const std::string& path, const char* reason) {
    return Format("%s: cannot open the file (%s)", path.c_str(), reason);
}

// Feeds `size` bytes at `offset` of `file` to an inflater or a copy loop, chunk by chunk,
// reporting progress after each chunk.
class RangeReader {
  public:
    RangeReader(const InputFile& file, uint64_t offset, uint64_t size,
                const ExtractProgress& progress)
        : FFile(file), FOffset(offset), FSize(size), FProgress(progress) {}

    size_t operator()(uint8_t* buffer, size_t capacity) {
        const size_t size = static_cast<size_t>(std::min<uint64_t>(capacity, FSize - FDone));
        if (!FFile.ReadAt(FOffset + FDone, buffer, size))
            throw Error("the package file ends early");
        FDone += size;
        if (FProgress && size > 0)
            FProgress(FDone, FSize);
        return size;
    }

    bool Done() const { return FDone == FSize; }

  private:
    const InputFile& FFile;
    uint64_t FOffset;
    uint64_t FSize;
    uint64_t FDone = 0;
    ExtractProgress FProgress;
};

// One level of folder inside a folder we already trust; an existing folder is fine, but not a
// symbolic link or anything else that happens to carry the name.
bool MakeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0777) == 0)
        return true;
    struct stat info {};
    return errno == EEXIST && lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// ---- the directory document

std::string NodeName(const xmlNode* node) {
    std::string name;
    if (node->ns != nullptr && node->ns->prefix != nullptr)
        name = std::string(reinterpret_cast<const char*>(node->ns->prefix)) + ":";
    return name + reinterpret_cast<const char*>(node->name);
}

// The attribute's text. Entity references are never expanded: a directory has no document
// type, so no entity of its own can be defined.
std::string AttributeValue(const xmlAttr* attribute) {
    std::string text;
    for (const xmlNode* part = attribute->children; part != nullptr; part = part->next) {
        if (part->type == XML_TEXT_NODE && part->content != nullptr)
            text += reinterpret_cast<const char*>(part->content);
    }
    return text;
}

// The value of the attribute with exactly this name; an absent attribute is an error.
std::string RequiredAttribute(const xmlNode* node, const std::string& item, const char* name) {
    const xmlAttr* attribute =
        xmlHasProp(const_cast<xmlNode*>(node), reinterpret_cast<const xmlChar*>(name));
    if (attribute == nullptr)
        throw Error(Format("item %s lacks the attribute \"%s\"", item.c_str(), name));
    return AttributeValue(attribute);
}

// Reads every element child of `element` as a child item of `parent`; other nodes (text,
// comments) are not items.
void LoadChildren(TTarnPackageItem& parent, const xmlNode* element) {
    for (const xmlNode* node = element->children; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        TTarnPackageItem& child = parent.AddChild();
        child.Name = NodeName(node);
        child.LoadFromNode(node);
    }
}

// The encoding named by the document's XML declaration, or "" when there is none.
std::string DeclaredEncoding(const std::string& document) {
    if (!document.starts_with("<?xml"))
        return "";
    const std::string_view declaration(document.data(),
                                       std::min(document.find("?>"), document.size()));
    size_t at = declaration.find("encoding");
    if (at == std::string_view::npos)
        return "";
    at = declaration.find_first_not_of(" \t\r\n", at + 8);
    if (at == std::string_view::npos || declaration[at] != '=')
        return "";
    at = declaration.find_first_not_of(" \t\r\n", at + 1);
    if (at == std::string_view::npos || (declaration[at] != '"' && declaration[at] != '\''))
        return "";
    const size_t end = declaration.find(declaration[at], at + 1);
    if (end == std::string_view::npos)
        return "";
    return std::string(declaration.substr(at + 1, end - at - 1));
}

struct XmlReaderDeleter {
    void operator()(xmlTextReader* reader) const { xmlFreeTextReader(reader); }
};

// The first error the parser reports, with its line.
void KeepFirstError(void* context, xmlError* error) {
    auto* message = static_cast<std::string*>(context);
    if (!message->empty() || error == nullptr || error->level < XML_ERR_ERROR)
        return;
    std::string text = error->message != nullptr ? error->message : "unknown error";
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    *message = Format("line %d: %s", error->line, text.c_str());
}

// Reads the directory document into `root`'s children. The document is streamed: each
// top-level item's element is expanded, read and released in turn, so opening stays fast and
// small however many items there are.
void LoadDirectory(TTarnPackageItem& root, const std::string& document) {
    // A directory declared GB2312 is read as GBK, its superset, so names outside GB2312 read.
    const bool gb2312 = EqualsIgnoringAsciiCase(DeclaredEncoding(document), "GB2312");
    const int options = XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR |
                        XML_PARSE_NOWARNING | (gb2312 ? XML_PARSE_IGNORE_ENC : 0);
    std::unique_ptr<xmlTextReader, XmlReaderDeleter> reader(
        xmlReaderForMemory(document.data(), static_cast<int>(document.size()), nullptr,
                           gb2312 ? "GBK" : nullptr, options));
    if (!reader)
        throw Error("out of memory while reading the package directory");
    std::string error;
    xmlTextReaderSetStructuredErrorHandler(reader.get(), KeepFirstError, &error);

    bool rootSeen = false;
    int status = xmlTextReaderRead(reader.get());
    while (status == 1) {
        const int type = xmlTextReaderNodeType(reader.get());
        // A directory never carries a document type declaration; refusing one keeps entity
        // definitions out of the tree.
        if (type == XML_READER_TYPE_DOCUMENT_TYPE)
            throw Error("the package directory carries a document type declaration");
        const int depth = xmlTextReaderDepth(reader.get());
        rootSeen = rootSeen || (type == XML_READER_TYPE_ELEMENT && depth == 0);
        if (type != XML_READER_TYPE_ELEMENT || depth != 1) {
            status = xmlTextReaderRead(reader.get());
            continue;
        }
        const xmlNode* node = xmlTextReaderExpand(reader.get());
        if (node == nullptr)
            break;
        TTarnPackageItem& child = root.AddChild();
        child.Name = NodeName(node);
        child.LoadFromNode(node);
        status = xmlTextReaderNext(reader.get());
    }
    if (status != 0 || !rootSeen)
        throw Error(Format("the package directory does not parse (%s)",
                           error.empty() ? "line 1: the document is empty" : error.c_str()));
}

// Thrown from the directory's inflation when it grows past kMaxDirectorySize.
struct DirectoryTooLarge {};

std::string InflateDirectory(const InputFile& file, uint64_t offset, uint32_t size) {
    std::string document;
    RangeReader reader(file, offset, size, {});
    InflateZlib(std::ref(reader), [&](const uint8_t* data, size_t length) {
        if (length > kMaxDirectorySize - document.size())
            throw DirectoryTooLarge{};
        document.append(reinterpret_cast<const char*>(data), length);
    });
    return document;
}

}  // namespace

// ---- TPackageHeader

std::string TPackageHeader::SignatureText() const {
    return std::string(Signature.data(), strnlen(Signature.data(), Signature.size()));
}

std::string TPackageHeader::GuidText() const {
    const uint8_t* g = PackageGuid.data();
    return Format("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", ReadLe32(g),
                  g[4] | g[5] << 8, g[6] | g[7] << 8, g[8], g[9], g[10], g[11], g[12], g[13], g[14],
                  g[15]);
}

TPackageHeader TPackageHeader::Parse(const uint8_t* bytes) {
    TPackageHeader header;
    std::memcpy(header.Signature.data(), bytes, header.Signature.size());
    std::memcpy(header.Description.data(), bytes + 10, header.Description.size());
    std::memcpy(header.Version.data(), bytes + 30, header.Version.size());
    header.DateTime = std::bit_cast<double>(ReadLe64(bytes + 56));
    header.Reserved = ReadLe32(bytes + 64);
    header.DataSize = ReadLe32(bytes + 68);
    header.DirectorySize = ReadLe32(bytes + 72);
    header.DirectoryPosition = ReadLe32(bytes + 76);
    std::memcpy(header.PackageGuid.data(), bytes + 80, header.PackageGuid.size());
    return header;
}

void TPackageHeader::Serialize(uint8_t* bytes) const {
    std::memset(bytes, 0, kPackageHeaderSize);
    std::memcpy(bytes, Signature.data(), Signature.size());
    std::memcpy(bytes + 10, Description.data(), Description.size());
    std::memcpy(bytes + 30, Version.data(), Version.size());
    WriteLe64(bytes + 56, std::bit_cast<uint64_t>(DateTime));
    WriteLe32(bytes + 64, Reserved);
    WriteLe32(bytes + 68, DataSize);
    WriteLe32(bytes + 72, DirectorySize);
    WriteLe32(bytes + 76, DirectoryPosition);
    std::memcpy(bytes + 80, PackageGuid.data(), PackageGuid.size());
}

// ---- TTarnPackageItem: the tree

TTarnPackageItem::TTarnPackageItem(TTarnPackageFile* package) : Package(package) {}

TTarnPackageItem& TTarnPackageItem::AddChild() {
    auto child = std::make_unique<TTarnPackageItem>(Package);
    child->Parent = this;
    Children.push_back(std::move(child));
    return *Children.back();
}

void TTarnPackageItem::Clear() {
    while (!Children.empty())
        Children.pop_back();
}

void TTarnPackageItem::LoadFromNode(const void* xmlElement) {
    const auto* node = static_cast<const xmlNode*>(xmlElement);
    auto number = [&](const char* name) {
        return StrToIntDef(RequiredAttribute(node, Name, name), 0);
    };
    FileSize = number("FileSize");
    FilePosition = number("FilePosition");
    OdditionalSize = number("OdditionalSize");
    OdditionalPosition = number("OdditionalPosition");
    const std::string compress = RequiredAttribute(node, Name, "Compress");
    try {
        Compress = StrToBool(compress);
    } catch (const Error& error) {
        throw Error(Format("item %s: %s", Name.c_str(), error.what()));
    }
    FileName = RequiredAttribute(node, Name, "FileName");
    FilePath = RequiredAttribute(node, Name, "FilePath");
    MainFileName = RequiredAttribute(node, Name, "MainFileName");
    OdditionalFile = RequiredAttribute(node, Name, "OdditionalFile");

    constexpr int kFixedAttributes = 9;
    int index = 0;
    for (const xmlAttr* attribute = node->properties; attribute != nullptr;
         attribute = attribute->next) {
        if (++index <= kFixedAttributes)
            continue;
        AttributeNames.push_back(NodeName(reinterpret_cast<const xmlNode*>(attribute)));
        AttributeValues.push_back(AttributeValue(attribute));
    }
    if (IsFolder())
        LoadChildren(*this, node);
}

// ---- TTarnPackageItem: what the player uses

TTarnPackageItem& TTarnPackageItem::Child(int index) const {
    if (index < 0 || index >= ChildCount())
        throw Error(Format("List index out of bounds (%d)", index));
    return *Children[static_cast<size_t>(index)];
}

std::string TTarnPackageItem::FolderName() const {
    return FilePath.empty() ? "" : LastPathComponent(FilePath.substr(0, FilePath.size() - 1));
}

std::string TTarnPackageItem::Attribute(const std::string& name) const {
    for (size_t i = 0; i < AttributeNames.size(); ++i) {
        if (EqualsIgnoringAsciiCase(AttributeNames[i], name))
            return AttributeValues[i];
    }
    return "";
}

std::string TTarnPackageItem::DisplayName() const {
    return DecodeItemElementName(Name);
}

int TTarnPackageItem::ExtractTo(const std::string& folder, const std::string& name,
                                const ExtractProgress& progress) const {
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    // Names come from the package and are not trusted: only a plain last component is used.
    const auto component = SafeLastPathComponent(!name.empty() ? name
                                                 : IsFolder()  ? FolderName()
                                                               : FileName);
    if (!component)
        return -1;
    std::string target = folder;
    AddBackslash(target);
    target += *component;

    if (!IsFolder()) {
        const bool extracted =
            FilePosition >= 0 && FileSize >= 0 &&
            ExtractData(static_cast<uint32_t>(FilePosition), static_cast<uint32_t>(FileSize),
                        Compress, target, progress);
        return extracted ? 0 : -1;
    }
    // A name that is taken by anything but a real folder (a symbolic link above all) gets
    // nothing written below it.
    if (!MakeFolder(target))
        return -1;
    int result = 0;
    for (const auto& child : Children) {
        if (child->ExtractTo(target, "", progress) != 0)
            result = -1;
    }
    return result;
}

bool TTarnPackageItem::ExtractData(uint32_t position, uint32_t size, bool compressed,
                                   const std::string& target,
                                   const ExtractProgress& progress) const {
    try {
        const InputFile package(Package->PackageFileName());
        const uint64_t offset = uint64_t{Package->BaseOffset()} + position;
        if (!package.Holds(offset, size))
            return false;
        ReplacingFile out(target, 0666);
        RangeReader reader(package, offset, size, progress);
        if (compressed) {
            InflateZlib(std::ref(reader),
                        [&](const uint8_t* data, size_t length) { out.Write(data, length); });
        } else {
            std::vector<uint8_t> buffer(kCopyChunkSize);
            while (!reader.Done())
                out.Write(buffer.data(), reader(buffer.data(), buffer.size()));
        }
        out.Commit();
        return true;
    } catch (...) {
        return false;
    }
}

// ---- TTarnPackageFile

TTarnPackageFile::TTarnPackageFile() : FRoot(std::make_unique<TTarnPackageItem>(this)) {}

TTarnPackageFile::~TTarnPackageFile() = default;

void TTarnPackageFile::SetSignature(const std::string& signature) {
    FExpectedSignature = signature;
}

void TTarnPackageFile::SetEmbedded(uint32_t baseOffset, uint32_t packageSize) {
    FEmbedded = true;
    FBaseOffset = baseOffset;
    FPackageSize = packageSize;
}

int TTarnPackageFile::Open(const std::string& path) {
    FRoot->Clear();
    FPackageFileName.clear();
    FHeader = TPackageHeader{};

    const InputFile file(path, PackageOpenFailure);
    const uint64_t base = FEmbedded ? FBaseOffset : 0;
    uint8_t header[kPackageHeaderSize];
    file.RequireRange("header", base, kPackageHeaderSize);
    if (!file.ReadAt(base, header, kPackageHeaderSize))
        throw Error(Format("%s: cannot read the header", path.c_str()));
    FHeader = TPackageHeader::Parse(header);
    if (FHeader.SignatureText() != FExpectedSignature)
        return -2;

    const uint64_t directoryOffset = base + FHeader.DirectoryPosition;
    file.RequireRange("directory", directoryOffset, FHeader.DirectorySize);
    std::string document;
    try {
        document = InflateDirectory(file, directoryOffset, FHeader.DirectorySize);
    } catch (const DirectoryTooLarge&) {
        throw Error(Format("%s: package directory at %llu+%u inflates to more than %llu MiB",
                           path.c_str(), Ull(directoryOffset), FHeader.DirectorySize,
                           Ull(kMaxDirectorySize >> 20)));
    } catch (const Error& error) {
        throw Error(Format("%s: package directory at %llu+%u is not valid zlib data (%s)",
                           path.c_str(), Ull(directoryOffset), FHeader.DirectorySize,
                           error.what()));
    }
    try {
        LoadDirectory(*FRoot, document);
    } catch (const Error& error) {
        throw Error(Format("%s: %s", path.c_str(), error.what()));
    }
    FPackageFileName = path;
    return 0;
}

}  // namespace kel
