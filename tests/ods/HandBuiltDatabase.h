#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace onarim::ods::testing {

// A minimal ODS 12 database built byte by byte, 4096-byte pages, for what only hand-built
// bytes can show (hostile structure, other versions):
//   0 header, 1 PIP, 2 SCN, 3 pointer page of RDB$PAGES, 4 its data page listing
//   5 pointer page of relation 128, 6 index root of relation 128 (no indexes), 8 the TIP;
//   7 data page of relation 128 with two records.
struct HandBuiltDatabase {
    static constexpr std::uint32_t kPageSize = 4096;
    static constexpr std::uint32_t kPageCount = 9;
    static constexpr std::uint32_t kUserPointerPage = 5;
    static constexpr std::uint32_t kUserDataPage = 7;
    static constexpr std::uint16_t kUserRelation = 128;

    std::vector<std::uint8_t> bytes;

    HandBuiltDatabase();
    std::uint8_t* Page(std::uint32_t number) { return bytes.data() + number * kPageSize; }
    void Put16(std::uint32_t page, std::size_t offset, std::uint16_t value);
    void Put32(std::uint32_t page, std::size_t offset, std::uint32_t value);
    // Writes the image to `path`.
    void WriteTo(const std::string& path) const;
};

} // namespace onarim::ods::testing
