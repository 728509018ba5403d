#pragma once

#include <cstdint>

// Byte offsets and codes of the Firebird 3 on-disk structure (ODS 12) that the damage fixtures
// read and write, with the names of Firebird's own ods.h. All numbers are little-endian.
namespace onarim::testing::ods {

// Every page starts with `pag`: pag_type, pag_flags, then 14 bytes the fixtures leave alone.
inline constexpr int kPageType = 0;
inline constexpr int kPageFlags = 1;

// Page types (pag_type).
inline constexpr std::uint8_t kHeaderPageType = 1;
inline constexpr std::uint8_t kPointerPageType = 4;
inline constexpr std::uint8_t kDataPageType = 5;
inline constexpr std::uint8_t kIndexBTreePageType = 7;
inline constexpr std::uint8_t kBlobPageType = 8;

// Header page (page 0): hdr_page_size.
inline constexpr int kHeaderPageSize = 16;

// Pointer page: ppg_sequence, ppg_next, ppg_count, ppg_relation, then the data page numbers
// ppg_page[ppg_count] (0 for an empty slot).
inline constexpr int kPointerSequence = 16;
inline constexpr int kPointerCount = 24;
inline constexpr int kPointerRelation = 26;
inline constexpr int kPointerPages = 32;

// Data page: dpg_sequence, dpg_relation, dpg_count, then dpg_rpt[dpg_count] of
// (dpg_offset, dpg_length) pairs, 4 bytes each; offset 0 is an empty slot.
inline constexpr int kDataSequence = 16;
inline constexpr int kDataRelation = 20;
inline constexpr int kDataCount = 22;
inline constexpr int kDataSlots = 24;
inline constexpr int kDataSlotSize = 4;

// Data page flags (pag_flags of a data page).
inline constexpr std::uint8_t kDataPageSecondary = 0x10; // back versions, fragments, blobs only

// Index B-tree page: btr_sibling (the next page of the same level, 0 for the last),
// btr_relation, btr_level (0 for a leaf), then btr_nodes.
inline constexpr int kIndexSibling = 16;
inline constexpr int kIndexRelation = 28;
inline constexpr int kIndexLevel = 33;
inline constexpr int kIndexNodes = 39;

// Record header `rhd`: rhd_transaction, rhd_b_page, rhd_b_line, rhd_flags, rhd_format, then the
// compressed record data.
inline constexpr int kRecordTransaction = 0;
inline constexpr int kRecordBackPage = 4;
inline constexpr int kRecordBackLine = 8;
inline constexpr int kRecordFlags = 10;
inline constexpr int kRecordFormat = 12;
inline constexpr int kRecordHeaderSize = 13;

// Blob record `blh`, a record with kRecordBlob on a data page: its first 12 bytes overlay the
// record header, then blh_level (0: the data follows in the record; 1: blh_page lists the blob
// pages that hold it), blh_count, blh_length (the blob's bytes), blh_sub_type, blh_charset, then
// blh_page[], as many page numbers as the record's length leaves room for.
inline constexpr int kBlobLevel = 12;
inline constexpr int kBlobLength = 20;
inline constexpr int kBlobPages = 28;

// Record header flags (rhd_flags).
inline constexpr std::uint16_t kRecordDeleted = 0x01;
inline constexpr std::uint16_t kRecordChain = 0x02; // a back version
inline constexpr std::uint16_t kRecordFragment = 0x04;
inline constexpr std::uint16_t kRecordBlob = 0x10;
inline constexpr std::uint16_t kRecordDamaged = 0x80;

} // namespace onarim::testing::ods
