#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BundleFixture.h"
#include "Catalogue.h"
#include "Error.h"
#include "TarnZLib.h"
#include "TestUtil.h"
#include "Writer.h"

namespace kel {
namespace {

using test::TempFolder;

std::vector<std::string> IdsForward(const TCatalogue& catalogue) {
    std::vector<std::string> ids;
    for (TCatalogueNode n = catalogue.FirstEntry(); !n.IsNull(); n = n.NextSibling())
        ids.push_back(n.Attribute("ID").value_or("?"));
    return ids;
}

std::vector<std::string> IdsBackward(const TCatalogue& catalogue) {
    TCatalogueNode last = catalogue.FirstEntry();
    while (!last.IsNull() && !last.NextSibling().IsNull())
        last = last.NextSibling();
    std::vector<std::string> ids;
    for (TCatalogueNode n = last; !n.IsNull(); n = n.PreviousSibling())
        ids.push_back(n.Attribute("ID").value_or("?"));
    return ids;
}

TEST(Catalogue, EntriesAreTheRootsElementChildrenWhateverTheNames) {
    struct Case {
        const char* name;
        std::string xml;
        std::vector<std::string> ids;
    };
    const Case cases[] = {
        {"as written",
         "<Korvat教育存盘文件 产品名称=\"Lumivo\" ZRGUID=\"{X}\"><素材 ID=\"0\" System=\"-1\"/>"
         "<素材 ID=\"1\" System=\"-1\"/></Korvat教育存盘文件>\r\n",
         {"0", "1"}},
        {"other names, no root attributes",
         "<a><b ID=\"4\"/><c ID=\"5\"/><b ID=\"6\"/></a>",
         {"4", "5", "6"}},
        {"blanks, comments and instructions between entries",
         "<?xml version=\"1.0\"?>\n<!-- head -->\n<r 产品名称=\"\" 文件版本=\"&amp;&lt;\">\n"
         "  <!-- one --> <e ID=\"1\"/>\n\t<?pi x?>\n  <e ID=\"2\"/>\n</r>\n",
         {"1", "2"}},
        {"odd root attributes",
         "<r ZRGUID=\"nonsense\" 记录时间=\"yesterday\"><e ID=\"9\"/></r>",
         {"9"}},
        {"no entries", "<r> <!-- none --> </r>", {}},
    };
    for (const Case& c : cases) {
        const TCatalogue catalogue = TCatalogue::LoadFromMemory(c.xml, "TeachMaterial.xml");
        EXPECT_EQ(IdsForward(catalogue), c.ids) << c.name;
        EXPECT_EQ(IdsBackward(catalogue), std::vector<std::string>(c.ids.rbegin(), c.ids.rend()))
            << c.name;
        EXPECT_EQ(catalogue.EntryCount(), static_cast<int>(c.ids.size())) << c.name;
    }
}

TEST(Catalogue, NodesReportNamesAndAttributes) {
    const TCatalogue catalogue = TCatalogue::LoadFromMemory(
        "<Korvat教育存盘文件><素材 ID=\"3\" System=\"\" x:y=\"z\"/></Korvat教育存盘文件>", "c");
    EXPECT_EQ(catalogue.DocumentElement().NodeName(), "Korvat教育存盘文件");
    const TCatalogueNode entry = catalogue.FirstEntry();
    EXPECT_EQ(entry.NodeName(), "素材");
    EXPECT_EQ(entry.Attribute("ID"), "3");
    EXPECT_EQ(entry.Attribute("System"), "");  // present but empty differs from absent
    EXPECT_EQ(entry.Attribute("Id"), std::nullopt);
    EXPECT_TRUE(entry.PreviousSibling().IsNull());
    EXPECT_TRUE(entry.NextSibling().IsNull());
    EXPECT_EQ(entry.NextSibling(), TCatalogueNode());
}

TEST(Catalogue, CloseDeactivatesAndMovingKeepsTheDocument) {
    TCatalogue first = TCatalogue::LoadFromMemory("<r><e ID=\"1\"/></r>", "c");
    TCatalogue second = std::move(first);
    EXPECT_FALSE(first.Active());
    EXPECT_EQ(IdsForward(second), std::vector<std::string>{"1"});
    second.Close();
    EXPECT_FALSE(second.Active());
    EXPECT_TRUE(second.FirstEntry().IsNull());
    EXPECT_EQ(second.EntryCount(), 0);
}

TEST(Catalogue, MalformedDocumentsNameTheSourceAndTheLine) {
    struct Case {
        const char* name;
        std::string xml;
        std::string prefix;
    };
    const Case cases[] = {
        {"empty", "", "TeachMaterial.xml:1: "},
        {"unclosed tag", "<r>\r\n<e ID=\"1\"/>\r\n<e ID=\"2\"\r\n", "TeachMaterial.xml:4: "},
        {"mismatched end", "<r>\n<e>\n</f>\n</r>", "TeachMaterial.xml:3: "},
        {"two roots", "<r/>\n<s/>", "TeachMaterial.xml:2: "},
        {"bad UTF-8", "<r>\n<e ID=\"\xFF\xFE\"/></r>", "TeachMaterial.xml:2: "},
    };
    for (const Case& c : cases) {
        try {
            TCatalogue::LoadFromMemory(c.xml, "TeachMaterial.xml");
            ADD_FAILURE() << c.name << ": loaded";
        } catch (const Error& e) {
            const std::string text = e.what();
            EXPECT_EQ(text.substr(0, c.prefix.size()), c.prefix) << c.name << ": " << text;
            EXPECT_GT(text.size(), c.prefix.size()) << c.name;
        }
    }
}

TEST(Catalogue, LoadsFromAFileWithoutReadingExternalDefinitions) {
    TempFolder folder;
    test::WriteAll(folder / "ext.dtd", "<!ENTITY id \"5\">");
    test::WriteAll(folder / "TeachMaterial.xml",
                   "<!DOCTYPE r SYSTEM \"ext.dtd\">\n<r><e ID=\"&id;\" System=\"-1\"/></r>");
    const TCatalogue catalogue = TCatalogue::LoadFromFile(folder / "TeachMaterial.xml");
    EXPECT_NE(catalogue.FirstEntry().Attribute("ID"), "5");

    const std::string missing = folder / "none.xml";
    try {
        TCatalogue::LoadFromFile(missing);
        ADD_FAILURE() << "loaded";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), missing + ": cannot open: No such file or directory");
    }
}

