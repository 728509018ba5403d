#include "ods/FieldDecoder.h"

#include <cmath>
#include <cstring>
#include <optional>

#include "ods/TextValidity.h"

namespace onarim::ods {

namespace {

// Bytes per character the UTF8 character set reserves for a declared length.
constexpr std::size_t kUtf8BytesPerCharacter = 4;

std::string CheckUtf8(TBytes text, std::size_t declaredBytes) {
    // CHAR values are padded with blanks up to the bytes of the declared length; the padding
    // does not count among the characters the declaration allows.
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ') {
        --end;
    }
    const std::optional<std::size_t> characters = Utf8Characters(text.first(end));
    if (!characters) {
        return "text that is not UTF-8 in a UTF8 field";
    }
    if (*characters > declaredBytes / kUtf8BytesPerCharacter) {
        return std::to_string(*characters) + " characters where " +
               std::to_string(declaredBytes / kUtf8BytesPerCharacter) + " are declared";
    }
    return {};
}

std::string CheckDate(std::int32_t date) {
    if (date < kFirstDate || date > kLastDate) {
        return "a date " + std::to_string(date) +
               " days from 1858-11-17, outside 0001-01-01 to 9999-12-31";
    }
    return {};
}

std::string CheckTime(std::uint32_t time) {
    if (time >= kTimeUnitsPerDay) {
        return "a time of " + std::to_string(time) + " ten-thousandths of a second, past midnight";
    }
    return {};
}

std::string CheckReal(double real) {
    if (!std::isfinite(real)) {
        return "a floating point value that is not a finite number";
    }
    return {};
}

} // namespace

std::string DecodeFieldValue(const TFieldDescriptor& descriptor, TBytes record,
                             std::uint16_t relation, TRawValue& value) {
    value.ClearDecoded();
    const TBytes field = record.subspan(descriptor.offset, descriptor.length);
    switch (descriptor.type) {
    case TFieldType::Text:
        value.bytes.assign(field.begin(), field.end());
        return descriptor.Charset() == kCharsetUtf8 ? CheckUtf8(field, field.size())
                                                    : std::string();
    case TFieldType::Varying: {
        const std::uint16_t length = Get16(field, 0);
        if (length > field.size() - 2) {
            return "a VARCHAR of " + std::to_string(length) + " bytes where " +
                   std::to_string(field.size() - 2) + " are declared";
        }
        const TBytes text = field.subspan(2, length);
        value.bytes.assign(text.begin(), text.end());
        if (descriptor.Charset() != kCharsetUtf8) {
            return {};
        }
        // Unlike CHAR, trailing blanks of a VARCHAR are characters of its own.
        const std::optional<std::size_t> characters = Utf8Characters(text);
        if (!characters) {
            return "text that is not UTF-8 in a UTF8 field";
        }
        if (*characters > (field.size() - 2) / kUtf8BytesPerCharacter) {
            return std::to_string(*characters) + " characters where " +
                   std::to_string((field.size() - 2) / kUtf8BytesPerCharacter) + " are declared";
        }
        return {};
    }
    case TFieldType::Byte:
        value.integer = static_cast<std::int8_t>(field[0]);
        return {};
    case TFieldType::Short:
        value.integer = static_cast<std::int16_t>(Get16(field, 0));
        return {};
    case TFieldType::Long:
        value.integer = static_cast<std::int32_t>(Get32(field, 0));
        return {};
    case TFieldType::Int64:
        value.integer = static_cast<std::int64_t>(Get64(field, 0));
        return {};
    case TFieldType::Float: {
        float real = 0;
        const std::uint32_t bits = Get32(field, 0);
        std::memcpy(&real, &bits, sizeof real);
        value.real = real;
        return CheckReal(value.real);
    }
    case TFieldType::Double: {
        const std::uint64_t bits = Get64(field, 0);
        std::memcpy(&value.real, &bits, sizeof value.real);
        return CheckReal(value.real);
    }
    case TFieldType::Date:
        value.date = static_cast<std::int32_t>(Get32(field, 0));
        return CheckDate(value.date);
    case TFieldType::Time:
        value.time = Get32(field, 0);
        return CheckTime(value.time);
    case TFieldType::Timestamp: {
        value.date = static_cast<std::int32_t>(Get32(field, 0));
        value.time = Get32(field, 4);
        std::string problem = CheckDate(value.date);
        return problem.empty() ? CheckTime(value.time) : problem;
    }
    case TFieldType::Boolean:
        value.integer = field[0];
        if (field[0] > 1) {
            return "a BOOLEAN of " + std::to_string(field[0]);
        }
        return {};
    case TFieldType::Blob:
    case TFieldType::Array:
        value.blob = TBlobId::Read(field);
        if (field[2] != 0 || (!value.blob.Empty() && value.blob.relation != relation)) {
            return "a blob id of relation " + std::to_string(value.blob.relation) +
                   (field[2] != 0 ? " with a reserved byte set" : "");
        }
        return {};
    case TFieldType::Quad:
    case TFieldType::DbKey:
        value.bytes.assign(field.begin(), field.end());
        return {};
    case TFieldType::Unused:
        break;
    }
    return "a field of no type";
}

} // namespace onarim::ods
