#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/FileError.h"
#include "platform/Files.h"
#include "platform/ScopeExit.h"
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

std::string ReadAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string RandomBytes(std::size_t size) {
    std::mt19937 generator(42);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator());
    }
    return bytes;
}

std::vector<fs::path> Entries(const fs::path& directory) {
    return {fs::directory_iterator(directory), fs::directory_iterator()};
}

TEST(CopyToNewFileTest, CopiesEveryByteAndThePermissions) {
    testing::ScratchDirectory scratch(testing::ScratchDirectory::Kind::WithBlanksAndTurkishLetters);
    struct Case {
        const char* name;
        std::size_t size;
        fs::perms mode;
    } cases[] = {
        {"empty.fdb", 0, fs::perms(0600)},
        {"Müşteri Kayıtları.fdb", 3 * 1024 * 1024 + 17, fs::perms(0640)},
        {"shared.fdb", 4096, fs::perms(0664)},
    };
    for (const auto& c : cases) {
        const std::string content = RandomBytes(c.size);
        const fs::path source = scratch.WriteFile(c.name, content);
        fs::permissions(source, c.mode);
        const fs::path target = scratch.Path() / "kopya" / c.name;
        fs::create_directories(target.parent_path());

        CopyToNewFile(source.string(), target.string());

        EXPECT_EQ(ReadAll(target), content) << c.name;
        EXPECT_EQ(fs::status(target).permissions(), c.mode) << c.name;
        EXPECT_EQ(ReadAll(source), content) << c.name;
    }
    EXPECT_EQ(Entries(scratch.Path() / "kopya").size(), std::size(cases)); // no temporary left
}

// Every refusal leaves the target as it was and no temporary file behind.
TEST(CopyToNewFileTest, RefusesAndLeavesNothingBehind) {
    testing::ScratchDirectory scratch;
    const fs::path source = scratch.WriteFile("db.fdb", RandomBytes(256 * 1024));
    const fs::path existing = scratch.WriteFile("out/taken.fdb", "someone else's");
    struct Case {
        const char* name;
        fs::path source;
        fs::path target;
        fs::path namedInError;
        int error;
    } cases[] = {
        {"existing target", source, existing, existing, EEXIST},
        {"target is a directory", source, scratch.Path() / "out", scratch.Path() / "out", EEXIST},
        {"missing source", scratch.Path() / "gone.fdb", scratch.Path() / "out/a.fdb",
         scratch.Path() / "gone.fdb", ENOENT},
        {"source is a directory", scratch.Path() / "out", scratch.Path() / "out/b.fdb",
         scratch.Path() / "out", EINVAL},
        {"missing directory", source, scratch.Path() / "none/c.fdb", scratch.Path() / "none",
         ENOENT},
    };
    for (const auto& c : cases) {
        try {
            CopyToNewFile(c.source.string(), c.target.string());
            ADD_FAILURE() << c.name << ": no error";
        } catch (const EFileError& error) {
            EXPECT_EQ(error.Path(), c.namedInError.string()) << c.name;
            EXPECT_EQ(error.ErrorCode(), c.error) << c.name;
            EXPECT_NE(error.Message().find(c.namedInError.string()), std::string::npos);
        }
    }
    EXPECT_EQ(ReadAll(existing), "someone else's");
    EXPECT_EQ(Entries(scratch.Path() / "out").size(), 1u);
}

// A file size limit stops the writing half-way for root as for anyone: the same as a full
// disk for the copy.
TEST(CopyToNewFileTest, AFailedWriteRemovesTheTemporaryFile) {
    testing::ScratchDirectory scratch;
    const fs::path source = scratch.WriteFile("db.fdb", RandomBytes(2 * 1024 * 1024));
    const fs::path target = scratch.Path() / "out" / "copy.fdb";
    fs::create_directories(target.parent_path());

    rlimit original{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &original), 0);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    {
        const ScopeExit restore([&] {
            setrlimit(RLIMIT_FSIZE, &original);
            signal(SIGXFSZ, oldHandler);
        });
        rlimit limited = original;
        limited.rlim_cur = 1024 * 1024;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        try {
            CopyToNewFile(source.string(), target.string());
            ADD_FAILURE() << "no error";
        } catch (const EFileError& error) {
            EXPECT_EQ(error.ErrorCode(), EFBIG);
            EXPECT_EQ(error.Path(), target.string());
        }
    }
    EXPECT_TRUE(Entries(target.parent_path()).empty());
}

TEST(FilesTest, PreparationChecksNameTheFileAndTheReason) {
    testing::ScratchDirectory scratch;
    const std::string file = scratch.WriteFile("db.fdb", "x").string();
    const std::string readOnly = scratch.WriteFile("ro.fdb", "x").string();
    chmod(readOnly.c_str(), 0444);
    const std::string directory = scratch.Path().string();
    const std::string missing = scratch.File("missing.fdb");
    using Check = void (*)(const std::string&);
    struct Case {
        Check check;
        std::string path;
        int error; // 0: passes
    } cases[] = {
        {RequireRegularFile, file, 0},
        {RequireRegularFile, directory, EISDIR},
        {RequireRegularFile, "/dev/null", EINVAL},
        {RequireRegularFile, missing, ENOENT},
        {RequireReadWriteFile, file, 0},
        {RequireReadWriteFile, readOnly, geteuid() == 0 ? 0 : EACCES}, // root may write it
        {RequireReadWriteFile, "/dev/null", EINVAL},
        {RequireReadWriteFile, missing, ENOENT},
        {RequireWritableDirectory, directory, 0},
        {RequireWritableDirectory, file, ENOTDIR},
        {RequireWritableDirectory, missing, ENOENT},
    };
    for (const auto& c : cases) {
        try {
            c.check(c.path);
            EXPECT_EQ(c.error, 0) << c.path << " passed";
        } catch (const EFileError& error) {
            EXPECT_EQ(error.ErrorCode(), c.error) << c.path;
            EXPECT_EQ(error.Path(), c.path);
        }
    }
}

} // namespace
} // namespace onarim
