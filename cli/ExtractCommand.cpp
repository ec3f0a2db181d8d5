// kelpack extract: unpacks lessons into a folder exactly as the player places them in its work
// folder, plus the help file.

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "BundleView.h"
#include "Command.h"
#include "Convert.h"
#include "Error.h"
#include "HelpSegment.h"
#include "Output.h"
#include "Progress.h"

namespace kelpack {

namespace fs = std::filesystem;

namespace {

// The entries named on the command line (numbers from 1), or all of them.
std::vector<const EntryView*> SelectEntries(const BundleView& view,
                                            const std::vector<std::string>& numbers) {
    std::vector<const EntryView*> selected;
    if (numbers.empty()) {
        for (const EntryView& entry : view.Entries())
            selected.push_back(&entry);
        return selected;
    }
    std::set<int32_t> chosen;
    for (const std::string& text : numbers) {
        const std::optional<int32_t> number = kel::TryStrToInt(text);
        if (!number || text.find_first_not_of("0123456789") != std::string::npos)
            throw UsageError("not an entry number: " + text);
        if (*number < 1 || static_cast<size_t>(*number) > view.Entries().size())
            throw kel::Error(kel::Format("%s: no entry %d: the catalogue has %zu entries",
                                         view.Path().c_str(), *number, view.Entries().size()));
        chosen.insert(*number);
    }
    for (const int32_t number : chosen)
        selected.push_back(&view.Entries()[static_cast<size_t>(number - 1)]);
    return selected;
}

class Extraction {
  public:
    Extraction(const BundleView& view, std::string folder)
        : FView(view), FFolder(std::move(folder)) {}

    // Unpacks the entry's item unless an earlier entry did; false when it failed.
    bool Unpack(const EntryView& entry) {
        if (!entry.Error.empty())
            return Fail(entry, entry.Error);
        const std::string name = Printable(entry.Item->DisplayName());
        const std::string target = (fs::path(FFolder) / entry.ShownPath).string();
        if (const auto done = FDone.find(entry.Item); done != FDone.end()) {
            std::printf("%d: %s -> %s (unpacked for entry %d)\n", entry.Number, name.c_str(),
                        target.c_str(), done->second);
            return true;
        }
        // The player unpacks an item only when its shown file is missing, so of two items
        // with one shown path it shows the first one's file for both.
        if (const auto owner = FOwners.find(entry.ShownPath); owner != FOwners.end()) {
            PrintWarning(kel::Format(
                "%s: entry %d: %s is where the item of entry %d unpacks too; kept that one, as "
                "the player would",
                FView.Path().c_str(), entry.Number, entry.ShownPath.c_str(), owner->second));
            return true;
        }
        FDone.emplace(entry.Item, entry.Number);
        FOwners.emplace(entry.ShownPath, entry.Number);
        std::printf("%d: %s -> %s\n", entry.Number, name.c_str(), target.c_str());
        const int result = entry.Item->ExtractTo(
            FFolder, "",
            [this, &name](uint64_t done, uint64_t total) { FProgress.Update(name, done, total); });
        FProgress.Finish();
        if (result != 0)
            return Fail(entry, "could not unpack all of it into " + FFolder);
        return true;
    }

    bool UnpackHelp() {
        if (!FView.HelpProblem().empty()) {
            PrintError(FView.HelpProblem());
            return false;
        }
        const std::string target = (fs::path(FFolder) / kel::kHelpFileName).string();
        std::printf("help -> %s\n", target.c_str());
        try {
            kel::ExtractHelpFile(FView.Path(), FView.Contents().Trailer, target);
        } catch (const kel::Error& e) {
            PrintError(e.what());
            return false;
        }
        return true;
    }

  private:
    bool Fail(const EntryView& entry, const std::string& why) {
        PrintError(
            kel::Format("%s: entry %d: %s", FView.Path().c_str(), entry.Number, why.c_str()));
        return false;
    }

    const BundleView& FView;
    std::string FFolder;
    ProgressBar FProgress;
    std::map<const kel::TTarnPackageItem*, int> FDone;
    std::map<std::string, int> FOwners;
};

int RunExtract(const Arguments& args) {
    const BundleView view(args.Positional[0]);
    if (!view.CatalogueProblem().empty())
        throw kel::Error(view.CatalogueProblem());
    const std::vector<std::string> numbers(args.Positional.begin() + 1, args.Positional.end());
    const std::vector<const EntryView*> selected = SelectEntries(view, numbers);
    const std::string& folder = args.Value("-o");
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw kel::Error(folder + ": cannot create the folder: " + error.message());

    // Entries of a package that cannot be read fail on their own; this says why.
    for (const PackageView* package : {&view.Main(), &view.Second()})
        if (!package->Problem.empty())
            PrintWarning(package->Problem);
    Extraction extraction(view, folder);
    size_t failed = 0;
    for (const EntryView* entry : selected)
        failed += !extraction.Unpack(*entry);
    const bool helpFailed =
        numbers.empty() && view.Contents().Trailer.HelpSize != 0 && !extraction.UnpackHelp();
    if (failed != 0)
        PrintError(kel::Format("%s: %zu of %zu lessons could not be unpacked", view.Path().c_str(),
                               failed, selected.size()));
    return failed != 0 || helpFailed ? 1 : 0;
}

}  // namespace

const Command& ExtractCommand() {
    static const Command command{
        "extract",
        "extract BUNDLE -o DIR [ENTRY...]",
        "unpack lessons as the player does, and the help file",
        "Unpacks the item of every catalogue entry, or of the entries numbered ENTRY (from 1),\n"
        "into DIR exactly as the player places them in its work folder: a file item as\n"
        "DIR/name, a folder item as DIR/folder/... An item named by several entries is\n"
        "unpacked once. Without ENTRY arguments the help file is unpacked too, as\n"
        "DIR/应用指南.chm, when the bundle has one. A lesson that fails is reported on stderr\n"
        "naming its entry; the others are still unpacked, and the exit status is then 1.\n",
        {{"-o", true, true}},
        1,
        SIZE_MAX,
        RunExtract,
    };
    return command;
}

}  // namespace kelpack
