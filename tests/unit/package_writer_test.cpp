#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "BundleFixture.h"
#include "Error.h"
#include "Gbk.h"
#include "Inflate.h"
#include "TarnZLib.h"
#include "TestUtil.h"
#include "Writer.h"

namespace kel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::FileItemSpec;
using test::ReadAll;
using test::SampleBytes;
using test::TempFolder;
using test::WriteAll;

PackageItemSpec FolderSpec(const std::string& displayName, const std::string& filePath,
                           std::vector<PackageItemSpec> children) {
    PackageItemSpec item;
    item.DisplayName = displayName;
    item.FilePath = filePath;
    item.Children = std::move(children);
    return item;
}

std::string WriteError(const std::vector<PackageItemSpec>& items,
                       const PackageHeaderInfo& header = {}) {
    TempFolder folder;
    try {
        WritePackageFile(folder / "p.ept", items, header);
    } catch (const Error& e) {
        EXPECT_FALSE(fs::exists(folder / "p.ept")) << "a failed write leaves no file";
        return e.what();
    }
    return "";
}

class PackageWriter : public ::testing::Test {
  protected:
    PackageWriter() { FReader.SetSignature("EPT_Korvat"); }

    const TTarnPackageItem& WriteAndOpen(const std::vector<PackageItemSpec>& items,
                                         const PackageHeaderInfo& header = {}) {
        WritePackageFile(Path(), items, header);
        EXPECT_EQ(FReader.Open(Path()), 0);
        return FReader.Root();
    }

    std::string Path() const { return FFolder / "p.ept"; }

    TempFolder FFolder;
    TTarnPackageFile FReader;
};

TEST_F(PackageWriter, RoundTripsNestedFoldersChineseNamesAndAttributes) {
    const auto movie = SampleBytes(700000, 31, 0.5);
    const auto picture = SampleBytes(90000, 32, 0.8);
    WriteAll(FFolder / "source.swf", movie);
    PackageItemSpec fromFile = FileItemSpec("动画一", "D:\\课件\\动画一.swf", {}, true);
    fromFile.SourceFile = FFolder / "source.swf";
    fromFile.ExtraAttributes = {{"Style", "动画"},
                                {"Writing", "line 1\r\nline\t2 & <3> \"q\""},
                                {"UserWriting", ""},
                                {"filename", "extra"}};
    const std::vector<PackageItemSpec> items = {
        fromFile,
        FolderSpec("第一周", "D:\\课件\\第一周\\",
                   {FileItemSpec("图", "D:\\课件\\第一周\\图.bmp", picture, false),
                    FolderSpec("镕", "D:\\课件\\第一周\\镕\\",
                               {FileItemSpec("空", "empty.txt", {}, true)})}),
    };
    const auto& root = WriteAndOpen(items);

    ASSERT_EQ(root.ChildCount(), 2);
    const auto& first = root.Child(0);
    EXPECT_EQ(first.DisplayName(), "动画一");
    EXPECT_EQ(first.FilePosition, 1104);
    EXPECT_TRUE(first.Compress);
    EXPECT_EQ(first.FileName, "D:\\课件\\动画一.swf");
    EXPECT_EQ(first.OdditionalSize, 0);
    EXPECT_EQ(first.AttributeNames,
              (std::vector<std::string>{"Style", "Writing", "UserWriting", "filename"}));
    EXPECT_EQ(first.Attribute("writing"), "line 1\r\nline\t2 & <3> \"q\"");
    EXPECT_EQ(first.Attribute("FILENAME"), "extra");

    const auto& week = root.Child(1);
    EXPECT_TRUE(week.IsFolder());
    EXPECT_EQ(week.FolderName(), "第一周");
    ASSERT_EQ(week.ChildCount(), 2);
    EXPECT_EQ(week.Child(0).FilePosition, first.FilePosition + first.FileSize);
    EXPECT_EQ(week.Child(0).FileSize, static_cast<int32_t>(picture.size()));
    EXPECT_FALSE(week.Child(0).Compress);
    EXPECT_EQ(week.Child(1).FolderName(), "镕");
    ASSERT_EQ(week.Child(1).ChildCount(), 1);

    const std::string out = FFolder / "out";
    EXPECT_EQ(root.Child(0).ExtractTo(out), 0);
    EXPECT_EQ(root.Child(1).ExtractTo(out), 0);
    EXPECT_TRUE(ReadAll(out + "/动画一.swf") == movie);
    EXPECT_TRUE(ReadAll(out + "/第一周/图.bmp") == picture);
    EXPECT_EQ(fs::file_size(out + "/第一周/镕/empty.txt"), 0u);

    const TPackageHeader& header = FReader.Header();
    EXPECT_EQ(header.SignatureText(), "EPT_Korvat");
    EXPECT_EQ(header.DataSize, header.DirectoryPosition - kPackageHeaderSize);
    EXPECT_EQ(fs::file_size(Path()), header.DirectoryPosition + header.DirectorySize);
}

