#include "ods/RawDatabase.h"

#include <algorithm>

#include "ods/BlobReader.h"
#include "ods/RelationScan.h"

namespace onarim::ods {

namespace {

// Reads the committed rows of a system relation with a format-0 record of `length` bytes.
std::vector<TRawProblem> ScanSystemRelation(const TRawDatabase& database, std::uint16_t relation,
                                            std::uint32_t length,
                                            const TRelationScan::TVisitor& visit) {
    const TRelationPages pages(database.File(), database.Directory(), relation);
    TPageCache cache(database.File());
    TRecordStore store(cache, relation);
    TFormatLengths lengths{};
    lengths[0] = length;
    TRelationScan scan(store, database.Transactions(), pages, lengths);
    scan.Run(pages.Pages(), visit);
    std::vector<TRawProblem> problems = pages.Problems();
    for (TRawProblem& problem : scan.TakeProblems()) {
        problems.push_back(std::move(problem));
    }
    return problems;
}

const TDatabaseFile& Checked(const TDatabaseFile& file) {
    if (file.Header().Major() != TOdsMajor::Ods12) {
        throw EOdsError(file.Path() + ": on-disk structure " + file.Header().OdsText() +
                        ", not 12: its records are not read");
    }
    if (file.Header().Encrypted()) {
        throw EOdsError(file.Path() + ": encrypted: its records cannot be read");
    }
    return file;
}

} // namespace

TRawDatabase::TRawDatabase(const TDatabaseFile& file)
    : file_(Checked(file)), geometry_(file.PageSize()), directory_(file),
      transactions_(file, directory_) {
    problems_ = directory_.Problems();
    problems_.insert(problems_.end(), transactions_.Problems().begin(),
                     transactions_.Problems().end());
    ReadSystemTables();
}

void TRawDatabase::ReadSystemTables() {
    const auto keep = [this](std::vector<TRawProblem> problems, const char* table) {
        for (TRawProblem& problem : problems) {
            problem.reason = std::string(table) + ": " + problem.reason;
            problems_.push_back(std::move(problem));
        }
    };
    keep(ScanSystemRelation(*this, kRelationsRelation, kRelationsRecordLength,
                            [this](const TFoundRecord& found) -> std::string {
                                const auto row = DecodeRelationsRow(found.record);
                                if (!row) {
                                    return "no row of RDB$RELATIONS";
                                }
                                relations_.push_back({row->relation, row->name, row->format});
                                return {};
                            }),
         "RDB$RELATIONS");
    keep(ScanSystemRelation(*this, kRelationFieldsRelation, kRelationFieldsRecordLength,
                            [this](const TFoundRecord& found) -> std::string {
                                auto row = DecodeRelationFieldsRow(found.record);
                                if (!row) {
                                    return "no row of RDB$RELATION_FIELDS";
                                }
                                fields_.push_back(std::move(*row));
                                return {};
                            }),
         "RDB$RELATION_FIELDS");
    keep(ScanSystemRelation(*this, kFormatsRelation, kFormatsRecordLength,
                            [this](const TFoundRecord& found) -> std::string {
                                const auto row = DecodeFormatsRow(found.record);
                                if (!row) {
                                    return "no row of RDB$FORMATS";
                                }
                                formats_.push_back(*row);
                                return {};
                            }),
         "RDB$FORMATS");
    std::sort(relations_.begin(), relations_.end(),
              [](const TRawRelation& a, const TRawRelation& b) { return a.id < b.id; });
}

const TRawRelation* TRawDatabase::FindRelation(std::uint16_t id) const {
    const auto found = std::find_if(relations_.begin(), relations_.end(),
                                    [id](const TRawRelation& r) { return r.id == id; });
    return found == relations_.end() ? nullptr : &*found;
}

const TRawRelation* TRawDatabase::FindRelation(std::string_view name) const {
    const auto found = std::find_if(relations_.begin(), relations_.end(),
                                    [name](const TRawRelation& r) { return r.name == name; });
    return found == relations_.end() ? nullptr : &*found;
}

TTableLayout TRawDatabase::Layout(std::uint16_t relation,
                                  std::vector<std::string>& problems) const {
    TTableLayout layout;
    layout.relation = relation;
    layout.formats.resize(256);
    const TRawRelation* named = FindRelation(relation);
    if (named != nullptr) {
        layout.name = named->name;
        layout.currentFormat = named->currentFormat;
    } else {
        problems.push_back("RDB$RELATIONS has no row for relation " + std::to_string(relation));
    }
    const TRelationPages formatPages(file_, directory_, kFormatsRelation);
    TPageCache cache(file_);
    TRecordStore store(cache, kFormatsRelation);
    TBlobReader blobs(store, formatPages);
    std::string descriptor;
    for (const TFormatsRow& row : formats_) {
        if (row.relation != relation) {
            continue;
        }
        const std::string what = "format " + std::to_string(row.format);
        if (std::string problem = blobs.Read(row.descriptor, descriptor); !problem.empty()) {
            problems.push_back(what + ": its descriptor cannot be read: " + problem);
            continue;
        }
        try {
            layout.formats[row.format] = ParseRecordFormat(
                TBytes(reinterpret_cast<const std::uint8_t*>(descriptor.data()), descriptor.size()),
                row.format);
        } catch (const EOdsError& error) {
            problems.push_back(what + ": " + error.what());
        }
    }
    if (named == nullptr) {
        for (std::size_t number = layout.formats.size(); number-- > 0;) {
            if (layout.formats[number]) {
                layout.currentFormat = static_cast<std::uint8_t>(number);
                break;
            }
        }
    }
    std::vector<TRawField> names;
    for (const TRelationFieldsRow& row : fields_) {
        if (named != nullptr && row.relation == named->name) {
            names.push_back({row.fieldId, row.field, row.source, {}, {}});
        }
    }
    for (std::string& problem : CompleteTableLayout(layout, names)) {
        problems.push_back(std::move(problem));
    }
    return layout;
}

} // namespace onarim::ods
