#include "ReplaceFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Error.h"

namespace kelpack {

namespace {

mode_t CurrentUmask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

std::string SystemError(const std::string& path, const char* what) {
    return kel::Format("%s: %s: %s", path.c_str(), what, std::strerror(errno));
}

}  // namespace

void WriteReplacing(const std::string& target, mode_t mode,
                    const std::function<void(const std::string& temporary)>& write) {
    const std::string temporary =
        kel::Format("%s.kelpack-%ld", target.c_str(), static_cast<long>(getpid()));
    try {
        write(temporary);
        if (chmod(temporary.c_str(), mode & ~CurrentUmask()) != 0)
            throw kel::Error(SystemError(temporary, "cannot set the file mode"));
        if (std::rename(temporary.c_str(), target.c_str()) != 0)
            throw kel::Error(SystemError(target, "cannot replace"));
    } catch (...) {
        std::remove(temporary.c_str());
        throw;
    }
}

}  // namespace kelpack
