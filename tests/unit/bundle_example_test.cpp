// The worked example: one stored movie lesson appended to a 3,374,592-byte player.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BundleFixture.h"
#include "TestUtil.h"
#include "Writer.h"

namespace kel {
namespace {

using test::TempFolder;

class BundleExample : public ::testing::Test {
  protected:
    void SetUp() override {
        BundleSpec spec;
        spec.PlayerExe = test::WritePlayerImage(FFolder, 3374592);
        spec.Main = {test::ExampleLessonItem(FFolder)};
        spec.MainHeader = test::ExampleHeader();
        spec.Entries = {{0, true}};
        spec.Catalogue = test::ExampleCatalogueInfo();
        FMovie = spec.Main[0].Data;
        WriteBundle(spec, FPath);
    }

    TempFolder FFolder;
    std::string FPath = FFolder / "碳化钙.bin";
    std::vector<uint8_t> FMovie;
};

TEST_F(BundleExample, LayoutFollowsThePlayerImage) {
    const std::vector<uint8_t> bytes = test::ReadAll(FPath);
    const auto opened = test::OpenBundle(FPath);
    const TBundleTrailer& t = opened->Contents.Trailer;
    EXPECT_EQ(t.MainOffset, 3374592u);
    EXPECT_EQ(t.CatalogueOffset, t.MainOffset + t.MainSize);
    EXPECT_EQ(t.SecondOffset, t.CatalogueOffset);
    EXPECT_EQ(t.SecondSize, 0u);
    EXPECT_EQ(t.HelpOffset, 0u);
    EXPECT_EQ(t.HelpSize, 0u);
    EXPECT_EQ(t.CatalogueSize, 368u);
    EXPECT_EQ(bytes.size(), uint64_t(t.CatalogueOffset) + t.CatalogueSize + kTrailerSize);
    // The trailer is the last 80 bytes, reserved bytes zero.
    std::vector<uint8_t> last(kTrailerSize);
    t.Serialize(last.data());
    EXPECT_EQ(std::vector<uint8_t>(bytes.end() - kTrailerSize, bytes.end()), last);
    EXPECT_EQ(t.Reserved, (std::array<uint8_t, 48>{}));

    // The main package: header, the stored movie, the thumbnail stream, the directory last.
    const TPackageHeader& header = opened->Main.Header();
    EXPECT_EQ(header.GuidText(), "{C934F4F9-1A5F-4C12-BF5F-366008EFE2B0}");
    EXPECT_EQ(uint64_t(header.DirectoryPosition) + header.DirectorySize, t.MainSize);
    ASSERT_EQ(opened->Main.Root().ChildCount(), 1);
    const TTarnPackageItem& item = opened->Main.Root().Child(0);
    EXPECT_EQ(item.FilePosition, 1104);
    EXPECT_EQ(item.FileSize, 1429101);
    EXPECT_FALSE(item.Compress);
    EXPECT_EQ(item.OdditionalPosition, 1104 + 1429101);
    EXPECT_EQ(uint64_t(item.OdditionalPosition) + item.OdditionalSize, header.DirectoryPosition);
}

TEST_F(BundleExample, CatalogueIsTheExampleCatalogue) {
    const auto opened = test::OpenBundle(FPath);
    EXPECT_EQ(opened->Contents.Catalogue,
              "<Korvat教育存盘文件 产品名称=\"Lumivo\" 文件版本=\"1.0.0804\" "
              "记录时间=\"2014-6-30 14:29:47\" 宿主文件=\"" +
                  test::ExampleCatalogueInfo().HostFile +
                  "\" ZRGUID=\"{C934F4F9-1A5F-4C12-BF5F-366008EFE2B0}\">"
                  "<素材 ID=\"0\" System=\"-1\"/></Korvat教育存盘文件>\r\n");
    const TCatalogueNode entry = opened->Catalogue.FirstEntry();
    EXPECT_TRUE(entry.PreviousSibling().IsNull());
    EXPECT_TRUE(entry.NextSibling().IsNull());
}

TEST_F(BundleExample, TheEntryUnpacksTheMovie) {
    const auto opened = test::OpenBundle(FPath);
    const TTarnPackageItem& item =
        ResolveEntry(ReadEntryRef(opened->Catalogue.FirstEntry()), opened->Main, opened->Second);
    EXPECT_EQ(item.Attribute("style"), "动画");
    EXPECT_EQ(item.Attribute("UserWriting"), "");
    TempFolder work;
    const std::string workFolder = work.Path().string() + "/";
    const std::string shown = ShownFilePath(item, workFolder);
    EXPECT_EQ(shown, workFolder + "碳化钙的结构模型.swf");
    ASSERT_EQ(item.ExtractTo(workFolder), 0);
    const std::vector<uint8_t> movie = test::ReadAll(shown);
    EXPECT_EQ(movie, FMovie);
    EXPECT_EQ(std::string(movie.begin(), movie.begin() + 3), "CWS");
}

}  // namespace
}  // namespace kel
