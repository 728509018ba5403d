// The reading session's attachment and transaction against the stand-in client library.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "client/ClientLibrary.h"
#include "recovery/ReadingSession.h"
#include "support/FakeClient.h"

namespace onarim {
namespace {

// An attachment with an open transaction refuses to detach: the session's end must roll the
// transaction back first, or the attachment stays open in the engine.
TEST(ReadingSessionTest, EndsItsTransactionBeforeItsAttachment) {
    fakeclient::Control& control = testing::UseFakeClient("complete");
    {
        TReadingSession session("/tmp/yok.fdb", {"SYSDBA", "any"});
        session.Transaction();
        control.calls.clear();
    }
    std::vector<std::string> ends;
    for (const fakeclient::Call& call : control.calls) {
        ends.push_back(call.entry);
    }
    EXPECT_EQ(ends, (std::vector<std::string>{"isc_rollback_transaction", "isc_detach_database"}));
    FreeClientLibrary();
}

} // namespace
} // namespace onarim
