#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ods/DatabaseFile.h"
#include "ods/PageGeometry.h"
#include "ods/PagesDirectory.h"
#include "ods/RawProblem.h"
#include "ods/SystemTables.h"
#include "ods/TableLayout.h"
#include "ods/TransactionStates.h"

namespace onarim::ods {

// A relation RDB$RELATIONS names.
struct TRawRelation {
    std::uint16_t id = 0;
    std::string name;
    std::uint8_t currentFormat = 0;
};

// What the raw reader needs of a database before it reads a table, read once from the file
// without the engine: RDB$PAGES, the transaction inventory, and the committed rows of
// RDB$RELATIONS, RDB$RELATION_FIELDS and RDB$FORMATS. What cannot be read of them is in
// Problems(); the rest is kept. Const after construction: any number of readers may share it.
class TRawDatabase {
public:
    // Raises EOdsError for a file the raw reader cannot read at all: not ODS 12, or encrypted.
    explicit TRawDatabase(const TDatabaseFile& file);

    const TDatabaseFile& File() const { return file_; }
    const TPageGeometry& Geometry() const { return geometry_; }
    const TPagesDirectory& Directory() const { return directory_; }
    const TTransactionStates& Transactions() const { return transactions_; }

    const std::vector<TRawRelation>& Relations() const { return relations_; }
    // The relation of that id or name, nullptr when RDB$RELATIONS has no committed row for it.
    const TRawRelation* FindRelation(std::uint16_t id) const;
    const TRawRelation* FindRelation(std::string_view name) const;

    // The formats and fields of `relation`: its RDB$FORMATS descriptors read and decoded, its
    // fields named from RDB$RELATION_FIELDS. Problems with them go to `problems`.
    TTableLayout Layout(std::uint16_t relation, std::vector<std::string>& problems) const;

    // What could not be read of RDB$PAGES, the inventory and the three system tables.
    const std::vector<TRawProblem>& Problems() const { return problems_; }

private:
    void ReadSystemTables();

    const TDatabaseFile& file_;
    TPageGeometry geometry_;
    TPagesDirectory directory_;
    TTransactionStates transactions_;
    std::vector<TRawRelation> relations_;
    std::vector<TRelationFieldsRow> fields_;
    std::vector<TFormatsRow> formats_;
    std::vector<TRawProblem> problems_;
};

} // namespace onarim::ods
