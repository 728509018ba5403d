#include <gtest/gtest.h>

#include "support/ScratchDirectory.h"
#include "widgets/FileNameText.h"

namespace onarim {
namespace {

TEST(FileNameTextTest, FirstTokenTakesTheFirstWordWithoutItsQuotes) {
    const QString longWord(1000, u'x');
    struct Case {
        QString text;
        QString token;
    } cases[] = {
        {"", ""},
        {" \t\r\n", ""},
        {"plain", "plain"},
        {"  /db/a.fdb  trailing words", "/db/a.fdb"},
        {"\"/my dir/a b.fdb\" rest", "/my dir/a b.fdb"},
        {"\"unterminated quote", "unterminated quote"},
        {"mixed\"quoted part\"tail next", "mixedquoted parttail"},
        {"\"a\"\"b\"", "ab"},
        {"\"\" \"\"  word", "word"},
        {"\"\"\"inner\"", "inner"},
        {"\"\"", ""},
        {QString::fromUtf8("İş günü/veri tabanı.fdb"), QString::fromUtf8("İş")},
        {QString(u'\x01') + "after\x1f" + "control", "after"},
        {longWord + " more", longWord},
        {"\"" + longWord + " " + longWord + "\"", longWord + " " + longWord},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FirstToken(c.text), c.token) << c.text.toStdString();
    }
}

TEST(FileNameTextTest, CheckFileNameCharsRefusesEmptyAndSixCharacters) {
    struct Case {
        QString name;
        bool valid;
    } cases[] = {
        {"", false},          {"/db/a.fdb", true},   {"a<b", false}, {"a>b", false},
        {"a\"b", false},      {"a[1]", false},       {"a]b", false}, {"a|b", false},
        {"/my dir/a", true},  {QString::fromUtf8("/veri/çğış.fdb"), true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckFileNameChars(c.name), c.valid) << c.name.toStdString();
    }
}

TEST(FileNameTextTest, TextFromFileNameQuotesNamesWithBlanks) {
    struct Case {
        QString name;
        QString text;
    } cases[] = {
        {"", ""},
        {"/db/a.fdb", "/db/a.fdb"},
        {"/my dir/a.fdb", "\"/my dir/a.fdb\""},
        {"\"/my dir/a.fdb\"", "\"/my dir/a.fdb\""},
        {"/tab\there", "\"/tab\there\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextFromFileName(c.name), c.text) << c.name.toStdString();
        // What the box stores reads back as the name.
        if (!c.name.startsWith(u'"')) {
            EXPECT_EQ(FirstToken(TextFromFileName(c.name)), c.name) << c.name.toStdString();
        }
    }
}

TEST(FileNameTextTest, FileNameFromTextKeepsAnExistingFileElseTakesTheFirstWord) {
    testing::ScratchDirectory scratch(testing::ScratchDirectory::Kind::WithBlanksAndTurkishLetters);
    const QString dir = QString::fromStdString(scratch.Path().string());
    const QString existing = dir + "/ana veri.fdb";
    scratch.WriteFile("ana veri.fdb", "x");
    struct Case {
        QString text;
        QString fileName;
    } cases[] = {
        {existing, existing},
        {"\"" + existing + "\"", existing},
        {dir, FirstToken(dir)}, // a directory is no file
        {"/no such/file.fdb", "/no"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileNameFromText(c.text), c.fileName) << c.text.toStdString();
    }
}

TEST(FileNameTextTest, PathSplitsAtTheLastSlash) {
    struct Case {
        QString path, directory, file;
    } cases[] = {
        {"/db/a.fdb", "/db/", "a.fdb"},
        {"/db/", "/db/", ""},
        {"a.fdb", "", "a.fdb"},
        {"/", "/", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DirectoryPart(c.path), c.directory) << c.path.toStdString();
        EXPECT_EQ(FilePart(c.path), c.file) << c.path.toStdString();
    }
}

} // namespace
} // namespace onarim
