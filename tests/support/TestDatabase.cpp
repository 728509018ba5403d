#include "support/TestDatabase.h"

#include "support/FirebirdTools.h"
#include "support/FixtureError.h"

namespace onarim::testing {

namespace {

std::string RowName(int id) {
    return "Kayıt " + std::to_string(id) + " ğüşıöç ĞÜŞİÖÇ";
}

// Deleted rows enough to fill a few data pages with nothing else, whatever the page size.
int DeletedRowCount(int pageSize) {
    return pageSize * 3 / 40;
}

// An orphan blob of three quarters of a page is stored as one record on a data page of its
// own: long enough to need its own page, short enough to stay one record.
int OrphanBlobLength(int pageSize) {
    return pageSize * 3 / 4;
}

// The expressions of ExpectedNote and RowName in SQL, for the row :I.
constexpr const char* kNameExpression = "'Kayıt ' || :I || ' ğüşıöç ĞÜŞİÖÇ'";
constexpr const char* kNoteExpression = "'Not ' || :I || ' açıklama'";

// LPAD repeats the words of a large note up to this many characters (not bytes). The most
// that ReadNotes reads.
constexpr int kLargeNoteCharacters = 8000;

std::string LargeNoteWords(const std::string& id) {
    return "Uzun not " + id + " çğış; ";
}

std::string NoteExpression(const TestDatabaseOptions& options) {
    if (!options.notes) {
        return "NULL";
    }
    if (options.largeNoteEvery == 0) {
        return kNoteExpression;
    }
    return "IIF(MOD(:I, " + std::to_string(options.largeNoteEvery) + ") = 0, LPAD('', " +
           std::to_string(kLargeNoteCharacters) + ", '" + LargeNoteWords("' || :I || '") +
           "'), " + kNoteExpression + ")";
}

// One EXECUTE BLOCK loop: one statement for all rows, however many.
std::string InsertRows(int firstId, int lastId, const std::string& nameExpression,
                       const std::string& noteExpression = "NULL") {
    return "EXECUTE BLOCK AS DECLARE I INTEGER = " + std::to_string(firstId) +
           "; BEGIN WHILE (I <= " + std::to_string(lastId) +
           ") DO BEGIN INSERT INTO ITEMS (ID, NAME, NOTE) VALUES (:I, " + nameExpression + ", " +
           noteExpression + "); I = I + 1; END END^\n";
}

// Rows inserted after `lastRow` and deleted again, committed and left for garbage collection.
std::string DeletedRows(int lastRow, int pageSize) {
    const int lastDeleted = lastRow + DeletedRowCount(pageSize);
    return InsertRows(lastRow + 1, lastDeleted, "'silinecek ' || :I") + "COMMIT^\n" +
           "DELETE FROM ITEMS WHERE ID > " + std::to_string(lastRow) + "^\nCOMMIT^\n";
}

std::string CreationScript(const std::string& path, const TestDatabaseOptions& options) {
    return "SET SQL DIALECT 3;\n"
           "CREATE DATABASE " +
           SqlLiteral(path) + " USER 'SYSDBA' PASSWORD " + SqlLiteral(kSysdbaPassword) +
           " PAGE_SIZE " + std::to_string(options.pageSize) +
           " DEFAULT CHARACTER SET UTF8;\n"
           "CREATE TABLE ITEMS (ID INTEGER NOT NULL PRIMARY KEY CHECK (ID > 0),\n"
           "    NAME VARCHAR(60) NOT NULL, NOTE BLOB SUB_TYPE TEXT);\n" +
           (options.sequence ? std::string("CREATE SEQUENCE ") + kTestSequence +
                                   ";\nALTER SEQUENCE " + kTestSequence + " RESTART WITH " +
                                   std::to_string(kTestSequenceValue) + ";\n"
                             : std::string()) +
           "COMMIT;\n";
}

std::string DataScript(const TestDatabaseOptions& options) {
    const int lastRow = options.rowCount;
    return "SET TERM ^;\n" +
           InsertRows(1, lastRow, kNameExpression, NoteExpression(options)) +
           "COMMIT^\n" +
           // The CHECK constraint fails after the blob has been stored in the table's pages.
           "EXECUTE BLOCK AS BEGIN INSERT INTO ITEMS VALUES (-1, 'reddedilen', LPAD('', " +
           std::to_string(OrphanBlobLength(options.pageSize)) +
           ", 'x')); WHEN ANY DO BEGIN END END^\n"
           "COMMIT^\n" +
           // Last, because looking for room for a new record collects deleted rows' garbage.
           (options.deletedRows ? DeletedRows(lastRow, options.pageSize) : "") + "SET TERM ;^\n";
}

int RelationIdOf(const std::string& path) {
    const auto ids =
        QueryText(path, "RDB$RELATION_ID", "FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'ITEMS'");
    if (ids.size() != 1) {
        throw FixtureError("cannot find the relation id of ITEMS in " + path);
    }
    return std::stoi(ids.front());
}

TableRow ParseRow(const std::string& text) {
    const auto bar = text.find('|');
    if (bar == std::string::npos) {
        throw FixtureError("unexpected row text: " + text);
    }
    return TableRow{std::stoi(text.substr(0, bar)), text.substr(bar + 1)};
}

// Forced writes flush every page the engine writes; a test database needs no such care, and
// loading many rows with it on is several times slower (300000 rows with notes: 27 s against
// 4 s). Turning it off takes a gfix run and a second isql run, about a second more: worth it
// from a few thousand rows on.
constexpr int kRowsWorthTwoMoreRuns = 5000;

void TurnOffForcedWrites(const std::string& path) {
    const ToolResult result =
        RunTool({"gfix", "-write", "async", "-user", "SYSDBA", "-password", kSysdbaPassword, path});
    if (!result.Succeeded()) {
        throw FixtureError("cannot turn off forced writes: " + result.Describe());
    }
}

} // namespace

TestDatabase CreateTestDatabase(const std::string& path, const TestDatabaseOptions& options) {
    if (options.pageSize != 4096 && options.pageSize != 8192 && options.pageSize != 16384) {
        throw FixtureError("Firebird 3 would not keep the page size " +
                           std::to_string(options.pageSize));
    }
    if (options.largeNoteEvery < 0 || (options.largeNoteEvery > 0 && options.pageSize > 8192)) {
        throw FixtureError("large notes need a positive interval and a page of 8192 bytes at most");
    }
    if (options.rowCount < 0) {
        throw FixtureError("a negative row count");
    }
    if (options.rowCount < kRowsWorthTwoMoreRuns) {
        RunIsqlScript(CreationScript(path, options) + DataScript(options));
    } else {
        RunIsqlScript(CreationScript(path, options));
        TurnOffForcedWrites(path);
        RunIsqlScript(DataScript(options), path);
    }
    return TestDatabase{path, options.pageSize, options.rowCount, RelationIdOf(path),
                        options.notes, options.largeNoteEvery};
}

std::vector<TableRow> ExpectedRows(int rowCount) {
    std::vector<TableRow> rows;
    for (int id = 1; id <= rowCount; ++id) {
        rows.push_back(TableRow{id, RowName(id)});
    }
    return rows;
}

std::string ExpectedNote(int id) {
    return "Not " + std::to_string(id) + " açıklama";
}

std::string ExpectedLargeNote(int id) {
    const std::string words = LargeNoteWords(std::to_string(id));
    std::string note;
    int characters = 0;
    for (std::size_t at = 0;; at = (at + 1) % words.size()) {
        const bool startsALetter = (static_cast<unsigned char>(words[at]) & 0xC0) != 0x80;
        if (startsALetter && characters++ == kLargeNoteCharacters) {
            break;
        }
        note += words[at];
    }
    return note;
}

std::map<int, std::string> ReadNotes(const std::string& path) {
    std::map<int, std::string> notes;
    for (const auto& text : QueryText(path, "ID || '|' || CAST(NOTE AS VARCHAR(8000))",
                                      "FROM ITEMS WHERE NOTE IS NOT NULL ORDER BY ID")) {
        const TableRow row = ParseRow(text);
        notes[row.id] = row.name;
    }
    return notes;
}

long long ReadSequenceValue(const std::string& path) {
    const auto values = QueryText(path, std::string("GEN_ID(") + kTestSequence + ", 0)",
                                  "FROM RDB$DATABASE");
    if (values.size() != 1) {
        throw FixtureError(std::string("cannot read the sequence ") + kTestSequence + " of " + path);
    }
    return std::stoll(values.front());
}

std::vector<TableRow> ReadRows(const std::string& path) {
    std::vector<TableRow> rows;
    for (const auto& text : QueryText(path, "ID || '|' || NAME", "FROM ITEMS ORDER BY ID")) {
        rows.push_back(ParseRow(text));
    }
    return rows;
}

} // namespace onarim::testing
