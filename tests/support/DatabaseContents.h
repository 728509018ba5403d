#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "recovery/DamagedDatabaseReader.h"

namespace onarim::testing {

// One user table as the reader found it.
struct TableContents {
    TTableLayout layout;
    std::map<std::string, TReadRow> rows; // by RowKey
    std::vector<TReadProblem> problems;

    // Rows whose value of `column` is a blob of at least one byte.
    std::int64_t NonEmptyBlobs(std::size_t column) const;
    // Rows whose array `column` is not NULL.
    std::int64_t ArrayValues(std::size_t column) const;
};

// Every row of every user table of the database at `path`, read record by record through the
// engine with TDamagedDatabaseReader: what "readable" means to the salvage and the put-back.
// The reader attaches to a copy at `copyPath` (attaching writes to a file), removed afterwards.
// Raises what the reader raises when the database cannot be attached.
std::map<std::string, TableContents> ReadContents(const std::string& path,
                                                  const std::string& copyPath);

// A row's identity: its unique key's values, or its record number in a table without one.
std::string RowKey(const TTableLayout& table, const TReadRow& row);

// What differs between two rows of the same table, column by column ("SHIP_DATE: NULL against
// 8 bytes"); empty when they are equal. Values compare as the client library gives them (type,
// scale, character set, bytes), blobs by their bytes. An array column compares by whether it is
// NULL, unless `arrays` is false: an array's id names nothing outside its own database.
std::string Difference(const TTableLayout& table, const TReadRow& expected, const TReadRow& actual,
                       bool arrays = true);

} // namespace onarim::testing
