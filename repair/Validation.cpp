#include "repair/Validation.h"

#include "platform/Exception.h"
#include "platform/Files.h"
#include "repair/DamageErrors.h"
#include "repair/RepairMessages.h"
#include "repair/ToolSteps.h"
#include "repair/ValidatorProtocol.h"
#include "services/IBValidationService.h"

namespace onarim {

namespace {

constexpr const char* kSummaryOfErrors = "Summary of validation errors";

} // namespace

std::string ValidatorPath() {
#ifdef ONARIM_BUILD_VALIDATOR
    return ProgramBesideThisOne("onarim-validate", ONARIM_BUILD_VALIDATOR);
#else
    return ProgramBesideThisOne("onarim-validate", "");
#endif
}

std::string TValidator::Validate(TRepairStep step, const TValidationLogin& login,
                                 const std::string& fileName, const std::function<void()>& began) {
    TStep running(log_, step);
    const std::string report = program_.empty() ? InThisProcess(running, login, fileName, began)
                                                : InChild(running, login.password, fileName, began);
    running.End(report.empty() ? 0 : 1);
    return report;
}

std::string TValidator::InThisProcess(TStep& step, const TValidationLogin& login,
                                      const std::string& fileName,
                                      const std::function<void()>& began) {
    service_.SetActive(false);
    service_.Params().Add(login.userLine);
    service_.Params().Add(login.passwordLine);
    service_.SetDatabaseName(fileName);
    service_.SetActive(true);
    began();
    std::string report;
    try {
        service_.ServiceStart();
        report = service_.ReadOutputLine();
    } catch (const EIBInterBaseError& error) {
        if (!IsDamageReport(error, DeclaresEncryption(fileName))) {
            throw;
        }
        report = error.Message().empty() ? kSummaryOfErrors : error.Message();
    }
    step.Output(report);
    ReadRestOfOutput(step);
    return report;
}

// The same validation run by onarim-validate, so that what the engine keeps open after a
// validation that failed part-way goes with that process. Errors are raised as the component
// raises them.
std::string TValidator::InChild(TStep& step, const std::string& password,
                                const std::string& fileName, const std::function<void()>& began) {
    std::vector<std::string> lines;
    const int status = tools_.RunTool(QuotedPath(program_) + " " + QuotedPath(fileName),
                                      CredentialEnvironment({kSysdba, password}),
                                      [&lines](const std::string& line) { lines.push_back(line); });
    if (status != kValidatorAttachError) {
        began();
    }
    if (status == kValidatorServiceError || status == kValidatorAttachError) {
        if (auto error = ErrorFromValidatorOutput(lines)) {
            throw *error;
        }
    }
    if (status != kValidatorRan && status != kValidatorDamage) {
        const std::string message = JoinLines(lines.begin(), lines.end());
        throw Exception(messages::ValidationNotRun(program_, status, message));
    }
    if (status == kValidatorDamage) {
        const std::string report = JoinLines(lines.begin(), lines.end());
        step.Output(report.empty() ? kSummaryOfErrors : report);
        return report.empty() ? kSummaryOfErrors : report;
    }
    const std::string report = lines.empty() ? std::string() : lines.front();
    step.Output(report);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        step.Output(lines[i]);
    }
    return report;
}

// The lines the validation gave after its report, for the details of the closing message. A
// report that came from a failed start is complete (the service is then detached).
void TValidator::ReadRestOfOutput(TStep& step) {
    try {
        while (service_.Active() && !service_.OutputEnded()) {
            const std::string line = service_.ReadOutputLine();
            if (!line.empty()) {
                step.Output(line);
            }
        }
    } catch (const Exception& error) {
        // The rest of the output is extra; the repair goes on without it.
        step.Output(messages::RestOfReportUnreadable(error.what()));
    }
}

} // namespace onarim