TEST_F(PackageWriter, WritesAtAnOffsetInsideAnotherFile) {
    const std::string path = FFolder / "bundle";
    WriteAll(path, std::string(5000, 'P'));
    const int fd = open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const uint64_t length =
        WritePackage(fd, 5000, {FileItemSpec("甲", "a.txt", Bytes("inside"), true)}, {});
    close(fd);
    EXPECT_EQ(fs::file_size(path), 5000 + length);
    EXPECT_EQ(ReadAll(path)[4999], 'P');
    FReader.SetEmbedded(5000, static_cast<uint32_t>(length));
    ASSERT_EQ(FReader.Open(path), 0);
    EXPECT_EQ(FReader.Root().Child(0).ExtractTo(FFolder / "out"), 0);
    EXPECT_EQ(ReadAll(FFolder / "out/a.txt"), Bytes("inside"));
}

TEST_F(PackageWriter, ReportsProgressForLargeSources) {
    WriteAll(FFolder / "big", SampleBytes(3 << 20, 33, 0.5));
    PackageItemSpec item = FileItemSpec("大", "big.bin", {}, true);
    item.SourceFile = FFolder / "big";
    uint64_t lastDone = 0;
    std::string what;
    WritePackageFile(Path(), {item}, {},
                     [&](const std::string& name, uint64_t done, uint64_t total) {
                         EXPECT_GT(done, lastDone);
                         EXPECT_EQ(total, 3u << 20);
                         lastDone = done;
                         what = name;
                     });
    EXPECT_EQ(lastDone, 3u << 20);
    EXPECT_EQ(what, "大");
}

TEST(PackageWriterRefusals, WhatTheReaderCouldNotReadBackIsRefusedNamingTheItem) {
    TempFolder folder;
    PackageItemSpec badName = FileItemSpec("课件😀", "a.txt", {}, true);
    PackageItemSpec badFileName = FileItemSpec("甲", "😀.txt", {}, true);
    PackageItemSpec badAttribute = FileItemSpec("乙", "a.txt", {}, true);
    badAttribute.ExtraAttributes = {{"1st", "x"}};
    PackageItemSpec colon = FileItemSpec("丙", "a.txt", {}, true);
    colon.ExtraAttributes = {{"a:b", "x"}};
    PackageItemSpec xmlns = FileItemSpec("丙", "a.txt", {}, true);
    xmlns.ExtraAttributes = {{"xmlns", "x"}};
    PackageItemSpec twice = FileItemSpec("丁", "a.txt", {}, true);
    twice.ExtraAttributes = {{"Style", "x"}, {"Style", "y"}};
    PackageItemSpec fixedName = FileItemSpec("戊", "a.txt", {}, true);
    fixedName.ExtraAttributes = {{"FileSize", "1"}};
    PackageItemSpec control = FileItemSpec("己", "a\x01.txt", {}, true);
    PackageItemSpec missing = FileItemSpec("庚", "a.txt", {}, true);
    missing.SourceFile = folder / "missing";
    PackageItemSpec noSeparator = FolderSpec("辛", "D:\\week", {});
    PackageItemSpec orphans = FileItemSpec("壬", "a.txt", {}, true);
    orphans.Children = {FileItemSpec("子", "b.txt", {}, true)};
    PackageItemSpec deep = FolderSpec("外", "外\\", {badFileName});

    const std::pair<PackageItemSpec, std::string> cases[] = {
        {badName, "'课件😀' cannot be written in GBK"},
        {badFileName, "item '甲': '😀.txt' cannot be written in GBK"},
        {badAttribute, "item '乙': \"1st\" is not a valid attribute name"},
        {colon, "item '丙': \"a:b\" is not a valid attribute name"},
        {xmlns, "item '丙': \"xmlns\" is not a valid attribute name"},
        {twice, "item '丁': the attribute \"Style\" is given twice"},
        {fixedName, "item '戊': the attribute \"FileSize\" is given twice"},
        {control, "item '己': the value of \"FileName\" holds a control character"},
        {missing, "item '庚': " + folder / "missing" + ": cannot open (No such file or directory)"},
        {noSeparator, "item '辛': the folder path \"D:\\week\" does not end in \"\\\""},
        {orphans, "item '壬': it has child items but no folder path"},
        {deep, "item '外': item '甲': '😀.txt' cannot be written in GBK"},
    };
    for (const auto& [item, error] : cases) {
        const std::string message = WriteError({item});
        EXPECT_NE(message.find(error), std::string::npos) << message;
    }
}

