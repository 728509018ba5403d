#pragma once

#include <cstdint>
#include <string>

#include "ods/Bytes.h"
#include "ods/RawRow.h"
#include "ods/RecordFormat.h"

namespace onarim::ods {

// The dates Firebird 3 takes, 0001-01-01 to 9999-12-31, in days since 1858-11-17.
inline constexpr std::int32_t kFirstDate = -678575;
inline constexpr std::int32_t kLastDate = 2973483;
// 24 hours in the 1/10000 s of a TIME.
inline constexpr std::uint32_t kTimeUnitsPerDay = 864000000;

// Decodes the value `descriptor` places in `record` into `value`'s value members (integer,
// real, date, time, bytes, blob), after clearing them. `relation` is the relation whose blob
// ids the field may hold. Returns an empty string, or why the stored bytes are no value of the
// type, which the engine would never have written: a date or time out of range, a VARCHAR
// longer than declared, text that is not UTF-8 in a UTF8 field or has more characters than
// declared, a BOOLEAN other than 0 or 1, a FLOAT or DOUBLE that is not a number or infinite,
// a blob id of another relation. The descriptor must be Sound() and lie inside `record`.
std::string DecodeFieldValue(const TFieldDescriptor& descriptor, TBytes record,
                             std::uint16_t relation, TRawValue& value);

} // namespace onarim::ods
