#include "BundleView.h"

#include "Error.h"
#include "Output.h"

namespace kelpack {

namespace {

// The text of a segment that lies outside the file, as the trailer reader words it.
std::string OutsideProblem(const std::vector<std::string>& problems, const std::string& path,
                           const std::string& name) {
    for (const std::string& problem : problems)
        if (problem.starts_with(path + ": " + name + " at "))
            return problem;
    return {};
}

}  // namespace

BundleView::BundleView(const std::string& path) : FPath(path), FContents(kel::ReadBundle(path)) {
    const kel::TBundleTrailer& t = FContents.Trailer;
    const std::vector<std::string> outside = kel::SegmentsOutsideFile(FContents, FPath);
    FMain.Role = "main package";
    FMain.Offset = t.MainOffset;
    FMain.Size = t.MainSize;
    FMain.Present = true;
    FMain.Problem = OutsideProblem(outside, FPath, FMain.Role);
    FSecond.Role = "second package";
    FSecond.Offset = t.SecondOffset;
    FSecond.Size = t.SecondSize;
    FSecond.Present = t.SecondSize != 0;
    FSecond.Problem = FSecond.Present ? OutsideProblem(outside, FPath, FSecond.Role) : "";
    FHelpProblem = OutsideProblem(outside, FPath, "help segment");
    for (PackageView* package : {&FMain, &FSecond})
        if (package->Present && package->Problem.empty())
            OpenPackage(*package);
    ReadEntries();
}

void BundleView::OpenPackage(PackageView& package) {
    package.File.SetSignature(kel::kLessonPackageSignature);
    package.File.SetEmbedded(package.Offset, package.Size);
    try {
        if (package.File.Open(FPath) == -2)
            package.Problem = kel::Format("%s: %s at %u: the signature is \"%s\", not \"%s\"",
                                          FPath.c_str(), package.Role.c_str(), package.Offset,
                                          Printable(package.File.Header().SignatureText()).c_str(),
                                          kel::kLessonPackageSignature);
    } catch (const kel::Error& e) {
        package.Problem = e.what();
    }
}

void BundleView::ReadEntries() {
    kel::TCatalogue catalogue;
    try {
        catalogue = kel::TCatalogue::LoadFromMemory(FContents.Catalogue, FPath + ": catalogue");
    } catch (const kel::Error& e) {
        FCatalogueProblem = e.what();
        return;
    }
    int number = 1;
    for (kel::TCatalogueNode node = catalogue.FirstEntry(); !node.IsNull();
         node = node.NextSibling())
        FEntries.push_back(ResolveEntryView(node, number++));
    if (FEntries.empty())
        FCatalogueProblem = FPath + ": the catalogue has no entries";
}

EntryView BundleView::ResolveEntryView(const kel::TCatalogueNode& node, int number) {
    EntryView entry;
    entry.Number = number;
    entry.IdText = node.Attribute("ID");
    entry.SystemText = node.Attribute("System");
    try {
        entry.Ref = kel::ReadEntryRef(node);
        entry.Item = &kel::ResolveEntry(*entry.Ref, FMain.File, FSecond.File);
    } catch (const kel::Error& e) {
        entry.Error = e.what();
        if (entry.Ref && !PackageOf(*entry.Ref).Present)
            entry.Error += ": the bundle has no second package";
        else if (entry.Ref && !PackageOf(*entry.Ref).Problem.empty())
            entry.Error += ": the " + PackageOf(*entry.Ref).Role + " could not be read";
        return entry;
    }
    entry.ShownPath = kel::ShownFilePath(*entry.Item, "");
    if (entry.ShownPath.empty() && entry.Item->IsFolder())
        entry.Error = kel::Format(
            "the folder item has no safe names for its folder and shown file (\"%s\", \"%s\")",
            Printable(entry.Item->FilePath).c_str(), Printable(entry.Item->MainFileName).c_str());
    else if (entry.ShownPath.empty())
        entry.Error = kel::Format("the file item has no safe name to unpack to (\"%s\")",
                                  Printable(entry.Item->FileName).c_str());
    return entry;
}

const PackageView& BundleView::PackageOf(const kel::TEntryRef& ref) const {
    return ref.System ? FMain : FSecond;
}

std::vector<std::string> BundleView::Problems() const {
    std::vector<std::string> problems;
    for (const std::string* problem :
         {&FMain.Problem, &FSecond.Problem, &FHelpProblem, &FCatalogueProblem})
        if (!problem->empty())
            problems.push_back(*problem);
    for (const EntryView& entry : FEntries)
        if (!entry.Error.empty())
            problems.push_back(
                kel::Format("%s: entry %d: %s", FPath.c_str(), entry.Number, entry.Error.c_str()));
    return problems;
}

}  // namespace kelpack
