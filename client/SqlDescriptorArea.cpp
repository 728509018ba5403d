#include "client/SqlDescriptorArea.h"

#include <algorithm>
#include <cstring>

#include "client/ClientError.h"

namespace onarim {

namespace {

constexpr std::size_t kAlignment = 8;
constexpr std::size_t kMaxTextLength = 32767;
constexpr short kNullIndicator = -1;
constexpr int kInvalidDataConversion = 38;

std::size_t Aligned(std::size_t offset) {
    return (offset + kAlignment - 1) / kAlignment * kAlignment;
}

short BaseType(const XSQLVAR& variable) {
    return static_cast<short>(variable.sqltype & ~1);
}

// Bytes a variable's buffer needs for its type and length: a VARCHAR has its length word first.
std::size_t DataSize(short sqlType, std::size_t length) {
    return sqlType == SQL_VARYING ? length + sizeof(ISC_USHORT) : length;
}

std::string Name(const char* text, short length) {
    return std::string(text, static_cast<std::size_t>(std::clamp<short>(length, 0, 31)));
}

} // namespace

void TSqlDescriptorArea::Resize(short count) {
    const short room = count < 1 ? short{1} : count;
    ReallocZeroed(buffers_, buffers_.size(), 0);
    ReallocZeroed(area_, 0, XSQLDA_LENGTH(room));
    Area()->version = SQLDA_VERSION1;
    Area()->sqln = room;
}

std::vector<TSqlColumn> TSqlDescriptorArea::Columns() const {
    std::vector<TSqlColumn> columns;
    for (short i = 0; i < Described() && i < Room(); ++i) {
        const XSQLVAR& variable = Variable(i);
        columns.push_back(TSqlColumn{Name(variable.sqlname, variable.sqlname_length),
                                     Name(variable.aliasname, variable.aliasname_length),
                                     Name(variable.relname, variable.relname_length),
                                     BaseType(variable), variable.sqlscale, variable.sqlsubtype,
                                     variable.sqllen, (variable.sqltype & 1) != 0});
    }
    return columns;
}

void TSqlDescriptorArea::LayOutBuffers(const std::vector<std::size_t>& dataSizes) {
    std::vector<std::size_t> offsets;
    std::size_t total = 0;
    for (std::size_t size : dataSizes) {
        offsets.push_back(total);
        total = Aligned(Aligned(total + size) + sizeof(ISC_SHORT));
    }
    ReallocZeroed(buffers_, buffers_.size(), 0);
    ReallocZeroed(buffers_, 0, total);
    for (short i = 0; i < static_cast<short>(dataSizes.size()); ++i) {
        char* data = buffers_.data() + offsets[static_cast<std::size_t>(i)];
        Variable(i).sqldata = data;
        Variable(i).sqlind =
            reinterpret_cast<ISC_SHORT*>(data + Aligned(dataSizes[static_cast<std::size_t>(i)]));
    }
}

void TSqlDescriptorArea::AllocateForOutput() {
    std::vector<std::size_t> sizes;
    for (short i = 0; i < Described(); ++i) {
        const XSQLVAR& variable = Variable(i);
        sizes.push_back(DataSize(BaseType(variable), static_cast<std::size_t>(variable.sqllen)));
    }
    LayOutBuffers(sizes);
}

TSqlValue TSqlDescriptorArea::Read(short index) const {
    const XSQLVAR& variable = Variable(index);
    const short type = BaseType(variable);
    if ((variable.sqltype & 1) != 0 && *variable.sqlind < 0) {
        return TSqlValue::Null(type);
    }
    const char* data = variable.sqldata;
    std::size_t length = static_cast<std::size_t>(variable.sqllen);
    if (type == SQL_VARYING) {
        ISC_USHORT actual = 0;
        std::memcpy(&actual, data, sizeof actual);
        length = std::min<std::size_t>(actual, length);
        data += sizeof actual;
    }
    return TSqlValue::FromBytes(type, variable.sqlscale, variable.sqlsubtype,
                                std::string(data, length));
}

void TSqlDescriptorArea::Bind(const std::vector<TSqlValue>& values) {
    std::vector<std::size_t> sizes;
    for (short i = 0; i < Described(); ++i) {
        XSQLVAR& variable = Variable(i);
        const TSqlValue& value = values[static_cast<std::size_t>(i)];
        if (!value.IsNull()) {
            const std::size_t fixedSize = SqlTypeSize(value.SqlType());
            if (fixedSize != 0 && value.Bytes().size() != fixedSize) {
                RaiseClientError(kInvalidDataConversion);
            }
            if (value.Bytes().size() > kMaxTextLength) {
                RaiseClientError(ClientErrorCode::ValueTooLong,
                                 {static_cast<std::int64_t>(value.Bytes().size()),
                                  static_cast<std::int64_t>(kMaxTextLength)});
            }
            variable.sqltype = static_cast<short>(value.SqlType() | 1);
            variable.sqlscale = value.Scale();
            variable.sqlsubtype = value.SubType();
            variable.sqllen = static_cast<short>(value.Bytes().size());
        } else {
            variable.sqltype = static_cast<short>(variable.sqltype | 1);
        }
        sizes.push_back(DataSize(BaseType(variable), static_cast<std::size_t>(variable.sqllen)));
    }
    LayOutBuffers(sizes);
    for (short i = 0; i < Described(); ++i) {
        XSQLVAR& variable = Variable(i);
        const TSqlValue& value = values[static_cast<std::size_t>(i)];
        if (value.IsNull()) {
            *variable.sqlind = kNullIndicator;
            continue;
        }
        char* data = variable.sqldata;
        if (BaseType(variable) == SQL_VARYING) {
            const auto length = static_cast<ISC_USHORT>(value.Bytes().size());
            std::memcpy(data, &length, sizeof length);
            data += sizeof length;
        }
        std::memcpy(data, value.Bytes().data(), value.Bytes().size());
    }
}

} // namespace onarim
