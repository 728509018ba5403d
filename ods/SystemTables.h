#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ods/Bytes.h"
#include "ods/RawRow.h"

// The records of the system tables that name things, read without the engine. System tables
// have no RDB$FORMATS rows: their records are format 0, laid out by the engine's built-in
// field list (null bitmap, then each field aligned to its size, text to 1, VARCHAR to 2). The
// lengths and offsets below are those of Firebird 3.0 (ODS 12.0), worked out from records of
// real databases and checked against what isql shows for them.
namespace onarim::ods {

inline constexpr std::uint16_t kRelationFieldsRelation = 5; // RDB$RELATION_FIELDS
inline constexpr std::uint16_t kRelationsRelation = 6;      // RDB$RELATIONS
inline constexpr std::uint16_t kFormatsRelation = 8;        // RDB$FORMATS

inline constexpr std::uint32_t kRelationFieldsRecordLength = 444;
inline constexpr std::uint32_t kRelationsRecordLength = 450;
inline constexpr std::uint32_t kFormatsRecordLength = 16;

// RDB$RELATIONS: RDB$RELATION_ID (field 3) i16 @32, RDB$FORMAT (6) i16 @38, RDB$RELATION_NAME
// (8) CHAR(31) @42.
struct TRelationsRow {
    std::uint16_t relation = 0;
    std::uint8_t format = 0; // the current format
    std::string name;        // without the padding
};

// RDB$RELATION_FIELDS: RDB$FIELD_NAME (0) CHAR(31) @4, RDB$RELATION_NAME (1) @35,
// RDB$FIELD_SOURCE (2) @66, RDB$FIELD_ID (9) i16 @306.
struct TRelationFieldsRow {
    std::string field;
    std::string relation;
    std::string source;
    std::uint16_t fieldId = 0;
};

// RDB$FORMATS: RDB$RELATION_ID (0) i16 @4, RDB$FORMAT (1) i16 @6, RDB$DESCRIPTOR (2) blob @8.
struct TFormatsRow {
    std::uint16_t relation = 0;
    std::uint8_t format = 0;
    TBlobId descriptor;
};

// Each decodes an uncompressed format-0 record; nullopt when its length is not the layout's,
// a field it needs is NULL, or a number is out of range.
std::optional<TRelationsRow> DecodeRelationsRow(TBytes record);
std::optional<TRelationFieldsRow> DecodeRelationFieldsRow(TBytes record);
std::optional<TFormatsRow> DecodeFormatsRow(TBytes record);

} // namespace onarim::ods