TEST(ReadEntryRef, ConvertsWithTheExactTexts) {
    struct Case {
        const char* attributes;
        int32_t id;
        bool system;
        const char* error;  // nullptr: converts
    };
    const char* const null = "Could not convert variant of type (Null) into type (String)";
    const Case cases[] = {
        {"ID=\"0\" System=\"-1\"", 0, true, nullptr},
        {"ID=\"12\" System=\"1\"", 12, true, nullptr},
        {"ID=\" 7\" System=\"True\"", 7, true, nullptr},
        {"ID=\"$1F\" System=\"tRUE\"", 31, true, nullptr},
        {"ID=\"2147483647\" System=\"0\"", 2147483647, false, nullptr},
        {"ID=\"-1\" System=\"False\"", -1, false, nullptr},
        {"System=\"-1\"", 0, false, null},
        {"ID=\"0\"", 0, false, null},
        {"", 0, false, null},
        {"ID=\"abc\" System=\"-1\"", 0, false, "'abc' is not a valid integer value"},
        {"ID=\"1x\" System=\"-1\"", 0, false, "'1x' is not a valid integer value"},
        {"ID=\"\" System=\"-1\"", 0, false, "'' is not a valid integer value"},
        {"ID=\"2147483648\" System=\"-1\"", 0, false, "'2147483648' is not a valid integer value"},
        {"ID=\"abc\"", 0, false, "'abc' is not a valid integer value"},  // ID is read first
        {"ID=\"0\" System=\"yes\"", 0, false, "'yes' is not a valid boolean value"},
        {"ID=\"0\" System=\"\"", 0, false, "'' is not a valid boolean value"},
    };
    for (const Case& c : cases) {
        const TCatalogue catalogue =
            TCatalogue::LoadFromMemory(std::string("<r><e ") + c.attributes + "/></r>", "c");
        try {
            const TEntryRef ref = ReadEntryRef(catalogue.FirstEntry());
            EXPECT_EQ(c.error, nullptr) << c.attributes;
            EXPECT_EQ(ref.Id, c.id) << c.attributes;
            EXPECT_EQ(ref.System, c.system) << c.attributes;
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), c.error ? c.error : "(converts)") << c.attributes;
        }
    }
}

class ResolveEntryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string mainPath = FFolder / "main.ept";
        WritePackageFile(
            mainPath, {test::FileItemSpec("一", "D:\\a\\one.swf", test::Bytes("one"), true)}, {});
        const std::string secondPath = FFolder / "second.ept";
        WritePackageFile(secondPath,
                         {test::FileItemSpec("二", "D:\\b\\two.jpg", test::Bytes("two"), false),
                          test::FileItemSpec("三", "D:\\b\\three.avi", test::Bytes("three"), true)},
                         {});
        for (TTarnPackageFile* package : {&FMain, &FSecond, &FUnopened})
            package->SetSignature("EPT_Korvat");
        ASSERT_EQ(FMain.Open(mainPath), 0);
        ASSERT_EQ(FSecond.Open(secondPath), 0);
    }

    std::string ErrorText(const TEntryRef& ref, TTarnPackageFile& second) {
        try {
            ResolveEntry(ref, FMain, second);
        } catch (const Error& e) {
            return e.what();
        }
        return "(resolved)";
    }

    TempFolder FFolder;
    TTarnPackageFile FMain;
    TTarnPackageFile FSecond;
    TTarnPackageFile FUnopened;
};

TEST_F(ResolveEntryTest, SystemChoosesThePackageAndIdTheTopLevelItem) {
    EXPECT_EQ(ResolveEntry({0, true}, FMain, FSecond).FileName, "D:\\a\\one.swf");
    EXPECT_EQ(ResolveEntry({0, false}, FMain, FSecond).FileName, "D:\\b\\two.jpg");
    EXPECT_EQ(ResolveEntry({1, false}, FMain, FSecond).FileName, "D:\\b\\three.avi");
    // Two entries naming the same item get the very same item.
    EXPECT_EQ(&ResolveEntry({1, false}, FMain, FSecond), &ResolveEntry({1, false}, FMain, FSecond));
}

TEST_F(ResolveEntryTest, AnIdNamingNoItemIsOutOfBounds) {
    EXPECT_EQ(ErrorText({1, true}, FSecond), "List index out of bounds (1)");
    EXPECT_EQ(ErrorText({-1, true}, FSecond), "List index out of bounds (-1)");
    EXPECT_EQ(ErrorText({2, false}, FSecond), "List index out of bounds (2)");
    // No second package in the bundle: its reader was never opened.
    EXPECT_EQ(ErrorText({0, false}, FUnopened), "List index out of bounds (0)");
}

TEST(ShownFilePath, PlacesFileAndFolderItemsInTheWorkFolder) {
    struct Case {
        const char* name;
        std::string fileName;
        std::string filePath;
        std::string mainFileName;
        std::string expected;  // after the work folder; "" when unsafe
    };
    const Case cases[] = {
        {"file", "D:\\课件\\碳化钙的结构模型.swf", "", "", "碳化钙的结构模型.swf"},
        {"drive-relative file", "C:a.jpg", "", "", "a.jpg"},
        {"bare name", "notes.htm", "", "", "notes.htm"},
        {"folder", "", "D:\\lessons\\week1\\", "D:\\lessons\\week1\\index.htm", "week1/index.htm"},
        {"folder, main file with a drive", "", "E:\\x\\实验\\", "E:main.exe", "实验/main.exe"},
        {"file named ..", "D:\\x\\..", "", "", ""},
        {"file name ending in a separator", "D:\\x\\", "", "", ""},
        {"empty file name", "", "", "", ""},
        {"folder named ..", "", "D:\\..\\", "D:\\a.htm", ""},
        {"folder with an empty name", "", "\\", "a.htm", ""},
        {"folder without a main file", "", "D:\\lessons\\week1\\", "", ""},
        {"folder whose main file is .", "", "D:\\lessons\\week1\\", "D:\\.", ""},
    };
    for (const Case& c : cases) {
        TTarnPackageItem item(nullptr);
        item.FileName = c.fileName;
        item.FilePath = c.filePath;
        item.MainFileName = c.mainFileName;
        const std::string expected = c.expected.empty() ? "" : "/tmp/work/" + c.expected;
        EXPECT_EQ(ShownFilePath(item, "/tmp/work/"), expected) << c.name;
        EXPECT_EQ(ShownFilePath(item, "/tmp/work"), expected) << c.name;
    }
}

}  // namespace
}  // namespace kel
