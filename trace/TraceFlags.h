#pragma once

#include <cstdint>

#include "platform/EnumSet.h"

namespace onarim {

// The kinds of event a trace monitor can be told about, in bit order.
enum class TTraceFlag : std::uint8_t {
    tfQPrepare = 0,
    tfQExecute = 1,
    tfQFetch = 2,
    tfError = 3,
    tfStmt = 4,
    tfConnect = 5,
    tfTransact = 6,
    tfBlob = 7,
    tfService = 8,
    tfMisc = 9,
};

// A set of TTraceFlag, stored as 16 bits: bit n for ordinal n (all ten flags: 1023).
using TTraceFlags = EnumSet<TTraceFlag, std::uint16_t, 10>;

} // namespace onarim
