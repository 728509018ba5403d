#include "recovery/RawCensus.h"

#include <algorithm>

#include "ods/OdsError.h"
#include "ods/PageHeader.h"
#include "ods/RawDatabase.h"
#include "ods/RawTableReader.h"
#include "recovery/RawRows.h"

namespace onarim {

namespace {

TTableCensus CountTable(const ods::TRawDatabase& database, const ods::TRawRelation& relation) {
    TTableCensus census;
    census.table = relation.name;
    try {
        ods::TRawTableReader reader(database, relation.id);
        const ods::TRawTableCount count = reader.Count();
        const bool everyLineTold =
            std::all_of(count.problems.begin(), count.problems.end(),
                        [](const ods::TRawProblem& problem) { return problem.line.has_value(); });
        if (everyLineTold) {
            census.rows = static_cast<std::int64_t>(count.rows + count.problems.size());
        } else {
            census.error = count.problems.front().Describe();
        }
        for (const ods::TRawProblem& problem : count.problems) {
            if (problem.line) {
                census.lostRecords.push_back(problem.Describe());
            } else if (census.error.empty()) {
                census.error = problem.Describe();
            }
        }
        for (const ods::TRawBlobCount& blobs : count.blobFields) {
            census.blobColumns.push_back({blobs.name, static_cast<std::int64_t>(blobs.nonEmpty),
                                          static_cast<std::int64_t>(blobs.unreadable)});
        }
    } catch (const ods::EOdsError& error) {
        census.error = error.what();
    }
    return census;
}

} // namespace

TDatabaseCensus TakeRawCensus(const std::string& path, const ods::TPageCheck* mends) {
    ods::TDatabaseFile file(path, ods::TDatabaseFile::TAccess::ReadOnly);
    if (mends != nullptr) {
        ods::OverlayMends(file, *mends);
    }
    const ods::TRawDatabase database(file);
    TDatabaseCensus census;
    for (const ods::TRawRelation* relation : RawUserTables(database)) {
        census.tables.push_back(CountTable(database, *relation));
    }
    return census;
}

} // namespace onarim
