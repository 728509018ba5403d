#include <gtest/gtest.h>

#include "client/ClientLibrary.h"
#include "client/IBErrors.h"
#include "services/IBValidationService.h"
#include "support/Bytes.h"
#include "support/ServiceTestFixture.h"

namespace onarim {
namespace {

using testing::Hex;
using testing::ToHex;

class IBCustomServiceTest : public testing::FakeClientTest {
protected:
    // A component set up like the main window's: no login prompt, SYSDBA credentials.
    std::unique_ptr<TIBCustomService> MakeService() {
        auto service = std::make_unique<TIBCustomService>(nullptr, "IBValidationService1");
        service->SetLoginPrompt(false);
        service->Params().Add("user_name=SYSDBA");
        service->Params().Add("password=1");
        return service;
    }

    template <typename Action>
    int ClientErrorOf(Action action) {
        try {
            action();
        } catch (const EIBClientError& error) {
            return error.SqlErrorCode();
        }
        return 0;
    }
};

TEST_F(IBCustomServiceTest, NoClientLibraryMeansNoComponent) {
    testing::PointClientLibraryAt("/nonexistent/libfbclient.so.2");
    EXPECT_EQ(ClientErrorOf([] { TIBCustomService service; }), 1);
}

TEST_F(IBCustomServiceTest, AttachSendsNameAndBlockAndReportsAttachment) {
    auto service = MakeService();
    int attachedNotices = 0;
    service->SetOnAttach([&](TIBCustomService& sender) {
        EXPECT_EQ(&sender, service.get());
        ++attachedNotices;
    });
    fake->attachHandle = 0x77;
    service->SetActive(true);

    EXPECT_TRUE(service->Active());
    EXPECT_EQ(service->ServiceHandle(), 0x77u);
    EXPECT_EQ(attachedNotices, 1);
    ASSERT_EQ(CallsOf("isc_service_attach").size(), 1u);
    EXPECT_EQ(CallsOf("isc_service_attach")[0].name, "service_mgr");
    EXPECT_EQ(ToHex(CallsOf("isc_service_attach")[0].bytes),
              "02 02 1C 06 53 59 53 44 42 41 1D 01 31");

    service->SetActive(true); // no second attach
    service->SetActive(false);
    service->SetActive(false); // no second detach
    EXPECT_FALSE(service->Active());
    EXPECT_EQ(CallsOf("isc_service_attach").size(), 1u);
    ASSERT_EQ(CallsOf("isc_service_detach").size(), 1u);
    EXPECT_EQ(CallsOf("isc_service_detach")[0].handle, 0x77u);
}

TEST_F(IBCustomServiceTest, ServiceManagerNameFollowsTheProtocol) {
    struct Case {
        TProtocol protocol;
        const char* server;
        const char* name;
    } cases[] = {
        {TProtocol::TCP, "db.example", "db.example:service_mgr"},
        {TProtocol::SPX, "novell", "novell@service_mgr"},
        {TProtocol::NamedPipe, "winhost", "\\\\winhost\\service_mgr"},
        {TProtocol::Local, "", "service_mgr"},
    };
    for (const auto& c : cases) {
        auto service = MakeService();
        service->SetProtocol(c.protocol);
        service->SetServerName(c.server);
        service->SetActive(true);
        EXPECT_EQ(fake->calls.back().name, c.name);
    }
}

TEST_F(IBCustomServiceTest, RemoteProtocolWithoutServerNameFailsBeforeAnyLogin) {
    auto service = MakeService();
    service->SetLoginPrompt(true);
    bool loginAsked = false;
    service->SetOnLogin([&](TIBCustomService&, std::vector<std::string>&) { loginAsked = true; });
    service->SetProtocol(TProtocol::TCP);
    EXPECT_EQ(ClientErrorOf([&] { service->SetActive(true); }), 92);
    EXPECT_FALSE(loginAsked);
    EXPECT_TRUE(fake->calls.empty());
}

TEST_F(IBCustomServiceTest, SettingsThatNeedADetachedComponentAreRefusedWhileAttached) {
    auto service = MakeService();
    service->SetProtocol(TProtocol::TCP);
    service->SetServerName("host");
    service->SetActive(true);

    EXPECT_EQ(ClientErrorOf([&] { service->Params().Add("password=2"); }), 91);
    EXPECT_EQ(ClientErrorOf([&] { service->Params().Clear(); }), 91);
    EXPECT_EQ(ClientErrorOf([&] { service->SetParams({}); }), 91);
    EXPECT_EQ(ClientErrorOf([&] { service->SetServerName("other"); }), 91);
    EXPECT_EQ(ClientErrorOf([&] { service->SetProtocol(TProtocol::Local); }), 91);
    EXPECT_EQ(service->Params().Lines(), (std::vector<std::string>{"user_name=SYSDBA", "password=1"}));
    EXPECT_EQ(service->ServerName(), "host");

    // Writing the current value, and the settings without checks, raise nothing.
    EXPECT_EQ(ClientErrorOf([&] {
                  service->SetServerName("host");
                  service->SetProtocol(TProtocol::TCP);
                  service->SetLoginPrompt(true);
                  service->SetTraceFlags({TTraceFlag::tfService});
              }),
              0);

    service->SetActive(false);
    service->SetProtocol(TProtocol::Local);
    EXPECT_EQ(service->ServerName(), "");
    service->SetProtocol(TProtocol::TCP);
    EXPECT_EQ(service->ServerName(), "") << "setting a protocol never fills the server name";
}

TEST_F(IBCustomServiceTest, FailedAttachLeavesTheComponentDetachedAndCarriesTheServerText) {
    auto service = MakeService();
    bool attachedNotice = false;
    service->SetOnAttach([&](TIBCustomService&) { attachedNotice = true; });
    ScriptFailure("isc_service_attach", 335544472,
                  {"Your user name and password are not defined. Ask your database administrator "
                   "to set up a Firebird login."});
    try {
        service->SetActive(true);
        FAIL();
    } catch (const EIBInterBaseError& error) {
        EXPECT_EQ(error.StatusErrorCode(), 335544472);
        EXPECT_EQ(error.Message(), "Your user name and password are not defined. Ask your "
                                   "database administrator to set up a Firebird login");
    }
    EXPECT_EQ(service->ServiceHandle(), 0u);
    EXPECT_FALSE(attachedNotice);
}

TEST_F(IBCustomServiceTest, FailedDetachStillForgetsTheHandle) {
    auto service = MakeService();
    service->SetActive(true);
    ScriptFailure("isc_service_detach", 335544559);
    EXPECT_THROW(service->SetActive(false), EIBInterBaseError);
    EXPECT_FALSE(service->Active());
}

TEST_F(IBCustomServiceTest, FailedBlockBuildIsRetriedNotReplacedByTheOldBlock) {
    auto service = MakeService();
    service->SetActive(true);
    service->SetActive(false);
    service->Params().Add("db_name=x");
    EXPECT_EQ(ClientErrorOf([&] { service->SetActive(true); }), 88);
    EXPECT_EQ(ClientErrorOf([&] { service->SetActive(true); }), 88)
        << "the second attempt must build again, not send the previous block";
    EXPECT_EQ(CallsOf("isc_service_attach").size(), 1u);

    service->Params().Delete(2);
    service->SetActive(true);
    EXPECT_EQ(CallsOf("isc_service_attach").back().bytes, CallsOf("isc_service_attach")[0].bytes);
}

TEST_F(IBCustomServiceTest, LoginPromptAsksTheHandlerOrTheDialog) {
    auto service = MakeService();
    service->SetLoginPrompt(true);
    // Neither a handler nor a dialog: every attach is cancelled.
    EXPECT_EQ(ClientErrorOf([&] { service->SetActive(true); }), 10);

    // The dialog sees the lines' values and its answer goes back into them.
    service->Params().Assign({"user_name=SYSDBA"});
    std::string seenServer, seenUser, seenPassword;
    SetLoginDialogHook([&](const std::string& server, std::string& user, std::string& password,
                           bool readOnly) {
        seenServer = server;
        seenUser = user;
        seenPassword = password;
        EXPECT_FALSE(readOnly);
        user = "OPERATOR";
        password = "secret";
        return true;
    });
    service->SetActive(true);
    EXPECT_EQ(seenUser, "SYSDBA");
    EXPECT_EQ(seenPassword, "");
    EXPECT_EQ(service->Params().Lines(),
              (std::vector<std::string>{"user_name=OPERATOR", "password=secret"}));
    service->SetActive(false);

    // A declined dialog cancels; the handler, when set, takes precedence over the dialog.
    SetLoginDialogHook([](const std::string&, std::string&, std::string&, bool) { return false; });
    EXPECT_EQ(ClientErrorOf([&] { service->SetActive(true); }), 10);
    service->SetOnLogin([](TIBCustomService&, std::vector<std::string>& lines) {
        lines = {"user_name=SYSDBA", "password=fromhandler"};
    });
    service->SetActive(true);
    EXPECT_EQ(ToHex(CallsOf("isc_service_attach").back().bytes),
              ToHex(Hex("02 02 1C 06 53 59 53 44 42 41 1D 0B") + "fromhandler"));
    SetLoginDialogHook(nullptr);
}

TEST_F(IBCustomServiceTest, StoredActiveAttachesWhenLoadingEnds) {
    auto service = MakeService();
    service->BeginLoading();
    service->SetActive(true);
    EXPECT_TRUE(fake->calls.empty());
    service->Loaded();
    EXPECT_TRUE(service->Active());
}

TEST_F(IBCustomServiceTest, DestroyingAnAttachedComponentDetachesOnlyWhileTheLibraryIsThere) {
    {
        auto service = MakeService();
        service->SetActive(true);
    }
    EXPECT_EQ(CallsOf("isc_service_detach").size(), 1u);

    auto service = MakeService();
    service->SetActive(true);
    ScriptFailure("isc_service_detach", 335544559);
    service.reset(); // a failing detach does not escape the destructor
    EXPECT_EQ(CallsOf("isc_service_detach").size(), 2u);

    service = MakeService();
    service->SetActive(true);
    FreeClientLibrary();
    service.reset(); // must not call into the unloaded library
    EXPECT_EQ(CallsOf("isc_service_detach").size(), 2u);
}

TEST_F(IBCustomServiceTest, OlderClientFailsAtTheFirstAttach) {
    fake = &testing::UseFakeClient("no_rollback_retaining");
    auto service = MakeService();
    try {
        service->SetActive(true);
        FAIL();
    } catch (const EIBClientError& error) {
        EXPECT_EQ(error.SqlErrorCode(), 3);
        EXPECT_EQ(error.Message(), "isc_service_attach is an InterBase 6 function. Please "
                                   "upgrade to InterBase 6 to use this functonality");
    }
    EXPECT_FALSE(service->Active());
}

} // namespace
} // namespace onarim
