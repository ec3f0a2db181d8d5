#pragma once
// Package items made from files and folders on disk. The "FileName" and "FilePath" attributes
// record Windows-style paths ("site\\img\\logo.png"); the player keeps only their last component.

#include <filesystem>
#include <string>
#include <vector>

#include "Writer.h"

namespace kelpack {

// "pics/red.bmp" as recorded in a package: "pics\\red.bmp".
std::string WindowsPath(const std::string& path);

// A file item stored from `source`, recorded as `storedPath`, shown as `source`'s stem.
kel::PackageItemSpec FileItem(const std::filesystem::path& source, const std::string& storedPath,
                              bool compress);

// A folder item for the directory `source`, recorded as `storedPath` + "\\", whose shown file
// is `mainFile` (a name directly inside it); its children are FolderContents.
kel::PackageItemSpec FolderItem(const std::filesystem::path& source, const std::string& storedPath,
                                const std::string& mainFile, bool compress);

// Every entry of the directory, in name order: files as file items, sub-folders as folder
// items whose shown file is DefaultMainFile. Throws kel::Error naming the path for anything
// else (a link to a folder, a device) and for names the player would split ("\\" or ":").
std::vector<kel::PackageItemSpec> FolderContents(const std::filesystem::path& source,
                                                 const std::string& storedPath, bool compress);

// "index.html", else "index.htm", else the first file by name, else "".
std::string DefaultMainFile(const std::filesystem::path& folder);

}  // namespace kelpack
