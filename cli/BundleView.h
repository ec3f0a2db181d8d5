#pragma once
// A bundle opened the way the player opens it: trailer, packages, catalogue and every entry
// resolved to its item. What cannot be read is recorded as a problem instead of stopping the
// rest, so that the listing and the extraction can go on with whatever is sound.

#include <optional>
#include <string>
#include <vector>

#include "Catalogue.h"
#include "TarnZLib.h"
#include "Trailer.h"

namespace kelpack {

struct PackageView {
    std::string Role;  // "main package" or "second package"
    uint32_t Offset = 0;
    uint32_t Size = 0;
    bool Present = false;  // opened: the main package always, the second when its size is not 0
    kel::TTarnPackageFile File;
    std::string Problem;  // why it could not be read; empty when it was
};

struct EntryView {
    int Number = 0;  // from 1, in catalogue order
    std::optional<std::string> IdText;
    std::optional<std::string> SystemText;
    std::optional<kel::TEntryRef> Ref;
    const kel::TTarnPackageItem* Item = nullptr;
    std::string ShownPath;  // where the item's shown file lands, relative to the work folder
    std::string Error;      // why it does not resolve, e.g. "List index out of bounds (7)"
};

class BundleView {
  public:
    // Throws kel::Error when the file holds no readable trailer or catalogue bytes.
    explicit BundleView(const std::string& path);
    BundleView(const BundleView&) = delete;
    BundleView& operator=(const BundleView&) = delete;

    const std::string& Path() const { return FPath; }
    const kel::TBundleContents& Contents() const { return FContents; }
    const PackageView& Main() const { return FMain; }
    const PackageView& Second() const { return FSecond; }
    const std::vector<EntryView>& Entries() const { return FEntries; }
    // Why the catalogue gave no entries; empty when it gave some.
    const std::string& CatalogueProblem() const { return FCatalogueProblem; }
    // Why the help segment cannot be read; empty when it lies inside the file or is absent.
    const std::string& HelpProblem() const { return FHelpProblem; }
    // Every problem found, in the order of the file's parts, each naming the bundle.
    std::vector<std::string> Problems() const;

  private:
    void OpenPackage(PackageView& package);
    void ReadEntries();
    EntryView ResolveEntryView(const kel::TCatalogueNode& node, int number);
    const PackageView& PackageOf(const kel::TEntryRef& ref) const;

    std::string FPath;
    kel::TBundleContents FContents;
    PackageView FMain;
    PackageView FSecond;
    std::string FHelpProblem;
    std::string FCatalogueProblem;
    std::vector<EntryView> FEntries;
};

}  // namespace kelpack
