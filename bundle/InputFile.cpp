#include "InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Error.h"

namespace kel {

bool RangeWithin(uint64_t offset, uint64_t size, uint64_t fileSize) {
    return offset <= fileSize && size <= fileSize - offset;
}

std::string BeyondEndText(const std::string& path, const std::string& what, uint64_t offset,
                          uint64_t size, uint64_t fileSize) {
    return Format("%s: %s at %llu+%llu lies beyond the end of the file (%llu bytes)", path.c_str(),
                  what.c_str(), Ull(offset), Ull(size), Ull(fileSize));
}

InputFile::InputFile(const std::string& path, OpenFailureText failureText) : FPath(path) {
    // Non-blocking so that opening a FIFO cannot hang; it is refused just below.
    FHandle = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info {};
    const bool opened = FHandle >= 0 && fstat(FHandle, &info) == 0;
    if (opened && S_ISREG(info.st_mode)) {
        FSize = static_cast<uint64_t>(info.st_size);
        FMode = info.st_mode;
        return;
    }
    const int error = errno;
    if (FHandle >= 0)
        close(FHandle);
    const char* reason = opened ? "Not a regular file" : std::strerror(error);
    if (failureText != nullptr)
        throw Error(failureText(path, reason));
    throw Error(opened ? Format("%s: not a regular file", path.c_str())
                       : Format("%s: cannot open: %s", path.c_str(), reason));
}

InputFile::~InputFile() {
    close(FHandle);
}

void InputFile::RequireRange(const std::string& what, uint64_t offset, uint64_t size) const {
    if (!Holds(offset, size))
        throw Error(BeyondEndText(FPath, what, offset, size, FSize));
}

bool InputFile::ReadAt(uint64_t offset, uint8_t* buffer, size_t size) const {
    while (size > 0) {
        const ssize_t n = pread(FHandle, buffer, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = 0;
        if (n <= 0)
            return false;
        buffer += n;
        offset += static_cast<uint64_t>(n);
        size -= static_cast<size_t>(n);
    }
    return true;
}

void InputFile::ReadExactlyAt(uint64_t offset, uint8_t* buffer, size_t size) const {
    if (!ReadAt(offset, buffer, size))
        throw Error(Format("%s: cannot read %zu bytes at %llu: %s", FPath.c_str(), size,
                           Ull(offset), errno != 0 ? std::strerror(errno) : "the file ends early"));
}

size_t InputFile::Read(uint8_t* buffer, size_t capacity) {
    size_t done = 0;
    while (done < capacity) {
        const ssize_t n = read(FHandle, buffer + done, capacity - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw Error(Format("%s: cannot read: %s", FPath.c_str(), std::strerror(errno)));
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

}  // namespace kel
