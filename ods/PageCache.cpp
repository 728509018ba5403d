#include "ods/PageCache.h"

namespace onarim::ods {

TPageCache::TPageCache(const TDatabaseFile& file, std::size_t slots)
    : file_(file), slots_(slots == 0 ? 1 : slots) {}

TPageCache::TPage TPageCache::Get(std::uint32_t number) {
    TSlot& slot = slots_[number % slots_.size()];
    if (slot.page && slot.number == number) {
        return slot.page;
    }
    // The buffer is reused only when nobody holds it any more.
    if (!slot.page || slot.page.use_count() > 1) {
        slot.page = std::make_shared<std::vector<std::uint8_t>>(file_.PageSize());
    }
    slot.number = number;
    try {
        file_.ReadPages(number, 1, *slot.page);
    } catch (...) {
        slot.page.reset();
        throw;
    }
    return slot.page;
}

} // namespace onarim::ods
