#pragma once
// Deleting files and folders without ever following a symbolic link, and matching names like
// the shell does.

#include <string>
#include <vector>

namespace kel::platform {

// Deletes the file, link or folder at `path`, a folder with everything in it. A symbolic link is
// removed itself; what it points to is never touched. False when nothing was there or any part
// could not be deleted (the rest is still deleted).
bool RemoveTree(const std::string& path);

// Full paths of the entries of `folder` whose names match the shell pattern `pattern` (fnmatch,
// a leading dot only matched by a dot), sorted. Empty when the folder cannot be read.
std::vector<std::string> MatchNames(const std::string& folder, const std::string& pattern);

// Whether the text holds any of the shell's wildcard characters.
bool HasWildcards(const std::string& text);

}  // namespace kel::platform
