// The raw reader on damaged copies of a real database: what decodes exactly comes back, the
// rest is named by page and line, and nothing wrong is returned. A page of the wrong type
// gives back every row; a record whose length reaches past its page, a garbled record header
// or a garbled line index lose those lines only; a page of garbage is named whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>

#include "ods/RawTableReader.h"
#include "support/DatabaseDamage.h"
#include "support/DatabasePages.h"
#include "support/FixtureError.h"
#include "support/OdsLayout.h"
#include "support/PageHeaderDamage.h"
#include "support/ScratchDirectory.h"
#include "support/TestDatabase.h"

namespace onarim::ods {
namespace {

using namespace onarim::testing;

constexpr int kRows = 1500;
constexpr int kLargeNoteEvery = 50;

const TestDatabase& Original() {
    static ScratchDirectory directory;
    static const TestDatabase made = CreateTestDatabase(
        directory.File("items.fdb"),
        {.pageSize = 4096, .rowCount = kRows, .notes = true, .largeNoteEvery = kLargeNoteEvery});
    return made;
}

std::string ExpectedNoteOf(int id) {
    return id % kLargeNoteEvery == 0 ? ExpectedLargeNote(id) : ExpectedNote(id);
}

// Overwrites the line index entries of every other live row of a page of live rows with random
// offsets and lengths.
DamageSite GarbleLineIndex(const TestDatabase& database) {
    DatabasePages pages(database.path);
    for (const DataPage& page : DataPagesOf(pages, database.relationId)) {
        const auto live = std::count_if(page.records.begin(), page.records.end(),
                                        [](const RecordSlot& r) { return r.IsLiveRow(); });
        if (live < 10) {
            continue;
        }
        DatabasePages::Page bytes = pages.Read(page.number);
        std::mt19937 random(page.number);
        bool odd = false;
        for (const RecordSlot& record : page.records) {
            if (record.IsLiveRow() && (odd = !odd)) {
                const int entry =
                    testing::ods::kDataSlots + record.slot * testing::ods::kDataSlotSize;
                WriteUInt16(bytes, entry, static_cast<std::uint16_t>(random()));
                WriteUInt16(bytes, entry + 2, static_cast<std::uint16_t>(random()));
            }
        }
        pages.Write(page.number, bytes);
        return {page.number, -1, 0};
    }
    throw FixtureError("no page of live rows");
}

// The table's first pointer page.
std::uint32_t PointerPageOf(const DatabasePages& pages, int relation) {
    for (std::uint32_t number = 1; number < pages.PageCount(); ++number) {
        const DatabasePages::Page page = pages.Read(number);
        if (page[0] == testing::ods::kPointerPageType &&
            ReadUInt16(page, testing::ods::kPointerRelation) == relation) {
            return number;
        }
    }
    throw FixtureError("no pointer page");
}

DamageSite NameTheFirstDataPageTwice(const TestDatabase& database) {
    DatabasePages pages(database.path);
    const std::uint32_t pointer = PointerPageOf(pages, database.relationId);
    DatabasePages::Page page = pages.Read(pointer);
    const std::uint32_t first = ReadUInt32(page, testing::ods::kPointerPages);
    WriteUInt32(page, testing::ods::kPointerPages + 4, first);
    pages.Write(pointer, page);
    return {first, -1, 0};
}

DamageSite GarbleThePointerPage(const TestDatabase& database) {
    const std::uint32_t pointer = PointerPageOf(DatabasePages(database.path), database.relationId);
    GarbleWholePage(database, pointer);
    return {pointer, -1, 0};
}

struct DamageCase {
    const char* name;
    std::function<DamageSite(const TestDatabase&)> damage;
    bool somePageLost; // the damaged page's rows cannot be told: a problem of the whole page
    int lostRows;      // -1: some, all on the damaged page
    int namedLines;    // lines named as lost rows; -1: as many as lost
    int lostBlobs;
    int aloneProblems = -1; // problems of a read of the page alone; -1: as the full read's there
};

DamageCase Fixture(const char* name, DamageKind kind, DamageTarget target, int lostRows,
                   int lostBlobs, int namedLines = -1) {
    return {name,
            [kind, target](const TestDatabase& database) {
                return DamageDatabase(database, kind, target);
            },
            kind == DamageKind::GarbledContents,
            lostRows,
            namedLines,
            lostBlobs};
}

class RawDamageTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(RawDamageTest, WhatDecodesComesBackAndTheRestIsNamed) {
    const DamageCase& c = GetParam();
    ScratchDirectory directory;
    TestDatabase database = Original();
    database.path = directory.File("damaged.fdb");
    std::filesystem::copy_file(Original().path, database.path);
    const DamageSite site = c.damage(database);

