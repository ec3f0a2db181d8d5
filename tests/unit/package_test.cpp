#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "Error.h"
#include "Gbk.h"
#include "PackageFixture.h"
#include "TarnZLib.h"
#include "TestUtil.h"

namespace kel {
namespace {

using test::Bytes;
using test::FixedAttributes;
using test::ItemElement;
using test::PackageWithItems;
using test::TempFolder;
using test::WriteAll;

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// "hello" stored at 1104 as the one item "a.txt".
std::vector<uint8_t> HelloPackage(const std::string& signature = "EPT_Korvat") {
    return PackageWithItems(ItemElement("甲", FixedAttributes(5, 1104, "0", "D:\\x\\a.txt")),
                            Bytes("hello"), signature);
}

// The error text of opening `path`, or "" when it opened.
std::string OpenError(TTarnPackageFile& package, const std::string& path) {
    try {
        package.Open(path);
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

class PackageReader : public ::testing::Test {
  protected:
    PackageReader() { FPackage.SetSignature("EPT_Korvat"); }

    // Writes `bytes` as `name` and opens it.
    int OpenBytes(const std::vector<uint8_t>& bytes, const std::string& name = "lesson.ept") {
        WriteAll(FFolder / name, bytes);
        return FPackage.Open(FFolder / name);
    }

    std::string ErrorOf(const std::vector<uint8_t>& bytes) {
        WriteAll(FFolder / "lesson.ept", bytes);
        return OpenError(FPackage, FFolder / "lesson.ept");
    }

    TempFolder FFolder;
    TTarnPackageFile FPackage;
};

TEST_F(PackageReader, StandAloneAndEmbeddedPackagesReadTheSame) {
    ASSERT_EQ(OpenBytes(HelloPackage()), 0);
    EXPECT_EQ(FPackage.PackageFileName(), FFolder / "lesson.ept");
    ASSERT_EQ(FPackage.Root().ChildCount(), 1);
    EXPECT_EQ(FPackage.Root().Child(0).DisplayName(), "甲");

    const auto prefix = test::SampleBytes(777, 2, 0.0);
    const auto bundle = Concat(Concat(prefix, HelloPackage()), Bytes("trailer bytes"));
    TTarnPackageFile embedded;
    embedded.SetSignature("EPT_Korvat");
    embedded.SetEmbedded(777, static_cast<uint32_t>(HelloPackage().size()));
    WriteAll(FFolder / "bundle", bundle);
    ASSERT_EQ(embedded.Open(FFolder / "bundle"), 0);
    ASSERT_EQ(embedded.Root().ChildCount(), 1);
    EXPECT_EQ(embedded.Root().Child(0).FilePosition, 1104);
    EXPECT_EQ(embedded.Root().Child(0).ExtractTo(FFolder / "out"), 0);
    EXPECT_EQ(test::ReadAll(FFolder / "out/a.txt"), Bytes("hello"));

    // Read from byte 0, the same file is not a package.
    EXPECT_EQ(FPackage.Open(FFolder / "bundle"), -2);
}

TEST_F(PackageReader, TheSignatureMustMatchExactly) {
    struct Case {
        std::string stored;  // the header's 10-byte field
        std::string expected;
        int result;
    };
    const Case cases[] = {
        {"EPT_Korvat", "EPT_Korvat", 0},
        {"ept_Korvat", "EPT_Korvat", -2},
        {"EPT_Korva", "EPT_Korvat", -2},
        {std::string("EPT\0\0\0\0\0\0\0", 10), "EPT", 0},
        {std::string("EPT\0garbag", 10), "EPT", 0},
        {std::string("EPT\0\0\0\0\0\0\0", 10), "EPT_Korvat", -2},
        {"EPT_Korvat", "EPT", -2},
        {"EPT_Korvat", "EPT_Korvat2", -2},
        {std::string(10, '\0'), "", 0},
    };
    for (const auto& c : cases) {
        FPackage.SetSignature(c.expected);
        EXPECT_EQ(OpenBytes(HelloPackage(c.stored)), c.result) << c.expected;
        EXPECT_EQ(FPackage.Root().ChildCount(), c.result == 0 ? 1 : 0) << c.expected;
    }
}

TEST_F(PackageReader, AMismatchLeavesItEmptyAndTheRightPackageOpensAfterwards) {
    ASSERT_EQ(OpenBytes(HelloPackage()), 0);
    EXPECT_EQ(OpenBytes(HelloPackage("XXX_Korvat"), "other.ept"), -2);
    EXPECT_EQ(FPackage.Root().ChildCount(), 0);
    EXPECT_EQ(FPackage.PackageFileName(), "");
    ASSERT_EQ(OpenBytes(HelloPackage()), 0);
    EXPECT_EQ(FPackage.Root().ChildCount(), 1);
    EXPECT_EQ(FPackage.PackageFileName(), FFolder / "lesson.ept");
}

TEST_F(PackageReader, OpeningAgainReplacesTheWholeTree) {
    const std::string three = ItemElement("一", FixedAttributes(0, 1104, "0", "1.txt")) +
                              ItemElement("二", FixedAttributes(0, 1104, "0", "2.txt")) +
                              ItemElement("三", FixedAttributes(0, 1104, "0", "3.txt"));
    ASSERT_EQ(OpenBytes(PackageWithItems(three)), 0);
    ASSERT_EQ(FPackage.Root().ChildCount(), 3);
    ASSERT_EQ(OpenBytes(HelloPackage()), 0);
    ASSERT_EQ(FPackage.Root().ChildCount(), 1);
    EXPECT_EQ(FPackage.Root().Child(0).FileName, "D:\\x\\a.txt");
    EXPECT_EQ(FPackage.Root().Child(0).Parent, &FPackage.Root());
}

TEST_F(PackageReader, ReadsFieldsExtraAttributesInOrderAndCaseVariantsStayExtra) {
    const std::string item =
        ItemElement("甲",
                    " FileSize=\"7\" FilePosition=\"1104\" OdditionalSize=\"2147483648\""
                    " OdditionalPosition=\"$10\" Compress=\"True\" FileName=\"D:\\课件\\镕.swf\""
                    " FilePath=\"\" MainFileName=\"\" OdditionalFile=\"D:\\t.bmp\""
                    " Style=\"动画\" filesize=\"99\" Writing=\"a &amp; b\" style=\"second\"");
    ASSERT_EQ(OpenBytes(PackageWithItems(item)), 0);
    const TTarnPackageItem& read = FPackage.Root().Child(0);
    EXPECT_EQ(read.Name, EncodeItemElementName("甲"));
    EXPECT_EQ(read.FileSize, 7);
    EXPECT_EQ(read.FilePosition, 1104);
    EXPECT_EQ(read.OdditionalSize, 0) << "beyond the signed 32-bit range reads 0";
    EXPECT_EQ(read.OdditionalPosition, 16);
    EXPECT_TRUE(read.Compress);
    EXPECT_EQ(read.FileName, "D:\\课件\\镕.swf") << "GBK beyond GB2312 reads";
    EXPECT_EQ(read.OdditionalFile, "D:\\t.bmp");
    EXPECT_FALSE(read.IsFolder());
    EXPECT_EQ(read.AttributeNames,
              (std::vector<std::string>{"Style", "filesize", "Writing", "style"}));
    EXPECT_EQ(read.AttributeValues, (std::vector<std::string>{"动画", "99", "a & b", "second"}));
    EXPECT_EQ(read.Attribute("style"), "动画") << "the first in document order wins";
    EXPECT_EQ(read.Attribute("WRITING"), "a & b");
    EXPECT_EQ(read.Attribute("FILESIZE"), "99");
    EXPECT_EQ(read.Attribute("FileName"), "") << "fixed attributes are not searched";
    EXPECT_EQ(read.Attribute("UserWriting"), "");
}

TEST_F(PackageReader, AttributesAfterTheNinthAreExtraWhateverTheirName) {
    // "Style" comes first here, so the ninth in document order is "MainFileName".
    const std::string item =
        ItemElement("甲", " Style=\"s\"" + FixedAttributes(0, 1104, "0", "a.txt"));
    ASSERT_EQ(OpenBytes(PackageWithItems(item)), 0);
    const TTarnPackageItem& read = FPackage.Root().Child(0);
    EXPECT_EQ(read.AttributeNames, std::vector<std::string>{"OdditionalFile"});
    EXPECT_EQ(read.Attribute("style"), "");
    EXPECT_EQ(read.FileName, "a.txt");
}

TEST_F(PackageReader, BuildsFoldersAndIgnoresChildrenOfFileItems) {
    const std::string fileWithChild =
        ItemElement("文件", FixedAttributes(0, 1104, "0", "f.txt"),
                    ItemElement("幽灵", FixedAttributes(0, 1104, "0", "g.txt")));
    const std::string nested =
        ItemElement("内", FixedAttributes(0, 0, "-1", "", "D:\\课\\内\\"),
                    ItemElement("深", FixedAttributes(0, 1104, "0", "deep.txt")));
    const std::string folder =
        ItemElement("课", FixedAttributes(0, 0, "-1", "", "D:\\课\\", "D:\\课\\main.swf"),
                    "<!-- not an item -->" + nested +
                        ItemElement("浅", FixedAttributes(0, 1104, "0", "flat.txt")));
    ASSERT_EQ(OpenBytes(PackageWithItems(fileWithChild + "\r\n  " + folder)), 0);
    const TTarnPackageItem& root = FPackage.Root();
    ASSERT_EQ(root.ChildCount(), 2);
    EXPECT_EQ(root.Child(0).ChildCount(), 0);
    const TTarnPackageItem& top = root.Child(1);
    EXPECT_TRUE(top.IsFolder());
    EXPECT_EQ(top.FolderName(), "课");
    EXPECT_EQ(top.MainFileName, "D:\\课\\main.swf");
    ASSERT_EQ(top.ChildCount(), 2);
    EXPECT_EQ(top.Child(0).DisplayName(), "内");
    EXPECT_EQ(top.Child(0).Parent, &top);
    ASSERT_EQ(top.Child(0).ChildCount(), 1);
    EXPECT_EQ(top.Child(0).Child(0).FileName, "deep.txt");
    EXPECT_EQ(top.Child(0).Child(0).Package, &FPackage);
    EXPECT_EQ(top.Child(1).DisplayName(), "浅");
}

TEST_F(PackageReader, AnEmptyDirectoryGivesAnEmptyTree) {
    EXPECT_EQ(OpenBytes(PackageWithItems("")), 0);
    EXPECT_EQ(FPackage.Root().ChildCount(), 0);
    EXPECT_EQ(FPackage.PackageFileName(), FFolder / "lesson.ept");
}

TEST_F(PackageReader, ADirectoryDeclaredInAnotherEncodingIsReadInIt) {
    const std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><根>" +
                                 ItemElement("甲", FixedAttributes(0, 1104, "0", "课.txt")) +
                                 "</根>";
    ASSERT_EQ(OpenBytes(test::RawPackage(test::ZlibCompress(Bytes(document)))), 0);
    EXPECT_EQ(FPackage.Root().Child(0).FileName, "课.txt");

    const std::string lowerCase = "<?xml version=\"1.0\" encoding=\"gb2312\"?><r>" +
                                  ItemElement("甲", FixedAttributes(0, 1104, "0", "镕.txt")) +
                                  "</r>";
    ASSERT_EQ(OpenBytes(test::RawPackage(test::ZlibCompress(Bytes(Utf8ToGbk(lowerCase))))), 0);
    EXPECT_EQ(FPackage.Root().Child(0).FileName, "镕.txt");
}

TEST_F(PackageReader, BadItemsAreErrorsNamingTheFileAndTheItem) {
    const std::string name = EncodeItemElementName("甲");
    struct Case {
        std::string attributes;
        std::string error;
    };
    const Case cases[] = {
        {" FilePosition=\"0\" OdditionalSize=\"0\" OdditionalPosition=\"0\" Compress=\"0\""
         " FileName=\"\" FilePath=\"\" MainFileName=\"\" OdditionalFile=\"\"",
         "item " + name + " lacks the attribute \"FileSize\""},
        {" FileSize=\"0\" FilePosition=\"0\" OdditionalSize=\"0\" OdditionalPosition=\"0\""
         " Compress=\"0\" FileName=\"\" FilePath=\"\" MainFileName=\"\"",
         "item " + name + " lacks the attribute \"OdditionalFile\""},
        {" filesize=\"0\"" + FixedAttributes(0, 0, "0", "").substr(13),
         "item " + name + " lacks the attribute \"FileSize\""},
        {" FileSize=\"0\" FilePosition=\"0\" OdditionalSize=\"0\" OdditionalPosition=\"0\""
         " FileName=\"\" FilePath=\"\" MainFileName=\"\" OdditionalFile=\"\"",
         "item " + name + " lacks the attribute \"Compress\""},
        {FixedAttributes(0, 0, "", "a"), "item " + name + ": '' is not a valid boolean value"},
        {FixedAttributes(0, 0, "yes", "a"),
         "item " + name + ": 'yes' is not a valid boolean value"},
    };
    for (const auto& c : cases) {
        const std::string path = FFolder / "lesson.ept";
        EXPECT_EQ(ErrorOf(PackageWithItems(ItemElement("甲", c.attributes))),
                  path + ": " + c.error);
        EXPECT_EQ(FPackage.PackageFileName(), "");
    }
}

TEST_F(PackageReader, CompressReadsAsATruthValue) {
    const std::pair<std::string, bool> cases[] = {{"-1", true},   {"0", false},     {"1", true},
                                                  {"true", true}, {"FALSE", false}, {"0.0", false}};
    for (const auto& [text, expected] : cases) {
        ASSERT_EQ(OpenBytes(PackageWithItems(ItemElement("甲", FixedAttributes(0, 0, text, "a")))),
                  0);
        EXPECT_EQ(FPackage.Root().Child(0).Compress, expected) << text;
    }
}

TEST_F(PackageReader, DamagedFilesAreErrorsNamingTheFileAndTheOffsets) {
    const std::string path = FFolder / "lesson.ept";
    const auto good = HelloPackage();
    const size_t directoryPosition = 1104 + 5;
    const size_t directorySize = good.size() - directoryPosition;

    EXPECT_EQ(ErrorOf(Bytes("EPT_Korvat")),
              path + ": header at 0+1104 lies beyond the end of the file (10 bytes)");
    EXPECT_EQ(ErrorOf(std::vector<uint8_t>(good.begin(), good.end() - 1)),
              path + ": directory at " + std::to_string(directoryPosition) + "+" +
                  std::to_string(directorySize) + " lies beyond the end of the file (" +
                  std::to_string(good.size() - 1) + " bytes)");

    auto damaged = good;
    damaged[directoryPosition + 5] ^= 0xFF;
    EXPECT_EQ(ErrorOf(damaged),
              path + ": package directory at " + std::to_string(directoryPosition) + "+" +
                  std::to_string(directorySize) + " is not valid zlib data (zlib data is damaged)");
    EXPECT_EQ(ErrorOf(test::RawPackage({})),
              path + ": package directory at 1104+0 is not valid zlib data (zlib data ends early)");
    EXPECT_EQ(ErrorOf(test::RawPackage(test::ZlibCompress(Bytes("<r><unclosed></r>"))))
                  .rfind(path + ": the package directory does not parse (line 1: ", 0),
              0u);
    EXPECT_EQ(ErrorOf(test::RawPackage(test::ZlibCompress(Bytes("   "))))
                  .rfind(path + ": the package directory does not parse", 0),
              0u);
    EXPECT_EQ(
        ErrorOf(test::RawPackage(test::ZlibCompress(Bytes(
            "<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]><r/>")))),
        path + ": the package directory carries a document type declaration");
    EXPECT_EQ(OpenError(FPackage, FFolder / "missing.ept"),
              FFolder / "missing.ept" + ": cannot open the file (No such file or directory)");
}

TEST_F(PackageReader, EmbeddedErrorsGiveOffsetsInTheWholeFile) {
    const auto package = HelloPackage();
    const auto bundle = Concat(test::SampleBytes(1000, 3, 0.0), package);
    WriteAll(FFolder / "bundle", bundle);
    std::filesystem::resize_file(FFolder / "bundle", bundle.size() - 3);
    FPackage.SetEmbedded(1000, static_cast<uint32_t>(package.size()));
    const size_t directoryPosition = 1000 + 1104 + 5;
    EXPECT_EQ(OpenError(FPackage, FFolder / "bundle"),
              FFolder / "bundle" + ": directory at " + std::to_string(directoryPosition) + "+" +
                  std::to_string(package.size() - 1104 - 5) + " lies beyond the end of the file (" +
                  std::to_string(bundle.size() - 3) + " bytes)");
}

TEST_F(PackageReader, ATooLargeDirectoryIsRefused) {
    const auto bomb = test::ZlibCompress(std::vector<uint8_t>((64 << 20) + 1, ' '));
    EXPECT_EQ(ErrorOf(test::RawPackage(bomb)),
              FFolder / "lesson.ept" + ": package directory at 1104+" +
                  std::to_string(bomb.size()) + " inflates to more than 64 MiB");
}

TEST_F(PackageReader, NoHandleStaysOpen) {
    const int before = test::OpenHandleCount();
    OpenBytes(HelloPackage());
    ErrorOf(test::RawPackage({}));
    FPackage.SetSignature("other");
    OpenBytes(HelloPackage());
    EXPECT_EQ(test::OpenHandleCount(), before);
}

TEST(PackageHeader, ParsesAndSerializesTheStoredLayout) {
    std::vector<uint8_t> bytes(kPackageHeaderSize);
    const std::string fields = "EPT_Korvat";
    std::copy(fields.begin(), fields.end(), bytes.begin());
    const uint8_t guid[] = {0xF9, 0xF4, 0x34, 0xC9, 0x5F, 0x1A, 0x12, 0x4C,
                            0xBF, 0x5F, 0x36, 0x60, 0x08, 0xEF, 0xE2, 0xB0};
    std::copy(std::begin(guid), std::end(guid), bytes.begin() + 80);
    const uint8_t numbers[] = {0xFD, 0x31, 0x16, 0x00,   // data size 1,454,589
                               0x11, 0x01, 0x00, 0x00,   // directory size 273
                               0x4D, 0x36, 0x16, 0x00};  // directory position 1,455,693
    std::copy(std::begin(numbers), std::end(numbers), bytes.begin() + 68);
    const double dateTime = 39461.47291666667;
    std::memcpy(bytes.data() + 56, &dateTime, 8);

    const TPackageHeader header = TPackageHeader::Parse(bytes.data());
    EXPECT_EQ(header.SignatureText(), "EPT_Korvat");
    EXPECT_EQ(header.DataSize, 1454589u);
    EXPECT_EQ(header.DirectorySize, 273u);
    EXPECT_EQ(header.DirectoryPosition, 1455693u);
    EXPECT_EQ(header.DateTime, dateTime);
    EXPECT_EQ(header.GuidText(), "{C934F4F9-1A5F-4C12-BF5F-366008EFE2B0}");

    std::vector<uint8_t> again(kPackageHeaderSize, 0xAA);
    header.Serialize(again.data());
    EXPECT_EQ(again, bytes);
}

}  // namespace
}  // namespace kel
