#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Error.h"
#include "InputFile.h"
#include "TestUtil.h"
#include "Trailer.h"

namespace kel {
namespace {

using test::TempFolder;

std::vector<uint8_t> Serialized(const TBundleTrailer& trailer) {
    std::vector<uint8_t> bytes(kTrailerSize);
    trailer.Serialize(bytes.data());
    return bytes;
}

// `body` followed by the trailer.
std::vector<uint8_t> WithTrailer(std::vector<uint8_t> body, const TBundleTrailer& trailer) {
    const std::vector<uint8_t> raw = Serialized(trailer);
    body.insert(body.end(), raw.begin(), raw.end());
    return body;
}

std::string ErrorText(const std::string& path) {
    try {
        ReadBundle(path);
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(TrailerLayout, FieldsAreLittleEndianInStoredOrderFollowedByReserved) {
    TBundleTrailer trailer;
    trailer.MainOffset = 0x04030201;
    trailer.MainSize = 0x08070605;
    trailer.SecondOffset = 0x0C0B0A09;
    trailer.SecondSize = 0x100F0E0D;
    trailer.CatalogueOffset = 0x14131211;
    trailer.CatalogueSize = 0x18171615;
    trailer.HelpOffset = 0x1C1B1A19;
    trailer.HelpSize = 0x201F1E1D;
    for (size_t i = 0; i < trailer.Reserved.size(); ++i)
        trailer.Reserved[i] = static_cast<uint8_t>(0x21 + i);

    const std::vector<uint8_t> bytes = Serialized(trailer);
    for (size_t i = 0; i < kTrailerSize; ++i)
        EXPECT_EQ(bytes[i], i + 1) << "byte " << i;
}

TEST(TrailerLayout, ParseThenSerializeKeepsEveryByte) {
    const std::vector<uint8_t> raw = test::SampleBytes(kTrailerSize, 3, 0.0);
    const TBundleTrailer trailer = TBundleTrailer::Parse(raw.data());
    EXPECT_EQ(Serialized(trailer), raw);
    EXPECT_EQ(trailer.HelpSize, uint32_t(raw[28]) | uint32_t(raw[29]) << 8 |
                                    uint32_t(raw[30]) << 16 | uint32_t(raw[31]) << 24);
}

TEST(ReadBundle, CopiesTheCatalogueFromWhereverTheTrailerPutsIt) {
    const std::string catalogue = "<r><e ID=\"0\" System=\"-1\"/></r>\r\n";
    std::vector<uint8_t> body = test::SampleBytes(300, 5);
    std::memcpy(body.data() + 17, catalogue.data(), catalogue.size());

    TBundleTrailer trailer;
    trailer.CatalogueOffset = 17;
    trailer.CatalogueSize = static_cast<uint32_t>(catalogue.size());
    trailer.MainOffset = 200;  // segments need not follow each other
    trailer.SecondOffset = 0xFFFFFFFF;
    trailer.Reserved.fill(0xA5);  // the reader does not interpret these

    TempFolder folder;
    const std::string path = folder / "bundle.exe";
    test::WriteAll(path, WithTrailer(body, trailer));

    const TBundleContents contents = ReadBundle(path);
    EXPECT_EQ(contents.Catalogue, catalogue);
    EXPECT_EQ(contents.FileSize, body.size() + kTrailerSize);
    EXPECT_EQ(contents.Trailer.MainOffset, 200u);
    EXPECT_EQ(contents.Trailer.Reserved, trailer.Reserved);
}

TEST(ReadBundle, ZeroCatalogueSizeGivesAnEmptyCatalogue) {
    TBundleTrailer trailer;
    trailer.CatalogueOffset = 80;  // exactly the end of the body: still inside the file
    TempFolder folder;
    const std::string path = folder / "bundle.exe";
    test::WriteAll(path, WithTrailer(test::SampleBytes(80), trailer));
    EXPECT_EQ(ReadBundle(path).Catalogue, "");
}

TEST(ReadBundle, ErrorsNameTheFileAndTheOffsets) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string message;  // after "<path>: "
    };
    TBundleTrailer past;
    past.CatalogueOffset = 150;
    past.CatalogueSize = 51;
    TBundleTrailer wraps;  // the 32-bit sum is 0x100, inside the file
    wraps.CatalogueOffset = 0xFFFFFF00;
    wraps.CatalogueSize = 0x200;
    TBundleTrailer startsPast;
    startsPast.CatalogueOffset = 301;
    const Case cases[] = {
        {"empty", {}, "file is too small to hold a bundle trailer (0 bytes)"},
        {"twelve", test::SampleBytes(12), "file is too small to hold a bundle trailer (12 bytes)"},
        {"one short", test::SampleBytes(kTrailerSize - 1),
         "file is too small to hold a bundle trailer (79 bytes)"},
        {"past end", WithTrailer(test::SampleBytes(120), past),
         "catalogue at 150+51 lies beyond the end of the file (200 bytes)"},
        {"wraps", WithTrailer(test::SampleBytes(400), wraps),
         "catalogue at 4294967040+512 lies beyond the end of the file (480 bytes)"},
        {"starts past end", WithTrailer(test::SampleBytes(220), startsPast),
         "catalogue at 301+0 lies beyond the end of the file (300 bytes)"},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        const std::string path = folder / c.name;
        test::WriteAll(path, c.bytes);
        EXPECT_EQ(ErrorText(path), path + ": " + c.message) << c.name;
    }
    EXPECT_EQ(ErrorText(folder / "missing"),
              folder / "missing" + ": cannot open: " + std::strerror(ENOENT));
    EXPECT_EQ(ErrorText(folder.Path().string()), folder.Path().string() + ": not a regular file");
}

// A bundle cut short in transfer: the trailer still names the catalogue of the full file.
TEST(ReadBundle, TruncatedCopyOfALargeBundleIsReported) {
    TBundleTrailer trailer;
    trailer.MainOffset = 3374592;
    trailer.MainSize = 1455966;
    trailer.SecondOffset = trailer.CatalogueOffset = 4830558;
    trailer.CatalogueSize = 368;
    TempFolder folder;
    const std::string path = folder / "bundle.exe";
    const int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    const std::vector<uint8_t> raw = Serialized(trailer);
    ASSERT_EQ(pwrite(fd, raw.data(), raw.size(), 4830900 - kTrailerSize), ssize_t(kTrailerSize));
    close(fd);
    EXPECT_EQ(ErrorText(path), path +
                                   ": catalogue at 4830558+368 lies beyond the end of the file "
                                   "(4830900 bytes)");
}

TEST(BundleSegments, OnlySegmentsWithASizeOutsideTheFileAreReported) {
    struct Case {
        const char* name;
        TBundleTrailer trailer;
        std::vector<std::string> problems;
    };
    TBundleTrailer fits;
    fits.MainOffset = 100;
    fits.MainSize = 400;
    fits.SecondOffset = 500;
    fits.SecondSize = 100;
    fits.CatalogueOffset = 600;
    fits.CatalogueSize = 320;
    fits.HelpOffset = 300;
    fits.HelpSize = 20;

    TBundleTrailer absent = fits;  // sizes 0: offsets are never looked at
    absent.SecondOffset = absent.HelpOffset = 0xFFFFFFF0;
    absent.SecondSize = absent.HelpSize = 0;

    TBundleTrailer wild = fits;
    wild.MainSize = 901;
    wild.SecondOffset = 1001;
    wild.HelpOffset = 0xFFFFFFF0;  // MainOffset + HelpOffset wraps in 32 bits

    const Case cases[] = {
        {"fits", fits, {}},
        {"absent", absent, {}},
        {"wild",
         wild,
         {"b: main package at 100+901 lies beyond the end of the file (1000 bytes)",
          "b: second package at 1001+100 lies beyond the end of the file (1000 bytes)",
          "b: help segment at 4294967380+20 lies beyond the end of the file (1000 bytes)"}},
    };
    for (const Case& c : cases) {
        TBundleContents contents;
        contents.Trailer = c.trailer;
        contents.FileSize = 1000;
        EXPECT_EQ(SegmentsOutsideFile(contents, "b"), c.problems) << c.name;
    }
    EXPECT_EQ(BundleSegments(absent).size(), 2u);
    EXPECT_EQ(BundleSegments(fits).back().Offset, 400u);
}

// A file of 1000 bytes: its trailer begins at byte 920.
TEST(TrailerImplausibility, ABundleHasACatalogueAndEverySizedSegmentBeforeTheTrailer) {
    struct Case {
        const char* name;
        std::function<void(TBundleTrailer&)> change;
        std::string why;
    };
    TBundleTrailer fits;
    fits.MainOffset = 100;
    fits.MainSize = 400;
    fits.SecondOffset = 500;
    fits.SecondSize = 100;
    fits.CatalogueOffset = 600;
    fits.CatalogueSize = 320;  // ends where the trailer begins
    fits.HelpOffset = 300;
    fits.HelpSize = 20;
    fits.Reserved.fill(0xFF);
    const Case cases[] = {
        {"fits", [](TBundleTrailer&) {}, ""},
        {"sizes 0 make offsets meaningless",
         [](TBundleTrailer& t) {
             t.MainSize = t.SecondSize = t.HelpSize = 0;
             t.MainOffset = t.SecondOffset = t.HelpOffset = 0xFFFFFFF0;
         },
         ""},
        {"no catalogue", [](TBundleTrailer& t) { t.CatalogueSize = 0; },
         "the trailer names no catalogue"},
        {"all zeros", [](TBundleTrailer& t) { t = TBundleTrailer(); },
         "the trailer names no catalogue"},
        {"catalogue into the trailer", [](TBundleTrailer& t) { t.CatalogueSize = 321; },
         "the catalogue at 600+321 runs past byte 920, where the trailer begins"},
        {"main package past the end", [](TBundleTrailer& t) { t.MainSize = 5000; },
         "the main package at 100+5000 runs past byte 920, where the trailer begins"},
        {"second package starts past the end", [](TBundleTrailer& t) { t.SecondOffset = 2000; },
         "the second package at 2000+100 runs past byte 920, where the trailer begins"},
        {"offset plus size wraps in 32 bits",
         [](TBundleTrailer& t) {
             t.SecondOffset = 0xFFFFFF00;
             t.SecondSize = 0x200;
         },
         "the second package at 4294967040+512 runs past byte 920, where the trailer begins"},
        {"help offset wraps past MainOffset in 32 bits",
         [](TBundleTrailer& t) { t.HelpOffset = 0xFFFFFFF0; },
         "the help segment at 4294967380+20 runs past byte 920, where the trailer begins"},
    };
    for (const Case& c : cases) {
        TBundleTrailer trailer = fits;
        c.change(trailer);
        EXPECT_EQ(TrailerImplausibility(trailer, 1000), c.why) << c.name;
    }
    EXPECT_EQ(TrailerImplausibility(fits, kTrailerSize - 1),
              "file is too small to hold a bundle trailer (79 bytes)");
}

TEST(ReadPlausibleTrailer, ReadsABundlesTrailerAndRefusesOtherFilesNamingThem) {
    TBundleTrailer trailer;
    trailer.MainOffset = 10;
    trailer.MainSize = 20;
    trailer.CatalogueOffset = 30;
    trailer.CatalogueSize = 40;
    std::vector<uint8_t> body = test::SampleBytes(70);
    std::memcpy(body.data() + 10, "EPT_Korvat", 10);
    TempFolder folder;
    const std::string bundle = folder / "课件.exe";
    test::WriteAll(bundle, WithTrailer(body, trailer));
    EXPECT_EQ(Serialized(ReadPlausibleTrailer(InputFile(bundle))), Serialized(trailer));

    // An ordinary program ends in padding, or in a table of small numbers that reads as a
    // trailer whose main package holds something else.
    const std::string program = folder / "program.exe";
    test::WriteAll(program, WithTrailer(test::SampleBytes(4000), TBundleTrailer()));
    const std::string table = folder / "table";
    body[12] = 'X';
    test::WriteAll(table, WithTrailer(body, trailer));
    const std::string shortMain = folder / "short";
    trailer.MainSize = 9;
    test::WriteAll(shortMain, WithTrailer(test::SampleBytes(70), trailer));
    const std::string tiny = folder / "tiny.exe";
    test::WriteAll(tiny, test::SampleBytes(12));
    const std::string why = ": carries no lesson bundle: ";
    const std::pair<std::string, std::string> refused[] = {
        {program, program + why + "the trailer names no catalogue"},
        {table, table + why + "the main package at 10 does not begin with the signature " +
                    "\"EPT_Korvat\""},
        {shortMain, shortMain + why + "the main package at 10 does not begin with the " +
                        "signature \"EPT_Korvat\""},
        {tiny, tiny + why + "file is too small to hold a bundle trailer (12 bytes)"},
    };
    for (const auto& [path, message] : refused) {
        try {
            ReadPlausibleTrailer(InputFile(path));
            ADD_FAILURE() << path << " passed";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
}

}  // namespace
}  // namespace kel
