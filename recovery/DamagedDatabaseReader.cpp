#include "recovery/DamagedDatabaseReader.h"

#include <algorithm>

#include "client/IBErrors.h"
#include "client/SqlBlob.h"
#include "client/SqlIdentifier.h"
#include "client/SqlStatement.h"
#include "recovery/DatabaseKey.h"
#include "recovery/ReadingSession.h"
#include "recovery/TablePages.h"

namespace onarim {

class TDamagedDatabaseReader::TSession : public TReadingSession {
    using TReadingSession::TReadingSession;
};

namespace {

// Record numbers tried by one statement after a scan failed. The engine reads the keys of an
// IN list as one bitmap, in record order, and takes up to 1500 of them.
constexpr std::size_t kBatchSize = 1000;
constexpr short kOctetsCharacterSet = 1;

// Upper bounds of Firebird 3's records per data page and data pages per pointer page: a
// record takes more than a 4-byte slot and a 12-byte header, a data page more than 4 bytes of
// its pointer page. Generous, so that no record number of the table lies past them.
std::uint64_t RecordsPerPointerPage(std::uint64_t pageSize) {
    return (pageSize / 16) * (pageSize / 4);
}

// The records Firebird 3 numbers on one data page: what fits after the page's 24-byte header
// and first slot, at a 4-byte slot and a 13-byte record header each.
std::uint64_t RecordsPerDataPage(std::uint64_t pageSize) {
    return (pageSize - 28) / 17;
}

std::string SelectList(const TTableLayout& table) {
    std::string sql = "SELECT RDB$DB_KEY";
    for (const TStoredColumn& column : table.columns) {
        sql += ", " + QuoteSqlIdentifier(column.name);
    }
    return sql + " FROM " + QuoteSqlIdentifier(table.name);
}

std::string BatchQuery(const TTableLayout& table) {
    std::string sql = SelectList(table) + " WHERE RDB$DB_KEY IN (?";
    for (std::size_t i = 1; i < kBatchSize; ++i) {
        sql += ", ?";
    }
    return sql + ")";
}

TSqlValue KeyValue(const TTableLayout& table, std::uint64_t record) {
    return TSqlValue::FromBytes(
        SQL_TEXT, 0, kOctetsCharacterSet,
        EncodeDatabaseKey({static_cast<std::uint16_t>(table.relationId), record}));
}

std::int64_t Scalar(TSqlTransaction& transaction, const std::string& sql) {
    TSqlStatement statement(transaction, sql);
    statement.Execute();
    statement.Fetch();
    return statement.Value(0).AsInteger();
}

std::string ValueText(const TSqlValue& value) {
    if (value.IsNull()) {
        return "NULL";
    }
    switch (value.SqlType()) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64:
        if (value.Scale() == 0) {
            return std::to_string(value.AsInteger());
        }
        return std::to_string(value.AsInteger()) + "E" + std::to_string(value.Scale());
    case SQL_TEXT:
    case SQL_VARYING: {
        std::string text = value.AsText();
        if (value.SqlType() == SQL_TEXT) {
            text.erase(text.find_last_not_of(' ') + 1);
        }
        return "'" + text + "'";
    }
    default:
        return "(" + std::to_string(value.Bytes().size()) + " bytes)";
    }
}

// Reads one table for TDamagedDatabaseReader::ReadTable.
class TTableReading {
public:
    TTableReading(TReadingSession& session, const TTableLayout& table,
                  const std::function<void(const TReadRow&)>& onRow)
        : session_(session), table_(table), onRow_(onRow) {}

