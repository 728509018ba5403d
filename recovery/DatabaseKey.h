#pragma once

#include <cstdint>
#include <string>

namespace onarim {

// A row's RDB$DB_KEY in Firebird 3: eight bytes naming the table (relation id) and the
// record's number inside it. A record's number is its data page's place among the table's
// data pages times the records a page can number, plus its slot on the page, so record
// numbers give the order in which a table scan meets the rows, with gaps where pages or
// slots are empty.
struct TDatabaseKey {
    std::uint16_t relationId = 0;
    std::uint64_t recordNumber = 0; // 40 bits are stored

    bool operator==(const TDatabaseKey&) const = default;
};

// The key's eight bytes as the engine exchanges them (CHAR(8) OCTETS): relation id in bytes
// 0-1, then the record number plus one (0 stands for no record), its high byte in byte 2 and
// its low 32 bits in bytes 4-7, little-endian.
std::string EncodeDatabaseKey(const TDatabaseKey& key);

// The key of `bytes`. Raises std::invalid_argument unless `bytes` holds exactly eight bytes
// that name a record.
TDatabaseKey DecodeDatabaseKey(const std::string& bytes);

// Record numbers above this cannot be stored in a key.
inline constexpr std::uint64_t kMaxRecordNumber = (std::uint64_t{1} << 40) - 2;

} // namespace onarim
