#include "recovery/OriginalRows.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "ods/DatabaseFile.h"
#include "ods/OdsError.h"
#include "ods/PageCheck.h"
#include "ods/RawDatabase.h"
#include "ods/RawTableReader.h"
#include "platform/Files.h"
#include "recovery/RawRows.h"

namespace onarim {

// The kept copy read raw: the file, with the mends overlaid, and its catalogue.
struct TOriginalRows::TPages {
    TPages(const std::string& path, bool mended)
        : check(mended ? Check(path) : ods::TPageCheck{}),
          file(path, ods::TDatabaseFile::TAccess::ReadOnly) {
        if (!check.NothingToWrite()) {
            ods::OverlayMends(file, check);
        }
        database.emplace(file);
    }

    // The mends the database got: the page check finds them again in the kept copy, which
    // holds the bytes the check read.
    static ods::TPageCheck Check(const std::string& path) {
        try {
            return ods::CheckPages(path);
        } catch (const ods::EOdsError&) {
            return {};
        }
    }

    ods::TPageCheck check;
    ods::TDatabaseFile file;
    std::optional<ods::TRawDatabase> database;
};

namespace {

// A blob value of a row given that could not be read, as the engine's reader tells it: by
// column and key, with the file it was read from.
void TellUnreadBlob(const TTableLayout& table, const ods::TRawRow& raw, const TReadRow& row,
                    const std::string& file, std::vector<TReadProblem>& problems) {
    for (const TStoredColumn& column : table.columns) {
        const ods::TRawValue* value = column.blob ? raw.Find(column.name) : nullptr;
        if (value != nullptr && !value->null && !value->blobProblem.empty()) {
            TReadProblem problem;
            problem.table = table.name;
            problem.column = column.name;
            problem.firstRecord = problem.lastRecord = raw.recordNumber;
            problem.key = DescribeRowKey(table, row);
            problem.message = value->blobProblem + ", page " + std::to_string(raw.page) + " line " +
                              std::to_string(raw.line) + " (" + file + ")";
            problems.push_back(problem);
        }
    }
}

TReadProblem PageProblem(const std::string& table, const ods::TRawProblem& problem) {
    TReadProblem read;
    read.table = table;
    read.key = "page " + std::to_string(problem.page) +
               (problem.line ? " line " + std::to_string(*problem.line) : std::string());
    read.message = problem.reason;
    return read;
}

const TTableLayout* Named(const std::vector<TTableLayout>& tables, const std::string& name) {
    const auto found = std::find_if(tables.begin(), tables.end(),
                                    [&](const TTableLayout& table) { return table.name == name; });
    return found == tables.end() ? nullptr : &*found;
}

} // namespace

TOriginalRows::TOriginalRows(TOriginalFiles files, TCredentials credentials,
                             const std::vector<TTableLayout>& layouts)
    : files_(std::move(files)), credentials_(std::move(credentials)) {
    try {
        pages_ = std::make_unique<TPages>(files_.keptCopy, files_.mended);
    } catch (const ods::EOdsError&) {
        pages_.reset(); // not a file the pages can be read of: the engine reads it all
    }
    if (!pages_) {
        tables_ = Engine().Tables();
        return;
    }
    for (const ods::TRawRelation* relation : RawUserTables(*pages_->database)) {
        const TTableLayout* layout = Named(layouts, relation->name);
        TTableLayout bare;
        bare.name = relation->name;
        tables_.push_back(layout != nullptr ? *layout : bare);
    }
}

TOriginalRows::~TOriginalRows() = default;

TDamagedDatabaseReader& TOriginalRows::Engine() {
    if (!engine_) {
        if (!FileExists(files_.engineCopy)) {
            CopyToNewFile(files_.keptCopy, files_.engineCopy);
            if (pages_ && !pages_->check.NothingToWrite()) {
                ods::ApplyMends(files_.engineCopy, pages_->check);
            }
        }
        engine_ = std::make_unique<TDamagedDatabaseReader>(files_.engineCopy, credentials_);
    }
    return *engine_;
}

bool TOriginalRows::ReadFromPages(const TTableLayout& table,
                                  const std::function<void(const TReadRow&)>& onRow,
                                  const TRowWanted& wanted, std::vector<TReadProblem>& problems) {
    if (!pages_) {
        return false;
    }
    std::uint64_t handed = 0;
    try {
        ods::TRawTableReader reader(*pages_->database, table.name);
        if (!reader.LayoutProblems().empty() || !ColumnsNotGiven(reader.Layout(), table).empty()) {
            return false;
        }
        // Lines whose row was given: a problem there is one of its blob values, told with it.
        std::vector<std::pair<std::uint32_t, std::uint16_t>> given;
        ods::TRawRow whole; // a row wanted, with its blob values
        const ods::TRawReadSummary summary =
            reader.Read({.pages = {}, .readBlobs = !wanted}, [&](const ods::TRawRow& raw) {
                const ods::TRawRow* read = &raw;
                if (wanted) {
                    const auto key = KeyValuesOf(table, raw);
                    if (key && !wanted(*key)) {
                        ++handed;
                        return;
                    }
                    whole = raw;
                    reader.ReadBlobs(whole);
                    read = &whole;
                }
                std::string why;
                const auto row = ToReadRow(table, *read, why);
                if (!row) {
                    problems.push_back(PageProblem(table.name, {raw.page, raw.line, why}));
                    return;
                }
                ++handed;
                given.emplace_back(raw.page, raw.line);
                TellUnreadBlob(table, *read, *row, files_.keptCopy, problems);
                onRow(*row);
            });
        if (!summary.problems.empty()) {
            std::sort(given.begin(), given.end());
        }
        for (const ods::TRawProblem& problem : summary.problems) {
            if (!problem.line || !std::binary_search(given.begin(), given.end(),
                                                     std::pair(problem.page, *problem.line))) {
                problems.push_back(PageProblem(table.name, problem));
            }
        }
        return true;
    } catch (const ods::EOdsError& error) {
        if (handed == 0) {
            return false;
        }
        // The engine would give the rows handed already a second time.
        TReadProblem problem;
        problem.table = table.name;
        problem.message = error.what();
        problems.push_back(problem);
        return true;
    }
}

std::vector<TReadProblem>
TOriginalRows::ReadTable(const TTableLayout& table,
                         const std::function<void(const TReadRow&)>& onRow,
                         const TRowWanted& wanted) {
    std::vector<TReadProblem> problems;
    if (table.columns.empty()) {
        TReadProblem problem;
        problem.table = table.name;
        problem.message = "the database written to has no table of this name; nothing read";
        return {problem};
    }
    if (ReadFromPages(table, onRow, wanted, problems)) {
        return problems;
    }
    TDamagedDatabaseReader& engine = Engine();
    const TTableLayout* own = Named(engine.Tables(), table.name);
    if (own == nullptr || !SameColumns(*own, table)) {
        TReadProblem problem;
        problem.table = table.name;
        problem.message = "the engine reads no table of these columns and key in the original";
        return {problem};
    }
    if (!wanted) {
        return engine.ReadTable(*own, onRow);
    }
    return engine.ReadTable(*own, [&](const TReadRow& row) {
        TSqlRow key;
        for (const std::size_t column : table.keyColumns) {
            key.push_back(row.values[column]);
        }
        if (wanted(key)) {
            onRow(row);
        }
    });
}

} // namespace onarim
