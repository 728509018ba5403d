#include "cli/CheckResult.h"

namespace onarim {

namespace {

int Severity(TCheckStatus status) {
    switch (status) {
    case TCheckStatus::Ok: return 0;
    case TCheckStatus::Unknown: return 1;
    case TCheckStatus::Warning: return 2;
    case TCheckStatus::Critical: return 3;
    }
    return 1;
}

} // namespace

TCheckStatus TCheckResult::Status() const {
    TCheckStatus worst = TCheckStatus::Ok;
    for (const TCheckFinding& finding : findings) {
        if (Severity(finding.level) > Severity(worst)) {
            worst = finding.level;
        }
    }
    return worst;
}

std::optional<std::int64_t> TCheckResult::TransactionGap() const {
    if (!facts || !facts->nextTransaction || !facts->oldestTransaction) {
        return std::nullopt;
    }
    return *facts->nextTransaction - *facts->oldestTransaction;
}

const char* StatusWord(TCheckStatus status) {
    switch (status) {
    case TCheckStatus::Ok: return "OK";
    case TCheckStatus::Warning: return "WARNING";
    case TCheckStatus::Critical: return "CRITICAL";
    case TCheckStatus::Unknown: return "UNKNOWN";
    }
    return "UNKNOWN";
}

int CheckExitStatus(TCheckStatus status) { return static_cast<int>(status); }

} // namespace onarim
