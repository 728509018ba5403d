#pragma once

#include <map>
#include <string>
#include <vector>

namespace onarim::testing {

// What CreateTestDatabase builds.
struct TestDatabaseOptions {
    int pageSize = 4096;     // 4096, 8192 or 16384: the page sizes Firebird 3 accepts as given
    int rowCount = 200;      // rows of the user table, IDs 1 to rowCount
    bool deletedRows = true; // whether to leave pages of deleted rows (see below)
    // Whether every row gets a short text in NOTE, ExpectedNote(id). Short blobs are stored on
    // data pages of their own, dozens to a page, so a damaged page of them loses the NOTE of
    // rows that are kept (see DamageTarget::LiveBlobs). Without notes, NOTE is NULL.
    bool notes = false;
    // With `notes`: every row whose ID is a multiple of it gets ExpectedLargeNote(id) in NOTE
    // instead, a value longer than a page. The engine keeps such a value on blob pages of its
    // own (page type 8), listed in a short blob record on a data page of the table (see
    // DamageBlobPage). 0 for none. The page size must be 4096 or 8192: ReadNotes reads 8000
    // characters of a value at most, and on a page of 16384 bytes they fit on a data page.
    int largeNoteEvery = 0;
    // Whether the database gets the sequence kTestSequence, set to kTestSequenceValue: a value
    // on the generator page that a damaged page must not lose.
    bool sequence = false;
};

// The sequence of a database made with `sequence`, and its value.
inline constexpr const char* kTestSequence = "ITEMS_SEQ";
inline constexpr long long kTestSequenceValue = 987654321012;

// A database made by CreateTestDatabase.
struct TestDatabase {
    std::string path;
    int pageSize = 0;
    int rowCount = 0;
    int relationId = 0; // the user table's relation id
    bool notes = false;
    int largeNoteEvery = 0;
};

// The user table: ITEMS (ID INTEGER NOT NULL PRIMARY KEY CHECK (ID > 0), NAME VARCHAR(60) NOT
// NULL, NOTE BLOB SUB_TYPE TEXT), character set UTF8.
inline constexpr const char* kUserTable = "ITEMS";

// One row of the user table, as the tests compare them.
struct TableRow {
    int id = 0;
    std::string name;

    bool operator==(const TableRow&) const = default;
};

// Creates a new database at `path` (isql in a child process; the path may hold blanks,
// apostrophes and any UTF-8 letters) holding, besides the rows ExpectedRows(rowCount):
//  - unless `deletedRows` is false, pages of the user table that hold only deleted rows,
//    committed but not yet garbage collected (not live rows, so a repair may drop them);
//  - a data page of the user table that holds only a blob left behind by an insert that
//    failed the CHECK constraint (no row refers to it, so no backup reads it).
// Damage tests aim at those two (see DatabaseDamage.h). Reading the user table, or storing a
// row in it, collects the deleted rows' garbage and frees their pages: damage a database
// before anything else touches the table.
// A database of 5000 rows or more is left with forced writes off (the engine does not flush
// every page it writes), which makes it fast to build: 300000 rows with notes in about 4
// seconds, against 27 seconds with forced writes on. A restore keeps the setting.
// Raises FixtureError for a page size Firebird would change and when isql fails.
TestDatabase CreateTestDatabase(const std::string& path, const TestDatabaseOptions& options = {});

// The rows CreateTestDatabase puts into the user table: IDs 1..rowCount, each with a name that
// holds Turkish letters, so a lost transliteration shows as well as a lost row.
std::vector<TableRow> ExpectedRows(int rowCount);

// Every row of the user table of the database at `path`, ordered by ID. Raises FixtureError
// when the table cannot be read.
std::vector<TableRow> ReadRows(const std::string& path);

// The NOTE that a database made with `notes` gives the row `id`: a few words with Turkish
// letters, so the blob is small and a lost one shows.
std::string ExpectedNote(int id);

// The NOTE of row `id` of a database made with `largeNoteEvery`: 8000 characters, a few words
// with Turkish letters repeated, about 9700 bytes.
std::string ExpectedLargeNote(int id);

// ID -> NOTE of every row whose NOTE is not NULL (an empty value is kept as an empty text).
// Raises FixtureError when the table or a blob cannot be read.
std::map<int, std::string> ReadNotes(const std::string& path);

// The current value of kTestSequence. Raises FixtureError when it cannot be read.
long long ReadSequenceValue(const std::string& path);

} // namespace onarim::testing
