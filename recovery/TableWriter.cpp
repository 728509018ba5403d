#include "recovery/TableWriter.h"

#include "client/SqlAttachment.h"
#include "client/SqlBlob.h"
#include "client/SqlIdentifier.h"
#include "client/SqlStatement.h"
#include "client/SqlTransaction.h"

namespace onarim {

namespace {

std::string InsertSql(const TTableLayout& table) {
    std::string columns, parameters;
    for (const TStoredColumn& column : table.columns) {
        if (column.array) {
            continue;
        }
        columns += (columns.empty() ? "" : ", ") + QuoteSqlIdentifier(column.name);
        parameters += parameters.empty() ? "?" : ", ?";
    }
    return "INSERT INTO " + QuoteSqlIdentifier(table.name) + " (" + columns + ") VALUES (" +
           parameters + ")";
}

std::string BlobUpdateSql(const TTableLayout& table, std::size_t column) {
    std::string where;
    for (const std::size_t key : table.keyColumns) {
        where +=
            (where.empty() ? "" : " AND ") + QuoteSqlIdentifier(table.columns[key].name) + " = ?";
    }
    return "UPDATE " + QuoteSqlIdentifier(table.name) + " SET " +
           QuoteSqlIdentifier(table.columns[column].name) + " = ? WHERE " + where;
}

} // namespace

TTableWriter::TTableWriter(TSqlAttachment& target, const TTableLayout& table,
                           std::size_t rowsPerCommit)
    : target_(target), table_(table), rowsPerCommit_(rowsPerCommit == 0 ? 1 : rowsPerCommit),
      blobUpdates_(table.columns.size()) {}

TTableWriter::~TTableWriter() {
    insert_.reset();
    blobUpdates_.clear();
}

TSqlTransaction& TTableWriter::Transaction() {
    if (!transaction_) {
        transaction_ =
            std::make_unique<TSqlTransaction>(target_, TSqlTransactionKind::ReadWriteSnapshot);
    }
    return *transaction_;
}

TSqlStatement& TTableWriter::Prepared(std::unique_ptr<TSqlStatement>& statement,
                                      const std::string& sql) {
    if (!statement) {
        statement = std::make_unique<TSqlStatement>(Transaction(), sql);
    }
    return *statement;
}

TSqlValue TTableWriter::BlobValue(const TReadRow& row, std::size_t column) {
    const auto& bytes = row.blobs[column];
    const std::optional<short> charset =
        column < row.blobTextCharsets.size() ? row.blobTextCharsets[column] : std::nullopt;
    return bytes ? TSqlValue::BlobId(TSqlBlob::Create(Transaction(), *bytes, charset))
                 : TSqlValue::Null(SQL_BLOB);
}

void TTableWriter::Insert(const TReadRow& row) {
    TSqlStatement& insert = Prepared(insert_, InsertSql(table_));
    std::vector<TSqlValue> values;
    for (std::size_t column = 0; column < table_.columns.size(); ++column) {
        if (table_.columns[column].blob) {
            values.push_back(BlobValue(row, column));
        } else if (!table_.columns[column].array) {
            values.push_back(row.values[column]);
        }
    }
    insert.Execute(values);
    Written();
}

void TTableWriter::WriteBlob(const TReadRow& row, std::size_t column) {
    TSqlStatement& update = Prepared(blobUpdates_[column], BlobUpdateSql(table_, column));
    std::vector<TSqlValue> values{BlobValue(row, column)};
    for (const std::size_t key : table_.keyColumns) {
        values.push_back(row.values[key]);
    }
    update.Execute(values);
    Written();
}

void TTableWriter::Written() {
    if (++uncommitted_ >= rowsPerCommit_) {
        Commit();
    }
}

void TTableWriter::Commit() {
    if (!transaction_) {
        return;
    }
    insert_.reset();
    for (auto& update : blobUpdates_) {
        update.reset();
    }
    uncommitted_ = 0;
    auto transaction = std::move(transaction_);
    transaction->Commit();
}

} // namespace onarim
