#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ods/RawDatabase.h"
#include "ods/RawProblem.h"
#include "ods/RawRow.h"
#include "ods/RelationPages.h"
#include "ods/RelationScan.h"
#include "ods/TableLayout.h"

namespace onarim::ods {

// What to read of a table.
struct TRawReadOptions {
    // Only the rows whose primary versions lie on these pages (a page the engine refuses, say),
    // each read as a data page of the table whatever its type byte says, at the place its
    // pointer page gives it (else the sequence its body names). Empty: every data page the
    // table's pointer pages list.
    std::vector<std::uint32_t> pages;
    // Read the value of every blob field with its row into TRawValue::bytes.
    bool readBlobs = false;
};

// What a read gave besides its rows: what it could not give back.
struct TRawReadSummary {
    std::uint64_t rows = 0;
    // Lines whose rows cannot be read, pages whose lines cannot be told (a reading of every
    // page adds the table's pointer pages that cannot be read, and data pages they list
    // twice), and, with readBlobs, blob values that cannot be read (at the line of their row).
    std::vector<TRawProblem> problems;
};

// A blob value read on its own.
struct TRawBlob {
    std::string bytes;
    std::string problem; // empty when the value was read whole

    bool Readable() const { return problem.empty(); }
};

// Non-empty values (not NULL, longer than 0 bytes) of one blob field.
struct TRawBlobCount {
    std::uint16_t fieldId = 0;
    std::string name;
    std::uint64_t nonEmpty = 0;
    std::uint64_t unreadable = 0; // no sound blob header where the id points
};

// What a table holds, counted without the engine.
struct TRawTableCount {
    std::uint64_t rows = 0;
    std::vector<TRawBlobCount> blobFields;
    std::vector<TRawProblem> problems; // rows that cannot be read
};

// Reads the rows of one user table straight from its pages, as the engine would see them: the
// newest committed version of each record, decoded by the format it was stored in. Nothing
// that does not decode to a row of its format, field by field, is returned; it is a problem
// at its page and line instead. One reader serves one thread.
class TRawTableReader {
public:
    // Raises EOdsError when `relation` has no record format that can be read.
    TRawTableReader(const TRawDatabase& database, std::uint16_t relation);
    // The table RDB$RELATIONS names `name`. Raises EOdsError when there is none, or as above.
    TRawTableReader(const TRawDatabase& database, std::string_view name);
    ~TRawTableReader();
    TRawTableReader(const TRawTableReader&) = delete;
    TRawTableReader& operator=(const TRawTableReader&) = delete;

    const TTableLayout& Layout() const { return layout_; }
    // What could not be read of the table's formats and names.
    const std::vector<std::string>& LayoutProblems() const { return layoutProblems_; }

    // Hands each row to `row` (valid during the call) in the order of the pages and lines.
    TRawReadSummary Read(const TRawReadOptions& options,
                         const std::function<void(const TRawRow&)>& row);
    // The value of a blob field of this table.
    TRawBlob ReadBlob(TBlobId id);
    // Reads the value of every blob field of `row`, a row Read gave without readBlobs, into
    // it: TRawValue::bytes, or why not in TRawValue::blobProblem.
    void ReadBlobs(TRawRow& row);
    // The length a blob's header records; nullopt when there is no sound header where `id`
    // points.
    std::optional<std::uint64_t> BlobLength(TBlobId id);
    // Rows, and non-empty values of each blob field by the lengths their headers record.
    TRawTableCount Count();

private:
    struct TState;

    // Decodes a committed record into `row`, noting its blob ids with `scan`.
    std::string Decode(const TFoundRecord& found, TRawRow& row, TRelationScan& scan);
    void ReadBlobs(TRawRow& row, std::vector<TRawProblem>& problems);
    std::vector<TDataPageSlot> SlotsOf(const std::set<std::uint32_t>& pages,
                                       std::vector<TRawProblem>& problems);

    const TRawDatabase& database_;
    std::vector<std::string> layoutProblems_; // before layout_: its making fills this
    TTableLayout layout_;
    std::unique_ptr<TState> state_;
};

// Reads the rows of the table named `table` of `file` (see TRawTableReader). Raises EOdsError
// when the file or the table cannot be read at all.
TRawReadSummary ReadRawRows(const TDatabaseFile& file, std::string_view table,
                            const TRawReadOptions& options,
                            const std::function<void(const TRawRow&)>& row);
TRawReadSummary ReadRawRows(const TDatabaseFile& file, std::uint16_t relation,
                            const TRawReadOptions& options,
                            const std::function<void(const TRawRow&)>& row);
// Blob `id` of `relation`. Raises EOdsError as ReadRawRows.
TRawBlob ReadBlob(const TDatabaseFile& file, std::uint16_t relation, TBlobId id);
// Rows and non-empty blob values of the table named `table`. Raises EOdsError as ReadRawRows.
TRawTableCount CountRawRows(const TDatabaseFile& file, std::string_view table);

} // namespace onarim::ods
