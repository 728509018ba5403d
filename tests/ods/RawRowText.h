#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ods/RawRow.h"

// Rows of the raw reader and of the engine brought to one text, so that a test compares them
// field by field: each value in a form both sides give exactly (text and blobs by their length
// and the engine's HASH of their bytes, floating point values as whole multiples of 1/1024).
namespace onarim::ods::testing {

enum class TShown {
    Number,     // CAST(x AS VARCHAR): 12.30 for a NUMERIC(9,2)
    Real,       // x * 1024 as a BIGINT
    Moment,     // DATE, TIME, TIMESTAMP as the engine casts them to text
    Boolean,    // TRUE, FALSE
    Bytes,      // length:hash of the stored bytes (VARCHAR, blob)
    PaddedText, // the same without trailing blanks (CHAR: the engine pads to characters)
};

struct TShownColumn {
    std::string name;
    TShown shown;
};

// The SQL expression of a row's text, for QueryText: the columns joined by '|', NULL as NULL.
std::string ShownSql(const std::vector<TShownColumn>& columns);
// The same text for a row read raw (blob values read with it). A column the row lacks, or a
// blob not read, shows as MISSING.
std::string ShownText(const TRawRow& row, const std::vector<TShownColumn>& columns);

} // namespace onarim::ods::testing
