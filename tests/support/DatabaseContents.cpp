#include "support/DatabaseContents.h"

#include <filesystem>

namespace onarim::testing {

namespace {

const TCredentials kReader{"SYSDBA", "masterkey"};

std::string Shown(const TSqlValue& value, const std::optional<std::string>& blob) {
    if (blob) {
        return "blob of " + std::to_string(blob->size()) + " bytes";
    }
    if (value.IsNull()) {
        return "NULL";
    }
    return "type " + std::to_string(value.SqlType()) + " scale " + std::to_string(value.Scale()) +
           " subtype " + std::to_string(value.SubType()) + " '" + value.Bytes() + "'";
}

} // namespace

std::int64_t TableContents::NonEmptyBlobs(std::size_t column) const {
    std::int64_t count = 0;
    for (const auto& [key, row] : rows) {
        count += row.blobs[column] && !row.blobs[column]->empty() ? 1 : 0;
    }
    return count;
}

std::int64_t TableContents::ArrayValues(std::size_t column) const {
    std::int64_t count = 0;
    for (const auto& [key, row] : rows) {
        count += row.values[column].IsNull() ? 0 : 1;
    }
    return count;
}

std::map<std::string, TableContents> ReadContents(const std::string& path,
                                                  const std::string& copyPath) {
    std::filesystem::copy_file(path, copyPath, std::filesystem::copy_options::overwrite_existing);
    std::map<std::string, TableContents> tables;
    {
        TDamagedDatabaseReader reader(copyPath, kReader);
        for (const TTableLayout& layout : reader.Tables()) {
            TableContents& table = tables[layout.name];
            table.layout = layout;
            table.problems = reader.ReadTable(
                layout, [&](const TReadRow& row) { table.rows.emplace(RowKey(layout, row), row); });
        }
    }
    std::filesystem::remove(copyPath);
    return tables;
}

std::string RowKey(const TTableLayout& table, const TReadRow& row) {
    if (!table.HasUniqueKey()) {
        return "record " + std::to_string(row.recordNumber);
    }
    std::string key;
    for (const std::size_t column : table.keyColumns) {
        const TSqlValue& value = row.values[column];
        key +=
            value.IsNull() ? "NULL;" : std::to_string(value.Bytes().size()) + ":" + value.Bytes();
    }
    return key;
}

std::string Difference(const TTableLayout& table, const TReadRow& expected, const TReadRow& actual,
                       bool arrays) {
    std::string difference;
    for (std::size_t column = 0; column < table.columns.size(); ++column) {
        const TSqlValue& want = expected.values[column];
        const TSqlValue& got = actual.values[column];
        bool same = true;
        if (table.columns[column].array) {
            same = !arrays || want.IsNull() == got.IsNull();
        } else if (table.columns[column].blob) {
            same = expected.blobs[column] == actual.blobs[column];
        } else {
            same = want == got;
        }
        if (!same) {
            difference += table.columns[column].name + ": " + Shown(want, expected.blobs[column]) +
                          " against " + Shown(got, actual.blobs[column]) + "; ";
        }
    }
    return difference;
}

} // namespace onarim::testing
