#include "recovery/DatabaseCensus.h"

#include <map>
#include <memory>

#include "client/IBErrors.h"
#include "client/SqlAttachment.h"
#include "client/SqlIdentifier.h"
#include "client/SqlStatement.h"
#include "client/SqlTransaction.h"
#include "recovery/DamagedDatabaseReader.h"
#include "recovery/UserTables.h"

namespace onarim {

namespace {

// The numbers of the one row a counting query returns (a SUM over no rows is NULL: 0).
std::vector<std::int64_t> CountsOf(TSqlTransaction& transaction, const std::string& sql) {
    TSqlStatement statement(transaction, sql);
    statement.Execute();
    statement.Fetch();
    std::vector<std::int64_t> counts;
    for (std::size_t i = 0; i < statement.Columns().size(); ++i) {
        const TSqlValue value = statement.Value(i);
        counts.push_back(value.IsNull() ? 0 : value.AsInteger());
    }
    return counts;
}

std::string RowCountQuery(const TUserTable& table) {
    return "SELECT COUNT(*) FROM " + QuoteSqlIdentifier(table.name);
}

std::string NonEmptyBlobQuery(const TUserTable& table, const std::string& column) {
    const std::string quoted = QuoteSqlIdentifier(column);
    return RowCountQuery(table) + " WHERE " + quoted + " IS NOT NULL AND OCTET_LENGTH(" + quoted +
           ") > 0";
}

// The rows and every blob column's non-empty values in one scan of the table. It decodes every
// row, so a damaged record fails it where COUNT(*) alone would not: then the counts are taken
// one by one.
std::string WholeTableQuery(const TUserTable& table) {
    std::string sql = "SELECT COUNT(*)";
    for (const std::string& column : table.blobColumns) {
        sql += ", SUM(IIF(OCTET_LENGTH(" + QuoteSqlIdentifier(column) + ") > 0, 1, 0))";
    }
    return sql + " FROM " + QuoteSqlIdentifier(table.name);
}

// An attachment for counting that is made anew when a failed count has left it unusable.
class TCountingAttachment {
public:
    TCountingAttachment(const std::string& path, const TCredentials& credentials)
        : path_(path), credentials_(credentials) {
        Attach();
    }

    std::vector<TUserTable> UserTables() {
        TSqlTransaction transaction(*attachment_, TSqlTransactionKind::ReadOnlyReadCommitted);
        return ReadUserTables(transaction);
    }

    // Runs `sql` in a read-only transaction of its own and returns its counts, or nullopt with
    // the failure's message noted in `census` (only the first one is kept) unless `quiet`.
    std::optional<std::vector<std::int64_t>> Counts(const std::string& sql, TTableCensus& census,
                                                    bool quiet = false) {
        if (!attachment_) {
            NoteError(census, attachError_);
            return std::nullopt;
        }
        try {
            TSqlTransaction transaction(*attachment_, TSqlTransactionKind::ReadOnlyReadCommitted);
            return CountsOf(transaction, sql);
        } catch (const EIBError& error) {
            if (!quiet) {
                NoteError(census, error.Message());
            }
        }
        if (!Usable()) {
            Reattach();
        }
        return std::nullopt;
    }

    std::optional<std::int64_t> Count(const std::string& sql, TTableCensus& census) {
        const auto counts = Counts(sql, census);
        return counts ? std::optional(counts->front()) : std::nullopt;
    }

private:
    static void NoteError(TTableCensus& census, const std::string& message) {
        if (census.error.empty()) {
            census.error = message;
        }
    }

    void Attach() {
        attachment_ = std::make_unique<TSqlAttachment>(path_, credentials_.user,
                                                       credentials_.password, TSqlIntent::ReadOnly);
    }

    bool Usable() {
        try {
            TSqlTransaction transaction(*attachment_, TSqlTransactionKind::ReadOnlyReadCommitted);
            CountsOf(transaction, "SELECT COUNT(*) FROM RDB$DATABASE");
            return true;
        } catch (const EIBError&) {
            return false;
        }
    }

    void Reattach() {
        attachment_.reset();
        try {
            Attach();
        } catch (const EIBError& error) {
            attachError_ = error.Message();
        }
    }

    std::string path_;
    TCredentials credentials_;
    std::unique_ptr<TSqlAttachment> attachment_;
    std::string attachError_;
};

// Counts the blob columns of `table` whose count failed value by value, with the reader that
// steps over what it cannot decode. Leaves them uncounted when the reader cannot attach.
void CountBlobsOneByOne(const std::string& path, const TCredentials& credentials,
                        TTableCensus& census) {
    std::map<std::string, TColumnCensus*> uncounted;
    for (TColumnCensus& column : census.blobColumns) {
        if (!column.nonEmptyBlobs) {
            uncounted[column.column] = &column;
        }
    }
    // Also when the rows cannot be counted (a page of the wrong type stops COUNT(*)): the
    // reader reads what it can around such a page, and a value it cannot open is lost.
    if (uncounted.empty()) {
        return;
    }
    try {
        TDamagedDatabaseReader reader(path, credentials);
        for (const TTableLayout& layout : reader.Tables()) {
            if (layout.name != census.table) {
                continue;
            }
            std::map<std::string, std::int64_t> nonEmpty, unreadable;
            bool rowsUnread = false;
            const auto problems = reader.ReadTable(layout, [&](const TReadRow& row) {
                for (std::size_t i = 0; i < layout.columns.size(); ++i) {
                    if (row.blobs[i] && !row.blobs[i]->empty()) {
                        ++nonEmpty[layout.columns[i].name];
                    }
                }
            });
            for (const TReadProblem& problem : problems) {
                if (!problem.column.empty()) {
                    ++unreadable[problem.column];
                }
                rowsUnread = rowsUnread || problem.column.empty();
            }
            // A value of a row that cannot be read goes with the row, whose loss the row count
            // tells; without a row count, the values of such rows are not known at all.
            if (rowsUnread && !census.rows) {
                return;
            }
            for (auto& [name, column] : uncounted) {
                column->nonEmptyBlobs = nonEmpty[name];
                column->unreadableBlobs = unreadable[name];
            }
        }
    } catch (const EIBError&) {
        // Nothing countable: the values stay unknown.
    }
}

TTableCensus CountTable(TCountingAttachment& attachment, const TUserTable& table) {
    TTableCensus census;
    census.table = table.name;
    if (const auto counts = attachment.Counts(WholeTableQuery(table), census, true)) {
        census.rows = counts->front();
        for (std::size_t i = 0; i < table.blobColumns.size(); ++i) {
            census.blobColumns.push_back(TColumnCensus{table.blobColumns[i], (*counts)[i + 1]});
        }
        return census;
    }
    census.rows = attachment.Count(RowCountQuery(table), census);
    for (const std::string& column : table.blobColumns) {
        TColumnCensus& counted = census.blobColumns.emplace_back(TColumnCensus{column, {}});
        if (census.rows) {
            counted.nonEmptyBlobs = attachment.Count(NonEmptyBlobQuery(table, column), census);
        }
    }
    return census;
}

} // namespace

TDatabaseCensus TakeCensus(const std::string& path, const TCredentials& credentials) {
    TCountingAttachment attachment(path, credentials);
    TDatabaseCensus census;
    for (const TUserTable& table : attachment.UserTables()) {
        census.tables.push_back(CountTable(attachment, table));
        CountBlobsOneByOne(path, credentials, census.tables.back());
    }
    return census;
}

} // namespace onarim
