#include "repair/LostDataSteps.h"

#include "repair/Interruption.h"
#include "repair/RepairFiles.h"
#include "repair/RepairMessages.h"
#include "repair/RunFiles.h"

namespace onarim {

namespace {

// The reader's messages quote the file it read: a transient copy that is gone by the time the
// report is read. They name the kept copy instead, of which it was a byte copy.
void NameKeptCopy(std::vector<TTableRecovery>& tables, const std::string& transient,
                  const std::string& keptCopy) {
    for (TTableRecovery& table : tables) {
        for (std::string& problem : table.problems) {
            for (std::size_t at = problem.find(transient); at != std::string::npos;
                 at = problem.find(transient, at + keptCopy.size())) {
                problem.replace(at, transient.size(), keptCopy);
            }
        }
    }
}

} // namespace

std::string TLostDataSteps::TransientPath(const char* purpose) {
    std::string path = TransientCopyName(database_, stamp_, purpose);
    noteFile_({path, "transient"});
    return path;
}

bool TLostDataSteps::KeptCopyMended() const {
    // An earlier run's copy may be of a database that run mended.
    return !report_.pageMends.empty() || !report_.earlierRun.empty();
}

void TLostDataSteps::PutBack(const std::string& repaired, bool madeByRun) {
    TStep step(log_, TRepairStep::Recovery);
    TRepairedDatabase target{repaired, madeByRun, {}};
    if (report_.losses.uncounted.empty()) {
        for (const TTableLoss& loss : report_.losses.tables) {
            target.tables.push_back(loss.table);
        }
    }
    try {
        // The original is read from its pages; the engine copy is made only for a table they
        // cannot give, and goes with the step.
        const TMadeFile engineCopy(tools_, TransientPath("okuma"));
        report_.recovery = tools_.PutBackLostData(
            {report_.keptCopy, engineCopy.Path(), KeptCopyMended()}, target, credentials_,
            [&step](const std::string& line) { step.Output(line); });
        NameKeptCopy(report_.recovery->tables, engineCopy.Path(), report_.keptCopy);
    } catch (const EInterrupted&) {
        throw;
    } catch (const std::exception& error) {
        step.Output(messages::kNotPutBack + messages::ReasonOf(error));
        step.End(1);
        return;
    }
    step.End(0);
}

std::string TLostDataSteps::Salvage(const std::string& target, const std::string& gbak) {
    TStep step(log_, TRepairStep::Salvage);
    noteFile_({target, "salvage"});
    TMadeFile made(tools_, target);
    try {
        const TTransientCopy source(tools_, report_.keptCopy, TransientPath("kurtarma"), prepare_);
        report_.salvage = tools_.SalvageDatabase(
            {report_.keptCopy, source.Path(), KeptCopyMended()}, target, credentials_, gbak,
            [&step](const std::string& line) { step.Output(line); });
        NameKeptCopy(report_.salvage->tables, source.Path(), report_.keptCopy);
        // The server must open the new database as it opened the old one.
        tools_.MatchOwnerAndMode(target, report_.keptCopy);
        report_.salvaged = target;
    } catch (const EInterrupted&) {
        throw;
    } catch (const std::exception& error) {
        step.Output(messages::kNotSalvaged + messages::ReasonOf(error));
        step.End(1);
        return messages::ReasonOf(error);
    }
    made.Keep();
    step.End(0);
    return {};
}

} // namespace onarim
