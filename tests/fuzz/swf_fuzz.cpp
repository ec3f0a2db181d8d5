// Feeds arbitrary bytes to the SWF header reader as a movie file, and to the head inflation.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Error.h"
#include "FlashInfo.h"

namespace {

// One scratch movie file per process, rewritten for every input and removed at exit.
struct ScratchFile {
    ScratchFile() {
        Path = (std::filesystem::temp_directory_path() / "kelswf-fuzz-XXXXXX").string();
        const int fd = mkstemp(Path.data());
        if (fd < 0)
            std::abort();
        close(fd);
    }
    ~ScratchFile() { unlink(Path.c_str()); }

    void Write(const uint8_t* data, size_t size) const {
        const int fd = open(Path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0 || write(fd, data, size) != static_cast<ssize_t>(size))
            std::abort();
        close(fd);
    }

    std::string Path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchFile scratch;
    scratch.Write(data, size);
    try {
        kel::TSwfHeader header;
        const bool ok = kel::ReadSwfHeader(scratch.Path, header);
        // A failed read shows black; a colour never has more than 24 bits.
        if ((!ok && header.BgColor != 0) || header.BgColor > kel::kSwfWhite)
            __builtin_trap();
    } catch (const kel::Error&) {
    }
    try {
        std::vector<uint8_t> buffer(data, data + size);
        kel::InflateSwfHead(buffer, kel::kSwfHeadSize);
        if (buffer.size() != static_cast<size_t>(kel::kSwfHeadSize))
            __builtin_trap();
    } catch (const kel::Error&) {
    }
    return 0;
}
