#include "repair/Accounting.h"

#include "platform/Exception.h"
#include "repair/RepairMessages.h"
#include "repair/RunFiles.h"

namespace onarim {

TAccounting::~TAccounting() {
    if (countBefore_.valid()) {
        countBefore_.wait();
    }
}

TAccounting::TCount TAccounting::Count(const std::string& database) {
    const auto start = std::chrono::steady_clock::now();
    TCount count;
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

void TAccounting::CountAfter(const std::string& database, bool afterPutBack) {
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
    TCount count = Count(database);
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
