#pragma once

#include <cstdint>
#include <string>

#include "support/TestDatabase.h"

namespace onarim::testing {

// The kinds of damage the fixtures can do to a data page of the user table.
enum class DamageKind {
    // The page's type byte says "index B-tree page" (7) instead of "data page" (5).
    WrongPageType,
    // One record's length in the page's slot table reaches past the end of the page.
    RecordLengthPastPage,
    // One record's header no longer describes it: its back pointer and flags are zeroed and
    // its format number is one that does not fit its length (0 for a record with data, the
    // table's format 1 for a deleted row's empty stub). The transaction number is kept: a
    // garbage transaction number makes Firebird 3.0.11's validation itself fail.
    GarbledRecordHeader,
    // Everything after the page's 16-byte standard header is random bytes: its relation,
    // sequence, line index and records. The header still says "data page", so nothing tells
    // what the page held but the page itself.
    GarbledContents,
};

// Which data page of the user table takes the damage.
enum class DamageTarget {
    // A page of live rows. What a real accident hits; the repair loses rows (see below).
    LiveRows,
    // A page holding only deleted rows that wait for garbage collection.
    DeletedRows,
    // The page holding the orphan blob of the failed insert (no row refers to it).
    OrphanBlob,
    // A page holding only NOTE values of live rows, dozens of short blobs (a database made
    // with `notes`). What a real accident hits as often as rows; the repair keeps the rows
    // and loses their NOTE values (see below).
    LiveBlobs,
};

// What was damaged, for test messages.
struct DamageSite {
    std::uint32_t page = 0;
    int slot = -1;              // the damaged record's slot; -1 for damage to the whole page
    std::uint32_t sequence = 0; // the data page's place among the table's data pages
    std::string Describe() const;
};

// The target on which the repair (service repair with mend, gfix -v -full, gbak backup and
// restore) mends `kind` without losing a row of the user table, on Firebird 3.0.11:
//  - RecordLengthPastPage, GarbledRecordHeader: DeletedRows. The mend takes a page with a bad
//    slot out of its pointer page (rows on it are lost) and marks a record with a bad header
//    as damaged (backup then skips it: the row is lost), so the record hit must not be a live
//    row.
//  - WrongPageType: OrphanBlob. Neither the mend nor gfix changes a data page of the wrong
//    type, and the backup fails on every page it reads (a page of live or deleted rows). Only
//    a page the backup never reads can be of the wrong type and still be repaired.
DamageTarget RepairableTarget(DamageKind kind);

// What the repair (as RepairableTarget describes it) does with damage to live data, measured
// on Firebird 3.0.11 with 3000 rows with notes on 4096-byte pages. The first validation always
// ends with 1 and a summary of validation errors; the second one is clean where a restore ran,
// so the repair reports success although data is lost:
//  - RecordLengthPastPage on LiveBlobs: reported as "Number of data page errors: 1"; the mend
//    drops every record of the page (78 NOTE blobs). gfix -v -full then reports "Number of
//    database page warnings: 1". The backup ends with 0 and prints for each lost blob
//    "gbak:error accessing BLOB column NOTE -- continuing" and "gbak: ERROR:BLOB not found";
//    the restore ends with 0 and keeps every row, those rows' NOTE empty (not NULL).
//  - GarbledRecordHeader on LiveBlobs: reported as record level, data page and index page
//    errors and a pointer page warning; one "error accessing BLOB column NOTE"; every row
//    kept, one NOTE empty.
//  - RecordLengthPastPage on LiveRows: reported as for LiveBlobs; the mend drops the page's
//    rows (41), and no tool says a word about them: the backup writes 2959 records, the
//    restore restores 2959.
//  - GarbledRecordHeader on LiveRows: that one row is lost, as silently.
//  - WrongPageType on LiveRows or LiveBlobs: the backup ends with 1 after "gbak: ERROR:database
//    file appears corrupt (<db>)", "wrong page type", "page N is of wrong type (expected data,
//    found index B-tree)" and "gds_$start_request failed" (gds_$compile_request for a blob
//    page); nothing is restored and the table stays unreadable.

// Applies `kind` to a data page of `target` in the database, which no engine may have open:
// the first such page, or the one after `occurrence` others. Raises FixtureError when the
// database has no such page, for instance after its deleted rows were collected by reading
// the table.
DamageSite DamageDatabase(const TestDatabase& database, DamageKind kind, DamageTarget target,
                          int occurrence = 0);

// DamageDatabase with RepairableTarget(kind).
DamageSite DamageDatabase(const TestDatabase& database, DamageKind kind);

// The user table `table` (its name as the catalogue keeps it) of any database at `path`, as
// the damage fixtures take it: the path and the table's relation id, looked up with isql.
// Raises FixtureError when the database has no such table.
TestDatabase UserTableOf(const std::string& path, const std::string& table);

// DamageDatabase on a data page of UserTableOf(path, table), which no engine may have open.
// GarbledRecordHeader gives a deleted row's stub the format 1, which only fits a table that
// was never altered. Raises FixtureError as UserTableOf, and when the table has no such page.
DamageSite DamageTable(const std::string& path, const std::string& table, DamageKind kind,
                       DamageTarget target = DamageTarget::LiveRows, int occurrence = 0);

// Overwrites 16 bytes of index nodes on the first leaf page of the user table's primary key
// index with 0xA5. No row is touched and validation reports "index page errors" (7 of them on
// 3000 rows), never an I/O error: a leaf's nodes hold record numbers, no page numbers, and
// the same bytes on the level above are caught as index page errors too. The mend leaves the
// page as it is. On a database made with `deletedRows` false the backup reads no
// index and the restore builds it anew, so the repair keeps every row. With deleted rows
// waiting for collection the backup's garbage collection walks the damaged index and gbak
// dies (SIGSEGV on Firebird 3.0.11). Raises FixtureError when the index has no leaf page.
DamageSite DamageIndexPage(const TestDatabase& database);

// Makes the first leaf page of the user table's primary key index name a right sibling 1000
// pages past the end of the file. No row is touched. On Firebird 3.0.11 the validation
// itself fails, before it reports anything else, and mends nothing: the service's repair
// action and gfix -v -full both end with 1 and 'I/O error during "read" operation for file
// "<db>"' / "-File size is less than expected". The backup reads no index, also with deleted
// rows waiting for collection, and writes every row; the restore builds the index anew, and
// the database then validates clean: a repair that keeps every row. Raises FixtureError
// when the index has no leaf page.
DamageSite DamageIndexSibling(const TestDatabase& database);

// Sets the type byte of one blob page (8) of the user table to that of a data page (5): the
// last page of the first value the table's data pages list as stored on blob pages (a
// database made with `largeNoteEvery`). Only that value is hit: no row, no other blob; the
// page's sequence among the value's pages is the site's `sequence`. Measured on Firebird
// 3.0.11 (3000 rows with notes, every 100th one large, on 4096-byte pages): the service's
// repair action with mend and gfix -v -full report "Number of database page errors: 1" and a
// page warning, and change nothing; the backup, with or without -IG -G -L, ends with 1 after
// "gbak: ERROR:database file appears corrupt (<db>)", "wrong page type", "page N is of wrong
// type (expected blob, found data)" and "gds_$get_segment failed". Reading the value gives
// the same error and leaves the attachment usable; the row itself, the value's length and
// every other value read as before. Raises FixtureError when the table lists no such value.
// With `beyondMending`, the page's own lead page field is changed too: nothing on the page
// agrees with what the value's blob record says it is, so no page check mends its header.
DamageSite DamageBlobPage(const TestDatabase& database, bool beyondMending = false);

// Names for test parameter names and messages: "WrongPageType", "LiveRows" and so on.
std::string ToString(DamageKind kind);
std::string ToString(DamageTarget target);

} // namespace onarim::testing
