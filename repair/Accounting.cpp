#include "repair/Accounting.h"

#include <algorithm>

#include "platform/Exception.h"
#include "repair/RepairMessages.h"
#include "repair/RunFiles.h"

namespace onarim {

TAccounting::~TAccounting() {
    if (countBefore_.valid()) {
        countBefore_.wait();
    }
}

namespace {

// Whether a census from the pages counted everything there is: a table they could not count,
// a record they could not read or a blob header they could not find may be the pages
// reader's own limit, which the engine does not share.
bool Whole(const TDatabaseCensus& census) {
    return std::all_of(census.tables.begin(), census.tables.end(), [](const TTableCensus& table) {
        return table.rows && table.error.empty() && table.lostRecords.empty() &&
               std::all_of(table.blobColumns.begin(), table.blobColumns.end(),
                           [](const TColumnCensus& column) {
                               return column.nonEmptyBlobs && column.unreadableBlobs == 0;
                           });
    });
}

} // namespace

TAccounting::TCount TAccounting::Count(const std::string& database, bool pagesFirst) {
    const auto start = std::chrono::steady_clock::now();
    TCount count;
    if (pagesFirst) {
        if (auto raw = tools_.TakeRawCensus(database, nullptr); raw && Whole(*raw)) {
            count.census = std::move(raw);
            count.duration = ElapsedSince(start);
            return count;
        }
    }
    try {
        count.census = tools_.TakeCensus(database, credentials_);
    } catch (const Exception& error) {
        count.error = messages::ReasonOf(error);
    }
    count.duration = ElapsedSince(start);
    return count;
}

int TAccounting::Record(TStep& step, TCount count) {
    if (!count.error.empty()) {
        report_.losses.uncounted = count.error;
        step.Output(messages::kNotCounted + count.error);
        return 1;
    }
    report_.before = std::move(count.census);
    return 0;
}

void TAccounting::CountBefore(const std::string& database) {
    TStep step(log_, TRepairStep::Accounting);
    step.End(Record(step, Count(database)));
}

void TAccounting::StartCountBefore(const std::string& keptCopy, const ods::TPageCheck* mends,
                                   const std::string& transientPath, bool alongside) {
    auto count = [this, keptCopy, mends, transientPath] {
        const auto start = std::chrono::steady_clock::now();
        TCount result;
        if (auto raw = tools_.TakeRawCensus(keptCopy, mends)) {
            result.census = std::move(raw);
            result.duration = ElapsedSince(start);
            return result;
        }
        try {
            const TTransientCopy source(tools_, keptCopy, transientPath, prepare_);
            result = Count(source.Path());
        } catch (const Exception& error) {
            result.error = messages::ReasonOf(error);
        }
        result.duration = ElapsedSince(start);
        return result;
    };
    if (alongside) {
        countBefore_ = std::async(std::launch::async, std::move(count));
        return;
    }
    std::promise<TCount> counted;
    counted.set_value(count());
    countBefore_ = counted.get_future();
}

void TAccounting::FinishCountBefore() {
    if (!countBefore_.valid()) {
        return;
    }
    TStep step(log_, TRepairStep::Accounting);
    TCount count = countBefore_.get();
    const auto duration = count.duration;
    step.End(Record(step, std::move(count)), duration);
}

void TAccounting::CountAfter(const std::string& database, TCounted counted, bool afterPutBack) {
    report_.losses.arrayValuesLeft = !afterPutBack      ? std::map<std::string, std::int64_t>{}
                                     : report_.recovery ? ArrayValuesLeft(report_.recovery->tables)
                                     : report_.salvage  ? ArrayValuesLeft(report_.salvage->tables)
                                                        : std::map<std::string, std::int64_t>{};
    if (!report_.before) {
        // Nothing to compare with (the loss is already "unknown"), but what gbak said it
        // skipped is lost for certain.
        report_.losses.tables = CompareCensus({}, {}, report_.skippedBlobs).tables;
        return;
    }
    TStep step(log_, TRepairStep::Accounting);
    TCount count = Count(database, counted == TCounted::MadeByRun);
    if (!count.error.empty()) {
        report_.losses.uncounted = count.error;
        step.Output(messages::kNotCounted + count.error);
        step.End(1);
        return;
    }
    report_.after = std::move(count.census);
    // After a put-back, what gbak skipped and was not written back is lost still. A salvage
    // wrote what it read, and the count alone tells it.
    const TSkippedBlobs skipped =
        !afterPutBack      ? report_.skippedBlobs
        : report_.recovery ? SkippedAfterPutBack(report_.skippedBlobs, report_.recovery->tables)
                           : TSkippedBlobs{};
    report_.losses.tables = CompareCensus(*report_.before, *report_.after, skipped).tables;
    step.End(0);
}

} // namespace onarim
