#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "platform/LineHandler.h"
#include "recovery/Credentials.h"
#include "recovery/DatabaseCensus.h"
#include "recovery/LostDataRecovery.h"
#include "recovery/Salvage.h"

// Work on a damaged database that needs the engine (the counts, the put-back, the salvage)
// runs in a process of its own, onarim-engine, under a watch: on Firebird 3.0.11 the engine
// has hung forever in a detach after a consistency check on a damaged file. A hang or a crash
// then costs that step, which fails with a reason, and never the run.
namespace onarim {

// How long the engine may stay still (no line, no processor time, no byte read or written)
// before the watch ends it: ONARIM_ENGINE_STILLNESS (seconds) when set, else two minutes.
std::chrono::milliseconds EngineStillness();

// onarim-engine beside the running program, or, in the build tree, where the build put it;
// empty when there is none (the work then runs in this process).
std::string EngineProgramPath();

// The three kinds of work, each as TakeCensus, PutBackLostData and SalvageDatabase do it,
// with their results and errors, run by `program`. A watch that ended the engine, or an engine
// that crashed, raises Exception with the reason in the operator's words; gbak for the salvage
// is the program at `gbak`.
TDatabaseCensus CensusInChild(const std::string& program, const std::string& path,
                              const TCredentials& credentials);
TRecoveryResult PutBackInChild(const std::string& program, const TOriginalFiles& source,
                               const TRepairedDatabase& repaired, const TCredentials& credentials,
                               const LineHandler& progress);
TSalvageResult SalvageInChild(const std::string& program, const TOriginalFiles& source,
                              const std::string& target, const TCredentials& credentials,
                              const std::string& gbak, const LineHandler& progress);

// The engine's side: does the work `arguments` name ("census PATH", "put-back KEPT
// ENGINE-COPY mended|unmended REPAIRED made|shared [TABLE...]", "salvage KEPT ENGINE-COPY
// mended|unmended TARGET GBAK"), with the credentials of ISC_USER and ISC_PASSWORD, printing
// "PROGRESS <line>" as it goes and, last, "RESULT <json>", or "STATUS ..." and the message of
// an error of the engine, or "FAIL <message>". Returns the exit status: 0, 1 for a failure
// told, 2 for bad usage.
int ServeEngineTask(const std::vector<std::string>& arguments);

// A salvage's gbak run in this process, as the engine's side and the in-process fallback use.
TGbakRunner GbakRunnerFor(const std::string& gbak, const TCredentials& credentials,
                          const LineHandler& progress);

} // namespace onarim
