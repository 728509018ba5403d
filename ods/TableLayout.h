#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ods/RawRow.h"
#include "ods/RecordFormat.h"

namespace onarim::ods {

// A field of a table's current format with the names RDB$RELATION_FIELDS gives it.
struct TRawField {
    std::uint16_t id = 0;
    std::string name;                       // empty when RDB$RELATION_FIELDS has no row for the id
    std::string source;                     // the domain, RDB$FIELD_SOURCE
    TFieldDescriptor descriptor;            // as the current format stores it
    std::optional<TRawValue> storedDefault; // what records of older formats read for it
    bool defaultUnreadable = false;         // the format stores one that is no value
};

// What it takes to decode a table's records: its formats by number and the fields of its
// current format. A format whose descriptor could not be read is missing; records stored in
// it cannot be decoded.
struct TTableLayout {
    std::uint16_t relation = 0;
    std::string name;
    std::uint8_t currentFormat = 0;
    std::vector<std::optional<TRecordFormat>> formats; // 256 slots, by format number
    std::vector<TRawField> fields; // the used fields of the current format, by id

    const TRecordFormat* Format(std::uint8_t number) const;
};

// Builds the fields of `layout` from its current format (the highest format read when the
// current one is missing) and `names` (field id, name, source), decoding the current format's
// stored defaults. A default that is no value of its type marks its field: records of older
// formats cannot be read (nothing tells what they hold there). Returns the problems met.
std::vector<std::string> CompleteTableLayout(TTableLayout& layout,
                                             const std::vector<TRawField>& names);

// Decodes `record`, stored in `format`, into one value per field of `layout` (fields is resized
// to match). A field the format lacks reads its stored default or NULL (the record is refused
// when that default could not be read). Every used, non-NULL field of the format is checked,
// also one dropped since. Returns an empty string, or why the record is no row of its format:
// a length other than the format's, or a field that breaks its type (see DecodeFieldValue).
std::string DecodeRecord(const TTableLayout& layout, const TRecordFormat& format, TBytes record,
                         std::vector<TRawValue>& fields);

} // namespace onarim::ods
