// Against the real Firebird client library, with the embedded engine (no server needed).
#include <cstring>

#include <gtest/gtest.h>

#include "client/ClientEntryPoints.h"
#include "client/ClientLibrary.h"
#include "client/DatabaseError.h"
#include "client/IBErrors.h"
#include "client/StatusVector.h"

namespace onarim {
namespace {

TEST(ClientFirebirdTest, AttachToAnUnknownServiceRaisesTheClientsOwnMessageLines) {
    unsetenv("ONARIM_CLIENT_LIBRARY");
    EnsureClientLibrary();
    const auto& client = ClientEntryPoints();
    const char name[] = "no_such_service";
    const char spb[] = {isc_spb_version, isc_spb_current_version, isc_spb_user_name, 6,
                        'S', 'Y', 'S', 'D', 'B', 'A'};
    isc_svc_handle handle = 0;
    const ISC_STATUS result = client.isc_service_attach(
        ThreadStatusVector(), std::strlen(name), name, &handle, sizeof spb, spb);
    ASSERT_TRUE(ClientCallFailed(result));
    try {
        RaiseDatabaseError();
        FAIL();
    } catch (const EIBInterBaseError& error) {
        EXPECT_EQ(error.Message(), "Cannot attach to services manager\r\n"
                                   "service no_such_service is not defined");
        EXPECT_EQ(error.StatusErrorCode(), isc_service_att_err);
    }
    FreeClientLibrary();
}

} // namespace
} // namespace onarim
