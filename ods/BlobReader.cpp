#include "ods/BlobReader.h"

#include "ods/PageHeader.h"

namespace onarim::ods {

namespace {

constexpr std::uint16_t kBlobFlags = kRecordBlob | kRecordDelta | kRecordLarge;
constexpr std::uint16_t kStreamBlob = kRecordDelta; // the same bit, on a blob header

bool Stream(const TBlobRecord& blob) {
    return (blob.flags & kStreamBlob) != 0;
}

// The bytes the pages of a blob hold: the data, and a length word per segment.
std::uint64_t StoredBytes(const TBlobRecord& blob) {
    return Stream(blob) ? blob.length
                        : blob.length + 2 * static_cast<std::uint64_t>(blob.segmentCount);
}

} // namespace

std::string JoinSegments(TBytes stream, std::uint32_t count, std::uint32_t length,
                         std::uint16_t maxSegment, std::string& value) {
    value.clear();
    if (stream.size() != length + 2 * static_cast<std::uint64_t>(count)) {
        return std::to_string(stream.size()) + " bytes stored for " + std::to_string(count) +
               " segments of " + std::to_string(length) + " bytes";
    }
    value.reserve(length);
    std::size_t at = 0;
    std::uint32_t segments = 0;
    while (at < stream.size()) {
        if (stream.size() - at < 2) {
            return "a segment length cut off at the end";
        }
        const std::uint16_t segment = Get16(stream, at);
        at += 2;
        if (segment > stream.size() - at || segment > maxSegment) {
            return "a segment of " + std::to_string(segment) + " bytes" +
                   (segment > maxSegment ? ", longer than the longest the header records"
                                         : ", past the end");
        }
        value.append(reinterpret_cast<const char*>(stream.data() + at), segment);
        at += segment;
        ++segments;
    }
    if (segments != count) {
        return std::to_string(segments) + " segments where the header records " +
               std::to_string(count);
    }
    return {};
}

TBlobReader::TBlobReader(TRecordStore& store, const TRelationPages& pages)
    : store_(store), pages_(pages), buffer_(store.Geometry().pageSize) {}

std::string TBlobReader::Header(TBlobId id, TRecordPiece& piece, TBlobRecord& blob) {
    const TPageGeometry& geometry = store_.Geometry();
    if (id.relation != store_.Relation()) {
        return "a blob id of relation " + std::to_string(id.relation);
    }
    const std::uint64_t sequence = id.recordNumber / geometry.maxRecordsPerDataPage;
    const auto line = static_cast<std::uint16_t>(id.recordNumber % geometry.maxRecordsPerDataPage);
    const std::optional<std::uint32_t> page =
        sequence > UINT32_MAX ? std::nullopt : pages_.PageOf(static_cast<std::uint32_t>(sequence));
    if (!page) {
        return "blob " + std::to_string(id.recordNumber) + ": no data page of sequence " +
               std::to_string(sequence);
    }
    std::string problem;
    std::optional<TRecordPiece> found = store_.Piece(*page, line, problem);
    if (!found) {
        return "blob " + std::to_string(id.recordNumber) + ": " + problem;
    }
    const std::string where =
        "the blob header at page " + std::to_string(*page) + " line " + std::to_string(line);
    if (found->bytes.size() < TBlobRecord::kHeaderSize || !found->header.Has(kRecordBlob)) {
        return where + " is no blob header (flags " + Hex(found->header.flags, 4) + ")";
    }
    piece = std::move(*found);
    blob = TBlobRecord::Read(piece.bytes);
    if ((blob.flags & ~kBlobFlags) != 0 || blob.level > 2 ||
        (blob.level > 0) != ((blob.flags & kRecordLarge) != 0)) {
        return where + " has flags " + Hex(blob.flags, 4) + " and level " +
               std::to_string(blob.level) + ", which do not go together";
    }
    if (blob.level == 0 &&
        (blob.leadPage != 0 || blob.maxSequence != 0 || blob.payload.size() != StoredBytes(blob))) {
        return where + ": a blob stored in its header whose " +
               std::to_string(blob.payload.size()) + " bytes do not match its length";
    }
    if (blob.level > 0) {
        const std::uint64_t dataPages = static_cast<std::uint64_t>(blob.maxSequence) + 1;
        if (dataPages > store_.Cache().File().PageCount() ||
            StoredBytes(blob) > dataPages * geometry.blobBytesPerPage ||
            blob.PageCount(geometry) * std::uint64_t{4} > blob.payload.size() ||
            (blob.level == 1 && blob.PageCount(geometry) != dataPages)) {
            return where + ": " + std::to_string(dataPages) + " pages of level " +
                   std::to_string(blob.level) + " cannot hold its " +
                   std::to_string(StoredBytes(blob)) + " bytes or are not all listed";
        }
    }
    return {};
}

std::string TBlobReader::Length(TBlobId id, std::uint64_t& length) {
    TRecordPiece piece;
    TBlobRecord blob;
    std::string problem = Header(id, piece, blob);
    length = problem.empty() ? blob.length : 0;
    return problem;
}

std::string TBlobReader::DataPages(const TBlobRecord& blob, std::vector<std::uint32_t>& pages) {
    const TPageGeometry& geometry = store_.Geometry();
    const TDatabaseFile& file = store_.Cache().File();
    const std::uint32_t dataPages = blob.maxSequence + 1;
    pages.clear();
    if (blob.level == 1) {
        for (std::uint32_t i = 0; i < dataPages; ++i) {
            pages.push_back(blob.PageNumber(i));
        }
        return {};
    }
    const std::uint32_t pointerPages = blob.PageCount(geometry);
    for (std::uint32_t k = 0; k < pointerPages; ++k) {
        const std::uint32_t page = blob.PageNumber(k);
        const std::string what = "blob pointer page " + std::to_string(page);
        if (page >= file.PageCount()) {
            return what + " lies past the end of the file";
        }
        file.ReadPages(page, 1, buffer_);
        const TBlobPage pointer = TBlobPage::Read(buffer_, geometry);
        const std::uint32_t entries =
            std::min(geometry.pagesPerBlobPointer, dataPages - k * geometry.pagesPerBlobPointer);
        if (buffer_[0] != static_cast<std::uint8_t>(TPageType::Blob) ||
            (buffer_[1] & kBlobPointerPage) == 0 || pointer.leadPage != blob.leadPage ||
            pointer.EntryCount() < entries) {
            return what + " is not one of this blob's pointer pages with " +
                   std::to_string(entries) + " entries";
        }
        for (std::uint32_t i = 0; i < entries; ++i) {
            pages.push_back(pointer.Entry(i));
        }
    }
    return {};
}

std::string TBlobReader::Gather(const TBlobRecord& blob, const std::vector<std::uint32_t>& pages,
                                std::string& raw) {
    const TPageGeometry& geometry = store_.Geometry();
    const TDatabaseFile& file = store_.Cache().File();
    raw.clear();
    raw.reserve(StoredBytes(blob));
    if (!pages.empty() && pages.front() != blob.leadPage) {
        return "its first page " + std::to_string(pages.front()) + " is not its lead page " +
               std::to_string(blob.leadPage);
    }
    for (std::uint32_t sequence = 0; sequence < pages.size(); ++sequence) {
        const std::uint32_t page = pages[sequence];
        const std::string what = "blob page " + std::to_string(page) + " (" +
                                 std::to_string(sequence) + " of " + std::to_string(pages.size()) +
                                 ")";
        if (page >= file.PageCount()) {
            return what + " lies past the end of the file";
        }
        file.ReadPages(page, 1, buffer_);
        const TBlobPage data = TBlobPage::Read(buffer_, geometry);
        if (buffer_[0] != static_cast<std::uint8_t>(TPageType::Blob)) {
            return what + " is a page of type " + std::to_string(buffer_[0]);
        }
        if ((buffer_[1] & kBlobPointerPage) != 0 || data.leadPage != blob.leadPage ||
            data.sequence != sequence) {
            return what + " names lead page " + std::to_string(data.leadPage) + " and sequence " +
                   std::to_string(data.sequence);
        }
        if (data.length > geometry.blobBytesPerPage ||
            data.length > StoredBytes(blob) - raw.size()) {
            return what + " holds " + std::to_string(data.length) + " bytes, more than remain";
        }
        raw.append(reinterpret_cast<const char*>(data.payload.data()), data.payload.size());
    }
    if (raw.size() != StoredBytes(blob)) {
        return "its pages hold " + std::to_string(raw.size()) + " bytes where the header records " +
               std::to_string(StoredBytes(blob));
    }
    return {};
}

std::string TBlobReader::Read(TBlobId id, std::string& value) {
    value.clear();
    TRecordPiece piece;
    TBlobRecord blob;
    if (std::string problem = Header(id, piece, blob); !problem.empty()) {
        return problem;
    }
    const std::string where = "blob " + std::to_string(id.recordNumber) + ": ";
    std::string problem;
    if (blob.level == 0) {
        if (Stream(blob)) {
            value.assign(reinterpret_cast<const char*>(blob.payload.data()), blob.payload.size());
            return {};
        }
        problem =
            JoinSegments(blob.payload, blob.segmentCount, blob.length, blob.maxSegment, value);
        return problem.empty() ? problem : where + problem;
    }
    std::vector<std::uint32_t> pages;
    problem = DataPages(blob, pages);
    std::string raw;
    if (problem.empty()) {
        problem = Gather(blob, pages, raw);
    }
    if (problem.empty()) {
        if (Stream(blob)) {
            value = std::move(raw);
        } else {
            problem =
                JoinSegments(TBytes(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size()),
                             blob.segmentCount, blob.length, blob.maxSegment, value);
        }
    }
    if (!problem.empty()) {
        value.clear();
        return where + problem;
    }
    return {};
}

} // namespace onarim::ods
