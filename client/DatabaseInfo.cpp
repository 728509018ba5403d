#include "client/DatabaseInfo.h"

#include <string>

#include "client/ClientError.h"
#include "client/FirebirdApi.h"

namespace onarim {

namespace {

constexpr char kItems[] = {
    isc_info_ods_version,        isc_info_ods_minor_version, isc_info_page_size,
    isc_info_allocation,         isc_info_forced_writes,     isc_info_db_read_only,
    isc_info_sweep_interval,     isc_info_oldest_transaction, isc_info_oldest_active,
    isc_info_oldest_snapshot,    isc_info_next_transaction,  isc_info_db_sql_dialect,
    isc_info_end,
};

[[noreturn]] void RaiseUnreadable() {
    RaiseClientError(ClientErrorCode::UnexpectedOutputBuffer, {std::string()});
}

std::int64_t LittleEndian(std::string_view bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = bytes.size(); i-- > 0;) {
        value = value << 8 | static_cast<unsigned char>(bytes[i]);
    }
    // Signed, as the server writes them: a number that does not fit 4 signed bytes (a
    // transaction number past 2^31) comes in 8.
    if (bytes.size() < 8 && !bytes.empty() && (bytes.back() & 0x80) != 0) {
        value |= ~std::uint64_t{0} << (8 * bytes.size());
    }
    return static_cast<std::int64_t>(value);
}

} // namespace

std::string_view DatabaseInfoItems() { return {kItems, sizeof kItems}; }

TDatabaseInfo DecodeDatabaseInfo(std::string_view reply) {
    TDatabaseInfo info;
    std::size_t at = 0;
    while (at < reply.size()) {
        const auto item = static_cast<unsigned char>(reply[at]);
        if (item == isc_info_end) {
            return info;
        }
        if (item == isc_info_truncated || at + 3 > reply.size()) {
            RaiseUnreadable();
        }
        const std::size_t length = static_cast<unsigned char>(reply[at + 1]) |
                                   static_cast<std::size_t>(static_cast<unsigned char>(reply[at + 2])) << 8;
        at += 3;
        if (at + length > reply.size()) {
            RaiseUnreadable();
        }
        const std::string_view data = reply.substr(at, length);
        at += length;
        if (item == isc_info_error) {
            continue;
        }
        if (length > 8) {
            RaiseUnreadable();
        }
        const std::int64_t value = LittleEndian(data);
        switch (item) {
        case isc_info_ods_version: info.odsMajor = value; break;
        case isc_info_ods_minor_version: info.odsMinor = value; break;
        case isc_info_page_size: info.pageSize = value; break;
        case isc_info_allocation: info.pages = value; break;
        case isc_info_forced_writes: info.forcedWrites = value != 0; break;
        case isc_info_db_read_only: info.readOnly = value != 0; break;
        case isc_info_sweep_interval: info.sweepInterval = value; break;
        case isc_info_oldest_transaction: info.oldestTransaction = value; break;
        case isc_info_oldest_active: info.oldestActive = value; break;
        case isc_info_oldest_snapshot: info.oldestSnapshot = value; break;
        case isc_info_next_transaction: info.nextTransaction = value; break;
        case isc_info_db_sql_dialect: info.dialect = value; break;
        default: break;
        }
    }
    RaiseUnreadable(); // no isc_info_end
}

} // namespace onarim
