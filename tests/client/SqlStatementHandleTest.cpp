// Where a statement's handle lives, against the stand-in client library, which (like
// Firebird's) keeps the handle's address from isc_dsql_alloc_statement2 on and writes 0 into it
// when the attachment is detached.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include <gtest/gtest.h>

#include "client/ClientLibrary.h"
#include "client/IBErrors.h"
#include "client/SqlAttachment.h"
#include "client/SqlStatement.h"
#include "client/SqlTransaction.h"
#include "support/FakeClient.h"

namespace onarim {
namespace {

// "internal Firebird consistency check": every later call on the attachment fails so.
constexpr ISC_STATUS kBugCheck = 335544333;

// A statement freed, or failing, before its attachment is detached leaves nothing the detach
// writes into: the statement's memory is gone by then (freed here before the detach, so that
// the sanitizer build catches a write into it too).
TEST(SqlStatementHandleTest, TheDetachWritesIntoNoStatementThatIsGone) {
    const struct Case {
        const char* name;
        std::vector<const char*> failing; // entry points whose next call fails
        bool constructed;
        std::size_t stillHeld; // statements the library still holds when the object is gone
    } cases[] = {
        {"freed when it goes", {}, true, 0},
        {"the drop fails on a broken attachment", {"isc_dsql_free_statement"}, true, 1},
        {"the prepare fails and the drop too",
         {"isc_dsql_prepare", "isc_dsql_free_statement"},
         false,
         1},
        {"the description fails after the prepare", {"isc_dsql_describe_bind"}, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fakeclient::Control& control = testing::UseFakeClient("complete");
        std::uintptr_t objectBegin = 0;
        {
            TSqlAttachment attachment("/tmp/yok.fdb", "SYSDBA", "any");
            TSqlTransaction transaction(attachment, TSqlTransactionKind::ReadWriteSnapshot);
            for (const char* entry : c.failing) {
                control.outcomes[entry].push_back({1, {1, kBugCheck, 0}});
            }
            auto storage = std::make_unique<std::byte[]>(sizeof(TSqlStatement));
            objectBegin = reinterpret_cast<std::uintptr_t>(storage.get());
            bool constructed = false;
            try {
                std::destroy_at(new (storage.get())
                                    TSqlStatement(transaction, "SELECT 1 FROM RDB$DATABASE"));
                constructed = true;
            } catch (const EIBInterBaseError& error) {
                EXPECT_EQ(error.StatusErrorCode(), kBugCheck);
            }
            storage.reset();
            EXPECT_EQ(constructed, c.constructed);
            EXPECT_EQ(control.keptStatementHandles.size(), c.stillHeld);
        }
        EXPECT_EQ(control.statementHandlesZeroedByDetach.size(), c.stillHeld);
        for (FB_API_HANDLE* written : control.statementHandlesZeroedByDetach) {
            const auto address = reinterpret_cast<std::uintptr_t>(written);
            EXPECT_FALSE(address >= objectBegin && address < objectBegin + sizeof(TSqlStatement))
                << "the detach wrote into the statement's freed memory";
        }
    }
    FreeClientLibrary();
}

} // namespace
} // namespace onarim
