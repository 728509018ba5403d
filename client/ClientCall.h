#pragma once

#include <cstddef>
#include <cstdint>

#include "client/DatabaseError.h"
#include "client/StatusVector.h"

namespace onarim {

// Raises the error of the client call that returned `result` when it failed (RaiseDatabaseError).
inline void CheckClientCall(ISC_STATUS result) {
    if (ClientCallFailed(result)) {
        RaiseDatabaseError();
    }
}

// Raises the error of the client call that just failed, after running `cleanup`. The error is
// built first: cleaning up calls the client library, which overwrites the status vector.
template <typename Cleanup> [[noreturn]] void RaiseDatabaseErrorThen(Cleanup cleanup) {
    try {
        RaiseDatabaseError();
    } catch (...) {
        cleanup();
        throw;
    }
}

// The little-endian number of `length` bytes (at most 8) at `bytes`, as the replies of the
// info calls (isc_dsql_sql_info, isc_blob_info) carry their values.
inline std::int64_t InfoReplyInteger(const char* bytes, std::size_t length) {
    std::uint64_t value = 0;
    for (std::size_t i = length; i > 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes[i - 1]);
    }
    return static_cast<std::int64_t>(value);
}

} // namespace onarim
