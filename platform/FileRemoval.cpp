#include "FileRemoval.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace kel::platform {

namespace {

bool IsDotOrDotDot(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Empties the folder open as `dirFd` (which this call closes). Every entry is opened relative
// to its parent with O_NOFOLLOW, so a link swapped in during the walk is never entered.
bool EmptyFolder(int dirFd) {
    DIR* dir = fdopendir(dirFd);
    if (!dir) {
        close(dirFd);
        return false;
    }
    bool ok = true;
    while (dirent* entry = readdir(dir)) {
        if (IsDotOrDotDot(entry->d_name))
            continue;
        struct stat info;
        if (fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            int childFd =
                openat(dirFd, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (childFd < 0 || !EmptyFolder(childFd)) {
                ok = false;
                continue;
            }
            if (unlinkat(dirFd, entry->d_name, AT_REMOVEDIR) != 0)
                ok = false;
        } else if (unlinkat(dirFd, entry->d_name, 0) != 0) {
            ok = false;
        }
    }
    closedir(dir);
    return ok;
}

}  // namespace

bool RemoveTree(const std::string& path) {
    struct stat info;
    if (path.empty() || lstat(path.c_str(), &info) != 0)
        return false;
    if (!S_ISDIR(info.st_mode))
        return unlink(path.c_str()) == 0;
    int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool emptied = EmptyFolder(fd);
    return rmdir(path.c_str()) == 0 && emptied;
}

std::vector<std::string> MatchNames(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> matches;
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return matches;
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '/')
        prefix += '/';
    while (dirent* entry = readdir(dir)) {
        if (!IsDotOrDotDot(entry->d_name) &&
            fnmatch(pattern.c_str(), entry->d_name, FNM_PERIOD) == 0)
            matches.push_back(prefix + entry->d_name);
    }
    closedir(dir);
    std::sort(matches.begin(), matches.end());
    return matches;
}

bool HasWildcards(const std::string& text) {
    return text.find_first_of("*?[") != std::string::npos;
}

}  // namespace kel::platform
