#include "recovery/LostDataRecovery.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "client/IBErrors.h"
#include "client/SqlAttachment.h"
#include "client/SqlIdentifier.h"
#include "client/SqlStatement.h"
#include "client/SqlTransaction.h"
#include "ods/DatabaseFile.h"
#include "ods/OdsError.h"
#include "ods/RawDatabase.h"
#include "ods/RawTableReader.h"
#include "recovery/CheckPause.h"
#include "recovery/KeyIndex.h"
#include "recovery/OriginalRows.h"
#include "recovery/RawRows.h"
#include "recovery/TableWriter.h"
#include "recovery/TriggerPause.h"

namespace onarim {

namespace {

// A row of the source that could not be written, for the second try.
struct TPendingRow {
    TReadRow row;
};

// The unique key of a row as bytes that compare equal exactly when the keys do; nullopt when
// a key column is NULL (a unique constraint lets such rows repeat, so they match nothing).
// `at(i)` is the value of the i-th key column.
template <typename KeyValue> std::optional<std::string> KeyFrom(std::size_t columns, KeyValue at) {
    std::string key;
    for (std::size_t i = 0; i < columns; ++i) {
        const TSqlValue& value = at(i);
        if (value.IsNull()) {
            return std::nullopt;
        }
        key.append(std::to_string(value.Bytes().size()));
        key += ':';
        key.append(value.Bytes());
    }
    return key;
}

// The key of the first `columns` values, those of the key columns in order.
std::optional<std::string> KeyOfLeading(const TSqlRow& values, std::size_t columns) {
    return KeyFrom(columns, [&](std::size_t i) -> const TSqlValue& { return values[i]; });
}

std::optional<std::string> KeyOf(const TTableLayout& table, const TSqlRow& values) {
    return KeyFrom(table.keyColumns.size(),
                   [&](std::size_t i) -> const TSqlValue& { return values[table.keyColumns[i]]; });
}

// What the repaired table holds: per unique key, a character per column, kEmptyBlob where a
// blob column is NULL or empty; no characters for a row written by the put-back.
using TRepairedRows = TKeyIndex;
constexpr char kEmptyBlob = 'e';

// Runs "SELECT <leading>, <perBlob(column)> ... FROM <table>" on `target`, one expression per
// blob column, and hands every row to `onRow`.
void SelectOverBlobColumns(TSqlAttachment& target, const TTableLayout& table, std::string select,
                           std::string (*perBlob)(const std::string&),
                           const std::function<void(const TSqlRow&)>& onRow) {
    for (const TStoredColumn& column : table.columns) {
        if (column.blob) {
            select += ", " + perBlob(QuoteSqlIdentifier(column.name));
        }
    }
    TSqlTransaction transaction(target, TSqlTransactionKind::ReadOnlyReadCommitted);
    TSqlStatement query(transaction,
                        "SELECT " + select + " FROM " + QuoteSqlIdentifier(table.name));
    query.Execute();
    while (query.Fetch()) {
        onRow(query.Row());
    }
}

TRepairedRows ReadRepairedRows(TSqlAttachment& target, const TTableLayout& table) {
    std::string keys;
    for (const std::size_t column : table.keyColumns) {
        keys += (keys.empty() ? "" : ", ") + QuoteSqlIdentifier(table.columns[column].name);
    }
    const auto blobLength = [](const std::string& column) {
        return "COALESCE(OCTET_LENGTH(" + column + "), 0)";
    };
    TRepairedRows rows;
    SelectOverBlobColumns(target, table, keys, blobLength, [&](const TSqlRow& values) {
        std::string empty(table.columns.size(), ' ');
        std::size_t next = table.keyColumns.size();
        for (std::size_t column = 0; column < table.columns.size(); ++column) {
            if (table.columns[column].blob && values[next++].AsInteger() == 0) {
                empty[column] = kEmptyBlob;
            }
        }
        const auto key = KeyOfLeading(values, table.keyColumns.size());
        if (key) {
            rows.Insert(*key, empty);
        }
    });
    return rows;
}

// The repaired database read straight from its pages: it was made by this run and nobody else
// opens it, and a table is read before anything is written to it, so its pages hold what the
// engine would give, at many times the speed of a query.
class TRepairedPages {
public:
    // Null when the file cannot be read so.
    static std::unique_ptr<TRepairedPages> Open(const std::string& path) {
        try {
            return std::make_unique<TRepairedPages>(path);
        } catch (const ods::EOdsError&) {
            return nullptr;
        }
    }

