#include "ReplaceFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <utility>

#include "Error.h"

namespace kel {

ReplacingFile::ReplacingFile(const std::string& target, mode_t mode) : FTarget(target) {
    // A name of fixed length, so that a target whose name is as long as a name can be still
    // gets a temporary.
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    thread_local std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; FHandle < 0; ++attempt) {
        FTemporary = (folder / Format(".kel-%016llx.part", Ull(random()))).string();
        FHandle =
            open(FTemporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (FHandle < 0 && (errno != EEXIST || attempt == 16))
            throw Error(Format("%s: cannot create a temporary file beside it: %s", target.c_str(),
                               std::strerror(errno)));
    }
}

ReplacingFile::~ReplacingFile() {
    if (FHandle >= 0) {
        close(FHandle);
        unlink(FTemporary.c_str());
    }
}

void ReplacingFile::Write(const uint8_t* data, size_t size) {
    WriteAt(FWritten, data, size);
    FWritten += size;
}

void ReplacingFile::WriteAt(uint64_t offset, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t put = pwrite(FHandle, data, size, static_cast<off_t>(offset));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            throw Error(Format("%s: cannot write %zu bytes at %llu: %s", FTarget.c_str(), size,
                               Ull(offset), put < 0 ? std::strerror(errno) : "nothing written"));
        data += put;
        size -= static_cast<size_t>(put);
        offset += static_cast<uint64_t>(put);
    }
}

void ReplacingFile::Commit() {
    const int handle = std::exchange(FHandle, -1);
    if (close(handle) != 0 || std::rename(FTemporary.c_str(), FTarget.c_str()) != 0) {
        const int error = errno;
        unlink(FTemporary.c_str());
        throw Error(Format("%s: cannot finish writing: %s", FTarget.c_str(), std::strerror(error)));
    }
}

}  // namespace kel
