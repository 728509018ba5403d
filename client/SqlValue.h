#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "client/FirebirdApi.h"

namespace onarim {

// One value of a column or parameter, owned, in the form the client library exchanges it: its
// SQL type (SQL_LONG, SQL_VARYING, ... without the nullable flag), scale and subtype, and its
// data bytes as the descriptor area holds them, in this machine's byte order: for CHAR the
// padded characters, for VARCHAR the characters without their length word, for a blob its
// 8-byte id, for numbers, dates and times their binary form. Because nothing is converted, a
// row read from one statement can be handed unchanged to another statement's parameters and
// lands as it was read.
class TSqlValue {
public:
    // NULL. `sqlType` says what kind of column it came from, SQL_NULL when none.
    static TSqlValue Null(short sqlType = SQL_NULL);
    // A BIGINT; with a scale, the number of tenths, hundredths, ... of a NUMERIC.
    static TSqlValue Integer(std::int64_t value, short scale = 0);
    static TSqlValue Double(double value);
    static TSqlValue Boolean(bool value);
    // A VARCHAR of UTF-8 text, marked as character set UTF8.
    static TSqlValue Text(std::string text);
    static TSqlValue BlobId(ISC_QUAD id);
    // A value exactly as a descriptor area holds it. `bytes` must be as long as the type's
    // binary form (any length for CHAR and VARCHAR).
    static TSqlValue FromBytes(short sqlType, short scale, short subType, std::string bytes);

    TSqlValue() = default; // NULL of no type

    bool IsNull() const noexcept { return null_; }
    short SqlType() const noexcept { return sqlType_; }
    short Scale() const noexcept { return scale_; }
    short SubType() const noexcept { return subType_; }
    const std::string& Bytes() const noexcept { return bytes_; }

    // Typed access. Each raises EIBClientError 38 ("Invalid data conversion") for NULL and for
    // a value of another type.
    // SMALLINT, INTEGER, BIGINT: the number as stored (a NUMERIC's scale not applied).
    std::int64_t AsInteger() const;
    // FLOAT, DOUBLE PRECISION.
    double AsDouble() const;
    bool AsBoolean() const;
    // CHAR (with its padding) and VARCHAR.
    std::string AsText() const;
    ISC_QUAD AsBlobId() const;

    bool operator==(const TSqlValue& other) const = default;

private:
    bool null_ = true;
    short sqlType_ = SQL_NULL;
    short scale_ = 0;
    short subType_ = 0;
    std::string bytes_;
};

// A whole row, column by column.
using TSqlRow = std::vector<TSqlValue>;

// Length of the binary form of `sqlType` (0 for CHAR and VARCHAR, whose length varies, and for
// an unknown type).
std::size_t SqlTypeSize(short sqlType);

} // namespace onarim
