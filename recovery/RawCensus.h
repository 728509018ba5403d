#pragma once

#include <string>

#include "ods/PageCheck.h"
#include "recovery/DatabaseCensus.h"

namespace onarim {

// The census of a database read straight from its pages, without the engine and without
// writing a byte: the file may be the kept original itself. With `mends`, the pages the page
// check mended in the database are read mended (in memory only), so the count is of what the
// database holds before the tools run.
//
// Each user table (a relation with pages of its own, not a view) is counted as the raw reader
// counts it: its committed rows, and each blob column's non-empty values by their headers'
// lengths, those whose header is not there or not sound counted unreadable. A record that
// cannot be decoded but is a row that existed (a line of the table's pages nobody else points
// at) is counted among the rows, so that the count after the repair shows it lost, and named
// in `lostRecords` with its page and line. A table with a page whose lines cannot be told is
// uncountable (its rows nullopt), with the page named in `error`.
//
// Raises ods::EOdsError when the file cannot be read raw at all (not a Firebird 3 database,
// encrypted, several files): the caller then counts through the engine.
TDatabaseCensus TakeRawCensus(const std::string& path, const ods::TPageCheck* mends = nullptr);

} // namespace onarim
