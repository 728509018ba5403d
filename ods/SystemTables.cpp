#include "ods/SystemTables.h"

#include <initializer_list>

namespace onarim::ods {

namespace {

constexpr std::size_t kNameLength = 31;

bool AnyNull(TBytes record, std::initializer_list<int> fields) {
    for (const int field : fields) {
        if ((record[field / 8] >> (field % 8) & 1) != 0) {
            return true;
        }
    }
    return false;
}

std::string Name(TBytes record, std::size_t offset) {
    RequireInside(record, offset, kNameLength);
    std::string name(reinterpret_cast<const char*>(record.data() + offset), kNameLength);
    name.erase(name.find_last_not_of(' ') + 1);
    return name;
}

std::optional<std::uint16_t> SmallNumber(TBytes record, std::size_t offset, int most) {
    const auto value = static_cast<std::int16_t>(Get16(record, offset));
    if (value < 0 || value > most) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

} // namespace

std::optional<TRelationsRow> DecodeRelationsRow(TBytes record) {
    if (record.size() != kRelationsRecordLength || AnyNull(record, {3, 6, 8})) {
        return std::nullopt;
    }
    const auto relation = SmallNumber(record, 32, INT16_MAX);
    const auto format = SmallNumber(record, 38, UINT8_MAX);
    if (!relation || !format) {
        return std::nullopt;
    }
    return TRelationsRow{*relation, static_cast<std::uint8_t>(*format), Name(record, 42)};
}

std::optional<TRelationFieldsRow> DecodeRelationFieldsRow(TBytes record) {
    if (record.size() != kRelationFieldsRecordLength || AnyNull(record, {0, 1, 2, 9})) {
        return std::nullopt;
    }
    const auto fieldId = SmallNumber(record, 306, INT16_MAX);
    if (!fieldId) {
        return std::nullopt;
    }
    return TRelationFieldsRow{Name(record, 4), Name(record, 35), Name(record, 66), *fieldId};
}

std::optional<TFormatsRow> DecodeFormatsRow(TBytes record) {
    if (record.size() != kFormatsRecordLength || AnyNull(record, {0, 1, 2})) {
        return std::nullopt;
    }
    const auto relation = SmallNumber(record, 4, INT16_MAX);
    const auto format = SmallNumber(record, 6, UINT8_MAX);
    if (!relation || !format) {
        return std::nullopt;
    }
    return TFormatsRow{*relation, static_cast<std::uint8_t>(*format),
                       TBlobId::Read(record.subspan(8))};
}

} // namespace onarim::ods
