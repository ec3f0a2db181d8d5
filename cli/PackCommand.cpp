// kelpack pack: a stand-alone package file of a folder's content.

#include <cstdio>
#include <filesystem>

#include "Command.h"
#include "Error.h"
#include "FolderItems.h"
#include "HeaderInfo.h"
#include "Progress.h"
#include "Writer.h"

namespace kelpack {

namespace fs = std::filesystem;

namespace {

int RunPack(const Arguments& args) {
    const std::string& dir = args.Positional[0];
    if (!fs::is_directory(dir))
        throw kel::Error(dir + ": no such folder");
    fs::path folder = fs::absolute(dir).lexically_normal();
    if (!folder.has_filename())
        folder = folder.parent_path();
    const std::vector<kel::PackageItemSpec> items =
        FolderContents(folder, folder.filename().string(), true);
    const std::string& out = args.Value("-o");
    ProgressBar progress;
    kel::WritePackageFile(out, items, NewPackageHeader("", ""),
                          [&progress](const std::string& what, uint64_t done, uint64_t total) {
                              progress.Update(what, done, total);
                          });
    progress.Finish();
    std::printf("%s: %zu items; %llu bytes\n", out.c_str(), items.size(),
                static_cast<unsigned long long>(fs::file_size(out)));
    return 0;
}

}  // namespace

const Command& PackCommand() {
    static const Command command{
        "pack",
        "pack DIR -o FILE.ept",
        "write a package file of a folder's files",
        "Writes a stand-alone package file: every file directly in DIR becomes a top-level\n"
        "item, every sub-folder a folder item with its content; all are stored compressed.\n"
        "A folder's shown file is index.html, else index.htm, else its first file by name.\n",
        {{"-o", true, true}},
        1,
        1,
        RunPack,
    };
    return command;
}

}  // namespace kelpack
