#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ods/Bytes.h"
#include "ods/RecordFormat.h"

namespace onarim::ods {

// Where a blob lies: the record number of its header among the records of the relation that
// stores it (no +1, unlike RDB$DB_KEY). All zero: an empty value with no blob record.
struct TBlobId {
    std::uint16_t relation = 0;
    std::uint64_t recordNumber = 0; // 40 bits

    // The 8 bytes a record holds: u16 relation, a zero byte, bits 32-39, then bits 0-31.
    static TBlobId Read(TBytes bytes);
    bool Empty() const { return relation == 0 && recordNumber == 0; }
    bool operator==(const TBlobId&) const = default;
};

// One field of a row, as stored: decoded by the descriptor of the record's own format (or of
// the stored default), which the SQL layer converts to the column's type as it would a
// parameter.
struct TRawValue {
    std::uint16_t fieldId = 0;
    std::string_view name; // RDB$RELATION_FIELDS.RDB$FIELD_NAME without padding; empty if unknown
    TFieldDescriptor descriptor;
    bool null = true;
    bool fromDefault = false; // the record's format predates the field: its stored default

    // Byte, Short, Long, Int64 (the value is integer * 10^scale), Boolean (0 or 1).
    std::int64_t integer = 0;
    double real = 0;        // Float, Double
    std::int32_t date = 0;  // Date, Timestamp: days since 1858-11-17
    std::uint32_t time = 0; // Time, Timestamp: 1/10000 s since midnight
    // Text: the stored bytes, padding included; Varying: the bytes its length word counts;
    // Quad, DbKey: the 8 stored bytes; Blob, Array: the value when it was read with the row.
    std::string bytes;
    TBlobId blob;            // Blob, Array
    bool blobRead = false;   // `bytes` holds the blob's value
    std::string blobProblem; // why the blob's value could not be read (then `bytes` is empty)

    // Clears what decoding fills in (all but the descriptor, null and fromDefault).
    void ClearDecoded() {
        integer = 0;
        real = 0;
        date = 0;
        time = 0;
        bytes.clear();
        blob = {};
        blobRead = false;
        blobProblem.clear();
    }

    TFieldType Type() const { return descriptor.type; }
    int Scale() const { return descriptor.type == TFieldType::Blob ? 0 : descriptor.scale; }
    std::uint8_t Charset() const { return descriptor.Charset(); }
};

// A row of a table read from its pages: the newest committed version of one record.
struct TRawRow {
    std::uint32_t page = 0; // of its primary version
    std::uint16_t line = 0;
    // Data page sequence * records per data page + line; RDB$DB_KEY holds it plus one.
    std::uint64_t recordNumber = 0;
    std::uint8_t format = 0;       // the format the record was stored in
    std::vector<TRawValue> fields; // the table's fields, by field id

    // The field named `name`, nullptr when the table has none of that name.
    const TRawValue* Find(std::string_view name) const;
};

} // namespace onarim::ods
