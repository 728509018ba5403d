#include "RawRowText.h"

#include <cmath>
#include <cstdio>

namespace onarim::ods::testing {

namespace {

// Firebird 3's HASH() of a value's bytes: the 64-bit PJW hash with the engine's signed shift.
std::int64_t FirebirdHash(std::string_view bytes) {
    std::int64_t hash = 0;
    for (const char c : bytes) {
        hash = static_cast<std::int64_t>(static_cast<std::uint64_t>(hash) << 4) +
               static_cast<std::uint8_t>(c);
        const std::int64_t high = hash & static_cast<std::int64_t>(0xF000000000000000ULL);
        if (high != 0) {
            hash ^= high >> 56;
        }
        hash &= ~high;
    }
    return hash;
}

// "2024-02-29" and "13:14:15.1234", as the engine casts a DATE and a TIME to text.
std::string DateText(std::int32_t days) {
    // Days since 1858-11-17 to a proleptic Gregorian date (H. Hinnant's civil_from_days).
    const std::int64_t z = static_cast<std::int64_t>(days) - 40587 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day));
    return text;
}

std::string TimeText(std::uint32_t units) {
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u.%04u", units / 36000000, units / 600000 % 60,
                  units / 10000 % 60, units % 10000);
    return text;
}

std::string Sql(const TShownColumn& column) {
    const std::string& x = column.name;
    std::string text;
    switch (column.shown) {
    case TShown::Number:
    case TShown::Moment:
        text = "CAST(" + x + " AS VARCHAR(40))";
        break;
    case TShown::Real:
        text = "CAST(CAST(" + x + " * 1024 AS BIGINT) AS VARCHAR(40))";
        break;
    case TShown::Boolean:
        text = "CAST(" + x + " AS VARCHAR(5))";
        break;
    case TShown::Bytes:
        text = "OCTET_LENGTH(" + x + ") || ':' || HASH(" + x + ")";
        break;
    case TShown::PaddedText:
        text = "OCTET_LENGTH(TRIM(TRAILING FROM " + x + ")) || ':' || HASH(TRIM(TRAILING FROM " +
               x + "))";
        break;
    }
    return "COALESCE(" + text + ", 'NULL')";
}

std::string NumberText(std::int64_t integer, int scale) {
    if (scale >= 0) {
        std::string text = std::to_string(integer);
        return integer == 0 ? text : text + std::string(static_cast<std::size_t>(scale), '0');
    }
    const bool negative = integer < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(integer) : static_cast<std::uint64_t>(integer);
    std::string digits = std::to_string(magnitude);
    const auto places = static_cast<std::size_t>(-scale);
    if (digits.size() <= places) {
        digits.insert(0, places + 1 - digits.size(), '0');
    }
    digits.insert(digits.size() - places, ".");
    return (negative ? "-" : "") + digits;
}

std::string BytesText(std::string_view bytes) {
    return std::to_string(bytes.size()) + ":" + std::to_string(FirebirdHash(bytes));
}

std::string Text(const TRawValue& value, TShown shown) {
    if (value.null) {
        return "NULL";
    }
    switch (shown) {
    case TShown::Number:
        return NumberText(value.integer, value.descriptor.scale);
    case TShown::Real:
        return std::to_string(std::llround(value.real * 1024));
    case TShown::Moment:
        switch (value.descriptor.type) {
        case TFieldType::Date:
            return DateText(value.date);
        case TFieldType::Time:
            return TimeText(value.time);
        default:
            return DateText(value.date) + " " + TimeText(value.time);
        }
    case TShown::Boolean:
        return value.integer != 0 ? "TRUE" : "FALSE";
    case TShown::Bytes:
        if ((value.descriptor.type == TFieldType::Blob) && !value.blobRead && !value.blob.Empty()) {
            return "MISSING";
        }
        return BytesText(value.bytes);
    case TShown::PaddedText: {
        std::string_view text = value.bytes;
        while (!text.empty() && text.back() == ' ') {
            text.remove_suffix(1);
        }
        return BytesText(text);
    }
    }
    return "MISSING";
}

} // namespace

std::string ShownSql(const std::vector<TShownColumn>& columns) {
    std::string sql;
    for (const TShownColumn& column : columns) {
        sql += (sql.empty() ? "" : " || '|' || ") + Sql(column);
    }
    return sql;
}

std::string ShownText(const TRawRow& row, const std::vector<TShownColumn>& columns) {
    std::string text;
    for (const TShownColumn& column : columns) {
        const TRawValue* value = row.Find(column.name);
        text += (text.empty() ? "" : "|") + (value ? Text(*value, column.shown) : "MISSING");
    }
    return text;
}

} // namespace onarim::ods::testing
