// The start-up helpers: the private temporary folder, deleting without following links, the
// program's resources, the one-instance channel and the bundle threshold.

#include "Common.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>

#include "ElfImage.h"
#include "Error.h"
#include "TestUtil.h"

namespace kel::test {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

// Points TMPDIR somewhere else for one test.
class ScopedTmpDir {
  public:
    explicit ScopedTmpDir(const std::string& value) {
        const char* old = std::getenv("TMPDIR");
        FHadOld = old != nullptr;
        FOld = old ? old : "";
        setenv("TMPDIR", value.c_str(), 1);
    }
    ~ScopedTmpDir() {
        if (FHadOld)
            setenv("TMPDIR", FOld.c_str(), 1);
        else
            unsetenv("TMPDIR");
    }

  private:
    bool FHadOld;
    std::string FOld;
};

TEST(TempDir, IsAPrivateFolderUnderTmpdir) {
    TempFolder base;
    ScopedTmpDir tmp(base.Path().string() + "/");
    const std::string folder = base.Path().string() + "/kelplayer-" + std::to_string(geteuid());
    EXPECT_EQ(GetTempDir(), folder + "/");
    struct stat info;
    ASSERT_EQ(lstat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(GetTempDir(), folder + "/");  // an existing private folder is taken as it is
}

TEST(TempDir, RefusesFoldersOthersCouldRedirect) {
    const struct {
        const char* Name;
        void (*Make)(const fs::path& folder, const fs::path& elsewhere);
        const char* Reason;
    } cases[] = {
        {"symbolic link",
         [](const fs::path& folder, const fs::path& elsewhere) {
             fs::create_directory(elsewhere);
             chmod(elsewhere.c_str(), 0700);
             fs::create_directory_symlink(elsewhere, folder);
         },
         "symbolic link"},
        {"open to the group",
         [](const fs::path& folder, const fs::path&) {
             fs::create_directory(folder);
             chmod(folder.c_str(), 0770);
         },
         "0700"},
        {"a file", [](const fs::path& folder, const fs::path&) { std::ofstream(folder) << "x"; },
         "not a folder"},
        {"someone else's",
         [](const fs::path& folder, const fs::path&) {
             fs::create_directory(folder);
             chmod(folder.c_str(), 0700);
             if (chown(folder.c_str(), kNobody, kNobody) != 0)
                 fs::remove(folder);  // only root can give a folder away; nothing to refuse then
         },
         "another user"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TempFolder base;
        ScopedTmpDir tmp(base.Path().string());
        const fs::path folder = base.Path() / ("kelplayer-" + std::to_string(geteuid()));
        c.Make(folder, base.Path() / "other");
        if (!fs::exists(fs::symlink_status(folder)))
            continue;
        try {
            GetTempDir();
            ADD_FAILURE() << "accepted";
        } catch (const Error& error) {
            EXPECT_NE(std::string(error.what()).find(c.Reason), std::string::npos) << error.what();
        }
    }
}

TEST(ShellDelete, DeletesFoldersFilesAndShellPatternsWithoutFollowingLinks) {
    TempFolder folder;
    const fs::path root = folder.Path();
    const fs::path outside = root / "outside";
    fs::create_directories(outside);
    std::ofstream(outside / "keep.ept") << "outside";
    fs::create_directories(root / "work" / "sub");
    std::ofstream(root / "work" / "sub" / "f.txt") << "x";
    fs::create_directory_symlink(outside, root / "work" / "sub" / "link");
    for (const char* name : {"a.ept", "b.ept", ".hidden.ept", "c.txt"})
        std::ofstream(root / name) << name;

    EXPECT_TRUE(ShellDelete((root / "work").string() + "/"));
    EXPECT_FALSE(fs::exists(root / "work"));
    EXPECT_TRUE(fs::exists(outside / "keep.ept"));

    EXPECT_TRUE(ShellDelete((root / "*.ept").string()));
    EXPECT_FALSE(fs::exists(root / "a.ept"));
    EXPECT_FALSE(fs::exists(root / "b.ept"));
    EXPECT_TRUE(fs::exists(root / ".hidden.ept"));  // like the shell, "*" skips a leading dot
    EXPECT_TRUE(fs::exists(root / "c.txt"));

    EXPECT_FALSE(ShellDelete((root / "*.ept").string()));
    EXPECT_FALSE(ShellDelete((root / "missing").string()));
    EXPECT_TRUE(ShellDelete((root / "c.txt").string()));
    EXPECT_FALSE(fs::exists(root / "c.txt"));
}

TEST(ResourceToFile, WritesTheResourceFoundWithoutRegardToCase) {
    TempFolder folder;
    const std::string target = folder / "sample.txt";
    std::ofstream(target) << "an older and longer file to be replaced";
    ResourceToFile("TEST", "Sample", target);
    EXPECT_EQ(ReadAll(target), Bytes("resource bytes\n"));

    EXPECT_THROW(ResourceToFile("test", "absent", folder / "absent.txt"), Error);
    EXPECT_FALSE(std::filesystem::exists(folder / "absent.txt"));
    try {
        ResourceToFile("test", "sample", folder / "no-such-folder/sample.txt");
        ADD_FAILURE() << "wrote into a missing folder";
    } catch (const Error& error) {
        EXPECT_TRUE(std::string(error.what()).starts_with("Cannot create file")) << error.what();
    }
}

TEST(OneInstance, ALaterStartReachesTheRunningPlayer) {
    TempFolder base;
    ScopedTmpDir tmp(base.Path().string());
    InitCommon();
    const std::string title = "测试播放器";
    EXPECT_FALSE(ActivateRunningInstance(title));

    int activations = 0;
    TInstanceListener listener(title, [&activations] { ++activations; });
    ASSERT_TRUE(listener.Listening());
    auto found = std::async(std::launch::async, [&] { return ActivateRunningInstance(title); });
    QDeadlineTimer deadline(10000);
    while (activations == 0 && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(activations, 1);
    EXPECT_TRUE(found.get());
    EXPECT_FALSE(ActivateRunningInstance("another title"));
}

TEST(ElfImageEnd, AppendedBytesLieBeyondTheImage) {
    TempFolder folder;
    const std::vector<uint8_t> self = ReadAll("/proc/self/exe");
    const std::optional<uint64_t> end = platform::ElfImageEnd("/proc/self/exe");
    ASSERT_TRUE(end.has_value());
    EXPECT_EQ(*end, self.size());

    std::vector<uint8_t> bundled = self;
    bundled.insert(bundled.end(), 100, 0x42);
    WriteAll(folder / "bundled", bundled);
    EXPECT_EQ(platform::ElfImageEnd(folder / "bundled"), end);

    WriteAll(folder / "cut", std::vector<uint8_t>(self.begin(), self.begin() + 200));
    EXPECT_EQ(platform::ElfImageEnd(folder / "cut"), std::nullopt);
    WriteAll(folder / "text", Bytes("#!/bin/sh\necho not an executable image\n"));
    EXPECT_EQ(platform::ElfImageEnd(folder / "text"), std::nullopt);
    EXPECT_EQ(platform::ElfImageEnd(folder / "missing"), std::nullopt);
}

}  // namespace
}  // namespace kel::test
