#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "recovery/Credentials.h"
#include "recovery/DamagedDatabaseReader.h"
#include "recovery/TableLayout.h"

namespace onarim {

// The files the rows of the kept original are read from.
struct TOriginalFiles {
    std::string keptCopy; // read straight from its pages; never written
    // Where a byte copy of the kept copy is made, the first time a table must be read through
    // the engine (attaching writes to the file). The caller removes it afterwards.
    std::string engineCopy;
    // Whether the database's pages may have been mended since the kept copy was made: the page
    // check then runs again over the kept copy (a read of the whole file) to lay the same
    // mends over it. False when the run's own check mended nothing.
    bool mended = true;
};

// Reads the rows of the kept original a table at a time. A table is read from its pages, read
// only, with the pages the page check mends mended in memory: no copy, and at the speed of
// the disk. Only a table the pages cannot give (the file cannot be read raw at all, the
// table's formats or names cannot be read, a column has no field or a type the writer does
// not take) is read through the engine (TDamagedDatabaseReader), in the engine copy, made and
// mended then. A record the pages hold that does not decode exactly is not given: it is a
// problem, named by its page and line.
class TOriginalRows {
public:
    // `layouts` are the tables as the database written to has them: a table read from the
    // pages is given in its layout.
    TOriginalRows(TOriginalFiles files, TCredentials credentials,
                  const std::vector<TTableLayout>& layouts);
    ~TOriginalRows();
    TOriginalRows(const TOriginalRows&) = delete;
    TOriginalRows& operator=(const TOriginalRows&) = delete;

    // The user tables of the original, ordered by name: the layout given for a table the
    // database written to has, the original's own (from the engine) or a bare name otherwise.
    const std::vector<TTableLayout>& Tables() const noexcept { return tables_; }

    // Hands every row of `table` (one of Tables()) that can be read to `onRow`, and returns
    // what could not be read. Rows read from the pages have TReadRow::fromPages set. With
    // `wanted`, only the rows whose unique key it takes are handed: it is given the values of
    // table.keyColumns, in order, before the rest of the row is decoded or its blob values
    // read, which never happens for a row it refuses. Raises EIBInterBaseError only when the
    // engine copy is needed and cannot be attached.
    using TRowWanted = std::function<bool(const TSqlRow& key)>;
    std::vector<TReadProblem> ReadTable(const TTableLayout& table,
                                        const std::function<void(const TReadRow&)>& onRow,
                                        const TRowWanted& wanted = {});

private:
    struct TPages;

    // The table as the pages give it; false when they cannot give it whole.
    bool ReadFromPages(const TTableLayout& table, const std::function<void(const TReadRow&)>& onRow,
                       const TRowWanted& wanted, std::vector<TReadProblem>& problems);
    TDamagedDatabaseReader& Engine();

    TOriginalFiles files_;
    TCredentials credentials_;
    std::unique_ptr<TPages> pages_; // null when the file cannot be read raw
    std::unique_ptr<TDamagedDatabaseReader> engine_;
    std::vector<TTableLayout> tables_;
};

} // namespace onarim
