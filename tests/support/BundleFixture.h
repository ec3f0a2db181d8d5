#pragma once
// Builders for bundle fixtures: player images, package items, and a bundle opened the way the
// player opens its own executable.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Catalogue.h"
#include "TarnZLib.h"
#include "TestUtil.h"
#include "Trailer.h"
#include "Writer.h"

namespace kel::test {

// A stand-in player executable of `size` pseudo-random bytes with mode 0755; returns its path.
std::string WritePlayerImage(const TempFolder& folder, size_t size,
                             const std::string& name = "player");

// A file item holding `data`, unpacking to the last component of `fileName`.
PackageItemSpec FileItemSpec(const std::string& displayName, const std::string& fileName,
                             const std::vector<uint8_t>& data, bool compress);

// The lesson of the worked example: a stored "CWS" movie of 1,429,101 bytes with a zlib-stored
// 230,454-byte thumbnail (written into `folder`) and the extra attribute "Style" "动画".
PackageItemSpec ExampleLessonItem(const TempFolder& folder);
PackageHeaderInfo ExampleHeader();
CatalogueInfo ExampleCatalogueInfo();

// A bundle read back as the player reads its own executable: the trailer, both package readers
// placed by it (the second opened only when it has a size) and the catalogue loaded.
struct OpenedBundle {
    TBundleContents Contents;
    TTarnPackageFile Main;
    TTarnPackageFile Second;
    TCatalogue Catalogue;
};
std::unique_ptr<OpenedBundle> OpenBundle(const std::string& path);

// Every catalogue entry's reference, in order.
std::vector<TEntryRef> EntryRefs(const TCatalogue& catalogue);

}  // namespace kel::test
