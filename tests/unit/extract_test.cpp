#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "Error.h"
#include "PackageFixture.h"
#include "TarnZLib.h"
#include "TestUtil.h"

namespace kel {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::FixedAttributes;
using test::ItemElement;
using test::ReadAll;
using test::TempFolder;
using test::WriteAll;

// Everything below `folder`, as paths relative to it.
std::set<std::string> Listing(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        names.insert(fs::relative(entry.path(), folder).string());
    return names;
}

// Builds a package from item elements and a data area, opens it and extracts into "out".
class Extraction : public ::testing::Test {
  protected:
    Extraction() { FPackage.SetSignature("EPT_Korvat"); }

    const TTarnPackageItem& Open(const std::string& items, const std::vector<uint8_t>& data) {
        WriteAll(FFolder / "lesson.ept", test::PackageWithItems(items, data));
        EXPECT_EQ(FPackage.Open(FFolder / "lesson.ept"), 0);
        return FPackage.Root();
    }

    std::string Out() const { return FFolder / "out"; }

    TempFolder FFolder;
    TTarnPackageFile FPackage;
};

TEST_F(Extraction, StoredAndCompressedFilesComeOutWhole) {
    const auto big = test::SampleBytes(3 << 20, 21, 0.6);
    const auto compressed = test::ZlibCompress(big);
    std::vector<uint8_t> data = Bytes("stored!");
    data.insert(data.end(), compressed.begin(), compressed.end());
    // The compressed item's stored bytes run on past its zlib stream; the extra bytes are ignored.
    data.insert(data.end(), {'t', 'a', 'i', 'l'});
    const auto& root =
        Open(ItemElement("一", FixedAttributes(7, 1104, "0", "D:\\a\\stored.txt")) +
                 ItemElement("二", FixedAttributes(static_cast<int64_t>(compressed.size()) + 4,
                                                   1104 + 7, "-1", "D:\\a\\big.bin")) +
                 ItemElement("三", FixedAttributes(0, 1104, "0", "empty.txt")),
             data);
    uint64_t lastDone = 0;
    uint64_t lastTotal = 0;
    int calls = 0;
    const ExtractProgress progress = [&](uint64_t done, uint64_t total) {
        EXPECT_GT(done, lastDone);
        lastDone = done;
        lastTotal = total;
        ++calls;
    };
    EXPECT_EQ(root.Child(0).ExtractTo(Out()), 0);
    EXPECT_EQ(root.Child(1).ExtractTo(Out(), "", progress), 0);
    EXPECT_EQ(root.Child(2).ExtractTo(Out()), 0);
    EXPECT_EQ(ReadAll(Out() + "/stored.txt"), Bytes("stored!"));
    EXPECT_TRUE(ReadAll(Out() + "/big.bin") == big);
    EXPECT_EQ(fs::file_size(Out() + "/empty.txt"), 0u);
    EXPECT_GE(calls, 1);
    EXPECT_EQ(lastDone, compressed.size() + 4);
    EXPECT_EQ(lastTotal, compressed.size() + 4);
    EXPECT_EQ(Listing(Out()), (std::set<std::string>{"stored.txt", "big.bin", "empty.txt"}))
        << "no temporary file is left behind";
}

TEST_F(Extraction, ReplacesAnExistingFileAndTakesTheFolderWithOrWithoutSeparator) {
    const auto& root =
        Open(ItemElement("一", FixedAttributes(5, 1104, "0", "a.txt")), Bytes("fresh"));
    fs::create_directories(Out());
    WriteAll(Out() + "/a.txt", std::string(100, 'o'));
    EXPECT_EQ(root.Child(0).ExtractTo(Out()), 0);
    EXPECT_EQ(ReadAll(Out() + "/a.txt"), Bytes("fresh"));
    EXPECT_EQ(root.Child(0).ExtractTo(Out() + "/deeper/still/"), 0);
    EXPECT_EQ(ReadAll(Out() + "/deeper/still/a.txt"), Bytes("fresh"));
    EXPECT_EQ(root.Child(0).ExtractTo(Out(), "renamed.txt"), 0);
    EXPECT_EQ(ReadAll(Out() + "/renamed.txt"), Bytes("fresh"));
}

TEST_F(Extraction, FoldersComeOutWithTheirChildren) {
    const std::string folder = ItemElement(
        "课", FixedAttributes(0, 0, "-1", "", "D:\\lessons\\week1\\", "main.swf"),
        ItemElement("主", FixedAttributes(3, 1104, "0", "D:\\lessons\\week1\\main.swf")) +
            ItemElement("内", FixedAttributes(0, 0, "-1", "", "D:\\lessons\\week1\\pics\\"),
                        ItemElement("图", FixedAttributes(3, 1107, "0", "p.bmp"))) +
            ItemElement("空", FixedAttributes(0, 0, "-1", "", "D:\\lessons\\week1\\empty\\")));
    const auto& root = Open(folder, Bytes("SWFBMP"));
    ASSERT_EQ(root.Child(0).FolderName(), "week1");
    EXPECT_EQ(root.Child(0).ExtractTo(Out()), 0);
    EXPECT_EQ(Listing(Out()), (std::set<std::string>{"week1", "week1/main.swf", "week1/pics",
                                                     "week1/pics/p.bmp", "week1/empty"}));
    EXPECT_EQ(ReadAll(Out() + "/week1/pics/p.bmp"), Bytes("BMP"));
    EXPECT_EQ(root.Child(0).Child(2).ExtractTo(FFolder / "alone"), 0) << "an empty folder";
    EXPECT_TRUE(fs::is_directory(FFolder / "alone/empty"));
}

TEST_F(Extraction, AChildThatFailsDoesNotStopTheOthers) {
    const std::string folder =
        ItemElement("夹", FixedAttributes(0, 0, "-1", "", "x\\"),
                    ItemElement("1", FixedAttributes(1, 1104, "0", "1.txt")) +
                        ItemElement("2", FixedAttributes(1, 1105, "0", "2.txt")) +
                        ItemElement("3", FixedAttributes(1, 1106, "0", "3.txt")));
    const auto& root = Open(folder, Bytes("123"));
    fs::create_directories(Out() + "/x/2.txt/occupied");
    EXPECT_EQ(root.Child(0).ExtractTo(Out()), -1);
    EXPECT_EQ(ReadAll(Out() + "/x/1.txt"), Bytes("1"));
    EXPECT_EQ(ReadAll(Out() + "/x/3.txt"), Bytes("3"));
    EXPECT_TRUE(fs::is_directory(Out() + "/x/2.txt/occupied"));
}

TEST_F(Extraction, UnsafeNamesAreRefusedAndNothingIsWrittenOutside) {
    const std::string names[] = {"..", "", "a/../..", "C:\\x\\..", "D:\\dir\\", "."};
    std::string items;
    for (const auto& name : names)
        items += ItemElement("坏", FixedAttributes(3, 1104, "0", name));
    items += ItemElement("坏夹", FixedAttributes(0, 0, "-1", "", "a\\..\\"),
                         ItemElement("好", FixedAttributes(3, 1104, "0", "inner.txt")));
    items += ItemElement("好", FixedAttributes(3, 1104, "0", "D:\\..\\ok.txt"));
    const auto& root = Open(items, Bytes("bad"));
    const std::string out = Out() + "/inner";
    for (int i = 0; i + 1 < root.ChildCount(); ++i)
        EXPECT_EQ(root.Child(i).ExtractTo(out), -1) << root.Child(i).FileName;
    const auto& good = root.Child(root.ChildCount() - 1);
    for (const std::string& name :
         {std::string(".."), std::string("x/.."), std::string("a\0b", 3), std::string(".")})
        EXPECT_EQ(good.ExtractTo(out, name), -1) << name;
    EXPECT_EQ(good.ExtractTo(out), 0);
    EXPECT_EQ(Listing(FFolder.Path()),
              (std::set<std::string>{"lesson.ept", "out", "out/inner", "out/inner/ok.txt"}));
}

TEST_F(Extraction, PlantedSymbolicLinksAreNotFollowed) {
    const std::string folder =
        ItemElement("夹", FixedAttributes(0, 0, "-1", "", "sub\\"),
                    ItemElement("里", FixedAttributes(4, 1104, "0", "in.txt")));
    const auto& root =
        Open(ItemElement("文", FixedAttributes(4, 1104, "0", "a.txt")) + folder, Bytes("data"));
    fs::create_directories(Out());
    fs::create_directories(FFolder / "elsewhere");
    WriteAll(FFolder / "secret.txt", "secret");
    fs::create_symlink(FFolder / "secret.txt", Out() + "/a.txt");
    fs::create_directory_symlink(FFolder / "elsewhere", Out() + "/sub");

    EXPECT_EQ(root.Child(0).ExtractTo(Out()), 0);
    EXPECT_FALSE(fs::is_symlink(Out() + "/a.txt")) << "the link is replaced, not written through";
    EXPECT_EQ(ReadAll(Out() + "/a.txt"), Bytes("data"));
    EXPECT_EQ(ReadAll(FFolder / "secret.txt"), Bytes("secret"));

    EXPECT_EQ(root.Child(1).ExtractTo(Out()), -1);
    EXPECT_TRUE(fs::is_empty(FFolder / "elsewhere"));
}

TEST_F(Extraction, DamagedOrShortDataFailsWithoutLeavingAFile) {
    auto compressed = test::ZlibCompress(test::SampleBytes(50000, 22, 0.5));
    const int64_t size = static_cast<int64_t>(compressed.size());
    compressed[compressed.size() / 2] ^= 0x55;
    const auto& root =
        Open(ItemElement("坏", FixedAttributes(size, 1104, "-1", "damaged.bin")) +
                 ItemElement("短", FixedAttributes(size - 10, 1104, "-1", "short.bin")) +
                 ItemElement("超", FixedAttributes(size + 1000000, 1104, "0", "beyond.bin")) +
                 ItemElement("负", FixedAttributes(-1, 1104, "0", "negative.bin")) +
                 ItemElement("空", FixedAttributes(0, 1104, "-1", "nothing.bin")),
             compressed);
    for (int i = 0; i < root.ChildCount(); ++i)
        EXPECT_EQ(root.Child(i).ExtractTo(Out()), -1) << root.Child(i).FileName;
    EXPECT_TRUE(fs::is_empty(Out()));
}

TEST_F(Extraction, NothingExtractsFromAReaderThatIsNotOpen) {
    const auto& root =
        Open(ItemElement("文", FixedAttributes(4, 1104, "0", "a.txt")), Bytes("data"));
    EXPECT_TRUE(root.Child(0).ExtractData(1104, 4, false, FFolder / "direct.txt"));
    TTarnPackageItem orphan(&FPackage);
    FPackage.SetSignature("other");
    EXPECT_EQ(FPackage.Open(FFolder / "lesson.ept"), -2);
    orphan.FileName = "a.txt";
    orphan.FileSize = 4;
    orphan.FilePosition = 1104;
    orphan.Compress = false;
    EXPECT_EQ(orphan.ExtractTo(Out()), -1);
}

TEST_F(Extraction, NoHandleStaysOpen) {
    const auto& root = Open(ItemElement("文", FixedAttributes(4, 1104, "0", "a.txt")) +
                                ItemElement("坏", FixedAttributes(4, 1104, "-1", "b.txt")),
                            Bytes("data"));
    const int before = test::OpenHandleCount();
    EXPECT_EQ(root.Child(0).ExtractTo(Out()), 0);
    EXPECT_EQ(root.Child(1).ExtractTo(Out()), -1);
    EXPECT_EQ(test::OpenHandleCount(), before);
}

TEST(PackageItem, ChildFolderNameAndAttributeLookups) {
    TTarnPackageFile package;
    TTarnPackageItem& root = package.Root();
    root.AddChild().FilePath = "lessons\\week1\\";
    root.AddChild().FilePath = "D:\\课件\\第一周\\";
    root.AddChild();
    EXPECT_EQ(root.Child(0).FolderName(), "week1");
    EXPECT_EQ(root.Child(1).FolderName(), "第一周");
    EXPECT_EQ(root.Child(2).FolderName(), "");
    for (int index : {-1, 3, 1000}) {
        try {
            root.Child(index);
            ADD_FAILURE() << "no error for " << index;
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()),
                      "List index out of bounds (" + std::to_string(index) + ")");
        }
    }
    root.Clear();
    EXPECT_EQ(root.ChildCount(), 0);
}

}  // namespace
}  // namespace kel
