#pragma once

#include <string>

#include "trace/TraceFlags.h"

namespace onarim {

// One trace message, queued by the hook's writer or received by a monitor: the text, its trace
// kind and the local date and time it was made, as a day count (platform/DayCount.h). Copying
// copies all three.
struct TTraceObject {
    std::string text;
    TTraceFlag kind = TTraceFlag::tfMisc;
    double timeStamp = 0.0;

    // A message made now.
    static TTraceObject Now(std::string text, TTraceFlag kind);
};

// The name of a trace kind as in TTraceFlag ("tfService"); "?" for a value outside it.
const char* TraceFlagName(TTraceFlag kind);

} // namespace onarim
