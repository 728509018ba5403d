#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ods/DatabaseFile.h"

namespace onarim::ods {

// Recently read pages of one file, for the reads that come back to them: back versions and
// record pieces mostly lie on the page just read or near it. A fixed number of slots, chosen
// by page number, so the memory stays bounded whatever the file makes the reader visit.
class TPageCache {
public:
    using TPage = std::shared_ptr<const std::vector<std::uint8_t>>;

    explicit TPageCache(const TDatabaseFile& file, std::size_t slots = 64);

    const TDatabaseFile& File() const { return file_; }

    // Page `number`, valid for as long as the caller holds it (a later read may take its slot
    // but never changes the bytes handed out). Raises EOdsError as TDatabaseFile::ReadPage.
    TPage Get(std::uint32_t number);

private:
    struct TSlot {
        std::uint32_t number = 0;
        std::shared_ptr<std::vector<std::uint8_t>> page;
    };

    const TDatabaseFile& file_;
    std::vector<TSlot> slots_;
};

} // namespace onarim::ods
