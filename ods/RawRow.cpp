#include "ods/RawRow.h"

namespace onarim::ods {

TBlobId TBlobId::Read(TBytes bytes) {
    TBlobId id;
    id.relation = Get16(bytes, 0);
    id.recordNumber = static_cast<std::uint64_t>(Get8(bytes, 3)) << 32 | Get32(bytes, 4);
    return id;
}

const TRawValue* TRawRow::Find(std::string_view name) const {
    for (const TRawValue& value : fields) {
        if (value.name == name) {
            return &value;
        }
    }
    return nullptr;
}

} // namespace onarim::ods
