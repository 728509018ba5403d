#include "support/ArrayValues.h"

#include <ibase.h>

#include "client/ClientLibrary.h"
#include "client/SqlAttachment.h"
#include "client/SqlStatement.h"
#include "client/SqlTransaction.h"
#include "support/FixtureError.h"

namespace onarim::testing {

void WriteIntegerArray(const std::string& path, const std::string& table, const std::string& column,
                       const std::string& where, const std::vector<std::int32_t>& elements) {
    TSqlAttachment attachment(path, "SYSDBA", "masterkey");
    const auto lookup = reinterpret_cast<decltype(&isc_array_lookup_bounds)>(
        ResolveOptional("isc_array_lookup_bounds"));
    const auto put =
        reinterpret_cast<decltype(&isc_array_put_slice)>(ResolveOptional("isc_array_put_slice"));
    if (lookup == nullptr || put == nullptr) {
        throw FixtureError("the client library has no array calls");
    }
    TSqlTransaction transaction(attachment, TSqlTransactionKind::ReadWriteSnapshot);
    ISC_STATUS_ARRAY status{};
    ISC_ARRAY_DESC descriptor{};
    if (lookup(status, attachment.Handle(), transaction.Handle(), table.c_str(), column.c_str(),
               &descriptor) != 0) {
        throw FixtureError("isc_array_lookup_bounds failed for " + table + "." + column);
    }
    std::vector<std::int32_t> slice = elements;
    ISC_LONG length = static_cast<ISC_LONG>(slice.size() * sizeof(std::int32_t));
    ISC_QUAD id{};
    if (put(status, attachment.Handle(), transaction.Handle(), &id, &descriptor, slice.data(),
            &length) != 0) {
        throw FixtureError("isc_array_put_slice failed for " + table + "." + column);
    }
    {
        TSqlStatement update(transaction,
                             "UPDATE " + table + " SET " + column + " = ? WHERE " + where);
        update.Execute({TSqlValue::FromBytes(
            SQL_ARRAY, 0, 0, std::string(reinterpret_cast<const char*>(&id), sizeof id))});
    }
    transaction.Commit();
}

} // namespace onarim::testing
