// Fuzz target for the package reader: the input is a package file, opened on its own and again
// embedded at an offset in a larger file; every tree it yields is walked. Errors are expected,
// crashes and hangs are not.
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "Error.h"
#include "TarnZLib.h"

namespace {

class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kelfuzz-package-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            abort();
        FPath = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }
    std::string File(const char* name) const { return (FPath / name).string(); }

  private:
    std::filesystem::path FPath;
};

constexpr size_t kEmbeddingOffset = 37;

void WriteFile(const std::string& path, size_t padding, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << std::string(padding, 'P');
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void Walk(const kel::TTarnPackageItem& item) {
    (void)item.DisplayName();
    (void)item.FolderName();
    (void)item.Attribute("style");
    for (int i = 0; i < item.ChildCount(); ++i)
        Walk(item.Child(i));
}

void OpenAndWalk(kel::TTarnPackageFile& package, const std::string& path) {
    package.SetSignature("EPT_Korvat");
    try {
        if (package.Open(path) == 0)
            Walk(package.Root());
    } catch (const kel::Error&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchFolder folder;
    const std::string alone = folder.File("alone.ept");
    const std::string bundle = folder.File("bundle");
    WriteFile(alone, 0, data, size);
    WriteFile(bundle, kEmbeddingOffset, data, size);

    kel::TTarnPackageFile standAlone;
    OpenAndWalk(standAlone, alone);
    kel::TTarnPackageFile embedded;
    embedded.SetEmbedded(kEmbeddingOffset, static_cast<uint32_t>(size));
    OpenAndWalk(embedded, bundle);
    return 0;
}
