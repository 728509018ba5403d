#pragma once

#include <functional>
#include <string>

#include "repair/ServerTools.h"
#include "repair/StepLog.h"

namespace onarim {

class TIBValidationService;

// How the validation component logs in: the parameter lines it is given, "user_name=" and
// "password=" for the first validation, their upper-case spellings for the second.
struct TValidationLogin {
    std::string userLine;
    std::string passwordLine;
    std::string password; // for a validation in a process of its own
};

// The validations of a run, through the service manager with the window's settings (mend,
// ignore checksums): in a process of its own (onarim-validate) when the run has that
// program, else by the service component in this process.
class TValidator {
public:
    TValidator(TIBValidationService& service, IServerTools& tools, TStepLog& log,
               std::string validatorProgram)
        : service_(service), tools_(tools), log_(log), program_(std::move(validatorProgram)) {}

    // One validation of `fileName` as `step`; returns its report, empty when the database is
    // sound. Today's servers report damage by failing the start with a summary of the errors;
    // a validation that fails on a damaged page says as much. Either is the report. Every
    // other error is raised as the component raises it. `began` is called once the validation
    // got past its attach, from when on the file may have been mended.
    std::string Validate(TRepairStep step, const TValidationLogin& login,
                         const std::string& fileName, const std::function<void()>& began);

private:
    std::string InThisProcess(TStep& step, const TValidationLogin& login,
                              const std::string& fileName, const std::function<void()>& began);
    std::string InChild(TStep& step, const std::string& password, const std::string& fileName,
                        const std::function<void()>& began);
    void ReadRestOfOutput(TStep& step);

    TIBValidationService& service_;
    IServerTools& tools_;
    TStepLog& log_;
    std::string program_;
};

// onarim-validate beside the running program, or, in the build tree, where the build put it;
// empty when there is none.
std::string ValidatorPath();

} // namespace onarim
