#include "recovery/DatabaseCensus.h"

#include <memory>

#include "client/IBErrors.h"
#include "client/SqlAttachment.h"
#include "client/SqlIdentifier.h"
#include "client/SqlStatement.h"
#include "client/SqlTransaction.h"
#include "recovery/UserTables.h"

namespace onarim {

namespace {

// The one number a COUNT query returns.
std::int64_t CountOf(TSqlTransaction& transaction, const std::string& sql) {
    TSqlStatement statement(transaction, sql);
    statement.Execute();
    statement.Fetch();
    return statement.Value(0).AsInteger();
}

std::string RowCountQuery(const TUserTable& table) {
    return "SELECT COUNT(*) FROM " + QuoteSqlIdentifier(table.name);
}

std::string NonEmptyBlobQuery(const TUserTable& table, const std::string& column) {
    const std::string quoted = QuoteSqlIdentifier(column);
    return RowCountQuery(table) + " WHERE " + quoted + " IS NOT NULL AND OCTET_LENGTH(" + quoted +
           ") > 0";
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

    // Runs `sql` in a read-only transaction of its own and returns its count, or nullopt with
    // the failure's message noted in `census` (only the first one is kept).
    std::optional<std::int64_t> Count(const std::string& sql, TTableCensus& census) {
        if (!attachment_) {
            NoteError(census, attachError_);
            return std::nullopt;
        }
        try {
            TSqlTransaction transaction(*attachment_, TSqlTransactionKind::ReadOnlyReadCommitted);
            return CountOf(transaction, sql);
        } catch (const EIBError& error) {
            NoteError(census, error.Message());
        }
        if (!Usable()) {
            Reattach();
        }
        return std::nullopt;
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
            CountOf(transaction, "SELECT COUNT(*) FROM RDB$DATABASE");
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

TTableCensus CountTable(TCountingAttachment& attachment, const TUserTable& table) {
    TTableCensus census{table.name, std::nullopt, {}, {}};
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
    }
    return census;
}

} // namespace onarim
