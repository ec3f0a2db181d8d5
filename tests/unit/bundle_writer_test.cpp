#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "BundleFixture.h"
#include "Error.h"
#include "Inflate.h"
#include "TestUtil.h"
#include "Writer.h"

namespace kel {
namespace {

using test::TempFolder;

std::set<std::string> FolderListing(const TempFolder& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        names.insert(entry.path().filename().string());
    return names;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, uint64_t offset, uint64_t size) {
    return {bytes.begin() + static_cast<ptrdiff_t>(offset),
            bytes.begin() + static_cast<ptrdiff_t>(offset + size)};
}

TEST(WriteCatalogue, ExactBytesWithEscapedValues) {
    CatalogueInfo info;
    info.RecordTime = "2014-6-30 14:29:47";
    info.HostFile = "G:\\a&b\\\"c\"<d>.ept";
    info.PackageGuid = "{C934F4F9-1A5F-4C12-BF5F-366008EFE2B0}";
    EXPECT_EQ(
        WriteCatalogue(info, {{0, true}, {12, false}}),
        "<Korvat教育存盘文件 产品名称=\"Lumivo\" 文件版本=\"1.0.0804\" "
        "记录时间=\"2014-6-30 14:29:47\" 宿主文件=\"G:\\a&amp;b\\&quot;c&quot;&lt;d&gt;.ept\" "
        "ZRGUID=\"{C934F4F9-1A5F-4C12-BF5F-366008EFE2B0}\">"
        "<素材 ID=\"0\" System=\"-1\"/><素材 ID=\"12\" System=\"0\"/>"
        "</Korvat教育存盘文件>\r\n");
}

TEST(WriteCatalogue, ReadsBackToTheSameValuesAndEntries) {
    CatalogueInfo info;
    info.ProductName = "Lumivo <测试>";
    info.HostFile = "line one\nline two\ttab\r&";
    const std::vector<TEntryRef> entries = {{3, true}, {0, false}, {3, true}};
    const std::string text = WriteCatalogue(info, entries);

    const TCatalogue catalogue = TCatalogue::LoadFromMemory(text, "TeachMaterial.xml");
    const TCatalogueNode root = catalogue.DocumentElement();
    EXPECT_EQ(root.Attribute("产品名称"), info.ProductName);
    EXPECT_EQ(root.Attribute("宿主文件"), info.HostFile);
    // An empty record time means now, month and day without leading zeros.
    EXPECT_THAT(
        root.Attribute("记录时间").value_or(""),
        testing::MatchesRegex("[0-9]{4}-[1-9][0-9]?-[1-9][0-9]? [0-9]{2}:[0-9]{2}:[0-9]{2}"));
    const std::vector<TEntryRef> read = test::EntryRefs(catalogue);
    ASSERT_EQ(read.size(), entries.size());
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].Id, entries[i].Id);
        EXPECT_EQ(read[i].System, entries[i].System);
    }
}

TEST(WriteCatalogue, RefusesValuesXmlCannotCarry) {
    for (const std::string& bad :
         {std::string("a\x01"), std::string("\xFF\xFE"), std::string("a\0b", 3)}) {
        CatalogueInfo info;
        info.HostFile = bad;
        EXPECT_THROW(WriteCatalogue(info, {{0, true}}), Error);
    }
}

// A small bundle with the variants a build may take.
struct BundleFixture {
    explicit BundleFixture(bool withSecond, bool withHelp) {
        Spec.PlayerExe = test::WritePlayerImage(Folder, 2500000);
        Spec.Main = {
            test::FileItemSpec("第一课", "D:\\课件\\one.swf", test::SampleBytes(70000, 21), true),
            test::FileItemSpec("第二课", "D:\\课件\\two.jpg", test::SampleBytes(5000, 22), false)};
        Spec.MainHeader.Guid[0] = 0x42;
        Spec.Entries = {{1, true}, {0, true}, {1, true}};
        if (withSecond) {
            PackageItemSpec folder;
            folder.DisplayName = "实验";
            folder.FilePath = "D:\\课件\\实验\\";
            folder.MainFileName = "D:\\课件\\实验\\index.htm";
            folder.Children = {
                test::FileItemSpec("index", "D:\\课件\\实验\\index.htm", test::Bytes("<p>"), true),
                test::FileItemSpec("pic", "D:\\课件\\实验\\pic.bmp", test::SampleBytes(900, 23),
                                   false)};
            Spec.Second = {folder};
            Spec.Entries.push_back({0, false});
        }
        if (withHelp) {
            Spec.HelpFile = Folder / "应用指南.chm";
            test::WriteAll(Spec.HelpFile, test::SampleBytes(3 << 20, 24));
        }
    }

