#include "Report.h"

#include <cstdio>

#include "Error.h"
#include "Gbk.h"
#include "HeaderInfo.h"
#include "Output.h"
#include "PathUtil.h"

namespace kelpack {

namespace {

// A NUL-padded header text field, decoded from GBK; its raw bytes when it does not decode.
template <size_t N>
std::string HeaderText(const std::array<char, N>& field) {
    std::string text(field.data(), N);
    text.resize(text.find('\0') == std::string::npos ? N : text.find('\0'));
    try {
        return kel::GbkToUtf8(text);
    } catch (const kel::Error&) {
        return Printable(text);
    }
}

std::string UnpacksTo(const kel::TTarnPackageItem& item) {
    return item.IsFolder() ? item.FolderName() : kel::LastPathComponent(item.FileName);
}

int UnresolvedCount(const BundleView& view) {
    int count = 0;
    for (const EntryView& entry : view.Entries())
        count += !entry.Error.empty();
    return count;
}

Json PackageJson(const PackageView& package) {
    if (!package.Present)
        return nullptr;
    Json json{{"offset", package.Offset}, {"size", package.Size}};
    if (!package.Problem.empty()) {
        json["problem"] = package.Problem;
        return json;
    }
    const kel::TPackageHeader& header = package.File.Header();
    json["signature"] = header.SignatureText();
    json["description"] = HeaderText(header.Description);
    json["version"] = HeaderText(header.Version);
    json["date"] = FormatPackageDate(header.DateTime);
    json["guid"] = header.GuidText();
    json["itemCount"] = package.File.Root().ChildCount();
    return json;
}

Json ItemsJson(const kel::TTarnPackageItem& parent);

Json ItemJson(const kel::TTarnPackageItem& item, int index) {
    Json json{{"index", index},
              {"name", item.DisplayName()},
              {"element", item.Name},
              {"kind", item.IsFolder() ? "folder" : "file"},
              {"unpacksTo", UnpacksTo(item)},
              {"fileName", item.FileName}};
    if (item.IsFolder()) {
        json["filePath"] = item.FilePath;
        json["mainFileName"] = item.MainFileName;
    } else {
        json["size"] = item.FileSize;
        json["position"] = item.FilePosition;
        json["compressed"] = item.Compress;
    }
    if (item.OdditionalSize != 0 || !item.OdditionalFile.empty())
        json["additional"] = {{"file", item.OdditionalFile},
                              {"size", item.OdditionalSize},
                              {"position", item.OdditionalPosition}};
    json["attributes"] = Json::array();
    for (size_t i = 0; i < item.AttributeNames.size(); ++i)
        json["attributes"].push_back(
            {{"name", item.AttributeNames[i]}, {"value", item.AttributeValues[i]}});
    if (item.IsFolder())
        json["children"] = ItemsJson(item);
    return json;
}

Json ItemsJson(const kel::TTarnPackageItem& parent) {
    Json items = Json::array();
    for (int i = 0; i < parent.ChildCount(); ++i)
        items.push_back(ItemJson(parent.Child(i), i));
    return items;
}

Json OptionalText(const std::optional<std::string>& text) {
    return text ? Json(*text) : Json(nullptr);
}

Json EntryJson(const EntryView& entry) {
    Json json{{"number", entry.Number},
              {"ID", OptionalText(entry.IdText)},
              {"System", OptionalText(entry.SystemText)}};
    if (entry.Ref) {
        json["package"] = entry.Ref->System ? "main" : "second";
        json["index"] = entry.Ref->Id;
    }
    if (entry.Item) {
        json["item"] = entry.Item->DisplayName();
        json["unpacksTo"] = entry.ShownPath;
    }
    if (!entry.Error.empty())
        json["error"] = entry.Error;
    return json;
}

void PrintSegment(const char* name, bool present, uint64_t offset, uint64_t size,
                  const std::string& note = "") {
    if (present)
        std::printf("  %-15s at %llu%s, %llu bytes\n", name,
                    static_cast<unsigned long long>(offset), note.c_str(),
                    static_cast<unsigned long long>(size));
    else
        std::printf("  %-15s none\n", name);
}

void PrintPackageHeader(const PackageView& package) {
    if (!package.Present) {
        std::printf("%s: none\n", package.Role.c_str());
    } else if (!package.Problem.empty()) {
        std::printf("%s: cannot be read\n", package.Role.c_str());
    } else {
        const kel::TPackageHeader& header = package.File.Header();
        std::printf("%s: %s, %d items; description \"%s\", version \"%s\", written %s, GUID %s\n",
                    package.Role.c_str(), header.SignatureText().c_str(),
                    package.File.Root().ChildCount(), HeaderText(header.Description).c_str(),
                    HeaderText(header.Version).c_str(), FormatPackageDate(header.DateTime).c_str(),
                    header.GuidText().c_str());
    }
}

void PrintItem(const kel::TTarnPackageItem& item, int index, int depth) {
    const std::string indent(static_cast<size_t>(2 + 4 * depth), ' ');
    if (item.IsFolder())
        std::printf("%s[%d] %s: folder %s, shown file %s, %d items\n", indent.c_str(), index,
                    Printable(item.DisplayName()).c_str(), Printable(UnpacksTo(item)).c_str(),
                    Printable(kel::LastPathComponent(item.MainFileName)).c_str(),
                    item.ChildCount());
    else
        std::printf("%s[%d] %s: file %s, %s, %d bytes stored\n", indent.c_str(), index,
                    Printable(item.DisplayName()).c_str(), Printable(UnpacksTo(item)).c_str(),
                    item.Compress ? "compressed" : "not compressed", item.FileSize);
    if (item.OdditionalSize != 0 || !item.OdditionalFile.empty())
        std::printf("%s      additional file %s, %d bytes (never unpacked)\n", indent.c_str(),
                    Printable(kel::LastPathComponent(item.OdditionalFile)).c_str(),
                    item.OdditionalSize);
    for (size_t i = 0; i < item.AttributeNames.size(); ++i)
        std::printf("%s      %s: %s\n", indent.c_str(), Printable(item.AttributeNames[i]).c_str(),
                    Printable(item.AttributeValues[i]).c_str());
    for (int i = 0; i < item.ChildCount(); ++i)
        PrintItem(item.Child(i), i, depth + 1);
}

void PrintPackageItems(const PackageView& package) {
    PrintPackageHeader(package);
    if (package.Present && package.Problem.empty())
        for (int i = 0; i < package.File.Root().ChildCount(); ++i)
            PrintItem(package.File.Root().Child(i), i, 0);
}

void PrintEntry(const EntryView& entry) {
    std::printf("  %d  ID %s, System %s: ", entry.Number,
                Printable(entry.IdText.value_or("(none)")).c_str(),
                Printable(entry.SystemText.value_or("(none)")).c_str());
    if (entry.Item)
        std::printf("%s [%d] %s", entry.Ref->System ? "main" : "second", entry.Ref->Id,
                    Printable(entry.Item->DisplayName()).c_str());
    if (!entry.ShownPath.empty())
        std::printf(" -> %s", Printable(entry.ShownPath).c_str());
    if (!entry.Error.empty())
        std::printf("%serror: %s", entry.Item ? "; " : "", Printable(entry.Error).c_str());
    std::printf("\n");
}

}  // namespace

Json SummaryJson(const BundleView& view) {
    const kel::TBundleContents& contents = view.Contents();
    const kel::TBundleTrailer& t = contents.Trailer;
    Json segments = Json::array();
    for (const kel::TBundleSegment& segment : kel::BundleSegments(t))
        segments.push_back(
            {{"name", segment.Name}, {"offset", segment.Offset}, {"size", segment.Size}});
    return {
        {"file", view.Path()},
        {"size", contents.FileSize},
        {"trailer",
         {{"MainOffset", t.MainOffset},
          {"MainSize", t.MainSize},
          {"SecondOffset", t.SecondOffset},
          {"SecondSize", t.SecondSize},
          {"CatalogueOffset", t.CatalogueOffset},
          {"CatalogueSize", t.CatalogueSize},
          {"HelpOffset", t.HelpOffset},
          {"HelpSize", t.HelpSize}}},
        {"segments", segments},
        {"packages", {{"main", PackageJson(view.Main())}, {"second", PackageJson(view.Second())}}},
        {"catalogue",
         {{"entryCount", view.Entries().size()}, {"unresolved", UnresolvedCount(view)}}},
        {"problems", view.Problems()},
    };
}

void PrintSummary(const BundleView& view) {
    const kel::TBundleContents& contents = view.Contents();
    const kel::TBundleTrailer& t = contents.Trailer;
    std::printf("%s: %llu bytes, trailer at %llu\n", view.Path().c_str(),
                static_cast<unsigned long long>(contents.FileSize),
                static_cast<unsigned long long>(contents.FileSize - kel::kTrailerSize));
    PrintSegment("main package", true, t.MainOffset, t.MainSize);
    PrintSegment("second package", t.SecondSize != 0, t.SecondOffset, t.SecondSize);
    PrintSegment("catalogue", true, t.CatalogueOffset, t.CatalogueSize);
    PrintSegment("help segment", t.HelpSize != 0, uint64_t(t.MainOffset) + t.HelpOffset, t.HelpSize,
                 kel::Format(" (main package + %u)", t.HelpOffset));
    PrintPackageHeader(view.Main());
    PrintPackageHeader(view.Second());
    std::printf("catalogue: %zu entries, %d not resolved\n", view.Entries().size(),
                UnresolvedCount(view));
}

Json ListingJson(const BundleView& view) {
    Json json = SummaryJson(view);
    for (const PackageView* package : {&view.Main(), &view.Second()})
        if (package->Present && package->Problem.empty())
            json["packages"][package == &view.Main() ? "main" : "second"]["items"] =
                ItemsJson(package->File.Root());
    json["entries"] = Json::array();
    for (const EntryView& entry : view.Entries())
        json["entries"].push_back(EntryJson(entry));
    return json;
}

void PrintListing(const BundleView& view) {
    PrintPackageItems(view.Main());
    PrintPackageItems(view.Second());
    std::printf("catalogue: %zu entries\n", view.Entries().size());
    for (const EntryView& entry : view.Entries())
        PrintEntry(entry);
}

void PrintJson(const Json& json) {
    std::printf("%s\n", json.dump(2, ' ', false, Json::error_handler_t::replace).c_str());
}

int ReportProblems(const BundleView& view) {
    const std::vector<std::string> problems = view.Problems();
    for (const std::string& problem : problems)
        PrintError(problem);
    return problems.empty() ? 0 : 1;
}

}  // namespace kelpack
