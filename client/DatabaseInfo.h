#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace onarim {

// What a database tells about itself through isc_database_info: the facts of its header page
// as the server holds them. Each is empty when the reply did not carry it.
struct TDatabaseInfo {
    std::optional<std::int64_t> odsMajor;
    std::optional<std::int64_t> odsMinor;
    std::optional<std::int64_t> pageSize;
    std::optional<std::int64_t> pages; // pages allocated in the database file
    std::optional<bool> forcedWrites;
    std::optional<bool> readOnly;
    std::optional<std::int64_t> sweepInterval;
    std::optional<std::int64_t> oldestTransaction; // oldest interesting
    std::optional<std::int64_t> oldestActive;
    std::optional<std::int64_t> oldestSnapshot;
    std::optional<std::int64_t> nextTransaction;
    std::optional<std::int64_t> dialect;
};

// The items DecodeDatabaseInfo reads, ended by isc_info_end, to send with isc_database_info.
std::string_view DatabaseInfoItems();

// Decodes a reply of isc_database_info to DatabaseInfoItems(): per item its code, a two-byte
// length and a little-endian number of that many bytes (at most 8), up to isc_info_end.
// Items it does not ask for, and an item the server could not answer (isc_info_error), are
// passed over. Raises EIBClientError 95 for a reply it cannot read: an item that runs past
// the reply, a number longer than 8 bytes, a truncated reply (isc_info_truncated) or one
// without its end.
TDatabaseInfo DecodeDatabaseInfo(std::string_view reply);

} // namespace onarim
