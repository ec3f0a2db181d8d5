#include "HelpSegment.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "Error.h"
#include "Inflate.h"
#include "InputFile.h"
#include "ReplaceFile.h"

namespace kel {

void ExtractHelpFile(const std::string& bundlePath, const TBundleTrailer& trailer,
                     const std::string& target) {
    const uint64_t offset = uint64_t{trailer.MainOffset} + trailer.HelpOffset;
    const InputFile bundle(bundlePath);
    bundle.RequireRange("help segment", offset, trailer.HelpSize);
    ReplacingFile out(target, 0666);
    uint64_t done = 0;
    const InflateReader read = [&](uint8_t* buffer, size_t capacity) {
        const auto size =
            static_cast<size_t>(std::min<uint64_t>(capacity, trailer.HelpSize - done));
        if (!bundle.ReadAt(offset + done, buffer, size))
            throw Error(errno != 0 ? Format("cannot read: %s", std::strerror(errno))
                                   : std::string("the file ends early"));
        done += size;
        return size;
    };
    // A failure to write is the target's, not the segment's, and is reported as it stands.
    bool writing = false;
    const InflateWriter write = [&](const uint8_t* data, size_t size) {
        writing = true;
        out.Write(data, size);
        writing = false;
    };
    try {
        InflateZlib(read, write);
    } catch (const Error& e) {
        if (writing)
            throw;
        throw Error(Format("%s: help segment at %llu+%u: %s", bundlePath.c_str(), Ull(offset),
                           trailer.HelpSize, e.what()));
    }
    out.Commit();
}

}  // namespace kel
