#include "ods/PageReason.h"

namespace onarim::ods {

namespace {

std::string N(std::uint32_t value) {
    return std::to_string(value);
}

std::string PagesRowKind(std::uint8_t type) {
    switch (static_cast<TPageType>(type)) {
    case TPageType::Pointer:
        return "pointer page";
    case TPageType::IndexRoot:
        return "index root";
    case TPageType::TransactionInventory:
        return "transaction inventory page";
    case TPageType::Generator:
        return "generator page";
    default:
        return "page of type " + N(type);
    }
}

} // namespace

std::string ReasonOf(const TPageMapEntry& e, std::uint32_t perPointerPage) {
    const std::string relation = " of relation " + N(e.relation);
    switch (e.origin) {
    case TPageOrigin::None:
        return {};
    case TPageOrigin::HeaderPage:
        return "the header page";
    case TPageOrigin::Pip:
        return "page inventory page " + N(e.position) + " at its computed place";
    case TPageOrigin::Scn:
        return "SCN inventory page " + N(e.position) + " at its computed place";
    case TPageOrigin::HeaderPagesPointer:
        return "header page: first pointer page of RDB$PAGES";
    case TPageOrigin::PagesRow:
        if (e.expectedType == static_cast<std::uint8_t>(TPageType::IndexRoot)) {
            return "RDB$PAGES: index root" + relation;
        }
        if (e.expectedType == static_cast<std::uint8_t>(TPageType::Pointer)) {
            return "RDB$PAGES: pointer page " + N(e.position) + relation;
        }
        return "RDB$PAGES: " + PagesRowKind(e.expectedType) + " " + N(e.position);
    case TPageOrigin::PointerChain:
        return "pointer page " + N(e.owner) + relation + ": next pointer page (sequence " +
               N(e.position) + ")";
    case TPageOrigin::TipChain:
        return "transaction inventory page " + N(e.owner) + ": next (sequence " +
               N(e.position) + ")";
    case TPageOrigin::PointerSlot:
        return "pointer page " + N(e.owner) + " slot " + N(e.position % perPointerPage) +
               relation;
    case TPageOrigin::RebuiltPointerSlot:
        return "rebuilt pointer page " + N(e.owner) + " slot " + N(e.position % perPointerPage) +
               relation;
    case TPageOrigin::Fragment:
        return "fragment pointer of page " + N(e.owner) + " line " + N(e.position) + relation;
    case TPageOrigin::BlobList:
        return "blob header on page " + N(e.owner) + " line " + N(e.relation) + ": data page " +
               N(e.position) + " of the blob";
    case TPageOrigin::BlobPointerList:
        return "blob header on page " + N(e.owner) + " line " + N(e.relation) +
               ": blob pointer page " + N(e.position);
    case TPageOrigin::BlobPointerEntry:
        return "blob pointer page " + N(e.owner) + ": data page " + N(e.position) + " of the blob";
    case TPageOrigin::IndexRootSlot:
        return "index root page " + N(e.owner) + relation + ": root of index " +
               N(e.position + 1);
    case TPageOrigin::BTreeBody:
        return "B-tree page of index " + N((e.position & 0xFF) + 1) + relation + ", level " +
               N(e.position >> 8) + " (recognised by its own body)";
    }
    return {};
}

} // namespace onarim::ods
