#pragma once

#include <cstdint>

namespace onarim::ods {

// The quantities of ODS 12 that follow from the page size: how many things of each kind one
// page holds, and where the inventory pages of the k-th range lie.
struct TPageGeometry {
    explicit TPageGeometry(std::uint32_t pageSize);

    std::uint32_t pageSize;
    std::uint32_t dataPagesPerPointerPage; // slots of a pointer page
    std::uint32_t maxRecordsPerDataPage;   // lines a data page may have
    std::uint32_t transactionsPerTip;
    std::uint32_t generatorsPerPage;
    std::uint32_t pagesPerPip;         // pages one page inventory page describes
    std::uint32_t pagesPerScn;         // pages one SCN inventory page describes
    std::uint32_t blobBytesPerPage;    // payload of a blob data page
    std::uint32_t level1BlobPages;     // page numbers a level-1 blob header can list
    std::uint32_t pagesPerBlobPointer; // page numbers a blob pointer page holds

    // Page inventory page k: page 1, then k * pagesPerPip - 1.
    std::uint64_t PipPage(std::uint32_t k) const;
    // SCN inventory page k: page 2, then k * pagesPerScn.
    std::uint64_t ScnPage(std::uint32_t k) const;
    // Offset of the slot flags of a pointer page (after the page numbers).
    std::uint32_t PointerSlotFlagsOffset() const { return 32 + 4 * dataPagesPerPointerPage; }
};

} // namespace onarim::ods
