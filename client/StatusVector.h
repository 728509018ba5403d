#pragma once

#include "client/FirebirdApi.h"

namespace onarim {

// Words in a status vector, as the client library's published interface lays it out.
inline constexpr int kStatusVectorLength = ISC_STATUS_LENGTH;

// The calling thread's status vector, zero at thread start; passed first to every client call.
ISC_STATUS* ThreadStatusVector();

// A client call failed when its status result is greater than zero; zero and negative results
// are success.
constexpr bool ClientCallFailed(ISC_STATUS result) { return result > 0; }

} // namespace onarim
