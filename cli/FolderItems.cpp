#include "FolderItems.h"

#include <algorithm>

#include "Error.h"

namespace kelpack {

namespace fs = std::filesystem;

namespace {

// The player splits recorded names at "\\", "/" and ":"; a name holding one would unpack
// under another name than the one on disk.
void CheckName(const fs::path& source) {
    const std::string name = source.filename().string();
    if (name.find_first_of("\\:") != std::string::npos)
        throw kel::Error(
            kel::Format("%s: the name holds \"\\\" or \":\", which the player reads "
                        "as a path separator",
                        source.c_str()));
}

std::vector<fs::directory_entry> SortedEntries(const fs::path& folder) {
    std::vector<fs::directory_entry> entries;
    try {
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            entries.push_back(entry);
    } catch (const fs::filesystem_error& e) {
        throw kel::Error(kel::Format("%s: cannot read the folder: %s", folder.c_str(),
                                     e.code().message().c_str()));
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a.path().filename() < b.path().filename();
    });
    return entries;
}

std::string StemOrName(const fs::path& path) {
    const std::string stem = path.stem().string();
    return stem.empty() ? path.filename().string() : stem;
}

}  // namespace

std::string WindowsPath(const std::string& path) {
    std::string result = path;
    std::replace(result.begin(), result.end(), '/', '\\');
    return result;
}

kel::PackageItemSpec FileItem(const fs::path& source, const std::string& storedPath,
                              bool compress) {
    CheckName(source);
    kel::PackageItemSpec item;
    item.DisplayName = StemOrName(source);
    item.SourceFile = source.string();
    item.Compress = compress;
    item.FileName = storedPath;
    return item;
}

kel::PackageItemSpec FolderItem(const fs::path& source, const std::string& storedPath,
                                const std::string& mainFile, bool compress) {
    CheckName(source);
    kel::PackageItemSpec item;
    item.DisplayName = source.filename().string();
    item.Compress = compress;
    item.FileName = storedPath;
    item.FilePath = storedPath + "\\";
    item.MainFileName = mainFile.empty() ? "" : item.FilePath + mainFile;
    item.Children = FolderContents(source, storedPath, compress);
    return item;
}

std::vector<kel::PackageItemSpec> FolderContents(const fs::path& source,
                                                 const std::string& storedPath, bool compress) {
    std::vector<kel::PackageItemSpec> items;
    for (const fs::directory_entry& entry : SortedEntries(source)) {
        const fs::path& path = entry.path();
        const std::string stored = storedPath + "\\" + path.filename().string();
        if (entry.is_directory() && !entry.is_symlink())
            items.push_back(FolderItem(path, stored, DefaultMainFile(path), compress));
        else if (entry.is_regular_file())
            items.push_back(FileItem(path, stored, compress));
        else
            throw kel::Error(
                kel::Format("%s: neither a file nor a folder (links to folders are "
                            "not followed)",
                            path.c_str()));
    }
    return items;
}

std::string DefaultMainFile(const fs::path& folder) {
    for (const char* name : {"index.html", "index.htm"})
        if (fs::is_regular_file(folder / name))
            return name;
    for (const fs::directory_entry& entry : SortedEntries(folder))
        if (entry.is_regular_file())
            return entry.path().filename().string();
    return {};
}

}  // namespace kelpack
