#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "ods/Bytes.h"

namespace onarim::ods {

// Data types of fields as record formats name them (dtype).
enum class TFieldType : std::uint8_t {
    Unused = 0,  // a field id whose column was dropped
    Text = 1,    // CHAR: fixed length, padded
    Varying = 3, // VARCHAR: u16 byte length, then the bytes
    Byte = 7,
    Short = 8,
    Long = 9,
    Quad = 10,
    Float = 11,
    Double = 12,
    Date = 14,
    Time = 15,
    Timestamp = 16,
    Blob = 17,
    Array = 18,
    Int64 = 19,
    DbKey = 20,
    Boolean = 21,
};

// Character sets the decoder knows by id.
inline constexpr std::uint8_t kCharsetNone = 0;
inline constexpr std::uint8_t kCharsetOctets = 1;
inline constexpr std::uint8_t kCharsetUtf8 = 4;

// How one field is stored: a 12-byte descriptor of RDB$FORMATS.RDB$DESCRIPTOR.
struct TFieldDescriptor {
    static constexpr std::size_t kSize = 12;

    TFieldType type = TFieldType::Unused;
    std::int8_t scale = 0;    // exact numerics: power of ten; text blobs: character set
    std::uint16_t length = 0; // bytes in the record (VARCHAR: 2 + the most bytes)
    std::int16_t subType = 0; // text: character set + 256 * collation; blobs: blob sub-type
    std::uint16_t flags = 0;
    std::uint32_t offset = 0; // from the start of the uncompressed record

    // Raises EOdsError when `bytes` is shorter than a descriptor.
    static TFieldDescriptor Read(TBytes bytes);

    bool Used() const { return type != TFieldType::Unused; }
    // The character set of text and text blobs, 0 for other types.
    std::uint8_t Charset() const;
    // The descriptor is one of a type Firebird 3 stores, with that type's length.
    bool Sound() const;
};

// A value a format stores for a field that records of older formats lack: what the engine
// gives those records for it (a NOT NULL column added with a default). It is stored with the
// type of the default's own expression, which may differ from the field's.
struct TStoredDefault {
    std::uint16_t fieldId = 0;
    TFieldDescriptor descriptor; // offset 0 into `value`
    std::vector<std::uint8_t> value;
};

// One record format of a relation, as RDB$FORMATS describes it.
struct TRecordFormat {
    std::uint8_t number = 0;
    std::vector<TFieldDescriptor> fields; // by field id
    std::vector<TStoredDefault> defaults;
    std::uint32_t length = 0; // bytes of an uncompressed record: the end of its last field

    // Bytes of the null bitmap that begins every record: one bit per field id, in words of 32.
    std::uint32_t NullBytes() const;
    // The default for `fieldId`, nullptr when the format stores none.
    const TStoredDefault* DefaultOf(std::uint16_t fieldId) const;
};

// The largest record Firebird 3 stores.
inline constexpr std::uint32_t kMaxRecordLength = 65535;

// Decodes the descriptor blob of format `number`: u16 field count, a descriptor per field id,
// u16 count of stored defaults, each a u16 field id, a descriptor and the value's bytes.
// Raises EOdsError when the blob does not hold exactly that, a used descriptor is not one of
// a type Firebird 3 stores, or a field overlaps the null bitmap or ends past the largest record.
TRecordFormat ParseRecordFormat(TBytes descriptor, std::uint8_t number);

} // namespace onarim::ods
