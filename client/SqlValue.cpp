#include "client/SqlValue.h"

#include <cstring>

#include "client/ClientError.h"

namespace onarim {

namespace {

constexpr int kInvalidDataConversion = 38;
constexpr short kUtf8CharacterSet = 4; // the character set id of UTF8

template <typename Number> std::string BytesOf(Number value) {
    std::string bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

template <typename Number> Number NumberOf(const std::string& bytes) {
    Number value{};
    if (bytes.size() != sizeof value) {
        RaiseClientError(kInvalidDataConversion);
    }
    std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

} // namespace

std::size_t SqlTypeSize(short sqlType) {
    switch (sqlType) {
    case SQL_SHORT:
        return sizeof(ISC_SHORT);
    case SQL_LONG:
        return sizeof(ISC_LONG);
    case SQL_INT64:
        return sizeof(ISC_INT64);
    case SQL_FLOAT:
        return sizeof(float);
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return sizeof(double);
    case SQL_TIMESTAMP:
        return sizeof(ISC_TIMESTAMP);
    case SQL_TYPE_DATE:
        return sizeof(ISC_DATE);
    case SQL_TYPE_TIME:
        return sizeof(ISC_TIME);
    case SQL_BLOB:
    case SQL_ARRAY:
    case SQL_QUAD:
        return sizeof(ISC_QUAD);
    case SQL_BOOLEAN:
        return 1;
    default:
        return 0;
    }
}

TSqlValue TSqlValue::Null(short sqlType) {
    TSqlValue value;
    value.sqlType_ = sqlType;
    return value;
}

TSqlValue TSqlValue::FromBytes(short sqlType, short scale, short subType, std::string bytes) {
    TSqlValue value;
    value.null_ = false;
    value.sqlType_ = sqlType;
    value.scale_ = scale;
    value.subType_ = subType;
    value.bytes_ = std::move(bytes);
    return value;
}

TSqlValue TSqlValue::Integer(std::int64_t number, short scale) {
    return FromBytes(SQL_INT64, scale, 0, BytesOf<ISC_INT64>(number));
}

TSqlValue TSqlValue::Double(double number) {
    return FromBytes(SQL_DOUBLE, 0, 0, BytesOf(number));
}

TSqlValue TSqlValue::Boolean(bool truth) {
    return FromBytes(SQL_BOOLEAN, 0, 0, std::string(1, truth ? '\1' : '\0'));
}

TSqlValue TSqlValue::Text(std::string text) {
    return FromBytes(SQL_VARYING, 0, kUtf8CharacterSet, std::move(text));
}

TSqlValue TSqlValue::BlobId(ISC_QUAD id) {
    return FromBytes(SQL_BLOB, 0, 0, BytesOf(id));
}

std::int64_t TSqlValue::AsInteger() const {
    if (!null_) {
        switch (sqlType_) {
        case SQL_SHORT:
            return NumberOf<ISC_SHORT>(bytes_);
        case SQL_LONG:
            return NumberOf<ISC_LONG>(bytes_);
        case SQL_INT64:
            return NumberOf<ISC_INT64>(bytes_);
        default:
            break;
        }
    }
    RaiseClientError(kInvalidDataConversion);
}

double TSqlValue::AsDouble() const {
    if (!null_) {
        switch (sqlType_) {
        case SQL_FLOAT:
            return NumberOf<float>(bytes_);
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            return NumberOf<double>(bytes_);
        default:
            break;
        }
    }
    RaiseClientError(kInvalidDataConversion);
}

bool TSqlValue::AsBoolean() const {
    if (null_ || sqlType_ != SQL_BOOLEAN) {
        RaiseClientError(kInvalidDataConversion);
    }
    return NumberOf<char>(bytes_) != 0;
}

std::string TSqlValue::AsText() const {
    if (null_ || (sqlType_ != SQL_TEXT && sqlType_ != SQL_VARYING)) {
        RaiseClientError(kInvalidDataConversion);
    }
    return bytes_;
}

ISC_QUAD TSqlValue::AsBlobId() const {
    if (null_ || sqlType_ != SQL_BLOB) {
        RaiseClientError(kInvalidDataConversion);
    }
    return NumberOf<ISC_QUAD>(bytes_);
}

} // namespace onarim