    std::vector<TReadProblem> Run() {
        PlanPages();
        if (pages_ && !pages_->AllSound()) {
            // A scan would hand over what the engine makes of the garbage on those pages.
            for (const TTableDataPage& page : pages_->pages) {
                if (!page.sound) {
                    const std::uint64_t first = page.sequence * pages_->recordsPerPage;
                    AddProblem({table_.name,
                                {},
                                first,
                                first + pages_->recordsPerPage - 1,
                                {},
                                page.why + "; üzerindeki kayıtlar okunmadı"});
                }
            }
            for (const TRecordSpan& span : Spans()) {
                nextRecord_ = span.first;
                ReadByRecordNumber(span.last);
            }
            SortProblems();
            return std::move(problems_);
        }
        std::string scanFailure;
        if (Scan(scanFailure)) {
            return std::move(problems_);
        }
        const std::size_t known = problems_.size();
        const std::uint64_t from = nextRecord_;
        bool first = true;
        for (const TRecordSpan& span : Spans()) {
            if (span.last < nextRecord_) {
                continue;
            }
            nextRecord_ = std::max(nextRecord_, span.first);
            if (first) {
                // The scan stopped at the record after the last it gave: find that one first.
                ReadOneByOne(std::min(span.last, nextRecord_ + kBatchSize - 1));
                first = false;
            }
            ReadByRecordNumber(span.last);
        }
        if (!scanFailure.empty() && problems_.size() == known) {
            // The records could all be read one by one; say at least that the scan failed.
            AddProblem({table_.name, {}, from, from, {}, scanFailure});
        }
        return std::move(problems_);
    }

private:
    // The plain scan. True when it read the whole table; otherwise `failure` holds the
    // server's message, or is empty when a blob broke the attachment after its problem was
    // noted, and nextRecord_ is the record number to go on from.
    bool Scan(std::string& failure) {
        try {
            const int generation = session_.Generation();
            TSqlStatement scan(session_.Transaction(), SelectList(table_));
            scan.Execute();
            while (scan.Fetch()) {
                Yield(scan);
                if (session_.Generation() != generation) {
                    return false;
                }
            }
            return true;
        } catch (const EIBError& error) {
            PassOnCallerError();
            failure = error.Message();
        }
        session_.CheckAfterFailure();
        return false;
    }

    // Reads by record number from nextRecord_ up to `last`.
    void ReadByRecordNumber(std::uint64_t last) {
        while (nextRecord_ <= last) {
            const std::uint64_t batchEnd = std::min(last, nextRecord_ + kBatchSize - 1);
            if (!ReadBatch(batchEnd)) {
                ReadOneByOne(batchEnd);
            }
        }
    }

    // True when every record up to `batchEnd` was read or found missing; otherwise
    // nextRecord_ is the first one not yet tried.
    bool ReadBatch(std::uint64_t batchEnd) {
        try {
            const int generation = session_.Generation();
            Prepared(batch_, batchGeneration_, [this] { return BatchQuery(table_); });
            std::vector<TSqlValue> keys;
            for (std::uint64_t record = nextRecord_; keys.size() < kBatchSize; ++record) {
                keys.push_back(KeyValue(table_, std::min(record, batchEnd)));
            }
            batch_->Execute(keys);
            while (batch_->Fetch()) {
                Yield(*batch_);
                if (session_.Generation() != generation) {
                    batch_.reset();
                    return true; // nextRecord_ is past the row; go on with a new batch
                }
            }
            nextRecord_ = batchEnd + 1;
            return true;
        } catch (const EIBError&) {
            PassOnCallerError();
        }
        batch_.reset();
        session_.CheckAfterFailure();
        return false;
    }

    // Tries the records from nextRecord_ up to the first that fails (reported), or up to
    // `batchEnd`, one statement each.
    void ReadOneByOne(std::uint64_t batchEnd) {
        for (; nextRecord_ <= batchEnd; ++nextRecord_) {
            const std::uint64_t record = nextRecord_;
            try {
                TSqlStatement& single = Prepared(single_, singleGeneration_, [this] {
                    return SelectList(table_) + " WHERE RDB$DB_KEY = ?";
                });
                single.Execute({KeyValue(table_, record)});
                if (single.Fetch()) {
                    Yield(single);
                }
                continue;
            } catch (const EIBError& error) {
                PassOnCallerError();
                AddProblem({table_.name, {}, record, record, {}, error.Message()});
            }
            single_.reset();
            const bool usable = session_.CheckAfterFailure();
            nextRecord_ = record + 1;
            TReadProblem& problem = problems_.back();
            if (usable && problem.firstRecord < record && recordsPerPage_ != 0) {
                // Neighbours that fail alike without breaking the attachment lie on a page the
                // engine cannot read at all (of the wrong type, say): every failure costs the
                // engine long, so the rest of the page is passed by.
                nextRecord_ = (record / recordsPerPage_ + 1) * recordsPerPage_;
                problem.lastRecord = nextRecord_ - 1;
            }
            return;
        }
    }

