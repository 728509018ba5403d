// The offsets the map relies on, checked against databases the engine wrote: what it reads
// from RDB$PAGES, pointer pages, the generator page and records agrees with the engine's own
// answers and with the fixtures, and a sound database needs nothing.
#include <gtest/gtest.h>

#include "ods/DataPage.h"
#include "ods/DatabaseFile.h"
#include "ods/InventoryPages.h"
#include "ods/PageCheck.h"
#include "ods/PageGeometry.h"
#include "ods/PageMap.h"
#include "support/DatabasePages.h"
#include "support/FirebirdTools.h"
#include "support/ScratchDirectory.h"
#include "support/TestDatabase.h"

namespace onarim::ods {
namespace {

using namespace onarim::testing;

class SoundDatabaseTest : public ::testing::TestWithParam<int> {};

TEST_P(SoundDatabaseTest, MapAgreesWithTheEngineAndNothingNeedsMending) {
    ScratchDirectory directory;
    const TestDatabase database = CreateTestDatabase(
        directory.File("sound.fdb"), {.pageSize = GetParam(), .rowCount = 3000, .notes = true,
                                      .largeNoteEvery = GetParam() <= 8192 ? 40 : 0,
                                      .sequence = true});
    const TPageCheck check = CheckPages(database.path);
    EXPECT_EQ(check.ods, "12.0");
    EXPECT_EQ(check.refusal, "");
    EXPECT_TRUE(check.NothingToWrite()) << check.mends.front().page << ": " << check.mends.front().was;
    EXPECT_TRUE(check.problems.empty()) << check.problems.front().text;
    EXPECT_EQ(check.unnamedPages, 0u) << "every page in use is named by the structure";

    const TDatabaseFile file(database.path, TDatabaseFile::TAccess::ReadOnly);
    EXPECT_EQ(file.Header().pageSize, GetParam());
    EXPECT_FALSE(file.Header().Encrypted());
    const TPageMap map = BuildPageMap(file);

    // The data pages RDB$PAGES leads to are the ones the fixtures find through the pointer
    // pages, in the same order.
    std::vector<std::uint32_t> mapped;
    std::uint32_t generatorPage = 0;
    for (std::uint32_t page = 0; page < map.PageCount(); ++page) {
        const auto expected = map.Expected(page);
        if (expected && expected->type == TPageType::Data &&
            expected->origin == TPageOrigin::PointerSlot &&
            expected->relation == database.relationId) {
            mapped.push_back(page);
        }
        if (expected && expected->type == TPageType::Generator) {
            generatorPage = page;
        }
    }
    std::vector<std::uint32_t> found;
    const DatabasePages pages(database.path);
    for (const DataPage& page : DataPagesOf(pages, database.relationId)) {
        found.push_back(page.number);
    }
    std::sort(mapped.begin(), mapped.end(), [&](std::uint32_t a, std::uint32_t b) {
        return TDataPage::Read(file.ReadPage(a), TPageGeometry(file.PageSize())).sequence <
               TDataPage::Read(file.ReadPage(b), TPageGeometry(file.PageSize())).sequence;
    });
    EXPECT_EQ(mapped, found);

    // The sequence's value at 24 + 8 * id on the generator page.
    const int id = std::stoi(QueryText(database.path, "RDB$GENERATOR_ID",
                                       std::string("FROM RDB$GENERATORS WHERE RDB$GENERATOR_NAME = '") +
                                           kTestSequence + "'")
                                 .at(0));
    const TPageGeometry geometry(file.PageSize());
    const auto bytes = file.ReadPage(generatorPage);
    EXPECT_EQ(TGeneratorPage::Read(bytes, geometry).Value(static_cast<std::uint32_t>(id)),
              kTestSequenceValue);
    // The last transaction number the engine handed out, from the header page.
    const auto next = QueryText(database.path, "CURRENT_TRANSACTION", "FROM RDB$DATABASE");
    EXPECT_LT(file.Header().nextTransaction, std::stoull(next.at(0)));
    EXPECT_GT(file.Header().nextTransaction, 0u);
}

INSTANTIATE_TEST_SUITE_P(PageSizes, SoundDatabaseTest, ::testing::Values(4096, 8192, 16384),
                         [](const auto& info) { return "Page" + std::to_string(info.param); });

// A row longer than a page is stored as a head and tail pieces on orphan pages, which only
// the head's fragment pointer names: flags 0x03, as the notes say.
TEST(PageMapFirebirdTest, BigRecordTailsAreOrphanDataPagesNamedByTheirFragmentPointer) {
    ScratchDirectory directory;
    const TestDatabase database =
        CreateTestDatabase(directory.File("wide.fdb"), {.pageSize = 4096, .rowCount = 10});
    RunIsqlScript("CREATE TABLE WIDE (ID INTEGER, TXT VARCHAR(9000) CHARACTER SET OCTETS);\n"
                  "COMMIT;\n"
                  "SET TERM ^;\n"
                  "EXECUTE BLOCK AS DECLARE T VARCHAR(9000) CHARACTER SET OCTETS = '';\n"
                  "BEGIN WHILE (CHAR_LENGTH(T) < 8500) DO T = T || 'ab1c';\n"
                  "INSERT INTO WIDE VALUES (1, :T); END^\n"
                  "SET TERM ;^\n"
                  "COMMIT;\n",
                  database.path);
    const TDatabaseFile file(database.path, TDatabaseFile::TAccess::ReadOnly);
    const TPageMap map = BuildPageMap(file);
    int tails = 0;
    for (std::uint32_t page = 0; page < map.PageCount(); ++page) {
        const auto expected = map.Expected(page);
        if (expected && expected->origin == TPageOrigin::Fragment) {
            ++tails;
            EXPECT_EQ(expected->flags, 0x03);
            EXPECT_EQ(file.ReadPage(page)[1], 0x03) << "page " << page;
        }
    }
    EXPECT_GE(tails, 2) << "8500 bytes on pages of 4096 take two tail pages";
    const TPageCheck check = CheckPages(database.path);
    EXPECT_TRUE(check.NothingToWrite());
    EXPECT_TRUE(check.problems.empty()) << check.problems.front().text;
    EXPECT_EQ(check.unnamedPages, 0u);
}

} // namespace
} // namespace onarim::ods
