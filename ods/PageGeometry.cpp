#include "ods/PageGeometry.h"

namespace onarim::ods {

TPageGeometry::TPageGeometry(std::uint32_t size)
    : pageSize(size),
      dataPagesPerPointerPage((size - 32) * 8 / 40 / 8 * 8),
      maxRecordsPerDataPage((size - 28) / 17),
      transactionsPerTip((size - 20) * 4),
      generatorsPerPage((size - 24) / 8),
      pagesPerPip((size - 28) * 8),
      pagesPerScn((size - 28) * 8 / 32),
      blobBytesPerPage(size - 28),
      level1BlobPages((size - 64) / 4),
      pagesPerBlobPointer((size - 28) / 4) {}

std::uint64_t TPageGeometry::PipPage(std::uint32_t k) const {
    return k == 0 ? 1 : static_cast<std::uint64_t>(k) * pagesPerPip - 1;
}

std::uint64_t TPageGeometry::ScnPage(std::uint32_t k) const {
    return k == 0 ? 2 : static_cast<std::uint64_t>(k) * pagesPerScn;
}

} // namespace onarim::ods
