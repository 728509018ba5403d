#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace onarim {

struct TCredentials {
    std::string user, password;
};

struct TColumnCensus {
    std::string column;
    std::optional<std::int64_t> nonEmptyBlobs; // nullopt: unreadable
};

struct TTableCensus {
    std::string table;
    std::optional<std::int64_t> rows; // nullopt: unreadable
    std::vector<TColumnCensus> blobColumns;
    std::string error; // first error met, if any
};

struct TDatabaseCensus {
    std::vector<TTableCensus> tables; // user tables, by name
};

TDatabaseCensus TakeCensus(const std::string& path, const TCredentials& credentials);
bool DatabaseInUse(const std::string& path, const TCredentials& credentials);

} // namespace onarim
