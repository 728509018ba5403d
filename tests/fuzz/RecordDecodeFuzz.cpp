// Decodes any bytes as a record of a format made from the input: a format descriptor (most
// often a sound one built from the input's choices, sometimes the bytes as they come), then
// compressed record data, then a difference applied to the record, then blob segments.
//
// Properties:
// - nothing raises but EOdsError from the descriptor parser and the decompression;
// - a record the decoder takes holds no value outside its type: dates from 0001-01-01 to
//   9999-12-31, times before midnight, BOOLEAN 0 or 1, finite FLOAT and DOUBLE, VARCHARs no
//   longer than declared, UTF8 text well-formed with no more characters than declared, blob
//   ids of the table's relation;
// - a difference that is taken makes a record of exactly the length asked for;
// - joined segments are exactly as long as the header says.

#include <cmath>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "ods/BlobReader.h"
#include "ods/Decompression.h"
#include "ods/FieldDecoder.h"
#include "ods/TableLayout.h"
#include "ods/TextValidity.h"
#include "ods/VersionWalker.h"

namespace onarim {
namespace {

using fuzz::Check;
using fuzz::FuzzInput;
using ods::TFieldType;

constexpr std::uint16_t kRelation = 128;

// The types a field may have, with their lengths in a record (0: chosen, for text).
struct TChoice {
    TFieldType type;
    std::uint16_t length;
};
constexpr TChoice kTypes[] = {
    {TFieldType::Text, 0},    {TFieldType::Varying, 0},   {TFieldType::Byte, 1},
    {TFieldType::Short, 2},   {TFieldType::Long, 4},      {TFieldType::Quad, 8},
    {TFieldType::Float, 4},   {TFieldType::Double, 8},    {TFieldType::Date, 4},
    {TFieldType::Time, 4},    {TFieldType::Timestamp, 8}, {TFieldType::Blob, 8},
    {TFieldType::Array, 8},   {TFieldType::Int64, 8},     {TFieldType::DbKey, 8},
    {TFieldType::Boolean, 1}, {TFieldType::Unused, 0}};

void Put16(std::vector<std::uint8_t>& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

// A descriptor blob whose fields the input chooses, laid out one after another.
std::vector<std::uint8_t> ChosenDescriptor(FuzzInput& input) {
    const int count = input.Byte() % 12 + 1;
    std::vector<std::uint8_t> bytes;
    Put16(bytes, static_cast<std::uint16_t>(count));
    std::uint32_t offset = (count + 31) / 32 * 4;
    for (int id = 0; id < count; ++id) {
        const auto [type, fixed] = kTypes[input.Byte() % std::size(kTypes)];
        const std::uint8_t choice = input.Byte();
        const std::uint16_t length = type == TFieldType::Text      ? choice % 16 + 1
                                     : type == TFieldType::Varying ? choice % 16 + 2
                                                                   : fixed;
        const std::int16_t subType = (choice & 0x80) != 0 ? ods::kCharsetUtf8 : choice % 3;
        bytes.push_back(static_cast<std::uint8_t>(type));
        bytes.push_back(static_cast<std::uint8_t>(choice % 5));
        Put16(bytes, length);
        Put16(bytes, static_cast<std::uint16_t>(subType));
        Put16(bytes, 0);
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(
                static_cast<std::uint8_t>(type == TFieldType::Unused ? 0 : offset >> shift));
        }
        offset += length;
    }
    Put16(bytes, 0);
    return bytes;
}

void CheckText(const ods::TFieldDescriptor& descriptor, const std::string& bytes,
               std::size_t declared) {
    Check(bytes.size() <= declared, "text no longer than declared");
    if (descriptor.Charset() != ods::kCharsetUtf8) {
        return;
    }
    std::string_view text = bytes;
    while (descriptor.type == TFieldType::Text && !text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    const auto characters = ods::Utf8Characters(
        ods::TBytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    Check(characters.has_value(), "UTF8 text is well-formed");
    Check(*characters <= declared / 4, "UTF8 text has no more characters than declared");
}

void CheckValue(const ods::TRawValue& value) {
    const ods::TFieldDescriptor& descriptor = value.descriptor;
    switch (descriptor.type) {
    case TFieldType::Date:
    case TFieldType::Timestamp:
        Check(value.date >= ods::kFirstDate && value.date <= ods::kLastDate, "a date in range");
        if (descriptor.type == TFieldType::Date) {
            break;
        }
        [[fallthrough]];
    case TFieldType::Time:
        Check(value.time < ods::kTimeUnitsPerDay, "a time before midnight");
        break;
    case TFieldType::Boolean:
        Check(value.integer == 0 || value.integer == 1, "a BOOLEAN of 0 or 1");
        break;
    case TFieldType::Float:
    case TFieldType::Double:
        Check(std::isfinite(value.real), "a finite floating point value");
        break;
    case TFieldType::Varying:
        CheckText(descriptor, value.bytes, descriptor.length - 2u);
        break;
    case TFieldType::Text:
        Check(value.bytes.size() == descriptor.length, "CHAR of its declared bytes");
        CheckText(descriptor, value.bytes, descriptor.length);
        break;
    case TFieldType::Blob:
    case TFieldType::Array:
        Check(value.blob.Empty() || value.blob.relation == kRelation, "a blob id of the table");
        break;
    default:
        break;
    }
}

void DecodeRecord(FuzzInput& input) {
    const bool chosen = input.Byte() % 8 != 0;
    std::vector<std::uint8_t> descriptor;
    if (chosen) {
        descriptor = ChosenDescriptor(input);
    } else {
        const std::string bytes = input.Bytes(input.Byte());
        descriptor.assign(bytes.begin(), bytes.end());
    }
    ods::TTableLayout layout;
    layout.relation = kRelation;
    layout.formats.resize(256);
    try {
        layout.formats[1] = ods::ParseRecordFormat(descriptor, 1);
    } catch (const ods::EOdsError&) {
        return;
    }
    layout.currentFormat = 1;
    ods::CompleteTableLayout(layout, {});
    const ods::TRecordFormat& format = *layout.formats[1];

    const std::string packed = input.Bytes(input.Uint16());
    std::vector<std::uint8_t> record;
    try {
        ods::DecompressInto(
            ods::TBytes(reinterpret_cast<const std::uint8_t*>(packed.data()), packed.size()),
            format.length, record);
    } catch (const ods::EOdsError&) {
        return;
    }
    Check(record.size() <= format.length, "decompression keeps to its limit");
    std::vector<ods::TRawValue> fields;
    if (ods::DecodeRecord(layout, format, record, fields).empty()) {
        Check(record.size() == format.length, "a record taken is of its format's length");
        for (const ods::TRawValue& value : fields) {
            if (!value.null) {
                CheckValue(value);
            }
        }
    }

    const std::uint32_t length = input.Uint16() % 512;
    const std::string difference = input.Bytes(input.Byte());
    std::vector<std::uint8_t> older;
    if (ods::ApplyDifference(record,
                             ods::TBytes(reinterpret_cast<const std::uint8_t*>(difference.data()),
                                         difference.size()),
                             length, older)
            .empty()) {
        Check(older.size() == length, "a difference taken makes the length asked for");
    }

    const std::uint32_t count = input.Byte();
    const std::uint32_t total = input.Uint16();
    const std::uint16_t longest = input.Uint16();
    const std::string_view stream = input.Rest();
    std::string value;
    if (ods::JoinSegments(
            ods::TBytes(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size()), count,
            total, longest, value)
            .empty()) {
        Check(value.size() == total, "joined segments are as long as the header says");
    }
}

} // namespace
} // namespace onarim

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    onarim::fuzz::FuzzInput input(data, size);
    try {
        onarim::DecodeRecord(input);
    } catch (const std::exception& error) {
        onarim::fuzz::Unexpected(error.what());
    }
    return 0;
}
