#include "Catalogue.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

#include "Convert.h"
#include "Error.h"
#include "PathUtil.h"
#include "TarnZLib.h"

namespace kel {

namespace {

xmlNodePtr AsNode(void* node) {
    return static_cast<xmlNodePtr>(node);
}

xmlDocPtr AsDoc(void* doc) {
    return static_cast<xmlDocPtr>(doc);
}

// The nearest element in the direction `step` walks, starting at `node` itself. Text, comments
// and processing instructions between entries are not entries.
xmlNodePtr SkipToElement(xmlNodePtr node, xmlNodePtr xmlNode::*step) {
    while (node && node->type != XML_ELEMENT_NODE)
        node = node->*step;
    return node;
}

std::string TrimmedMessage(const xmlError* error) {
    std::string message = error && error->message ? error->message : "not well-formed";
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message;
}

struct ParserContext {
    ParserContext() : Ctxt(xmlNewParserCtxt()) {
        if (!Ctxt)
            throw Error("out of memory while creating the XML parser");
    }
    ~ParserContext() { xmlFreeParserCtxt(Ctxt); }
    ParserContext(const ParserContext&) = delete;
    ParserContext& operator=(const ParserContext&) = delete;

    xmlParserCtxtPtr Ctxt;
};

// No network access, no DTD loading, no entity substitution; the parser reports through its
// context instead of printing.
constexpr int kParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

}  // namespace

TCatalogueNode TCatalogueNode::PreviousSibling() const {
    if (IsNull())
        return {};
    return TCatalogueNode(SkipToElement(AsNode(FNode)->prev, &xmlNode::prev));
}

TCatalogueNode TCatalogueNode::NextSibling() const {
    if (IsNull())
        return {};
    return TCatalogueNode(SkipToElement(AsNode(FNode)->next, &xmlNode::next));
}

std::string TCatalogueNode::NodeName() const {
    if (IsNull())
        return {};
    const xmlNodePtr node = AsNode(FNode);
    std::string name = reinterpret_cast<const char*>(node->name);
    if (node->ns && node->ns->prefix)
        name = reinterpret_cast<const char*>(node->ns->prefix) + (":" + name);
    return name;
}

std::optional<std::string> TCatalogueNode::Attribute(const std::string& name) const {
    if (IsNull())
        return std::nullopt;
    xmlChar* value = xmlGetNoNsProp(AsNode(FNode), reinterpret_cast<const xmlChar*>(name.c_str()));
    if (!value)
        return std::nullopt;
    std::string text = reinterpret_cast<const char*>(value);
    xmlFree(value);
    return text;
}

TCatalogue::TCatalogue() = default;

TCatalogue::~TCatalogue() {
    Close();
}

TCatalogue::TCatalogue(TCatalogue&& other) noexcept : FDoc(std::exchange(other.FDoc, nullptr)) {}

TCatalogue& TCatalogue::operator=(TCatalogue&& other) noexcept {
    if (this != &other) {
        Close();
        FDoc = std::exchange(other.FDoc, nullptr);
    }
    return *this;
}

TCatalogue TCatalogue::LoadFromMemory(const std::string& bytes, const std::string& sourceName) {
    if (bytes.size() > INT_MAX)
        throw Error(
            Format("%s: the catalogue is too large (%zu bytes)", sourceName.c_str(), bytes.size()));
    ParserContext parser;
    xmlDocPtr doc = xmlCtxtReadMemory(parser.Ctxt, bytes.data(), static_cast<int>(bytes.size()),
                                      sourceName.c_str(), nullptr, kParseOptions);
    if (!doc || !parser.Ctxt->wellFormed || !xmlDocGetRootElement(doc)) {
        xmlFreeDoc(doc);
        const xmlError* error = xmlCtxtGetLastError(parser.Ctxt);
        throw Error(Format("%s:%d: %s", sourceName.c_str(), error ? error->line : 0,
                           TrimmedMessage(error).c_str()));
    }
    TCatalogue catalogue;
    catalogue.FDoc = doc;
    return catalogue;
}

TCatalogue TCatalogue::LoadFromFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error(Format("%s: cannot open: %s", path.c_str(), std::strerror(errno)));
    std::string bytes{std::istreambuf_iterator<char>(in), {}};
    if (in.bad())
        throw Error(Format("%s: cannot read: %s", path.c_str(), std::strerror(errno)));
    return LoadFromMemory(bytes, path);
}

void TCatalogue::Close() {
    xmlFreeDoc(AsDoc(FDoc));
    FDoc = nullptr;
}

TCatalogueNode TCatalogue::DocumentElement() const {
    if (!Active())
        return {};
    return TCatalogueNode(xmlDocGetRootElement(AsDoc(FDoc)));
}

TCatalogueNode TCatalogue::FirstEntry() const {
    if (!Active())
        return {};
    return TCatalogueNode(
        SkipToElement(xmlDocGetRootElement(AsDoc(FDoc))->children, &xmlNode::next));
}

int TCatalogue::EntryCount() const {
    if (!Active())
        return 0;
    return static_cast<int>(xmlChildElementCount(xmlDocGetRootElement(AsDoc(FDoc))));
}

TEntryRef ReadEntryRef(const TCatalogueNode& entry) {
    // Conversion happens attribute by attribute, so a bad "ID" is reported before a missing
    // "System".
    const auto text = [&entry](const char* name) {
        std::optional<std::string> value = entry.Attribute(name);
        if (!value)
            throw Error("Could not convert variant of type (Null) into type (String)");
        return *value;
    };
    TEntryRef ref;
    ref.Id = StrToInt(text("ID"));
    ref.System = StrToBool(text("System"));
    return ref;
}

TTarnPackageItem& ResolveEntry(const TEntryRef& ref, TTarnPackageFile& mainPackage,
                               TTarnPackageFile& secondPackage) {
    TTarnPackageFile& package = ref.System ? mainPackage : secondPackage;
    return package.Root().Child(ref.Id);
}

std::string ShownFilePath(const TTarnPackageItem& item, const std::string& workFolder) {
    std::string path = workFolder;
    AddBackslash(path);
    if (!item.IsFolder()) {
        const std::optional<std::string> name = SafeLastPathComponent(item.FileName);
        return name ? path + *name : std::string();
    }
    const std::optional<std::string> folder = SafeLastPathComponent(item.FolderName());
    const std::optional<std::string> mainFile = SafeLastPathComponent(item.MainFileName);
    if (!folder || !mainFile)
        return {};
    return path + *folder + "/" + *mainFile;
}

}  // namespace kel
