#include "ods/PagesRelation.h"

namespace onarim::ods {

std::optional<TPagesRow> DecodePagesRow(TBytes record) {
    if (record.size() != kPagesRecordLength || (record[0] & 0x0F) != 0) {
        return std::nullopt;
    }
    const auto page = static_cast<std::int32_t>(Get32(record, 4));
    const auto relation = static_cast<std::int16_t>(Get16(record, 8));
    const auto sequence = static_cast<std::int32_t>(Get32(record, 12));
    const auto type = static_cast<std::int16_t>(Get16(record, 16));
    if (page < 0 || relation < 0 || sequence < 0 || type < 0) {
        return std::nullopt;
    }
    return TPagesRow{static_cast<std::uint32_t>(page), static_cast<std::uint16_t>(relation),
                     static_cast<std::uint32_t>(sequence), static_cast<std::uint16_t>(type)};
}

} // namespace onarim::ods