    TempFolder Folder;
    BundleSpec Spec;
    std::string Out = Folder / "bundle.bin";
};

TEST(WriteBundle, RoundTripsThroughTheReaders) {
    for (const bool withSecond : {false, true}) {
        for (const bool withHelp : {false, true}) {
            SCOPED_TRACE(testing::Message() << "second " << withSecond << ", help " << withHelp);
            BundleFixture f(withSecond, withHelp);
            WriteBundle(f.Spec, f.Out);

            const std::vector<uint8_t> bytes = test::ReadAll(f.Out);
            const std::vector<uint8_t> player = test::ReadAll(f.Spec.PlayerExe);
            const auto opened = test::OpenBundle(f.Out);
            const TBundleTrailer& t = opened->Contents.Trailer;

            // Player image unchanged, then the segments in order, then the trailer.
            EXPECT_EQ(Slice(bytes, 0, player.size()), player);
            EXPECT_EQ(t.MainOffset, player.size());
            EXPECT_EQ(t.SecondOffset, t.MainOffset + t.MainSize);
            EXPECT_EQ(t.SecondSize != 0, withSecond);
            EXPECT_EQ(t.CatalogueOffset, t.SecondOffset + t.SecondSize);
            const uint64_t catalogueEnd = uint64_t(t.CatalogueOffset) + t.CatalogueSize;
            const std::string& catalogue = opened->Contents.Catalogue;
            EXPECT_EQ(catalogue.substr(catalogue.size() - 2), "\r\n");
            EXPECT_EQ(t.HelpSize != 0, withHelp);
            EXPECT_EQ(t.HelpOffset, withHelp ? catalogueEnd - t.MainOffset : 0);
            EXPECT_EQ(bytes.size(), catalogueEnd + t.HelpSize + kTrailerSize);
            EXPECT_EQ(t.Reserved, (std::array<uint8_t, 48>{}));
            EXPECT_TRUE(SegmentsOutsideFile(opened->Contents, f.Out).empty());

            // Every entry resolves to the item it names, which extracts to its bytes.
            const std::vector<TEntryRef> refs = test::EntryRefs(opened->Catalogue);
            ASSERT_EQ(refs.size(), f.Spec.Entries.size());
            TempFolder work;
            for (size_t i = 0; i < refs.size(); ++i) {
                EXPECT_EQ(refs[i].Id, f.Spec.Entries[i].Id);
                EXPECT_EQ(refs[i].System, f.Spec.Entries[i].System);
                const TTarnPackageItem& item = ResolveEntry(refs[i], opened->Main, opened->Second);
                const PackageItemSpec& spec =
                    (refs[i].System ? f.Spec.Main : f.Spec.Second)[refs[i].Id];
                EXPECT_EQ(item.FileName, spec.FileName);
                EXPECT_EQ(item.ExtractTo(work.Path().string()), 0);
                const std::string shown = ShownFilePath(item, work.Path().string() + "/");
                const PackageItemSpec& shownSpec = item.IsFolder() ? spec.Children[0] : spec;
                EXPECT_EQ(test::ReadAll(shown), shownSpec.Data) << shown;
            }

            if (withHelp) {
                std::vector<uint8_t> help =
                    Slice(bytes, uint64_t(t.MainOffset) + t.HelpOffset, t.HelpSize);
                DecompressStream(help);
                EXPECT_EQ(help, test::ReadAll(f.Spec.HelpFile));
            }

            struct stat st {};
            ASSERT_EQ(stat(f.Out.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0755u);
            std::set<std::string> expected = {"player", "bundle.bin"};
            if (withHelp)
                expected.insert("应用指南.chm");
            EXPECT_EQ(FolderListing(f.Folder), expected);
        }
    }
}

TEST(WriteBundle, CatalogueNamesTheMainPackageGuidWhenNoneIsGiven) {
    BundleFixture f(false, false);
    WriteBundle(f.Spec, f.Out);
    const auto opened = test::OpenBundle(f.Out);
    EXPECT_EQ(opened->Catalogue.DocumentElement().Attribute("ZRGUID"),
              opened->Main.Header().GuidText());
    EXPECT_EQ(opened->Main.Header().GuidText().substr(0, 9), "{00000042");
}

TEST(WriteBundle, KeepsThePlayersPermissions) {
    BundleFixture f(false, false);
    ASSERT_EQ(chmod(f.Spec.PlayerExe.c_str(), 0700), 0);
    WriteBundle(f.Spec, f.Out);
    struct stat st {};
    ASSERT_EQ(stat(f.Out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
}

TEST(WriteBundle, FailedBuildsLeaveNothingBehindAndKeepAnOldBundle) {
    struct Case {
        const char* name;
        std::function<void(BundleFixture&)> spoil;
        std::string message;  // part of the error text
    };
    const Case cases[] = {
        {"missing help file", [](BundleFixture& f) { f.Spec.HelpFile = f.Folder / "none.chm"; },
         "none.chm: cannot open: No such file or directory"},
        {"missing player", [](BundleFixture& f) { f.Spec.PlayerExe = f.Folder / "none"; },
         "none: cannot open: No such file or directory"},
        {"ID past the items", [](BundleFixture& f) { f.Spec.Entries[1].Id = 2; },
         "catalogue entry 2: ID 2 names no top-level item of the main package, which has 2"},
        {"negative ID", [](BundleFixture& f) { f.Spec.Entries[0].Id = -1; },
         "catalogue entry 1: ID -1 names no top-level item"},
        {"second package that is not there",
         [](BundleFixture& f) { f.Spec.Entries[2].System = false; },
         "catalogue entry 3: ID 1 names no top-level item of the second package, which has 0"},
        {"no entries", [](BundleFixture& f) { f.Spec.Entries.clear(); },
         "the catalogue has no entries"},
        {"host file not UTF-8", [](BundleFixture& f) { f.Spec.Catalogue.HostFile = "\xC0"; },
         "is not UTF-8 text"},
        {"output folder missing", [](BundleFixture& f) { f.Out = f.Folder / "none/bundle.bin"; },
         "cannot create a temporary file beside it"},
    };
    for (const Case& c : cases) {
        BundleFixture f(false, false);
        test::WriteAll(f.Out, "old bundle");
        c.spoil(f);
        try {
            WriteBundle(f.Spec, f.Out);
            ADD_FAILURE() << c.name << ": built";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.name << ": " << e.what();
        }
        EXPECT_EQ(FolderListing(f.Folder), (std::set<std::string>{"player", "bundle.bin"}))
            << c.name;
        EXPECT_EQ(test::ReadAll(f.Folder / "bundle.bin"), test::Bytes("old bundle")) << c.name;
    }
}

TEST(WriteBundle, RefusesAPlayerThatLeavesNoRoomBelow4GiB) {
    BundleFixture f(false, false);
    const int fd = open(f.Spec.PlayerExe.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, off_t(1) << 32), 0);  // sparse: nothing is stored
    close(fd);
    try {
        WriteBundle(f.Spec, f.Out);
        ADD_FAILURE() << "built";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  f.Out +
                      ": the player executable would end at byte 4294967296, past the 4 GiB "
                      "a bundle trailer can address");
    }
    EXPECT_EQ(FolderListing(f.Folder), std::set<std::string>{"player"});
}

TEST(WriteBundle, ReportsProgressOfLongCopies) {
    BundleFixture f(false, true);
    std::vector<std::pair<uint64_t, uint64_t>> player, help;
    WriteBundle(f.Spec, f.Out, [&](const std::string& what, uint64_t done, uint64_t total) {
        if (what == f.Spec.PlayerExe)
            player.emplace_back(done, total);
        if (what == f.Spec.HelpFile)
            help.emplace_back(done, total);
    });
    ASSERT_GE(player.size(), 2u);
    ASSERT_GE(help.size(), 2u);
    EXPECT_EQ(player.back(), std::make_pair(uint64_t(2500000), uint64_t(2500000)));
    EXPECT_EQ(help.back(), std::make_pair(uint64_t(3 << 20), uint64_t(3 << 20)));
    EXPECT_LT(player.front().first, player.back().first);
}

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<uint8_t> SerializedTrailer(const TBundleTrailer& trailer) {
    std::vector<uint8_t> raw(kTrailerSize);
    trailer.Serialize(raw.data());
    return raw;
}

// The segments of a bundle the fixture built, in WriteBundle's order, each empty when absent.
struct Segments {
    std::vector<uint8_t> Main, Second, Catalogue, Help;
};

Segments SegmentsOf(const std::string& path) {
    const std::vector<uint8_t> bytes = test::ReadAll(path);
    const TBundleTrailer t = TBundleTrailer::Parse(bytes.data() + bytes.size() - kTrailerSize);
    return {Slice(bytes, t.MainOffset, t.MainSize), Slice(bytes, t.SecondOffset, t.SecondSize),
            Slice(bytes, t.CatalogueOffset, t.CatalogueSize),
            Slice(bytes, uint64_t(t.MainOffset) + t.HelpOffset, t.HelpSize)};
}

// Those segments as another authoring tool may have laid them out after a Windows program image:
// catalogue and second package first, gaps between, the reserved bytes in use, the offset of an
// absent second package left at random.
std::vector<uint8_t> OtherLayout(const Segments& s, TBundleTrailer& t) {
    std::vector<uint8_t> bytes = test::SampleBytes(300000, 31) + test::SampleBytes(7, 32);
    const auto place = [&bytes](const std::vector<uint8_t>& segment, uint32_t& offset,
                                uint32_t& size) {
        offset = static_cast<uint32_t>(bytes.size());
        size = static_cast<uint32_t>(segment.size());
        bytes = bytes + segment;
    };
    t.SecondOffset = 0xDEADBEEF;
    place(s.Catalogue, t.CatalogueOffset, t.CatalogueSize);
    if (!s.Second.empty())
        place(s.Second, t.SecondOffset, t.SecondSize);
    bytes = bytes + test::SampleBytes(13, 33);
    place(s.Main, t.MainOffset, t.MainSize);
    if (!s.Help.empty()) {
        place(s.Help, t.HelpOffset, t.HelpSize);
        t.HelpOffset -= t.MainOffset;
    }
    t.Reserved.fill(0x5A);
    return bytes + SerializedTrailer(t);
}

TEST(RehostBundle, CopiesEverySegmentOntoThePlayerAndRewritesThePositions) {
    for (const bool withSecond : {false, true}) {
        for (const bool withHelp : {false, true}) {
            SCOPED_TRACE(testing::Message() << "second " << withSecond << ", help " << withHelp);
            BundleFixture f(withSecond, withHelp);
            WriteBundle(f.Spec, f.Out);
            const Segments segments = SegmentsOf(f.Out);
            TBundleTrailer old;
            const std::string source = f.Folder / "课件.exe";
            test::WriteAll(source, OtherLayout(segments, old));
            const std::string player = test::WritePlayerImage(f.Folder, 1000000, "kelPlayer");
            const std::string out = f.Folder / "rehosted";

            const TBundleTrailer t = RehostBundle(source, player, out);

            TBundleTrailer expected = old;
            expected.MainOffset = 1000000;
            expected.SecondOffset = expected.MainOffset + expected.MainSize;
            expected.CatalogueOffset = expected.SecondOffset + expected.SecondSize;
            expected.HelpOffset =
                withHelp ? expected.CatalogueOffset + expected.CatalogueSize - expected.MainOffset
                         : 0;
            EXPECT_EQ(SerializedTrailer(t), SerializedTrailer(expected));
            EXPECT_EQ(test::ReadAll(out), test::ReadAll(player) + segments.Main + segments.Second +
                                              segments.Catalogue + segments.Help +
                                              SerializedTrailer(expected));
            const auto opened = test::OpenBundle(out);
            EXPECT_EQ(opened->Main.Header().GuidText().substr(0, 9), "{00000042");
            EXPECT_EQ(test::EntryRefs(opened->Catalogue).size(), f.Spec.Entries.size());
            struct stat st {};
            ASSERT_EQ(stat(out.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0755u);
        }
    }
}

TEST(RehostBundle, RefusalsLeaveTheOutputAsItWas) {
    struct Case {
        const char* name;
        std::function<void(BundleFixture&, std::string& source, std::string& player)> spoil;
        std::string message;  // part of the error text
    };
    const Case cases[] = {
        {"source is an ordinary program",
         [](BundleFixture& f, std::string& source, std::string&) { source = f.Spec.PlayerExe; },
         "player: carries no lesson bundle: "},
        {"source missing",
         [](BundleFixture& f, std::string& source, std::string&) { source = f.Folder / "none"; },
         "none: cannot open: No such file or directory"},
        {"player missing",
         [](BundleFixture& f, std::string&, std::string& player) { player = f.Folder / "none"; },
         "none: cannot open: No such file or directory"},
        {"output folder missing",
         [](BundleFixture& f, std::string&, std::string&) { f.Out = f.Folder / "none/out"; },
         "cannot create a temporary file beside it"},
    };
    for (const Case& c : cases) {
        BundleFixture f(false, false);
        std::string source = f.Folder / "source.exe";
        WriteBundle(f.Spec, source);
        std::string player = f.Spec.PlayerExe;
        test::WriteAll(f.Out, "old bundle");
        c.spoil(f, source, player);
        try {
            RehostBundle(source, player, f.Out);
            ADD_FAILURE() << c.name << ": rehosted";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.name << ": " << e.what();
        }
        EXPECT_EQ(FolderListing(f.Folder),
                  (std::set<std::string>{"player", "bundle.bin", "source.exe"}))
            << c.name;
        EXPECT_EQ(test::ReadAll(f.Folder / "bundle.bin"), test::Bytes("old bundle")) << c.name;
    }
}

}  // namespace
}  // namespace kel
