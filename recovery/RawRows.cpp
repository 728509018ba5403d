#include "recovery/RawRows.h"

#include <algorithm>
#include <cstring>

#include "ods/PageHeader.h"

namespace onarim {

namespace {

template <typename T> std::string BinaryForm(T value) {
    std::string bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

// The value in the form a descriptor area holds it; nothing for a type the SQL layer does not
// exchange here.
std::optional<TSqlValue> SqlValueOf(const ods::TRawValue& value) {
    using ods::TFieldType;
    const auto scale = static_cast<short>(value.Scale());
    const auto charset = static_cast<short>(value.Charset());
    switch (value.Type()) {
    case TFieldType::Text:
        return TSqlValue::FromBytes(SQL_TEXT, 0, charset, value.bytes);
    case TFieldType::Varying:
        return TSqlValue::FromBytes(SQL_VARYING, 0, charset, value.bytes);
    case TFieldType::Short:
        return TSqlValue::FromBytes(SQL_SHORT, scale, 0,
                                    BinaryForm(static_cast<std::int16_t>(value.integer)));
    case TFieldType::Long:
        return TSqlValue::FromBytes(SQL_LONG, scale, 0,
                                    BinaryForm(static_cast<std::int32_t>(value.integer)));
    case TFieldType::Int64:
        return TSqlValue::FromBytes(SQL_INT64, scale, 0, BinaryForm(value.integer));
    case TFieldType::Float:
        return TSqlValue::FromBytes(SQL_FLOAT, 0, 0, BinaryForm(static_cast<float>(value.real)));
    case TFieldType::Double:
        return TSqlValue::FromBytes(SQL_DOUBLE, 0, 0, BinaryForm(value.real));
    case TFieldType::Date:
        return TSqlValue::FromBytes(SQL_TYPE_DATE, 0, 0, BinaryForm(value.date));
    case TFieldType::Time:
        return TSqlValue::FromBytes(SQL_TYPE_TIME, 0, 0, BinaryForm(value.time));
    case TFieldType::Timestamp:
        return TSqlValue::FromBytes(SQL_TIMESTAMP, 0, 0,
                                    BinaryForm(value.date) + BinaryForm(value.time));
    case TFieldType::Boolean:
        return TSqlValue::FromBytes(SQL_BOOLEAN, 0, 0,
                                    std::string(1, static_cast<char>(value.integer != 0)));
    case TFieldType::Byte:
        return TSqlValue::FromBytes(SQL_SHORT, scale, 0,
                                    BinaryForm(static_cast<std::int16_t>(value.integer)));
    default:
        return std::nullopt;
    }
}

constexpr std::uint16_t kFirstUserRelation = 128;
constexpr std::uint8_t kNone = 0, kOctets = 1, kUtf8 = 4;

bool Written(ods::TFieldType type) {
    using ods::TFieldType;
    switch (type) {
    case TFieldType::Text:
    case TFieldType::Varying:
    case TFieldType::Short:
    case TFieldType::Long:
    case TFieldType::Int64:
    case TFieldType::Float:
    case TFieldType::Double:
    case TFieldType::Date:
    case TFieldType::Time:
    case TFieldType::Timestamp:
    case TFieldType::Boolean:
    case TFieldType::Byte:
        return true;
    default:
        return false;
    }
}

} // namespace

std::vector<const ods::TRawRelation*> RawUserTables(const ods::TRawDatabase& database) {
    std::vector<const ods::TRawRelation*> tables;
    for (const ods::TRawRelation& relation : database.Relations()) {
        if (relation.id >= kFirstUserRelation &&
            !database.Directory()
                 .Pages(relation.id, static_cast<std::uint16_t>(ods::TPageType::Pointer))
                 .empty()) {
            tables.push_back(&relation);
        }
    }
    std::sort(tables.begin(), tables.end(),
              [](const auto* a, const auto* b) { return a->name < b->name; });
    return tables;
}

std::string ColumnsNotGiven(const ods::TTableLayout& pages, const TTableLayout& table) {
    for (const TStoredColumn& column : table.columns) {
        const auto field =
            std::find_if(pages.fields.begin(), pages.fields.end(),
                         [&](const ods::TRawField& f) { return f.name == column.name; });
        if (field == pages.fields.end()) {
            return "column " + column.name + " has no field on the pages";
        }
        const ods::TFieldType type = field->descriptor.type;
        const bool taken = column.blob    ? type == ods::TFieldType::Blob
                           : column.array ? type == ods::TFieldType::Array
                                          : Written(type);
        if (!taken) {
            return "column " + column.name + " holds a value of a type not written back";
        }
    }
    return {};
}

std::optional<TReadRow> ToReadRow(const TTableLayout& table, const ods::TRawRow& raw,
                                  std::string& problem) {
    TReadRow row;
    row.values.reserve(table.columns.size());
    row.blobs.reserve(table.columns.size());
    row.blobTextCharsets.reserve(table.columns.size());
    row.recordNumber = raw.recordNumber;
    row.fromPages = true;
    for (const TStoredColumn& column : table.columns) {
        const ods::TRawValue* value = raw.Find(column.name);
        if (value == nullptr) {
            problem = "column " + column.name + " has no field on the pages";
            return std::nullopt;
        }
        if (column.blob) {
            const std::uint8_t charset = value->Charset();
            const bool converted = value->descriptor.subType == 1 && charset != kNone &&
                                   charset != kOctets && charset != kUtf8;
            row.blobTextCharsets.push_back(converted ? std::optional<short>(charset)
                                                     : std::nullopt);
            row.values.push_back(TSqlValue::Null(SQL_BLOB));
            row.blobs.push_back(!value->null && value->blobRead && value->blobProblem.empty()
                                    ? std::optional<std::string>(value->bytes)
                                    : std::nullopt);
            continue;
        }
        row.blobs.push_back(std::nullopt);
        row.blobTextCharsets.push_back(std::nullopt);
        if (column.array) {
            row.values.push_back(value->null
                                     ? TSqlValue::Null(SQL_ARRAY)
                                     : TSqlValue::FromBytes(SQL_ARRAY, 0, 0, std::string(8, '\0')));
            continue;
        }
        if (value->null) {
            row.values.push_back(TSqlValue::Null());
            continue;
        }
        std::optional<TSqlValue> sqlValue = SqlValueOf(*value);
        if (!sqlValue) {
            problem = "column " + column.name + " holds a value of a type not written back";
            return std::nullopt;
        }
        row.values.push_back(std::move(*sqlValue));
    }
    return row;
}

std::optional<TSqlRow> KeyValuesOf(const TTableLayout& table, const ods::TRawRow& raw) {
    TSqlRow key;
    key.reserve(table.keyColumns.size());
    for (const std::size_t column : table.keyColumns) {
        const ods::TRawValue* value = raw.Find(table.columns[column].name);
        std::optional<TSqlValue> sqlValue = value == nullptr ? std::nullopt
                                            : value->null
                                                ? std::optional<TSqlValue>(TSqlValue::Null())
                                                : SqlValueOf(*value);
        if (!sqlValue) {
            return std::nullopt;
        }
        key.push_back(std::move(*sqlValue));
    }
    return key;
}

} // namespace onarim