    explicit TRepairedPages(const std::string& path)
        : file_(path, ods::TDatabaseFile::TAccess::ReadOnly), database_(file_) {}

    // What `table` holds; nullopt when its pages do not give it whole.
    std::optional<TRepairedRows> Read(const TTableLayout& table) {
        try {
            ods::TRawTableReader reader(database_, table.name);
            if (!reader.LayoutProblems().empty() ||
                !ColumnsNotGiven(reader.Layout(), table).empty()) {
                return std::nullopt;
            }
            TRepairedRows rows;
            bool whole = true;
            const ods::TRawReadSummary summary = reader.Read({}, [&](const ods::TRawRow& raw) {
                const auto values = whole ? KeyValuesOf(table, raw) : std::nullopt;
                if (!values) {
                    whole = false;
                    return;
                }
                std::string empty(table.columns.size(), ' ');
                for (std::size_t column = 0; column < table.columns.size(); ++column) {
                    const ods::TRawValue* value =
                        table.columns[column].blob ? raw.Find(table.columns[column].name) : nullptr;
                    if (value == nullptr) {
                        continue;
                    }
                    const auto length = value->null || value->blob.Empty()
                                            ? std::optional<std::uint64_t>(0)
                                            : reader.BlobLength(value->blob);
                    whole = whole && length.has_value();
                    if (length == 0u) {
                        empty[column] = kEmptyBlob;
                    }
                }
                auto key = KeyOfLeading(*values, values->size());
                if (key) {
                    rows.Insert(*key, empty);
                }
            });
            if (!whole || !summary.problems.empty()) {
                return std::nullopt;
            }
            return rows;
        } catch (const ods::EOdsError&) {
            return std::nullopt;
        }
    }

private:
    ods::TDatabaseFile file_;
    ods::TRawDatabase database_;
};

// Rows and non-empty values per blob column (in column order).
struct TTableCount {
    std::int64_t rows = 0;
    std::vector<std::int64_t> nonEmptyBlobs;
};

TTableCount CountRepaired(TSqlAttachment& target, const TTableLayout& table) {
    const auto nonEmpty = [](const std::string& column) {
        return "COUNT(NULLIF(OCTET_LENGTH(" + column + "), 0))";
    };
    TTableCount count;
    SelectOverBlobColumns(target, table, "COUNT(*)", nonEmpty, [&](const TSqlRow& values) {
        count.rows = values[0].AsInteger();
        for (std::size_t i = 1; i < values.size(); ++i) {
            count.nonEmptyBlobs.push_back(values[i].AsInteger());
        }
    });
    return count;
}

class TPutBack {
public:
    TPutBack(const TOriginalFiles& source, const TRepairedDatabase& repaired,
             const TCredentials& credentials,
             const std::function<void(const std::string&)>& progress)
        : chosen_(repaired.tables),
          repairedPages_(repaired.madeByRun ? TRepairedPages::Open(repaired.path) : nullptr),
          target_(repaired.path, credentials.user, credentials.password, TSqlIntent::ReadWrite),
          targetTables_(ReadTableLayouts(target_)), reader_(source, credentials, targetTables_),
          progress_(progress) {}

    TRecoveryResult Run() {
        TRecoveryResult result;
        pending_.resize(reader_.Tables().size());
        for (const TTableLayout& table : reader_.Tables()) {
            result.tables.push_back(Chosen(table.name) ? PutBackTable(table)
                                                       : TTableRecovery{.table = table.name});
        }
        std::vector<std::vector<TPendingRow>> refused(pending_.size());
        std::vector<std::string> refusing;
        for (std::size_t i = 0; i < reader_.Tables().size(); ++i) {
            RetryPending(reader_.Tables()[i], pending_[i], result.tables[i], &refused[i]);
            if (!refused[i].empty()) {
                refusing.push_back(reader_.Tables()[i].name);
            }
        }
        if (!refusing.empty()) {
            WriteWithChecksOut(refusing, refused, result);
        }
        std::erase_if(result.tables,
                      [this](const TTableRecovery& table) { return !Chosen(table.table); });
        return result;
    }

private:
    bool Chosen(const std::string& table) const {
        return chosen_.empty() || std::find(chosen_.begin(), chosen_.end(), table) != chosen_.end();
    }

    void Tell(const std::string& line) {
        if (progress_) {
            progress_(line);
        }
    }

