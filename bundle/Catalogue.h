#pragma once
// The catalogue: an XML document whose root's child elements are the lessons in order. Each
// entry names a top-level item of the main ("System" true) or the second package by "ID".

#include <memory>
#include <optional>
#include <string>

namespace kel {

class TTarnPackageFile;
class TTarnPackageItem;

// One entry of a loaded catalogue; a null node is "no entry". Valid while its TCatalogue lives.
class TCatalogueNode {
  public:
    TCatalogueNode() = default;
    explicit TCatalogueNode(void* xmlNode) : FNode(xmlNode) {}

    bool IsNull() const { return FNode == nullptr; }
    TCatalogueNode PreviousSibling() const;  // previous element sibling, or null
    TCatalogueNode NextSibling() const;      // next element sibling, or null
    std::string NodeName() const;
    // The attribute's value; empty optional when absent.
    std::optional<std::string> Attribute(const std::string& name) const;
    bool operator==(const TCatalogueNode&) const = default;

  private:
    void* FNode = nullptr;
};

class TCatalogue {
  public:
    TCatalogue();
    ~TCatalogue();
    TCatalogue(TCatalogue&&) noexcept;
    TCatalogue& operator=(TCatalogue&&) noexcept;

    // Parse UTF-8 XML (no network, no entity expansion). Throws kel::Error naming `sourceName`
    // and the line when the document is not well-formed.
    static TCatalogue LoadFromMemory(const std::string& bytes, const std::string& sourceName);
    static TCatalogue LoadFromFile(const std::string& path);

    bool Active() const { return FDoc != nullptr; }
    void Close();  // deactivates the document; every node becomes invalid
    TCatalogueNode DocumentElement() const;
    TCatalogueNode FirstEntry() const;  // first element child of the root, or null
    int EntryCount() const;

  private:
    void* FDoc = nullptr;
};

struct TEntryRef {
    int32_t Id = 0;
    bool System = true;  // true: main package
};

// Reads "ID" and "System" with the exact conversions and error texts of the player:
// missing: "Could not convert variant of type (Null) into type (String)";
// "'<text>' is not a valid integer value"; "'<text>' is not a valid boolean value".
TEntryRef ReadEntryRef(const TCatalogueNode& entry);

// The top-level item the entry names; throws "List index out of bounds (<id>)" when the chosen
// package has no such item (also when it was never opened or its signature differed).
TTarnPackageItem& ResolveEntry(const TEntryRef& ref, TTarnPackageFile& mainPackage,
                               TTarnPackageFile& secondPackage);

// Where the player places an item's shown file inside `workFolder` (which ends in "/"):
// workFolder + name for a file item, workFolder + folder + "/" + main file for a folder item.
// Empty when a name is unsafe.
std::string ShownFilePath(const TTarnPackageItem& item, const std::string& workFolder);

}  // namespace kel
