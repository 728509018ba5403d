#include "ods/RawTableReader.h"

#include <algorithm>
#include <set>
#include <unordered_map>

#include "ods/BlobReader.h"
#include "ods/DataPage.h"
#include "ods/RelationScan.h"

namespace onarim::ods {

// The table's pages and the caches its reads share.
struct TRawTableReader::TState {
    TState(const TRawDatabase& database, std::uint16_t relation)
        : pages(database.File(), database.Directory(), relation), cache(database.File()),
          store(cache, relation), blobs(store, pages) {}

    TRelationPages pages;
    TPageCache cache;
    TRecordStore store;
    TBlobReader blobs;
    TFormatLengths lengths{};
};

namespace {

std::uint16_t RelationNamed(const TRawDatabase& database, std::string_view name) {
    const TRawRelation* relation = database.FindRelation(name);
    if (relation == nullptr) {
        throw EOdsError(database.File().Path() + ": no table " + std::string(name));
    }
    return relation->id;
}

} // namespace

TRawTableReader::TRawTableReader(const TRawDatabase& database, std::uint16_t relation)
    : database_(database), layoutProblems_(), layout_(database.Layout(relation, layoutProblems_)),
      state_(std::make_unique<TState>(database, relation)) {
    if (layout_.fields.empty()) {
        throw EOdsError(database.File().Path() + ": relation " + std::to_string(relation) +
                        " has no record format that can be read");
    }
    for (std::size_t number = 0; number < layout_.formats.size(); ++number) {
        if (layout_.formats[number]) {
            state_->lengths[number] = layout_.formats[number]->length;
        }
    }
}

TRawTableReader::TRawTableReader(const TRawDatabase& database, std::string_view name)
    : TRawTableReader(database, RelationNamed(database, name)) {}

TRawTableReader::~TRawTableReader() = default;

std::vector<TDataPageSlot> TRawTableReader::SlotsOf(const std::set<std::uint32_t>& pages,
                                                    std::vector<TRawProblem>& problems) {
    std::unordered_map<std::uint32_t, std::uint32_t> listed; // page -> sequence
    for (const TDataPageSlot& slot : state_->pages.Pages()) {
        listed.emplace(slot.page, slot.sequence);
    }
    std::vector<TDataPageSlot> slots;
    const TDatabaseFile& file = database_.File();
    for (const std::uint32_t page : pages) {
        if (const auto found = listed.find(page); found != listed.end()) {
            slots.push_back({found->second, page});
            continue;
        }
        if (page >= file.PageCount()) {
            problems.push_back({page, std::nullopt, "past the end of the file"});
            continue;
        }
        // No pointer page lists it: the sequence its body names. The scan refuses the page if
        // its body names another relation.
        const TDataPage data = TDataPage::Read(*state_->cache.Get(page), database_.Geometry());
        slots.push_back({data.sequence, page});
    }
    return slots;
}

TRawReadSummary TRawTableReader::Read(const TRawReadOptions& options,
                                      const std::function<void(const TRawRow&)>& row) {
    TRawReadSummary summary;
    TRelationScan scan(state_->store, database_.Transactions(), state_->pages, state_->lengths);
    std::vector<TDataPageSlot> slots = state_->pages.Pages();
    std::vector<TDataPageSlot> others;
    if (options.pages.empty()) {
        // Pointer pages that could not be read: the rows of the data pages they list are lost.
        summary.problems = state_->pages.Problems();
    } else {
        const std::set<std::uint32_t> chosen(options.pages.begin(), options.pages.end());
        slots = SlotsOf(chosen, summary.problems);
        // The back versions and pieces the other pages point at are no lost rows.
        for (const TDataPageSlot& slot : state_->pages.Pages()) {
            if (!chosen.contains(slot.page)) {
                others.push_back(slot);
            }
        }
        scan.NoteReferences(others);
    }
    TRawRow current;
    scan.Run(slots, [&](const TFoundRecord& found) -> std::string {
        std::string problem = Decode(found, current, scan);
        if (!problem.empty()) {
            return problem;
        }
        if (options.readBlobs) {
            ReadBlobs(current, summary.problems);
        }
        ++summary.rows;
        row(current);
        return {};
    });
    // Nor are the blob headers that rows of the other pages point at: a page of blobs read on
    // its own needs their rows decoded.
    if (!others.empty() && scan.Unaccounted()) {
        TRelationScan rest(state_->store, database_.Transactions(), state_->pages, state_->lengths);
        TRawRow other;
        rest.Run(others, [&](const TFoundRecord& found) { return Decode(found, other, scan); });
    }
    for (TRawProblem& problem : scan.TakeProblems()) {
        summary.problems.push_back(std::move(problem));
    }
    return summary;
}

std::string TRawTableReader::Decode(const TFoundRecord& found, TRawRow& row, TRelationScan& scan) {
    std::string problem =
        DecodeRecord(layout_, *layout_.Format(found.format), found.record, row.fields);
    if (!problem.empty()) {
        return problem;
    }
    row.page = found.page;
    row.line = found.line;
    row.recordNumber = found.recordNumber;
    row.format = found.format;
    for (const TRawValue& value : row.fields) {
        if (!value.null && !value.fromDefault && !value.blob.Empty() &&
            (value.descriptor.type == TFieldType::Blob ||
             value.descriptor.type == TFieldType::Array)) {
            scan.NoteBlob(value.blob.recordNumber);
        }
    }
    return {};
}

void TRawTableReader::ReadBlobs(TRawRow& row) {
    for (TRawValue& value : row.fields) {
        if (value.null || value.descriptor.type != TFieldType::Blob || value.blob.Empty()) {
            continue;
        }
        value.blobProblem = state_->blobs.Read(value.blob, value.bytes);
        value.blobRead = value.blobProblem.empty();
    }
}

void TRawTableReader::ReadBlobs(TRawRow& row, std::vector<TRawProblem>& problems) {
    ReadBlobs(row);
    for (const TRawValue& value : row.fields) {
        if (!value.blobProblem.empty()) {
            problems.push_back(
                {row.page, row.line,
                 "the blob value of " + std::string(value.name) + ": " + value.blobProblem});
        }
    }
}

std::optional<std::uint64_t> TRawTableReader::BlobLength(TBlobId id) {
    std::uint64_t length = 0;
    if (!state_->blobs.Length(id, length).empty()) {
        return std::nullopt;
    }
    return length;
}

TRawBlob TRawTableReader::ReadBlob(TBlobId id) {
    TRawBlob blob;
    if (id.Empty()) {
        return blob;
    }
    blob.problem = state_->blobs.Read(id, blob.bytes);
    return blob;
}

TRawTableCount TRawTableReader::Count() {
    TRawTableCount count;
    std::vector<std::size_t> blobIndexes;
    for (std::size_t i = 0; i < layout_.fields.size(); ++i) {
        if (layout_.fields[i].descriptor.type == TFieldType::Blob) {
            blobIndexes.push_back(i);
            count.blobFields.push_back({layout_.fields[i].id, layout_.fields[i].name, 0, 0});
        }
    }
    TRawReadSummary summary = Read({}, [&](const TRawRow& row) {
        for (std::size_t b = 0; b < blobIndexes.size(); ++b) {
            const TRawValue& value = row.fields[blobIndexes[b]];
            if (value.null || value.blob.Empty() || value.descriptor.type != TFieldType::Blob) {
                continue;
            }
            const auto length = BlobLength(value.blob);
            if (!length) {
                ++count.blobFields[b].unreadable;
            } else if (*length > 0) {
                ++count.blobFields[b].nonEmpty;
            }
        }
    });
    count.rows = summary.rows;
    count.problems = std::move(summary.problems);
    return count;
}

TRawReadSummary ReadRawRows(const TDatabaseFile& file, std::string_view table,
                            const TRawReadOptions& options,
                            const std::function<void(const TRawRow&)>& row) {
    const TRawDatabase database(file);
    TRawTableReader reader(database, table);
    return reader.Read(options, row);
}

TRawReadSummary ReadRawRows(const TDatabaseFile& file, std::uint16_t relation,
                            const TRawReadOptions& options,
                            const std::function<void(const TRawRow&)>& row) {
    const TRawDatabase database(file);
    TRawTableReader reader(database, relation);
    return reader.Read(options, row);
}

TRawBlob ReadBlob(const TDatabaseFile& file, std::uint16_t relation, TBlobId id) {
    const TRawDatabase database(file);
    TRawTableReader reader(database, relation);
    return reader.ReadBlob(id);
}

TRawTableCount CountRawRows(const TDatabaseFile& file, std::string_view table) {
    const TRawDatabase database(file);
    TRawTableReader reader(database, table);
    return reader.Count();
}

} // namespace onarim::ods