    const TDatabaseFile file(database.path, TDatabaseFile::TAccess::ReadOnly);
    const TRawDatabase raw(file);
    TRawTableReader reader(raw, "ITEMS");
    std::map<int, std::pair<std::uint32_t, std::uint16_t>> places; // ID -> page, line
    const std::vector<TableRow> expected = ExpectedRows(kRows);
    const TRawReadSummary summary =
        reader.Read({.pages = {}, .readBlobs = true}, [&](const TRawRow& row) {
            const auto id = static_cast<int>(row.Find("ID")->integer);
            ASSERT_GE(id, 1);
            ASSERT_LE(id, kRows);
            EXPECT_TRUE(places.emplace(id, std::make_pair(row.page, row.line)).second) << id;
            EXPECT_EQ(row.Find("NAME")->bytes, expected[id - 1].name);
            const TRawValue& note = *row.Find("NOTE");
            if (note.blobRead) {
                EXPECT_EQ(note.bytes, ExpectedNoteOf(id)) << id;
            }
        });

    std::size_t pageProblems = 0;
    std::size_t lineProblems = 0;
    std::size_t blobProblems = 0;
    for (const TRawProblem& problem : summary.problems) {
        // Nothing else was damaged.
        if (problem.reason.find("blob value") != std::string::npos) {
            ++blobProblems;
            continue;
        }
        EXPECT_EQ(problem.page, site.page) << problem.Describe();
        ++(problem.line ? lineProblems : pageProblems);
    }
    const std::size_t lost = kRows - places.size();
    EXPECT_EQ(pageProblems, c.somePageLost ? 1u : 0u);
    if (c.lostRows >= 0) {
        EXPECT_EQ(lost, static_cast<std::size_t>(c.lostRows));
        EXPECT_EQ(lineProblems, c.namedLines < 0 ? lost : static_cast<std::size_t>(c.namedLines))
            << "every lost row named by its line";
    } else {
        EXPECT_GT(lost, 0u);
        EXPECT_TRUE(c.somePageLost || lineProblems == lost);
    }
    EXPECT_EQ(blobProblems, static_cast<std::size_t>(c.lostBlobs));
    EXPECT_EQ(summary.rows, places.size());

