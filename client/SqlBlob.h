#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "client/FirebirdApi.h"

namespace onarim {

class TSqlTransaction;

// One blob value, opened for reading by its id in a transaction that must outlive it. Its
// bytes come as stored: no character set conversion and no subtype filter applies.
class TSqlBlob {
public:
    // Opens the blob. Raises EIBClientError 18 when the transaction is not active and
    // EIBInterBaseError when the server cannot open it (an unknown id, a damaged blob).
    TSqlBlob(TSqlTransaction& transaction, ISC_QUAD id);
    // Closes it. Never raises.
    ~TSqlBlob();
    TSqlBlob(const TSqlBlob&) = delete;
    TSqlBlob& operator=(const TSqlBlob&) = delete;

    // The blob's length in bytes, as the server records it (isc_blob_info). Raises
    // EIBInterBaseError when the server cannot tell, and EIBClientError 95 ("Unexpected Output
    // buffer value") when its reply does not hold the length.
    std::int64_t Length();

    // Every byte from the current position to the end (all of it on a fresh blob). Raises
    // EIBInterBaseError when a segment cannot be read.
    std::string ReadAll();

    // Stores `bytes` as a new blob in the transaction (which must be allowed to write) and
    // returns its id, to be bound to a blob column or parameter in the same attachment.
    // Raises EIBInterBaseError when the server cannot create or write it.
    // With `fromCharset`, `bytes` are text in that character set, which the engine turns into
    // UTF8 text as it stores them: the form in which a text blob is read over a UTF8
    // attachment, and in which the engine converts it to a column's own character set.
    static ISC_QUAD Create(TSqlTransaction& transaction, std::string_view bytes,
                           std::optional<short> fromCharset = std::nullopt);

private:
    isc_blob_handle handle_ = 0;
};

} // namespace onarim
