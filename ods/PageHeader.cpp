#include "ods/PageHeader.h"

namespace onarim::ods {

const char* PageTypeName(std::uint8_t type) {
    switch (static_cast<TPageType>(type)) {
    case TPageType::Header:
        return "header";
    case TPageType::PageInventory:
        return "page inventory";
    case TPageType::TransactionInventory:
        return "transaction inventory";
    case TPageType::Pointer:
        return "pointer";
    case TPageType::Data:
        return "data";
    case TPageType::IndexRoot:
        return "index root";
    case TPageType::IndexBTree:
        return "index B-tree";
    case TPageType::Blob:
        return "blob";
    case TPageType::Generator:
        return "generator";
    case TPageType::ScnInventory:
        return "SCN inventory";
    case TPageType::Undefined:
        break;
    }
    return nullptr;
}

TPageHeader TPageHeader::Read(TBytes page) {
    RequireInside(page, 0, kSize);
    TPageHeader header;
    header.type = page[0];
    header.flags = page[1];
    header.reserved = Get16(page, 2);
    header.generation = Get32(page, 4);
    header.scn = Get32(page, 8);
    header.pageNumber = Get32(page, 12);
    return header;
}

void TPageHeader::WriteTo(TMutableBytes page) const {
    RequireInside(page, 0, kSize);
    page[0] = type;
    page[1] = flags;
    Put16(page, 2, reserved);
    Put32(page, 4, generation);
    Put32(page, 8, scn);
    Put32(page, 12, pageNumber);
}

std::string TPageHeader::Describe() const {
    std::string text = "type " + std::to_string(type);
    if (const char* name = PageTypeName(type)) {
        text += std::string(" (") + name + ")";
    }
    text += " flags " + Hex(flags) + " page " + std::to_string(pageNumber);
    if (scn != 0) {
        text += " scn " + std::to_string(scn);
    }
    if (reserved != 0) {
        text += " reserved " + Hex(reserved, 4);
    }
    return text;
}

} // namespace onarim::ods
