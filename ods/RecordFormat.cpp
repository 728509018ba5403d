#include "ods/RecordFormat.h"

#include <algorithm>
#include <string>

namespace onarim::ods {

namespace {

// The length each fixed-size type has in a record; 0 for text, whose length is declared.
std::optional<std::uint16_t> FixedLength(TFieldType type) {
    switch (type) {
    case TFieldType::Text:
    case TFieldType::Varying:
        return 0;
    case TFieldType::Byte:
    case TFieldType::Boolean:
        return 1;
    case TFieldType::Short:
        return 2;
    case TFieldType::Long:
    case TFieldType::Float:
    case TFieldType::Date:
    case TFieldType::Time:
        return 4;
    case TFieldType::Quad:
    case TFieldType::Double:
    case TFieldType::Timestamp:
    case TFieldType::Blob:
    case TFieldType::Array:
    case TFieldType::Int64:
    case TFieldType::DbKey:
        return 8;
    case TFieldType::Unused:
        break;
    }
    return std::nullopt;
}

[[noreturn]] void Refuse(std::uint8_t number, const std::string& what) {
    throw EOdsError("record format " + std::to_string(number) + ": " + what);
}

} // namespace

TFieldDescriptor TFieldDescriptor::Read(TBytes bytes) {
    RequireInside(bytes, 0, kSize);
    TFieldDescriptor descriptor;
    descriptor.type = static_cast<TFieldType>(bytes[0]);
    descriptor.scale = static_cast<std::int8_t>(bytes[1]);
    descriptor.length = Get16(bytes, 2);
    descriptor.subType = static_cast<std::int16_t>(Get16(bytes, 4));
    descriptor.flags = Get16(bytes, 6);
    descriptor.offset = Get32(bytes, 8);
    return descriptor;
}

std::uint8_t TFieldDescriptor::Charset() const {
    switch (type) {
    case TFieldType::Text:
    case TFieldType::Varying:
        return static_cast<std::uint8_t>(subType & 0xFF);
    case TFieldType::Blob:
        return subType == 1 ? static_cast<std::uint8_t>(scale) : 0;
    default:
        return 0;
    }
}

bool TFieldDescriptor::Sound() const {
    const std::optional<std::uint16_t> fixed = FixedLength(type);
    if (!fixed) {
        return false;
    }
    if (type == TFieldType::Text) {
        return length >= 1;
    }
    if (type == TFieldType::Varying) {
        return length >= 2;
    }
    return length == *fixed;
}

std::uint32_t TRecordFormat::NullBytes() const {
    return static_cast<std::uint32_t>((fields.size() + 31) / 32 * 4);
}

const TStoredDefault* TRecordFormat::DefaultOf(std::uint16_t fieldId) const {
    const auto found =
        std::find_if(defaults.begin(), defaults.end(),
                     [fieldId](const TStoredDefault& d) { return d.fieldId == fieldId; });
    return found == defaults.end() ? nullptr : &*found;
}

TRecordFormat ParseRecordFormat(TBytes descriptor, std::uint8_t number) {
    TRecordFormat format;
    format.number = number;
    if (descriptor.size() < 2) {
        Refuse(number, "a descriptor of " + std::to_string(descriptor.size()) + " bytes");
    }
    const std::uint16_t count = Get16(descriptor, 0);
    std::size_t at = 2;
    if (count * TFieldDescriptor::kSize > descriptor.size() - at) {
        Refuse(number, std::to_string(count) + " fields do not fit its " +
                           std::to_string(descriptor.size()) + " bytes");
    }
    format.fields.reserve(count);
    for (std::uint16_t id = 0; id < count; ++id, at += TFieldDescriptor::kSize) {
        TFieldDescriptor field = TFieldDescriptor::Read(descriptor.subspan(at));
        // A COMPUTED BY field has its descriptor in the format but no place in the record:
        // offset 0, which the null flags take in every stored record.
        if (field.Used() && field.offset == 0) {
            field = TFieldDescriptor{};
        }
        format.fields.push_back(field);
    }
    const std::uint32_t nullBytes = format.NullBytes();
    format.length = nullBytes;
    for (std::uint16_t id = 0; id < count; ++id) {
        const TFieldDescriptor& field = format.fields[id];
        if (!field.Used()) {
            continue;
        }
        const std::uint64_t end = static_cast<std::uint64_t>(field.offset) + field.length;
        if (!field.Sound() || field.offset < nullBytes || end > kMaxRecordLength) {
            Refuse(number, "field " + std::to_string(id) + " is no field Firebird 3 stores (type " +
                               std::to_string(static_cast<int>(field.type)) + ", length " +
                               std::to_string(field.length) + ", offset " +
                               std::to_string(field.offset) + ")");
        }
        format.length = std::max(format.length, static_cast<std::uint32_t>(end));
    }
    if (at + 2 > descriptor.size()) {
        Refuse(number, "no count of stored defaults");
    }
    const std::uint16_t defaults = Get16(descriptor, at);
    at += 2;
    for (std::uint16_t i = 0; i < defaults; ++i) {
        if (at + 2 + TFieldDescriptor::kSize > descriptor.size()) {
            Refuse(number, "stored default " + std::to_string(i) + " runs past its end");
        }
        TStoredDefault stored;
        stored.fieldId = Get16(descriptor, at);
        stored.descriptor = TFieldDescriptor::Read(descriptor.subspan(at + 2));
        at += 2 + TFieldDescriptor::kSize;
        if (stored.fieldId >= count || !format.fields[stored.fieldId].Used() ||
            !stored.descriptor.Sound() || stored.descriptor.offset != 0 ||
            stored.descriptor.length > descriptor.size() - at) {
            Refuse(number,
                   "stored default " + std::to_string(i) + " is for no field or runs past its end");
        }
        stored.value.assign(descriptor.begin() + static_cast<std::ptrdiff_t>(at),
                            descriptor.begin() +
                                static_cast<std::ptrdiff_t>(at + stored.descriptor.length));
        at += stored.descriptor.length;
        format.defaults.push_back(std::move(stored));
    }
    if (at != descriptor.size()) {
        Refuse(number, std::to_string(descriptor.size() - at) + " bytes after the stored defaults");
    }
    return format;
}

} // namespace onarim::ods
