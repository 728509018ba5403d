#pragma once

// The script and the call record of the stand-in client library, shared between the library
// and the tests that load it. Both are built by the same compiler in the same tree, so the
// standard containers may cross the boundary.

#include <cstddef>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include <ibase.h>

namespace fakeclient {

// What one scripted call returns. A result above zero is a failure: `status` is then copied
// into the caller's status vector (word 0 is set to 1 first when `status` is empty).
struct Outcome {
    ISC_STATUS result = 0;
    std::vector<ISC_STATUS> status;
};

// One call of a services entry point as the library saw it.
struct Call {
    std::string entry;
    FB_API_HANDLE handle = 0;  // the handle passed in (the value behind the handle pointer)
    std::string name;          // service manager name (attach)
    std::string bytes;         // parameter block, start request or query items
    unsigned bufferLength = 0; // reply buffer length (query)
};

struct Control {
    // Per entry point name, the outcomes of its next calls; an empty queue means success.
    std::map<std::string, std::deque<Outcome>> outcomes;
    // Handle that a successful isc_service_attach returns.
    FB_API_HANDLE attachHandle = 0x51;
    // Replies of the next isc_service_query calls, copied into the reply buffer as far as it
    // reaches; with none queued the query leaves the buffer as it is.
    std::deque<std::string> queryReplies;
    // Lines that isc_interprete hands out, in order, after each failure.
    std::vector<std::string> messageLines;
    std::size_t nextMessageLine = 0;
    // Words by which isc_interprete moves the caller's cursor with each line. A library that
    // reads at the cursor hands out the same line again when it does not move it (step 0);
    // after interpreteCallLimit calls it gives up, so that a caller that never stops ends.
    std::ptrdiff_t interpreteCursorStep = 2;
    std::size_t interpreteCalls = 0;
    std::size_t interpreteCallLimit = 1000;
    // What isc_sqlcode answers.
    ISC_LONG sqlCode = -902;

    std::vector<Call> calls;

    // The SQL calls the SQL layer's tests script. A successful attach, transaction start and
    // statement allocation hand out these handles.
    FB_API_HANDLE databaseHandle = 0x61;
    FB_API_HANDLE transactionHandle = 0x71;
    FB_API_HANDLE statementHandle = 0x81;
    // Like the real library, isc_dsql_alloc_statement2 keeps the address of the caller's
    // handle until a drop succeeds; a successful detach writes 0 into every address still
    // kept. Those written are noted, in order.
    std::vector<FB_API_HANDLE*> keptStatementHandles;
    std::vector<FB_API_HANDLE*> statementHandlesZeroedByDetach;

    void Reset() { *this = Control(); }
};

} // namespace fakeclient

// The one extra export of the stand-in library.
extern "C" fakeclient::Control* fake_client_control();
