#pragma once
// The package format: a 1104-byte header, the stored item data, and a zlib-compressed XML
// directory at the end. TTarnPackageFile reads the header and the directory into a tree of
// TTarnPackageItem; items copy their bytes out on demand.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kel {

constexpr size_t kPackageHeaderSize = 1104;
constexpr size_t kSignatureSize = 10;
// The signature of the packages of every lesson bundle; it fills all kSignatureSize bytes.
constexpr char kLessonPackageSignature[] = "EPT_Korvat";
// Inflated directories larger than this are refused rather than exhausting memory.
constexpr uint64_t kMaxDirectorySize = 64ull << 20;

// The header in its stored layout (little-endian integers).
struct TPackageHeader {
    std::array<char, kSignatureSize> Signature{};  // ends at the first NUL or after 10 bytes
    std::array<char, 20> Description{};            // GB2312, NUL-padded
    std::array<char, 26> Version{};                // ASCII, NUL-padded
    double DateTime = 0;                           // days since 1899-12-30
    uint32_t Reserved = 0;
    uint32_t DataSize = 0;  // DirectoryPosition - 1104
    uint32_t DirectorySize = 0;
    uint32_t DirectoryPosition = 0;
    std::array<uint8_t, 16> PackageGuid{};

    std::string SignatureText() const;  // up to the first NUL
    std::string GuidText() const;       // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"

    static TPackageHeader Parse(const uint8_t* bytes);  // kPackageHeaderSize bytes
    void Serialize(uint8_t* bytes) const;               // kPackageHeaderSize bytes, rest zero
};

class TTarnPackageFile;

// Called while an item's bytes are copied out: bytes of stored data done, of how many.
using ExtractProgress = std::function<void(uint64_t done, uint64_t total)>;

class TTarnPackageItem {
  public:
    explicit TTarnPackageItem(TTarnPackageFile* package);
    TTarnPackageItem(const TTarnPackageItem&) = delete;
    TTarnPackageItem& operator=(const TTarnPackageItem&) = delete;

    // Tree operations used while a package is opened.
    TTarnPackageItem& AddChild();
    void Clear();
    // Reads this item (and a folder's subtree) from a directory element (an xmlNode*).
    void LoadFromNode(const void* xmlElement);

    int ChildCount() const { return static_cast<int>(Children.size()); }
    // Throws kel::Error "List index out of bounds (<index>)" outside 0..ChildCount()-1.
    TTarnPackageItem& Child(int index) const;
    bool IsFolder() const { return !FilePath.empty(); }
    // Last component of FilePath without its trailing separator.
    std::string FolderName() const;
    // First extra attribute whose name equals `name` ignoring ASCII case; "" when none.
    std::string Attribute(const std::string& name) const;
    // The display name decoded from the "BEG<hex>END" element name.
    std::string DisplayName() const;

    // Writes the item below `folder` (created with its parents when missing): a file item as
    // folder/name, a folder item as folder/name/... with all children. `name` replaces the
    // item's own name when given. 0 on success, -1 when any file could not be written or a
    // name is unsafe (empty, ".", "..", NUL); the other files are still written. Nothing is
    // ever written outside `folder`.
    int ExtractTo(const std::string& folder, const std::string& name = "",
                  const ExtractProgress& progress = {}) const;
    // Streams `size` stored bytes at `position` (from the package start) into `target`,
    // inflating them when `compressed`. False on any failure; never throws.
    bool ExtractData(uint32_t position, uint32_t size, bool compressed, const std::string& target,
                     const ExtractProgress& progress = {}) const;

    std::vector<std::unique_ptr<TTarnPackageItem>> Children;
    std::vector<std::string> AttributeNames;
    std::vector<std::string> AttributeValues;
    std::string Name;
    int32_t FileSize = 0;
    int32_t FilePosition = 0;
    int32_t OdditionalSize = 0;
    int32_t OdditionalPosition = 0;
    std::string FilePath;
    std::string FileName;
    std::string MainFileName;
    std::string OdditionalFile;
    TTarnPackageFile* Package = nullptr;
    TTarnPackageItem* Parent = nullptr;
    bool Compress = true;
};

class TTarnPackageFile {
  public:
    TTarnPackageFile();
    ~TTarnPackageFile();
    TTarnPackageFile(const TTarnPackageFile&) = delete;
    TTarnPackageFile& operator=(const TTarnPackageFile&) = delete;

    void SetSignature(const std::string& signature);
    // Places the package inside a larger file.
    void SetEmbedded(uint32_t baseOffset, uint32_t packageSize);

    // Reads the header and the directory and rebuilds the tree. 0 when loaded, -2 when the
    // signature differs (tree empty). Throws kel::Error naming the file (and the offset where
    // it applies) on every other failure.
    int Open(const std::string& path);

    TTarnPackageItem& Root() { return *FRoot; }
    const TTarnPackageItem& Root() const { return *FRoot; }
    bool Embedded() const { return FEmbedded; }
    uint32_t BaseOffset() const { return FBaseOffset; }
    uint32_t PackageSize() const { return FPackageSize; }
    const std::string& PackageFileName() const { return FPackageFileName; }
    const TPackageHeader& Header() const { return FHeader; }

  private:
    std::unique_ptr<TTarnPackageItem> FRoot;
    TPackageHeader FHeader;
    std::string FPackageFileName;
    std::string FExpectedSignature;
    bool FEmbedded = false;
    uint32_t FBaseOffset = 0;
    uint32_t FPackageSize = 0;
};

}  // namespace kel