    const TTableLayout* TargetTable(const std::string& name) const {
        for (const TTableLayout& table : targetTables_) {
            if (table.name == name) {
                return &table;
            }
        }
        return nullptr;
    }

    TTableRecovery PutBackTable(const TTableLayout& table) {
        TTableRecovery recovery;
        recovery.table = table.name;
        const TTableLayout* target = TargetTable(table.name);
        if (target == nullptr || !SameColumns(table, *target)) {
            recovery.problems.push_back(
                "the repaired database has no table of these columns and key; nothing written");
            return recovery;
        }
        Tell(table.name + ": okunuyor");
        try {
            if (table.HasUniqueKey()) {
                PutBackKeyed(table, recovery);
            } else {
                CompareUnkeyed(table, recovery);
            }
        } catch (const EIBError& error) {
            recovery.problems.push_back(error.Message());
        }
        Tell(table.name + ": " + std::to_string(recovery.rowsPutBack) + " satır, " +
             std::to_string(recovery.blobsPutBack) + " blob değeri geri yazıldı");
        return recovery;
    }

    void PutBackKeyed(const TTableLayout& table, TTableRecovery& recovery) {
        std::optional<TRepairedRows> fromPages =
            repairedPages_ ? repairedPages_->Read(table) : std::nullopt;
        TRepairedRows repaired =
            fromPages ? std::move(*fromPages) : ReadRepairedRows(target_, table);
        // Only a row the repaired table lacks or holds an empty blob value of is read whole.
        const auto wanted = [&](const TSqlRow& values) {
            const auto key = KeyOfLeading(values, values.size());
            const auto found = key ? repaired.Find(*key) : std::nullopt;
            return !found || found->find(kEmptyBlob) != std::string_view::npos;
        };
        TTriggerPause pause(target_, table.name);
        TTableWriter writer(target_, table);
        std::int64_t keyless = 0;
        const auto problems = reader_.ReadTable(
            table,
            [&](const TReadRow& row) {
                const auto key = KeyOf(table, row.values);
                if (!key) {
                    ++keyless;
                    return;
                }
                const auto found = repaired.Find(*key);
                if (!found) {
                    repaired.Insert(*key, {});
                    Write(
                        row, recovery, [&] { writer.Insert(row); }, true);
                    return;
                }
                for (std::size_t column = 0; column < table.columns.size(); ++column) {
                    if (!found->empty() && (*found)[column] == kEmptyBlob && row.blobs[column] &&
                        !row.blobs[column]->empty()) {
                        Write(
                            row, recovery, [&] { writer.WriteBlob(row, column); }, false);
                    }
                }
            },
            wanted);
        writer.Commit();
        for (const std::string& failure : pause.Resume()) {
            recovery.problems.push_back("trigger left inactive: " + failure);
        }
        for (const TReadProblem& problem : problems) {
            recovery.problems.push_back(problem.Describe());
        }
        if (keyless > 0) {
            recovery.problems.push_back(std::to_string(keyless) +
                                        " rows with an empty key value cannot be matched");
        }
    }

    // Writes through `write`; a refused row waits for the second try.
    template <typename WriteCall>
    void Write(const TReadRow& row, TTableRecovery& recovery, WriteCall write, bool wholeRow) {
        try {
            write();
        } catch (const EIBError& error) {
            if (wholeRow) {
                pending_[TableIndex(recovery.table)].push_back({row});
            } else {
                recovery.problems.push_back(DescribeRowKey(*TargetTable(recovery.table), row) +
                                            ": blob value not written: " + error.Message());
            }
            return;
        }
        if (wholeRow) {
            CountRow(row, recovery);
        } else {
            ++recovery.blobsPutBack;
            recovery.rawBlobs += row.fromPages ? 1 : 0;
        }
    }

    void CountRow(const TReadRow& row, TTableRecovery& recovery) const {
        ++recovery.rowsPutBack;
        recovery.rawRows += row.fromPages ? 1 : 0;
        recovery.arrayValuesLeft += ArrayValuesIn(*TargetTable(recovery.table), row.values);
        for (const auto& blob : row.blobs) {
            const int written = (blob && !blob->empty()) ? 1 : 0;
            recovery.blobsPutBack += written;
            recovery.rawBlobs += row.fromPages ? written : 0;
        }
    }