TEST(PackageWriterRefusals, HeaderFieldsMustFit) {
    PackageHeaderInfo longSignature;
    longSignature.Signature = "EPT_Korvat1";
    PackageHeaderInfo longDescription;
    longDescription.Description = "多媒体素材库多媒体素材库";  // 24 bytes in GBK
    PackageHeaderInfo wideVersion;
    wideVersion.Version = "版本";
    EXPECT_EQ(WriteError({}, longSignature),
              "the package signature \"EPT_Korvat1\" is longer than 10 bytes");
    EXPECT_EQ(WriteError({}, longDescription),
              "the package description (in GBK) \"多媒体素材库多媒体素材库\" is longer than 20 "
              "bytes");
    EXPECT_EQ(WriteError({}, wideVersion), "the package version \"版本\" is not ASCII");
}

TEST(PackageWriterRefusals, SizesBeyondTheSigned32BitRangeAreRefusedBeforeWriting) {
    TempFolder folder;
    // Sparse: 2 GiB of holes cost no disk space, and the size is refused before any copying.
    WriteAll(folder / "huge", "");
    fs::resize_file(folder / "huge", uint64_t{1} << 31);
    PackageItemSpec huge = FileItemSpec("巨", "huge.bin", {}, false);
    huge.SourceFile = folder / "huge";
    EXPECT_EQ(WriteError({huge}),
              "item '巨': its data size 2147483648 lies beyond the 2147483647 a package "
              "directory can hold");
}

TEST(PackageWriterExample, TheWorkedExampleReadsBackAsDescribed) {
    TempFolder folder;
    const PackageItemSpec lesson = test::ExampleLessonItem(folder);
    WritePackageFile(folder / "碳化钙.ept", {lesson}, test::ExampleHeader());

    TTarnPackageFile package;
    package.SetSignature("EPT_Korvat");
    ASSERT_EQ(package.Open(folder / "碳化钙.ept"), 0);
    const TPackageHeader& header = package.Header();
    EXPECT_EQ(header.SignatureText(), "EPT_Korvat");
    EXPECT_EQ(std::string(header.Description.data()), Utf8ToGbk("多媒体素材库"));
    EXPECT_EQ(std::string(header.Version.data()), "1.1.0803");
    EXPECT_NEAR(header.DateTime, 39461 + (11 * 60 + 21) / 1440.0, 1e-9);
    EXPECT_EQ(header.Reserved, 0u);
    EXPECT_EQ(header.GuidText(), "{C934F4F9-1A5F-4C12-BF5F-366008EFE2B0}");

    ASSERT_EQ(package.Root().ChildCount(), 1);
    const TTarnPackageItem& item = package.Root().Child(0);
    EXPECT_EQ(item.Name, "BEGCCBCBBAFB8C6B5C4BDE1B9B9C4A3D0CDEND");
    EXPECT_EQ(item.DisplayName(), "碳化钙的结构模型");
    EXPECT_EQ(item.FileSize, 1429101);
    EXPECT_EQ(item.FilePosition, 1104);
    EXPECT_EQ(item.OdditionalPosition, 1104 + 1429101);
    EXPECT_FALSE(item.Compress);
    EXPECT_FALSE(item.IsFolder());
    EXPECT_EQ(item.FileName, lesson.FileName);
    EXPECT_EQ(item.OdditionalFile, lesson.OdditionalFile);
    EXPECT_EQ(item.AttributeNames, std::vector<std::string>{"Style"});
    EXPECT_EQ(item.Attribute("style"), "动画");
    EXPECT_EQ(item.Attribute("UserWriting"), "");
    EXPECT_EQ(item.Attribute("Writing"), "");
    EXPECT_EQ(header.DirectoryPosition,
              static_cast<uint32_t>(item.OdditionalPosition + item.OdditionalSize));
    EXPECT_EQ(header.DataSize, header.DirectoryPosition - 1104);

    const std::string work = folder / "Korvat_ZR";
    EXPECT_EQ(item.ExtractTo(work), 0);
    const auto movie = ReadAll(work + "/碳化钙的结构模型.swf");
    EXPECT_TRUE(movie == lesson.Data);
    EXPECT_EQ(std::string(movie.begin(), movie.begin() + 3), "CWS");

    // The thumbnail is one zlib stream, although the item's "Compress" is "0".
    auto packageBytes = ReadAll(folder / "碳化钙.ept");
    std::vector<uint8_t> thumbnail(
        packageBytes.begin() + item.OdditionalPosition,
        packageBytes.begin() + item.OdditionalPosition + item.OdditionalSize);
    DecompressStream(thumbnail);
    EXPECT_TRUE(thumbnail == ReadAll(lesson.AdditionalSource));

    std::vector<uint8_t> directory(packageBytes.begin() + header.DirectoryPosition,
                                   packageBytes.end());
    DecompressStream(directory);
    const std::string text(directory.begin(), directory.end());
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"GB2312\"?>\r\n<" +
                             Utf8ToGbk("Korvat教育存盘文件") + "><" + item.Name +
                             " FileSize=\"1429101\" FilePosition=\"1104\" OdditionalSize=\"",
                         0),
              0u);
}

}  // namespace
}  // namespace kel
