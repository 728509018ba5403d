#include "ods/RecordHeader.h"

namespace onarim::ods {

TRecordHeader TRecordHeader::Read(TBytes piece) {
    TRecordHeader header;
    header.flags = Get16(piece, 10);
    header.transaction = Get32(piece, 0);
    header.backPage = Get32(piece, 4);
    header.backLine = Get16(piece, 8);
    header.format = Get8(piece, 12);
    // The high word counts only with flag 0x400: the engine leaves bytes 13-15 of a record
    // it split into pieces as they were (seen holding compressed data on RDB$RELATIONS).
    if (header.Has(kRecordLongTransaction)) {
        header.transaction |= static_cast<std::uint64_t>(Get16(piece, 14)) << 32;
    }
    if (header.Has(kRecordIncomplete)) {
        header.fragmentPage = Get32(piece, 16);
        header.fragmentLine = Get16(piece, 20);
        header.dataOffset = 22;
    } else if (header.Has(kRecordLongTransaction)) {
        header.dataOffset = 16;
    }
    return header;
}

bool TRecordHeader::PrimaryRow() const {
    return !Has(kRecordDeleted | kRecordChain | kRecordFragment | kRecordBlob | kRecordDamaged);
}

} // namespace onarim::ods