    // Read on its own, the damaged page gives the same rows and problems.
    std::set<int> alone;
    const TRawReadSummary again =
        reader.Read({.pages = {site.page}, .readBlobs = false}, [&](const TRawRow& row) {
            alone.insert(static_cast<int>(row.Find("ID")->integer));
            EXPECT_EQ(row.page, site.page);
        });
    std::set<int> onPage;
    for (const auto& [id, place] : places) {
        if (place.first == site.page) {
            onPage.insert(id);
        }
    }
    EXPECT_EQ(alone, onPage);
    EXPECT_EQ(again.problems.size(), c.aloneProblems < 0
                                         ? pageProblems + lineProblems
                                         : static_cast<std::size_t>(c.aloneProblems));
}

INSTANTIATE_TEST_SUITE_P(
    Damage, RawDamageTest,
    ::testing::Values(
        Fixture("WrongPageTypeOfRows", DamageKind::WrongPageType, DamageTarget::LiveRows, 0, 0),
        Fixture("WrongPageTypeOfBlobs", DamageKind::WrongPageType, DamageTarget::LiveBlobs, 0, 0),
        Fixture("RecordLengthPastPageOfARow", DamageKind::RecordLengthPastPage,
                DamageTarget::LiveRows, 1, 0),
        Fixture("RecordLengthPastPageOfABlob", DamageKind::RecordLengthPastPage,
                DamageTarget::LiveBlobs, 0, 1),
        Fixture("GarbledHeaderOfARow", DamageKind::GarbledRecordHeader, DamageTarget::LiveRows, 1,
                0),
        Fixture("GarbledHeaderOfABlob", DamageKind::GarbledRecordHeader, DamageTarget::LiveBlobs, 0,
                1),
        // Nothing tells the stub it was from a row that cannot be read: named all the same.
        Fixture("GarbledHeaderOfADeletedRow", DamageKind::GarbledRecordHeader,
                DamageTarget::DeletedRows, 0, 0, 1),
        Fixture("PageOfGarbage", DamageKind::GarbledContents, DamageTarget::LiveRows, -1, 0),
        DamageCase{"GarbledLineIndex", GarbleLineIndex, false, -1, -1, 0},
        DamageCase{"BlobPageOfTheWrongType",
                   [](const TestDatabase& database) { return DamageBlobPage(database); }, false, 0,
                   0, 1, 1},
        // A pointer page slot naming the first data page again: that page is read once, the
        // page that belonged there is lost, and the read says so. Read alone, the page is sound.
        DamageCase{"ASlotNamingADataPageAgain", NameTheFirstDataPageTwice, true, -1, 0, 0, 0},
        // A pointer page of garbage: the rows of the data pages it listed are lost; read alone,
        // it is no data page of the table.
        DamageCase{"APointerPageOfGarbage", GarbleThePointerPage, true, -1, 0, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// Pages of any kind but the transaction inventory (whose bits the reader takes as the engine
// does) overwritten with random bytes, three at a time: the reader ends, raises nothing but
// EOdsError for a file it cannot read at all, and every row it gives back is one the table
// holds, whole.
TEST(RandomDamageTest, GarbledPagesNeverBringBackARowThatIsNotThere) {
    const std::vector<TableRow> expected = ExpectedRows(kRows);
    std::mt19937 random(20261209);
    int readable = 0;
    for (int round = 0; round < 30; ++round) {
        ScratchDirectory directory;
        const std::string path = directory.File("garbled.fdb");
        std::filesystem::copy_file(Original().path, path);
        {
            DatabasePages pages(path);
            for (int garbled = 0; garbled < 3;) {
                const std::uint32_t number = 1 + random() % (pages.PageCount() - 1);
                DatabasePages::Page bytes = pages.Read(number);
                if (bytes[0] == 3) {
                    continue;
                }
                for (std::size_t at = random() % 2 == 0 ? 0 : 16; at < bytes.size(); ++at) {
                    bytes[at] = static_cast<std::uint8_t>(random());
                }
                pages.Write(number, bytes);
                ++garbled;
            }
        }
        try {
            const TDatabaseFile file(path, TDatabaseFile::TAccess::ReadOnly);
            const TRawDatabase raw(file);
            TRawTableReader reader(raw, "ITEMS");
            std::set<int> seen;
            // By field id: a garbled RDB$RELATION_FIELDS leaves the fields without names.
            reader.Read({.pages = {}, .readBlobs = true}, [&](const TRawRow& row) {
                ASSERT_EQ(row.fields.size(), 3u);
                const auto id = static_cast<int>(row.fields[0].integer);
                ASSERT_TRUE(id >= 1 && id <= kRows) << id;
                EXPECT_TRUE(seen.insert(id).second) << id;
                EXPECT_EQ(row.fields[1].bytes, expected[id - 1].name);
                if (row.fields[2].blobRead) {
                    EXPECT_EQ(row.fields[2].bytes, ExpectedNoteOf(id));
                }
            });
            ++readable;
        } catch (const EOdsError&) {
        }
    }
    EXPECT_GT(readable, 15) << "most garbled copies still have a table to read";
}

} // namespace
} // namespace onarim::ods
