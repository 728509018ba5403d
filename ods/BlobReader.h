#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ods/Blobs.h"
#include "ods/RawRow.h"
#include "ods/RecordStore.h"
#include "ods/RelationPages.h"

namespace onarim::ods {

// Reads blob values of one relation from its pages: the blob header (a line of the relation's
// data page of sequence recordNumber / records per page), and for levels 1 and 2 the blob
// pages it lists, directly or through blob pointer pages.
class TBlobReader {
public:
    TBlobReader(TRecordStore& store, const TRelationPages& pages);

    // The value of blob `id` into `value` as the engine returns it: the bytes of a stream
    // blob, the segments of a segmented one joined. Returns an empty string, or why the blob
    // cannot be read as a whole: no header where the id points, a header that is no blob's,
    // pages of another type, blob or place, lengths or segments that do not add up.
    std::string Read(TBlobId id, std::string& value);
    // The length the header of blob `id` records, for counting without reading the pages.
    // Returns an empty string or why there is no sound header where the id points.
    std::string Length(TBlobId id, std::uint64_t& length);

private:
    std::string Header(TBlobId id, TRecordPiece& piece, TBlobRecord& blob);
    std::string DataPages(const TBlobRecord& blob, std::vector<std::uint32_t>& pages);
    std::string Gather(const TBlobRecord& blob, const std::vector<std::uint32_t>& pages,
                       std::string& raw);

    TRecordStore& store_;
    const TRelationPages& pages_;
    std::vector<std::uint8_t> buffer_; // one blob page
};

// Joins the segments of `stream` (u16 length, bytes; repeated) into `value`. Returns an empty
// string, or why they do not make `count` segments of `length` bytes in all, none longer than
// `maxSegment`.
std::string JoinSegments(TBytes stream, std::uint32_t count, std::uint32_t length,
                         std::uint16_t maxSegment, std::string& value);

} // namespace onarim::ods