    // `statement`, prepared anew when the attachment it was prepared on has been given up.
    template <typename MakeSql>
    TSqlStatement& Prepared(std::unique_ptr<TSqlStatement>& statement, int& generation,
                            MakeSql makeSql) {
        TSqlTransaction& transaction = session_.Transaction();
        if (!statement || generation != session_.Generation()) {
            statement.reset();
            statement = std::make_unique<TSqlStatement>(transaction, makeSql());
            generation = session_.Generation();
        }
        return *statement;
    }

    // Hands the statement's current row to the caller, its blobs read.
    void Yield(const TSqlStatement& statement) {
        TReadRow row;
        row.recordNumber = DecodeDatabaseKey(statement.Value(0).Bytes()).recordNumber;
        row.values = statement.Row();
        row.values.erase(row.values.begin());
        row.blobs.resize(table_.columns.size());
        nextRecord_ = row.recordNumber + 1;
        for (std::size_t column = 0; column < table_.columns.size(); ++column) {
            TSqlValue& value = row.values[column];
            if (!table_.columns[column].blob || value.IsNull()) {
                continue;
            }
            const ISC_QUAD id = value.AsBlobId();
            value = TSqlValue::Null(SQL_BLOB);
            row.blobs[column] = ReadBlob(id, row, column);
        }
        try {
            onRow_(row);
        } catch (...) {
            callerFailed_ = true;
            throw;
        }
    }

    // A database error raised by the caller's onRow is the caller's, not a damaged record.
    void PassOnCallerError() {
        if (callerFailed_) {
            throw;
        }
    }

    std::optional<std::string> ReadBlob(ISC_QUAD id, const TReadRow& row, std::size_t column) {
        const auto report = [&](const std::string& message) {
            AddProblem({table_.name, table_.columns[column].name, row.recordNumber,
                        row.recordNumber, DescribeRowKey(table_, row), message});
        };
        try {
            TSqlBlob blob(session_.Transaction(), id);
            const std::int64_t length = blob.Length();
            std::string bytes = blob.ReadAll();
            if (static_cast<std::int64_t>(bytes.size()) == length) {
                return bytes;
            }
            // A record whose length reaches past its own bytes gives what follows it as
            // blob data, without an error.
            report("the blob gives " + std::to_string(bytes.size()) + " bytes of the " +
                   std::to_string(length) + " it records");
            return std::nullopt;
        } catch (const EIBError& error) {
            report(error.Message());
        }
        session_.CheckAfterFailure();
        return std::nullopt;
    }

    // Record numbers that may hold a row, in order.
    struct TRecordSpan {
        std::uint64_t first = 0, last = 0;
    };

    // With the table's pages known: the lines of its sound pages of primary records, runs of
    // neighbouring pages joined (the numbers between a page's last line and the next page hold
    // nothing, and cost a batch nothing). Otherwise every number up to LastRecordBound().
    std::vector<TRecordSpan> Spans() {
        std::vector<TRecordSpan> spans;
        if (!pages_) {
            spans.push_back({0, LastRecordBound()});
            return spans;
        }
        bool joinable = false;
        for (const TTableDataPage& page : pages_->pages) {
            if (!page.sound) {
                joinable = false;
                continue;
            }
            if (page.secondary || page.lines == 0) {
                continue;
            }
            const std::uint64_t first = page.sequence * pages_->recordsPerPage;
            const std::uint64_t last = first + page.lines - 1;
            if (joinable) {
                spans.back().last = last;
            } else {
                spans.push_back({first, last});
            }
            joinable = true;
        }
        return spans;
    }

    // Reads where the table's rows lie from the file itself (TTablePages); leaves pages_
    // empty when the file does not say it reliably, and the engine's word is all there is.
    void PlanPages() {
        try {
            std::vector<std::uint32_t> pointerPages;
            {
                TSqlStatement query(session_.Transaction(),
                                    "SELECT RDB$PAGE_NUMBER, RDB$PAGE_SEQUENCE FROM RDB$PAGES"
                                    " WHERE RDB$PAGE_TYPE = 4 AND RDB$RELATION_ID = " +
                                        std::to_string(table_.relationId) +
                                        " ORDER BY RDB$PAGE_SEQUENCE");
                query.Execute();
                while (query.Fetch()) {
                    if (query.Value(1).AsInteger() !=
                        static_cast<std::int64_t>(pointerPages.size())) {
                        return;
                    }
                    pointerPages.push_back(static_cast<std::uint32_t>(query.Value(0).AsInteger()));
                }
            }
            pages_ = ReadTablePages(session_.Path(), table_.relationId, pointerPages);
            recordsPerPage_ = pages_->recordsPerPage;
            return;
        } catch (const EIBError&) {
            session_.CheckAfterFailure();
        } catch (const Exception&) {
        }
        pages_.reset();
    }