    std::size_t TableIndex(const std::string& name) const {
        for (std::size_t i = 0; i < reader_.Tables().size(); ++i) {
            if (reader_.Tables()[i].name == name) {
                return i;
            }
        }
        return 0;
    }

    // The last try of the rows still refused, with the CHECKs of their tables out.
    void WriteWithChecksOut(const std::vector<std::string>& tables,
                            std::vector<std::vector<TPendingRow>>& refused,
                            TRecoveryResult& result) {
        Tell("CHECK kısıtlarına uymayan kayıtlar yazılıyor");
        std::unique_ptr<TCheckPause> checks;
        try {
            checks = std::make_unique<TCheckPause>(target_, tables);
        } catch (const EIBError& error) {
            result.constraintProblems.push_back("CHECK kısıtları kaldırılamadı: " +
                                                error.Message());
        }
        for (std::size_t i = 0; i < reader_.Tables().size(); ++i) {
            RetryPending(reader_.Tables()[i], refused[i], result.tables[i], nullptr);
        }
        if (checks) {
            TChecksRestored restored = checks->Resume();
            result.constraintViolations.merge(restored.violations);
            for (std::string& problem : restored.problems) {
                result.constraintProblems.push_back(std::move(problem));
            }
        }
    }

    // Tries the rows of `pending` once more. A row refused again goes to `refused`, or, without
    // one, is reported.
    void RetryPending(const TTableLayout& table, std::vector<TPendingRow>& pending,
                      TTableRecovery& recovery, std::vector<TPendingRow>* refused) {
        if (pending.empty()) {
            return;
        }
        try {
            TTriggerPause pause(target_, table.name);
            TTableWriter writer(target_, table, 1);
            for (TPendingRow& waiting : pending) {
                try {
                    writer.Insert(waiting.row);
                    CountRow(waiting.row, recovery);
                } catch (const EIBError& error) {
                    if (refused != nullptr) {
                        refused->push_back(std::move(waiting));
                        continue;
                    }
                    recovery.problems.push_back(DescribeRowKey(table, waiting.row) +
                                                ": row not written: " + error.Message());
                }
            }
            for (const std::string& failure : pause.Resume()) {
                recovery.problems.push_back("trigger left inactive: " + failure);
            }
        } catch (const EIBError& error) {
            recovery.problems.push_back(std::to_string(pending.size()) +
                                        " rows not written: " + error.Message());
        }
        pending.clear();
    }

    // Without a unique key nothing is written; the table is named when it lacks something.
    void CompareUnkeyed(const TTableLayout& table, TTableRecovery& recovery) {
        TTableCount readable;
        readable.nonEmptyBlobs.assign(table.columns.size(), 0);
        const auto problems = reader_.ReadTable(table, [&](const TReadRow& row) {
            ++readable.rows;
            for (std::size_t column = 0; column < table.columns.size(); ++column) {
                readable.nonEmptyBlobs[column] += row.blobs[column] && !row.blobs[column]->empty();
            }
        });
        const TTableCount repaired = CountRepaired(target_, table);
        bool lacking = readable.rows > repaired.rows;
        std::size_t blobIndex = 0;
        for (std::size_t column = 0; column < table.columns.size(); ++column) {
            if (table.columns[column].blob) {
                lacking =
                    lacking || readable.nonEmptyBlobs[column] > repaired.nonEmptyBlobs[blobIndex];
                ++blobIndex;
            }
        }
        if (lacking) {
            recovery.noUniqueKey = true;
            recovery.problems.push_back(
                "no primary key or unique constraint: " + std::to_string(readable.rows) +
                " rows readable in the copy, " + std::to_string(repaired.rows) +
                " in the repaired table; nothing put back");
        }
        for (const TReadProblem& problem : problems) {
            recovery.problems.push_back(problem.Describe());
        }
    }

    std::vector<std::string> chosen_;
    std::unique_ptr<TRepairedPages> repairedPages_; // before target_: read before it attaches
    TSqlAttachment target_;
    std::vector<TTableLayout> targetTables_;
    TOriginalRows reader_;
    const std::function<void(const std::string&)>& progress_;
    std::vector<std::vector<TPendingRow>> pending_;
};

} // namespace

TRecoveryResult PutBackLostData(const TOriginalFiles& source, const TRepairedDatabase& repaired,
                                const TCredentials& credentials,
                                const std::function<void(const std::string&)>& progress) {
    return TPutBack(source, repaired, credentials, progress).Run();
}

} // namespace onarim
