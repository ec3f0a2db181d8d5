#include "HelpFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "Error.h"
#include "Inflate.h"
#include "ReplaceFile.h"

namespace kelpack {

void ExtractHelpFile(const std::string& bundlePath, const kel::TBundleTrailer& trailer,
                     const std::string& target) {
    const uint64_t offset = uint64_t(trailer.MainOffset) + trailer.HelpOffset;
    const std::string where =
        kel::Format("%s: help segment at %llu+%u", bundlePath.c_str(),
                    static_cast<unsigned long long>(offset), trailer.HelpSize);
    std::ifstream in(bundlePath, std::ios::binary);
    if (!in || !in.seekg(static_cast<std::streamoff>(offset)))
        throw kel::Error(where + ": cannot read: " + std::strerror(errno));
    uint64_t left = trailer.HelpSize;
    const kel::InflateReader read = [&in, &left](uint8_t* buf, size_t capacity) {
        const auto want = static_cast<std::streamsize>(std::min<uint64_t>(capacity, left));
        in.read(reinterpret_cast<char*>(buf), want);
        left -= static_cast<uint64_t>(in.gcount());
        return static_cast<size_t>(in.gcount());
    };
    WriteReplacing(target, 0666, [&](const std::string& temporary) {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            throw kel::Error(target + ": cannot write: " + std::strerror(errno));
        const kel::InflateWriter write = [&out](const uint8_t* data, size_t size) {
            out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        };
        try {
            kel::InflateZlib(read, write);
        } catch (const kel::Error& e) {
            throw kel::Error(where + ": " + e.what());
        }
        out.close();
        if (!out)
            throw kel::Error(target + ": cannot write: " + std::strerror(errno));
    });
}

}  // namespace kelpack
