// The database the damage fixtures build: its layout, a clean validation, its rows.
#include "support/TestDatabase.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "support/DatabasePages.h"
#include "support/FirebirdTools.h"
#include "support/FixtureError.h"
#include "support/ScratchDirectory.h"

namespace onarim::testing {
namespace {

struct LayoutCounts {
    int liveRows = 0;
    int pagesOfDeletedRowsOnly = 0;
    int pagesOfBlobsOnly = 0;
};

LayoutCounts CountLayout(const TestDatabase& database) {
    LayoutCounts counts;
    for (const DataPage& page : DataPagesOf(DatabasePages(database.path), database.relationId)) {
        const auto& records = page.records;
        counts.liveRows += static_cast<int>(
            std::count_if(records.begin(), records.end(), [](auto& r) { return r.IsLiveRow(); }));
        const bool deletedOnly =
            !records.empty() && std::all_of(records.begin(), records.end(), [](auto& r) {
                return r.IsDeletedRow() || r.IsBackVersion();
            });
        const bool blobsOnly = !records.empty() && std::all_of(records.begin(), records.end(),
                                                               [](auto& r) { return r.IsBlob(); });
        counts.pagesOfDeletedRowsOnly += deletedOnly ? 1 : 0;
        counts.pagesOfBlobsOnly += blobsOnly && page.secondary ? 1 : 0;
    }
    return counts;
}

struct FreshCase {
    int pageSize;
    ScratchDirectory::Kind directory;
};

class FreshDatabaseTest : public ::testing::TestWithParam<FreshCase> {};

TEST_P(FreshDatabaseTest, HasTheDamageTargetsValidatesCleanAndHoldsEveryRow) {
    ScratchDirectory directory(GetParam().directory);
    const TestDatabase database =
        CreateTestDatabase(directory.File("Veri Tabanı's.fdb"), {GetParam().pageSize, 150});
    EXPECT_EQ(DatabasePages(database.path).PageSize(), GetParam().pageSize);

    // Looked at before anything reads the table, which would collect the deleted rows.
    const LayoutCounts layout = CountLayout(database);
    EXPECT_EQ(layout.liveRows, 150);
    EXPECT_GE(layout.pagesOfDeletedRowsOnly, 1);
    EXPECT_EQ(layout.pagesOfBlobsOnly, 1);

    const ValidationResult service = ServiceRepairValidation(database.path);
    EXPECT_TRUE(service.Clean()) << service.run.Describe();
    const ValidationResult gfix = ReadOnlyValidation(database.path);
    EXPECT_TRUE(gfix.Clean()) << gfix.run.Describe();
    EXPECT_EQ(ReadRows(database.path), ExpectedRows(150));
}

INSTANTIATE_TEST_SUITE_P(
    PageSizes, FreshDatabaseTest,
    ::testing::Values(FreshCase{4096, ScratchDirectory::Kind::Plain},
                      FreshCase{8192, ScratchDirectory::Kind::Plain},
                      FreshCase{16384, ScratchDirectory::Kind::WithBlanksAndTurkishLetters}),
    [](const auto& info) { return "PageSize" + std::to_string(info.param.pageSize); });

// Notes are short blobs on data pages of their own, the orphan blob still alone on its page.
TEST(TestDatabaseTest, NotesGiveEveryRowABlobOnPagesOfBlobs) {
    ScratchDirectory directory;
    const TestDatabase database =
        CreateTestDatabase(directory.File("notes.fdb"), {.rowCount = 300, .notes = true});

    int pagesOfNotes = 0;
    int longBlobPages = 0;
    for (const DataPage& page : DataPagesOf(DatabasePages(database.path), database.relationId)) {
        const auto& records = page.records;
        if (!std::all_of(records.begin(), records.end(), [](auto& r) { return r.IsBlob(); })) {
            continue;
        }
        const bool oneLong = records.size() == 1 && records[0].length > database.pageSize / 2;
        longBlobPages += oneLong ? 1 : 0;
        pagesOfNotes += !oneLong && records.size() > 10 ? 1 : 0;
    }
    EXPECT_GE(pagesOfNotes, 2);
    EXPECT_EQ(longBlobPages, 1);

    const auto notes = ReadNotes(database.path);
    ASSERT_EQ(notes.size(), 300u);
    for (const auto& [id, note] : notes) {
        EXPECT_EQ(note, ExpectedNote(id));
    }
    EXPECT_EQ(ReadRows(database.path), ExpectedRows(300));
}

TEST(TestDatabaseTest, ReadRowsSeesEveryLostOrChangedRow) {
    ScratchDirectory directory;
    const TestDatabase database = CreateTestDatabase(directory.File("rows.fdb"), {4096, 20});
    RunIsqlScript("DELETE FROM ITEMS WHERE ID = 7;\n"
                  "UPDATE ITEMS SET NAME = 'Kayit 12 ğüşıöç ĞÜŞİÖÇ' WHERE ID = 12;\n"
                  "COMMIT;\n",
                  database.path);

    std::vector<TableRow> expected = ExpectedRows(20);
    expected.erase(expected.begin() + 6);
    expected[10].name = "Kayit 12 ğüşıöç ĞÜŞİÖÇ";
    EXPECT_EQ(ReadRows(database.path), expected);
}

TEST(TestDatabaseTest, RefusesWhatItCannotBuild) {
    ScratchDirectory directory;
    EXPECT_THROW(CreateTestDatabase(directory.File("a.fdb"), {1024, 10}), FixtureError);
    EXPECT_THROW(CreateTestDatabase(directory.File("b.fdb"), {4096, -1}), FixtureError);
    EXPECT_THROW(CreateTestDatabase(directory.File("no such dir/c.fdb")), FixtureError);
    EXPECT_THROW(ReadRows(directory.File("missing.fdb")), FixtureError);
}

} // namespace
} // namespace onarim::testing
