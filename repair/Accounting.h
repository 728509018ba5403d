#pragma once

#include <future>
#include <optional>
#include <string>

#include "recovery/Credentials.h"
#include "repair/RepairReport.h"
#include "repair/RunFiles.h"
#include "repair/ServerTools.h"
#include "repair/StepLog.h"

namespace onarim {

// The counts of a run: rows of every user table and non-empty values of every blob column,
// before the repair and after it, and the losses that their difference and the tools' word
// make. A count that fails is told as a step that failed, and the loss is then unknown.
class TAccounting {
public:
    // `prepare` is done to the transient copy a count reads.
    TAccounting(IServerTools& tools, TStepLog& log, TRepairReport& report, TCredentials credentials,
                TCopyPreparation prepare)
        : tools_(tools), log_(log), report_(report), credentials_(std::move(credentials)),
          prepare_(std::move(prepare)) {}
    // Waits for a count still running (a run that ends early).
    ~TAccounting();
    TAccounting(const TAccounting&) = delete;
    TAccounting& operator=(const TAccounting&) = delete;

    // Counts `database` itself now: without a kept copy it is all there is to count, before
    // the first validation touches it.
    void CountBefore(const std::string& database);

    // Starts the count of the kept original at `keptCopy`, with the page mends the database
    // got (`mends`, may be null). It is read straight from its pages, read only; when it cannot
    // be read so, through the engine, which writes to the file it opens: in a transient copy
    // at `transientPath` then, removed when done. It needs nothing of gfix and gbak, which
    // work on the database in processes of their own, so with `alongside` it runs on a thread
    // of its own meanwhile. FinishCountBefore takes its result.
    void StartCountBefore(const std::string& keptCopy, const ods::TPageCheck* mends,
                          const std::string& transientPath, bool alongside);
    // Waits for that count and records it as a step of its own duration. Nothing when none runs.
    void FinishCountBefore();

    // Counts the repaired database and sets the losses: what the count finds missing, and what
    // gbak said it skipped (after a put-back: what of it was not written back). A database
    // this run made and nobody else opens (the restored or salvaged one before it takes the
    // database's place) is counted straight from its pages when they give every table whole;
    // through the engine otherwise.
    enum class TCounted { Database, MadeByRun };
    void CountAfter(const std::string& database, TCounted counted, bool afterPutBack = false);

private:
    struct TCount {
        std::optional<TDatabaseCensus> census;
        std::string error;
        std::chrono::milliseconds duration{0};
    };
    // Takes a census of `database`; a failure is the count's error. With `pagesFirst`, from
    // its pages when they give it whole.
    TCount Count(const std::string& database, bool pagesFirst = false);
    // Records a count before the repair in the report and the running step.
    int Record(TStep& step, TCount count);

    IServerTools& tools_;
    TStepLog& log_;
    TRepairReport& report_;
    TCredentials credentials_;
    TCopyPreparation prepare_;
    std::future<TCount> countBefore_;
};

} // namespace onarim
