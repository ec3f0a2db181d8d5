#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "Error.h"
#include "HelpSegment.h"
#include "TestUtil.h"
#include "Trailer.h"

namespace kel {
namespace {

using test::Bytes;
using test::ReadAll;
using test::TempFolder;
using test::WriteAll;

std::set<std::string> Listing(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(ExtractHelpFile, InflatesTheSegmentOrLeavesTheTargetAsItWas) {
    const std::vector<uint8_t> help = test::SampleBytes(3 << 20, 41);
    const std::vector<uint8_t> stream = test::ZlibCompress(help);
    const auto size = static_cast<uint32_t>(stream.size());
    struct Case {
        const char* name;
        uint32_t helpOffset;
        uint32_t helpSize;
        std::string error;  // empty: the help file comes out whole
    };
    // The segment sits at 100 + 20: MainOffset 100, 20 bytes of package before it.
    const Case cases[] = {
        {"whole segment", 20, size, ""},
        {"segment cut short", 20, 16, "b.bin: help segment at 120+16: "},
        {"not zlib data", 0, 16, "b.bin: help segment at 100+16: "},
        {"beyond the end", 20, size + 1,
         "b.bin: help segment at 120+" + std::to_string(size + 1) +
             " lies beyond the end of the file"},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        std::vector<uint8_t> bundle(120 + stream.size(), 'x');
        std::copy(stream.begin(), stream.end(), bundle.begin() + 120);
        WriteAll(folder / "b.bin", bundle);
        WriteAll(folder / kHelpFileName, "old help");
        TBundleTrailer trailer;
        trailer.MainOffset = 100;
        trailer.HelpOffset = c.helpOffset;
        trailer.HelpSize = c.helpSize;
        try {
            ExtractHelpFile(folder / "b.bin", trailer, folder / kHelpFileName);
            EXPECT_EQ(c.error, "") << c.name << ": extracted";
            EXPECT_TRUE(ReadAll(folder / kHelpFileName) == help) << c.name;
        } catch (const Error& e) {
            EXPECT_NE(c.error, "") << c.name << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos)
                << c.name << ": " << e.what();
            EXPECT_EQ(ReadAll(folder / kHelpFileName), Bytes("old help")) << c.name;
        }
        EXPECT_EQ(Listing(folder.Path()), (std::set<std::string>{"b.bin", kHelpFileName}))
            << c.name << ": no temporary file is left behind";
    }
}

}  // namespace
}  // namespace kel
