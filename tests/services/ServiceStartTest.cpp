#include <gtest/gtest.h>

#include "client/IBErrors.h"
#include "services/IBValidationService.h"
#include "support/Bytes.h"
#include "support/ServiceTestFixture.h"

namespace onarim {
namespace {

using testing::Hex;
using testing::ToHex;
using enum TValidateOption;

class ServiceStartTest : public testing::FakeClientTest {
protected:
    std::unique_ptr<TIBValidationService> MakeAttachedService(const std::string& database) {
        auto service = std::make_unique<TIBValidationService>(nullptr, "IBValidationService1");
        service->SetLoginPrompt(false);
        service->Params().Assign({"user_name=SYSDBA", "password=1"});
        service->SetDatabaseName(database);
        service->SetActive(true);
        return service;
    }

    std::string LastStartRequest() { return CallsOf("isc_service_start").back().bytes; }
};

TEST_F(ServiceStartTest, RepairRequestBytesForEachOptionSet) {
    const std::string name = "43 3A 5C 44 42 5C 54 45 53 54 2E 47 44 42"; // C:\DB\TEST.GDB
    struct Case {
        const char* label;
        TValidateOptions options;
        std::string request;
    } cases[] = {
        {"the main window's options", {IgnoreChecksum, MendDB}, "03 6A 0E 00 " + name + " 6C 24 00 00 00"},
        {"no options", {}, "03 6A 0E 00 " + name},
        {"validate", {ValidateDB}, "03 6A 0E 00 " + name + " 6C 01 00 00 00"},
        {"full", {ValidateFull}, "03 6A 0E 00 " + name + " 6C 81 00 00 00"},
        {"full with mend", {ValidateFull, MendDB}, "03 6A 0E 00 " + name + " 6C 84 00 00 00"},
        {"sweep with another option: two items", {SweepDB, CheckDB},
         "03 6A 0E 00 " + name + " 6C 02 00 00 00 6C 10 00 00 00"},
        {"all eight", TValidateOptions::All(),
         "03 6A 0E 00 " + name + " 6C 03 00 00 00 6C FC 00 00 00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto service = MakeAttachedService("C:\\DB\\TEST.GDB");
        service->SetOptions(c.options);
        for (auto action : {TTransactionGlobalAction::CommitGlobal, TTransactionGlobalAction::NoGlobalAction}) {
            service->SetGlobalAction(action); // adds nothing to the request
            service->ServiceStart();
            EXPECT_EQ(ToHex(LastStartRequest()), ToHex(Hex(c.request)));
            EXPECT_EQ(CallsOf("isc_service_start").back().handle, service->ServiceHandle());
        }
        EXPECT_TRUE(service->StartRequest().empty());
        EXPECT_EQ(service->ServiceAction(), 3);
    }
}

TEST_F(ServiceStartTest, DatabaseNameIsSentByteForByte) {
    const std::string turkish = "/veri/Müşteri Kayıtları.fdb"; // 31 bytes, 27 characters
    auto service = MakeAttachedService(turkish);
    service->ServiceStart();
    EXPECT_EQ(LastStartRequest(), Hex("03 6A 1F 00") + turkish);
}

TEST_F(ServiceStartTest, RefusedStartsSendNothing) {
    auto service = MakeAttachedService("");
    try {
        service->ServiceStart();
        FAIL();
    } catch (const EIBClientError& error) {
        EXPECT_EQ(error.SqlErrorCode(), 94);
        EXPECT_EQ(error.Message(), "start Parameters missing or incorrect");
    }
    EXPECT_EQ(service->ServiceAction(), 3) << "the action is set before the name is checked";
    EXPECT_TRUE(service->Active());

    service->SetDatabaseName(std::string(65536, 'x'));
    EXPECT_THROW(service->ServiceStart(), EIBClientError) << "a name the length field cannot carry";
    EXPECT_TRUE(service->StartRequest().empty());

    service->SetActive(false);
    service->SetDatabaseName("db.fdb");
    try {
        service->ServiceStart();
        FAIL();
    } catch (const EIBClientError& error) {
        EXPECT_EQ(error.SqlErrorCode(), 90);
    }

    TIBControlService plain;
    plain.SetLoginPrompt(false);
    plain.SetActive(true);
    try {
        plain.ServiceStart();
        FAIL();
    } catch (const EIBClientError& error) {
        EXPECT_EQ(error.SqlErrorCode(), 94);
    }
    EXPECT_TRUE(CallsOf("isc_service_start").empty());
}

TEST_F(ServiceStartTest, FailedStartDetachesAndTheNextStartBuildsAfresh) {
    auto service = MakeAttachedService("/db/damaged.fdb");
    service->SetOptions({IgnoreChecksum, MendDB});
    ScriptFailure("isc_service_start", 335740952,
                  {"Summary of validation errors", "", "\tNumber of record level errors\t: 1"});
    try {
        service->ServiceStart();
        FAIL();
    } catch (const EIBInterBaseError& error) {
        EXPECT_EQ(error.StatusErrorCode(), 335740952);
        EXPECT_EQ(error.Message(), "Summary of validation errors");
    }
    EXPECT_FALSE(service->Active());
    EXPECT_TRUE(service->StartRequest().empty());
    EXPECT_EQ(CallsOf("isc_service_detach").size(), 1u) << "the library is asked to detach";

    const std::string failedRequest = LastStartRequest();
    service->SetActive(true);
    service->ServiceStart();
    EXPECT_EQ(LastStartRequest(), failedRequest);
}

// A failed start or query must not leave the service handle open in the client library, and
// the error raised is the server's, whatever the detach answers.
TEST_F(ServiceStartTest, FailedStartOrQueryDetachesTheHandleAndRaisesTheServersError) {
    struct Case {
        const char* failing;
        bool detachFails;
    } cases[] = {
        {"isc_service_start", false},
        {"isc_service_start", true},
        {"isc_service_query", false},
        {"isc_service_query", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.failing) + (c.detachFails ? ", detach fails" : ""));
        fake->Reset();
        fake->attachHandle = 0x77;
        auto service = MakeAttachedService("/db/damaged.fdb");
        const bool query = std::string(c.failing) == "isc_service_query";
        if (query) {
            service->ServiceStart();
        }
        ScriptFailure(c.failing, 335740952, {"Summary of validation errors"});
        if (c.detachFails) {
            fake->outcomes["isc_service_detach"].push_back({1, {1, 335544559, 0}});
        }
        try {
            query ? (void)service->ReadOutputLine() : service->ServiceStart();
            ADD_FAILURE() << "the failure must be raised";
        } catch (const EIBInterBaseError& error) {
            EXPECT_EQ(error.StatusErrorCode(), 335740952);
            EXPECT_EQ(error.Message(), "Summary of validation errors");
        }
        EXPECT_FALSE(service->Active());
        const std::vector<fakeclient::Call> detaches = CallsOf("isc_service_detach");
        ASSERT_EQ(detaches.size(), 1u);
        EXPECT_EQ(detaches[0].handle, 0x77u);
        EXPECT_EQ(fake->calls.back().entry, "isc_service_detach") << "detached right after";
    }
}

} // namespace
} // namespace onarim
