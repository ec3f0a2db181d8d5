#include "PrivateDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kel::platform {

std::string PreparePrivateFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return "The temporary folder " + path + " cannot be created: " + std::strerror(errno) + ".";
    struct stat info;
    if (lstat(path.c_str(), &info) != 0)
        return "The temporary folder " + path + " cannot be read: " + std::strerror(errno) + ".";
    if (S_ISLNK(info.st_mode))
        return "The temporary folder " + path + " is a symbolic link; it is not used.";
    if (!S_ISDIR(info.st_mode))
        return "The temporary folder " + path + " is not a folder; it is not used.";
    if (info.st_uid != geteuid())
        return "The temporary folder " + path + " belongs to another user; it is not used.";
    if ((info.st_mode & 077) != 0)
        return "The temporary folder " + path +
               " can be reached by other users (its permissions must be 0700); it is not used.";
    return {};
}

std::string TemporaryBase() {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = tmp && *tmp ? tmp : "/tmp";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base;
}

unsigned CurrentUserId() {
    return static_cast<unsigned>(geteuid());
}

}  // namespace kel::platform
