#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "PathUtil.h"
#include "TestUtil.h"

namespace kel {
namespace {

TEST(PathUtil, AddBackslashAppendsTheSeparatorOnce) {
    const std::pair<std::string, std::string> cases[] = {
        {"/tmp/T", "/tmp/T/"}, {"/tmp/T/", "/tmp/T/"}, {"", ""}, {"T\\", "T\\/"}};
    for (auto [path, expected] : cases) {
        AddBackslash(path);
        EXPECT_EQ(path, expected);
    }
}

TEST(PathUtil, FileSizeOfIs64BitAndZeroForWhatIsNotAFile) {
    test::TempFolder folder;
    EXPECT_EQ(FileSizeOf(folder / "missing"), 0);
    EXPECT_EQ(FileSizeOf(folder.Path().string()), 0);
    test::WriteAll(folder / "small", std::string(1234, 'x'));
    EXPECT_EQ(FileSizeOf(folder / "small"), 1234);
    const int64_t big = (int64_t{5} << 30) + 3;  // sparse: no disk space used
    test::WriteAll(folder / "big", "");
    std::filesystem::resize_file(folder / "big", static_cast<uintmax_t>(big));
    EXPECT_EQ(FileSizeOf(folder / "big"), big);
}

TEST(PathUtil, LastPathComponentSplitsAtBackslashSlashAndColon) {
    const std::pair<std::string, std::string> cases[] = {
        {"D:\\课件\\碳化钙的结构模型.swf", "碳化钙的结构模型.swf"},
        {"lessons/a.swf", "a.swf"},
        {"C:a.swf", "a.swf"},
        {"plain.txt", "plain.txt"},
        {"dir\\", ""},
        {"", ""},
        {"a/b\\c:d", "d"},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(LastPathComponent(name), expected) << name;
}

TEST(PathUtil, SafeLastPathComponentRefusesWhatCouldLeaveTheFolder) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"D:\\x\\ok.swf", "ok.swf"},
        {"..", std::nullopt},
        {".", std::nullopt},
        {"", std::nullopt},
        {"a/../..", std::nullopt},
        {"C:\\x\\..", std::nullopt},
        {"dir\\", std::nullopt},
        {std::string("a\0b", 3), std::nullopt},
        {"...", "..."},
        {"..a", "..a"},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(SafeLastPathComponent(name), expected) << name;
}

TEST(PathUtil, RoundPointRoundsHalvesToEven) {
    struct Case {
        double x, y;
        Point expected;
    };
    const Case cases[] = {
        {2.5, 3.5, {2, 4}},
        {-0.5, 0.49, {0, 0}},
        {-1.5, -2.5, {-2, -2}},
        {1.4999, 1.5001, {1, 2}},
        {1e12, -1e12, {INT32_MAX, INT32_MIN}},
        {NAN, 7.0, {0, 7}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RoundPoint(c.x, c.y), c.expected) << c.x << ", " << c.y;
}

}  // namespace
}  // namespace kel
