#include "trace/TraceObject.h"

#include <array>

#include "trace/DayCount.h"

namespace onarim {

TTraceObject TTraceObject::Now(std::string text, TTraceFlag kind) {
    return TTraceObject{std::move(text), kind, DayCountNow()};
}

const char* TraceFlagName(TTraceFlag kind) {
    static constexpr std::array<const char*, 10> names = {
        "tfQPrepare", "tfQExecute", "tfQFetch", "tfError",   "tfStmt",
        "tfConnect",  "tfTransact", "tfBlob",   "tfService", "tfMisc",
    };
    const auto ordinal = static_cast<std::size_t>(kind);
    return ordinal < names.size() ? names[ordinal] : "?";
}

} // namespace onarim