    // Problems in record order, as the reading by record number finds them.
    void SortProblems() {
        std::stable_sort(problems_.begin(), problems_.end(),
                         [](const TReadProblem& a, const TReadProblem& b) {
                             return a.firstRecord < b.firstRecord;
                         });
    }

    // No record number of the table lies past this one: its pointer pages (RDB$PAGES) hold
    // so many data pages at most, and those so many records.
    std::uint64_t LastRecordBound() {
        try {
            TSqlTransaction& transaction = session_.Transaction();
            const auto pageSize = static_cast<std::uint64_t>(
                Scalar(transaction, "SELECT MON$PAGE_SIZE FROM MON$DATABASE"));
            const auto pointerPages = static_cast<std::uint64_t>(
                Scalar(transaction, "SELECT COUNT(*) FROM RDB$PAGES WHERE RDB$PAGE_TYPE = 4"
                                    " AND RDB$RELATION_ID = " +
                                        std::to_string(table_.relationId)));
            recordsPerPage_ = RecordsPerDataPage(pageSize);
            return std::min(kMaxRecordNumber, pointerPages * RecordsPerPointerPage(pageSize));
        } catch (const EIBError& error) {
            AddProblem({table_.name,
                        {},
                        nextRecord_,
                        kMaxRecordNumber,
                        {},
                        "the table's pages cannot be listed: " + error.Message()});
        }
        session_.CheckAfterFailure();
        return 0;
    }

    // Notes `problem`, joined to the last one when it continues its run of records.
    void AddProblem(TReadProblem problem) {
        if (!problems_.empty() && problem.column.empty()) {
            TReadProblem& last = problems_.back();
            if (last.column.empty() && last.message == problem.message &&
                last.lastRecord + 1 == problem.firstRecord) {
                last.lastRecord = problem.lastRecord;
                return;
            }
        }
        problems_.push_back(std::move(problem));
    }

    TReadingSession& session_;
    const TTableLayout& table_;
    const std::function<void(const TReadRow&)>& onRow_;
    std::vector<TReadProblem> problems_;
    std::uint64_t nextRecord_ = 0;
    bool callerFailed_ = false;
    std::uint64_t recordsPerPage_ = 0; // 0 while unknown
    std::optional<TTablePages> pages_; // empty when the file could not tell
    std::unique_ptr<TSqlStatement> batch_, single_;
    int batchGeneration_ = 0, singleGeneration_ = 0;
};

} // namespace

std::string TReadProblem::Describe() const {
    std::string where = table;
    if (!column.empty()) {
        where += "." + column;
    }
    if (!key.empty()) {
        where += " (" + key + ")";
    } else if (firstRecord == lastRecord) {
        where += " (record " + std::to_string(firstRecord) + ")";
    } else {
        where +=
            " (records " + std::to_string(firstRecord) + "-" + std::to_string(lastRecord) + ")";
    }
    return where + ": " + message;
}

std::string DescribeRowKey(const TTableLayout& table, const TReadRow& row) {
    if (!table.HasUniqueKey()) {
        return "record " + std::to_string(row.recordNumber);
    }
    std::string key;
    for (const std::size_t column : table.keyColumns) {
        key += (key.empty() ? "" : ", ") + table.columns[column].name + "=" +
               ValueText(row.values[column]);
    }
    return key;
}

TDamagedDatabaseReader::TDamagedDatabaseReader(const std::string& path,
                                               const TCredentials& credentials)
    : session_(std::make_unique<TSession>(path, credentials)) {
    tables_ = ReadTableLayouts(session_->Transaction());
}

TDamagedDatabaseReader::~TDamagedDatabaseReader() = default;

std::vector<TReadProblem>
TDamagedDatabaseReader::ReadTable(const TTableLayout& table,
                                  const std::function<void(const TReadRow&)>& onRow) {
    return TTableReading(*session_, table, onRow).Run();
}

} // namespace onarim
