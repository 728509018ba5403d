#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/Files.h"
#include "platform/SystemError.h"
#include "support/ScratchDirectory.h"

namespace onarim {
namespace {

namespace fs = std::filesystem;

TEST(FilesTest, OnlyARegularFileExists) {
    testing::ScratchDirectory scratch;
    const fs::path file = scratch.WriteFile("Veri Tabanı/ş.fdb", "x");
    fs::create_symlink(file, scratch.Path() / "link");
    fs::create_symlink(scratch.Path() / "gone", scratch.Path() / "dangling");
    struct Case {
        fs::path path;
        bool exists;
    } cases[] = {
        {file, true},
        {scratch.Path() / "link", true},
        {scratch.Path() / "Veri Tabanı", false},
        {scratch.Path() / "missing.fdb", false},
        {scratch.Path() / "dangling", false},
        {"/dev/null", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileExists(c.path.string()), c.exists) << c.path;
    }
}

TEST(FilesTest, DeleteFileReportsFailureWithoutRaising) {
    testing::ScratchDirectory scratch;
    const fs::path file = scratch.WriteFile("BACKUP.GBK", "x");
    EXPECT_TRUE(DeleteFile(file.string()));
    EXPECT_FALSE(fs::exists(file));

    EXPECT_FALSE(DeleteFile(file.string()));
    EXPECT_EQ(LastSystemError().code, ENOENT);

    const fs::path directory = scratch.Path() / "dir";
    fs::create_directory(directory);
    EXPECT_FALSE(DeleteFile(directory.string()));
    EXPECT_TRUE(fs::is_directory(directory));
}

} // namespace
} // namespace onarim
