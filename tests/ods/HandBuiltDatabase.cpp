#include "HandBuiltDatabase.h"

#include <fstream>
#include <stdexcept>
#include <tuple>

namespace onarim::ods::testing {

namespace {

constexpr std::size_t kRecordHeader = 13;

} // namespace

void HandBuiltDatabase::Put16(std::uint32_t page, std::size_t offset, std::uint16_t value) {
    Page(page)[offset] = static_cast<std::uint8_t>(value);
    Page(page)[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void HandBuiltDatabase::Put32(std::uint32_t page, std::size_t offset, std::uint32_t value) {
    Put16(page, offset, static_cast<std::uint16_t>(value));
    Put16(page, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

HandBuiltDatabase::HandBuiltDatabase() : bytes(kPageSize * kPageCount, 0) {
    const std::uint8_t types[kPageCount] = {1, 2, 10, 4, 5, 4, 6, 5, 3};
    for (std::uint32_t page = 0; page < kPageCount; ++page) {
        Page(page)[0] = types[page];
        Put32(page, 4, 1);     // generation
        Put32(page, 12, page); // page number
    }
    // Header page: page size, ODS 12.0, RDB$PAGES at 3, next transaction 1, dialect 3, no
    // clumplets.
    Put16(0, 16, kPageSize);
    Put16(0, 18, 0x800C);
    Put32(0, 20, 3);
    Put32(0, 36, 1);
    Put16(0, 42, 0x10);
    Put16(0, 66, 132);
    // PIP: the pages of the image in use, every other page free.
    for (std::size_t byte = 28; byte < kPageSize; ++byte) {
        Page(1)[byte] = 0xFF;
    }
    Page(1)[28] = 0x00;
    Page(1)[29] = 0xFE; // page 8 in use
    Put32(1, 16, kPageCount);
    Put32(1, 20, 16);
    Put32(1, 24, kPageCount);
    // Pointer pages: RDB$PAGES (relation 0) lists data page 4, relation 128 lists page 7.
    struct Listing {
        std::uint32_t page;
        std::uint16_t relation;
        std::uint32_t data;
    };
    for (const Listing& listing : {Listing{3, 0, 4}, Listing{kUserPointerPage, kUserRelation, kUserDataPage}}) {
        const auto [page, relation, data] = listing;
        Page(page)[1] = 0x01; // the last pointer page
        Put16(page, 24, 1);
        Put16(page, 26, relation);
        Put16(page, 28, 0);
        Put32(page, 32, data);
    }
    // RDB$PAGES rows: (page, relation, sequence, type), each a literal run of 18 bytes.
    const std::uint32_t rows[][4] = {{3, 0, 0, 4}, {kUserPointerPage, kUserRelation, 0, 4},
                                     {6, kUserRelation, 0, 6}, {8, 0, 0, 3}};
    std::uint16_t top = kPageSize;
    std::uint16_t line = 0;
    for (const auto& row : rows) {
        const std::uint16_t length = kRecordHeader + 1 + 18;
        top = static_cast<std::uint16_t>((top - length) & ~3);
        std::uint8_t* record = Page(4) + top;
        record[kRecordHeader] = 18; // a literal run of the 18 bytes
        std::uint8_t* data = record + kRecordHeader + 1;
        data[0] = 0xF0; // the null bits past the four fields, as the engine writes them
        for (int i = 0; i < 4; ++i) {
            data[4 + i] = static_cast<std::uint8_t>(row[0] >> (8 * i));
            data[12 + i] = static_cast<std::uint8_t>(row[2] >> (8 * i));
        }
        data[8] = static_cast<std::uint8_t>(row[1]);
        data[9] = static_cast<std::uint8_t>(row[1] >> 8);
        data[16] = static_cast<std::uint8_t>(row[3]);
        Put16(4, 24 + 4 * line, top);
        Put16(4, 26 + 4 * line, length);
        ++line;
    }
    Put16(4, 22, line);
    // Relation 128: two records of a few bytes, an empty index root.
    Put16(kUserDataPage, 20, kUserRelation);
    Put16(kUserDataPage, 22, 2);
    Put16(kUserDataPage, 24, 4000);
    Put16(kUserDataPage, 26, 20);
    Put16(kUserDataPage, 28, 4040);
    Put16(kUserDataPage, 30, 20);
    Page(kUserDataPage)[4000 + 12] = 1;
    Page(kUserDataPage)[4040 + 12] = 1;
    Put16(6, 16, kUserRelation);
}

void HandBuiltDatabase::WriteTo(const std::string& path) const {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace onarim::ods::testing
