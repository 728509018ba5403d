// Standard headers of real databases overwritten with garbage, then checked and mended: the
// validation is clean again and every row, note and the sequence read back. And what the map
// reads from real files agrees with what the engine and the fixtures find.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <random>

#include "ods/DatabaseFile.h"
#include "ods/PageCheck.h"
#include "ods/PageMap.h"
#include "support/DatabasePages.h"
#include "support/FirebirdTools.h"
#include "support/ScratchDirectory.h"
#include "support/TestDatabase.h"

namespace onarim::ods {
namespace {

using namespace onarim::testing;

constexpr int kRows = 2000;
constexpr int kLargeNoteEvery = 50;

// One fresh database per page size, copied for each test.
const TestDatabase& Original(int pageSize) {
    static ScratchDirectory directory;
    static std::map<int, TestDatabase> made;
    auto found = made.find(pageSize);
    if (found == made.end()) {
        found = made.emplace(pageSize,
                             CreateTestDatabase(directory.File(std::to_string(pageSize) + ".fdb"),
                                                {.pageSize = pageSize,
                                                 .rowCount = kRows,
                                                 .notes = true,
                                                 .largeNoteEvery = kLargeNoteEvery,
                                                 .sequence = true}))
                    .first;
    }
    return found->second;
}

TestDatabase CopyOf(int pageSize, const ScratchDirectory& directory) {
    TestDatabase copy = Original(pageSize);
    copy.path = directory.File("copy.fdb");
    std::filesystem::copy_file(Original(pageSize).path, copy.path);
    return copy;
}

std::map<int, std::string> ExpectedNotes() {
    std::map<int, std::string> notes;
    for (int id = 1; id <= kRows; ++id) {
        notes[id] = id % kLargeNoteEvery == 0 ? ExpectedLargeNote(id) : ExpectedNote(id);
    }
    return notes;
}

// Pages of the map that `wanted` picks, in page order.
std::vector<std::uint32_t> PagesWhere(const std::string& path,
                                      const std::function<bool(const TPageExpectation&)>& wanted) {
    const TDatabaseFile file(path, TDatabaseFile::TAccess::ReadOnly);
    const TPageMap map = BuildPageMap(file);
    std::vector<std::uint32_t> pages;
    for (std::uint32_t page = 0; page < map.PageCount(); ++page) {
        if (const auto expected = map.Expected(page); expected && wanted(*expected)) {
            pages.push_back(page);
        }
    }
    return pages;
}

enum class Target { DataPage, PointerPage, IndexRoot, BlobPage, GeneratorPage, HeaderPage, All };

std::vector<std::uint32_t> TargetPages(const TestDatabase& database, Target target) {
    const auto relation = static_cast<std::uint16_t>(database.relationId);
    const auto of = [&](TPageType type) {
        return [=](const TPageExpectation& e) { return e.type == type && e.relation == relation; };
    };
    const auto any = [](TPageType type) {
        return [=](const TPageExpectation& e) { return e.type == type; };
    };
    switch (target) {
    case Target::DataPage:
        return {PagesWhere(database.path, of(TPageType::Data)).at(1)};
    case Target::PointerPage:
        return PagesWhere(database.path, of(TPageType::Pointer));
    case Target::IndexRoot:
        return PagesWhere(database.path, of(TPageType::IndexRoot));
    case Target::BlobPage:
        return {PagesWhere(database.path, any(TPageType::Blob)).back()};
    case Target::GeneratorPage:
        return PagesWhere(database.path, any(TPageType::Generator));
    case Target::HeaderPage:
        return {0};
    case Target::All:
        return PagesWhere(database.path, [&](const TPageExpectation& e) {
            return (e.type == TPageType::Data && e.relation == relation) ||
                   (e.type == TPageType::IndexBTree && e.relation == relation) ||
                   e.type == TPageType::Blob || e.type == TPageType::Generator;
        });
    }
    return {};
}

enum class Garbage { LooksEncrypted, AnotherType, Zeros };

DatabasePages::Page Garbled(DatabasePages::Page page, Garbage garbage, std::mt19937& random) {
    for (int i = 0; i < 16; ++i) {
        page[i] = garbage == Garbage::Zeros ? 0 : static_cast<std::uint8_t>(random());
    }
    if (garbage == Garbage::LooksEncrypted) {
        page[1] = 0x80;
    } else if (garbage == Garbage::AnotherType) {
        page[0] = page[0] == 7 ? 5 : 7;
    }
    return page;
}

struct MendCase {
    const char* name;
    int pageSize;
    Target target;
    Garbage garbage;
};

class PageMendTest : public ::testing::TestWithParam<MendCase> {};

TEST_P(PageMendTest, CheckAndMendGiveBackEveryRowNoteAndTheSequence) {
    const MendCase& c = GetParam();
    ScratchDirectory directory;
    const TestDatabase database = CopyOf(c.pageSize, directory);
    const std::vector<std::uint32_t> targets = TargetPages(database, c.target);
    ASSERT_FALSE(targets.empty());

    DatabasePages pages(database.path);
    std::map<std::uint32_t, DatabasePages::Page> originals;
    std::mt19937 random(static_cast<unsigned>(targets.front()));
    for (const std::uint32_t page : targets) {
        originals[page] = pages.Read(page);
        pages.Write(page, Garbled(originals[page], c.garbage, random));
    }

    const TPageCheck check = CheckPages(database.path);
    EXPECT_EQ(check.refusal, "");
    EXPECT_TRUE(check.problems.empty()) << check.problems.front().text;
    ASSERT_EQ(check.mends.size(), targets.size());
    for (const TPageMend& mend : check.mends) {
        ASSERT_TRUE(originals.contains(mend.page)) << mend.page << ": " << mend.reason;
        const auto& original = originals[mend.page];
        // Everything of the header as the engine wrote it but the generation.
        EXPECT_TRUE(std::equal(mend.newHeader.begin(), mend.newHeader.begin() + 4, original.begin()))
            << mend.page << ": " << mend.written << " (" << mend.reason << ")";
        EXPECT_TRUE(std::equal(mend.newHeader.begin() + 8, mend.newHeader.end(), original.begin() + 8))
            << mend.page << ": " << mend.written;
    }
    ApplyMends(database.path, check);

    const TPageCheck again = CheckPages(database.path);
    EXPECT_TRUE(again.NothingToWrite());
    EXPECT_TRUE(again.problems.empty());
    const ValidationResult validation = ReadOnlyValidation(database.path);
    EXPECT_TRUE(validation.Clean()) << validation.run.Describe();
    EXPECT_EQ(ReadRows(database.path), ExpectedRows(kRows));
    EXPECT_EQ(ReadNotes(database.path), ExpectedNotes());
    EXPECT_EQ(ReadSequenceValue(database.path), kTestSequenceValue);
}

std::vector<MendCase> EveryTargetAndGarbage() {
    const std::pair<const char*, Target> targets[] = {
        {"DataPage", Target::DataPage},     {"PointerPage", Target::PointerPage},
        {"IndexRoot", Target::IndexRoot},   {"BlobPage", Target::BlobPage},
        {"Generators", Target::GeneratorPage}, {"HeaderPage", Target::HeaderPage}};
    const std::pair<const char*, Garbage> garbages[] = {{"LooksEncrypted", Garbage::LooksEncrypted},
                                                        {"AnotherType", Garbage::AnotherType},
                                                        {"Zeros", Garbage::Zeros}};
    static std::vector<std::string> names;
    std::vector<MendCase> cases;
    for (const int pageSize : {4096, 8192}) {
        for (const auto& [targetName, target] : targets) {
            for (const auto& [garbageName, garbage] : garbages) {
                names.push_back(std::string(targetName) + garbageName + std::to_string(pageSize));
            }
        }
        names.push_back("AllPagesOfTheTable" + std::to_string(pageSize));
    }
    std::size_t name = 0;
    for (const int pageSize : {4096, 8192}) {
        for (const auto& [targetName, target] : targets) {
            for (const auto& [garbageName, garbage] : garbages) {
                cases.push_back({names[name++].c_str(), pageSize, target, garbage});
            }
        }
        cases.push_back({names[name++].c_str(), pageSize, Target::All, Garbage::LooksEncrypted});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Damage, PageMendTest, ::testing::ValuesIn(EveryTargetAndGarbage()),
                         [](const auto& info) { return std::string(info.param.name); });

// A pointer page overwritten whole is made again from the data pages that name the table:
// byte for byte what the engine wrote, but the generation.
TEST(PointerPageRebuildTest, AWhollyGarbledPointerPageIsRebuiltFromItsDataPages) {
    for (const int pageSize : {4096, 8192}) {
        ScratchDirectory directory;
        const TestDatabase database = CopyOf(pageSize, directory);
        const std::uint32_t target = TargetPages(database, Target::PointerPage).at(0);
        DatabasePages pages(database.path);
        const DatabasePages::Page original = pages.Read(target);
        DatabasePages::Page garbage(original.size());
        std::mt19937 random(7);
        for (auto& byte : garbage) {
            byte = static_cast<std::uint8_t>(random());
        }
        pages.Write(target, garbage);

        const TPageCheck check = CheckPages(database.path);
        EXPECT_TRUE(check.problems.empty()) << check.problems.front().text;
        EXPECT_TRUE(check.mends.empty());
        ASSERT_EQ(check.rebuilds.size(), 1u);
        const TPointerPageRebuild& rebuild = check.rebuilds[0];
        EXPECT_EQ(rebuild.page, target);
        EXPECT_EQ(rebuild.relation, database.relationId);
        EXPECT_TRUE(std::equal(rebuild.bytes.begin(), rebuild.bytes.begin() + 4, original.begin()));
        EXPECT_TRUE(std::equal(rebuild.bytes.begin() + 8, rebuild.bytes.end(), original.begin() + 8))
            << "page size " << pageSize;
        ApplyMends(database.path, check);

        EXPECT_TRUE(CheckPages(database.path).NothingToWrite());
        const ValidationResult validation = ReadOnlyValidation(database.path);
        EXPECT_TRUE(validation.Clean()) << validation.run.Describe();
        EXPECT_EQ(ReadRows(database.path), ExpectedRows(kRows));
        EXPECT_EQ(ReadNotes(database.path), ExpectedNotes());
    }
}

} // namespace
} // namespace onarim::ods
