#include "repair/PageCheckStep.h"

#include "repair/RepairMessages.h"
#include "ods/OdsError.h"

namespace onarim {

namespace {

void Record(TStep& step, TRepairReport& report, const ods::TPageCheck& check) {
    for (const ods::TPageMend& mend : check.mends) {
        report.pageMends.push_back({mend.page, mend.was, mend.written, mend.reason});
    }
    for (const ods::TPointerPageRebuild& rebuild : check.rebuilds) {
        report.pageMends.push_back({rebuild.page, messages::kUnreadablePointerPage,
                                    messages::RebuiltPointerPage(rebuild.relation,
                                                                 rebuild.sequence,
                                                                 rebuild.dataPages),
                                    rebuild.reason});
    }
    for (const TPageMendRecord& mend : report.pageMends) {
        step.Output(messages::PageMendLine(mend.page, mend.was, mend.written, mend.reason));
    }
}

} // namespace

TPageCheckResult CheckAndMendPages(IServerTools& tools, TStepLog& log, TRepairReport& report,
                                   const std::string& database, bool mayWrite) {
    TStep step(log, TRepairStep::PageCheck);
    TPageCheckResult result;
    ods::TPageCheck check;
    try {
        check = tools.CheckPages(database);
    } catch (const ods::EOdsError& error) {
        step.Output(messages::PagesNotRead(error.what()));
        step.End(1);
        return result;
    }
    if (!check.refusal.empty()) {
        report.pageCheckRefusal = check.refusal;
        step.Output(messages::PagesNotJudged(check.refusal));
    }
    for (const ods::TPageProblem& problem : check.problems) {
        report.pageProblems.push_back(messages::PageLeftAlone(problem.page, problem.text));
        step.Output(report.pageProblems.back());
    }
    result.toWrite = check.mends.size() + check.rebuilds.size();
    if (result.toWrite == 0) {
        step.End(check.problems.empty() ? 0 : 1);
        return result;
    }
    if (!mayWrite) {
        step.Output(messages::PagesNeedACopy(result.toWrite));
        step.End(1);
        return result;
    }
    if (tools.FileOpenElsewhere(database)) {
        result.heldElsewhere = true;
        step.End(1);
        return result;
    }
    try {
        tools.ApplyPageMends(database, check);
    } catch (const ods::EOdsError& error) {
        step.Output(messages::PagesNotWritten(error.what()));
        step.End(1);
        return result;
    }
    Record(step, report, check);
    result.written = result.toWrite;
    result.mends = std::move(check);
    step.End(0);
    return result;
}

} // namespace onarim
