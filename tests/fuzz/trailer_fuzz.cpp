// ReadBundle on a file holding the input: any bytes must give a bundle whose catalogue is
// exactly what the trailer names, or a kel::Error.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "Error.h"
#include "Trailer.h"

namespace {

// A plain array, so the file can still be removed at exit after static objects are gone.
char gInputPath[4096];

const char* InputPath() {
    if (!gInputPath[0]) {
        const std::string pattern =
            (std::filesystem::temp_directory_path() / "trailer-fuzz-XXXXXX").string();
        if (pattern.size() >= sizeof gInputPath)
            std::abort();
        std::strcpy(gInputPath, pattern.c_str());
        const int fd = mkstemp(gInputPath);
        if (fd < 0)
            std::abort();
        close(fd);
        std::atexit([] { unlink(gInputPath); });
    }
    return gInputPath;
}

void WriteInput(const uint8_t* data, size_t size) {
    FILE* file = std::fopen(InputPath(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteInput(data, size);
    try {
        const kel::TBundleContents bundle = kel::ReadBundle(InputPath());
        const kel::TBundleTrailer& t = bundle.Trailer;
        if (bundle.FileSize != size || bundle.Catalogue.size() != t.CatalogueSize ||
            bundle.Catalogue.compare(0, std::string::npos,
                                     reinterpret_cast<const char*>(data) + t.CatalogueOffset,
                                     t.CatalogueSize) != 0)
            std::abort();
        kel::SegmentsOutsideFile(bundle, InputPath());
    } catch (const kel::Error&) {
    }
    return 0;
}
