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
#include "support/PageHeaderDamage.h"
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

using Target = HeaderTarget;
using Garbage = HeaderGarbage;

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
    std::map<std::uint32_t, DatabasePages::Page> originals = GarbleHeaders(database, c.target, c.garbage);

    const TPageCheck check = CheckPages(database.path);
    EXPECT_EQ(check.refusal, "");
    EXPECT_TRUE(check.problems.empty()) << check.problems.front().text;
    ASSERT_EQ(check.mends.size(), originals.size());
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

INSTANTIATE_TEST_SUITE_P(Campaign, PageMendTest, ::testing::ValuesIn(EveryTargetAndGarbage()),
                         [](const auto& info) { return std::string(info.param.name); });

// A pointer page overwritten whole is made again from the data pages that name the table:
// byte for byte what the engine wrote, but the generation.
TEST(PointerPageRebuildTest, AWhollyGarbledPointerPageIsRebuiltFromItsDataPages) {
    for (const int pageSize : {4096, 8192}) {
        ScratchDirectory directory;
        const TestDatabase database = CopyOf(pageSize, directory);
        const std::uint32_t target = HeaderTargetPages(database, Target::PointerPage).at(0);
        const DatabasePages::Page original = GarbleWholePage(database, target);

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
