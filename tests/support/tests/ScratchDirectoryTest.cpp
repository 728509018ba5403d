#include "support/ScratchDirectory.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace onarim::testing {
namespace {

TEST(ScratchDirectoryTest, IsMadeFreshAndRemovedWithItsContents) {
    for (const auto kind :
         {ScratchDirectory::Kind::Plain, ScratchDirectory::Kind::WithBlanksAndTurkishLetters}) {
        std::string path;
        {
            ScratchDirectory directory(kind);
            path = directory.Path();
            ASSERT_TRUE(std::filesystem::is_directory(path));
            EXPECT_TRUE(std::filesystem::is_empty(path));
            std::ofstream(directory.File("BACKUP.GBK")) << "x";
            std::filesystem::create_directory(directory.File("sub"));
        }
        EXPECT_FALSE(std::filesystem::exists(path)) << path;
    }
}

TEST(ScratchDirectoryTest, TurkishKindHoldsBlanksAndTurkishLetters) {
    ScratchDirectory directory(ScratchDirectory::Kind::WithBlanksAndTurkishLetters);
    const std::string name = std::filesystem::path(directory.Path()).filename().string();
    EXPECT_NE(name.find(' '), std::string::npos);
    for (const char* letter : {"ı", "ğ", "ü", "ş", "ö", "ç", "İ", "Ğ", "Ü", "Ş", "Ö", "Ç"}) {
        EXPECT_NE(name.find(letter), std::string::npos) << letter;
    }
}

TEST(ScratchDirectoryTest, TwoDirectoriesAreDistinct) {
    ScratchDirectory first;
    ScratchDirectory second;
    EXPECT_NE(first.Path(), second.Path());
}

} // namespace
} // namespace onarim::testing
