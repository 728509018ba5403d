// The service components against the real Firebird: the embedded engine for local databases,
// the server on 127.0.0.1 for logins over TCP.
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "client/ClientEntryPoints.h"
#include "client/ClientLibrary.h"
#include "client/IBErrors.h"
#include "services/IBValidationService.h"
#include "support/DatabaseDamage.h"
#include "support/ScratchDirectory.h"
#include "support/TestDatabase.h"

namespace onarim {
namespace {

using namespace onarim::testing;

class ServicesFirebirdTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("ONARIM_CLIENT_LIBRARY");
        service = std::make_unique<TIBValidationService>(nullptr, "IBValidationService1");
        service->SetLoginPrompt(false);
        service->SetOptions({TValidateOption::IgnoreChecksum, TValidateOption::MendDB});
        service->Params().Assign({"user_name=SYSDBA", "password=any"});
    }
    void TearDown() override { service.reset(); }

    void StartRepairOf(const std::string& database) {
        service->SetDatabaseName(database);
        service->SetActive(true);
        service->ServiceStart();
    }

    ScratchDirectory scratch{ScratchDirectory::Kind::WithBlanksAndTurkishLetters};
    std::unique_ptr<TIBValidationService> service;
};

TEST_F(ServicesFirebirdTest, SoundDatabaseGivesOneEmptyLineAndTheEnd) {
    const TestDatabase database = CreateTestDatabase(scratch.File("sağlam.fdb"), {.rowCount = 20});
    StartRepairOf(database.path);
    EXPECT_EQ(service->ReadOutputLine(), "");
    EXPECT_TRUE(service->OutputEnded());
    EXPECT_TRUE(service->Active());
}

TEST_F(ServicesFirebirdTest, DamagedDatabaseFailsTheStartWithTheValidationSummary) {
    const TestDatabase database = CreateTestDatabase(scratch.File("hasarlı.fdb"));
    DamageDatabase(database, DamageKind::RecordLengthPastPage);
    try {
        StartRepairOf(database.path);
        FAIL() << "the server reports damage by failing the start";
    } catch (const EIBInterBaseError& error) {
        EXPECT_EQ(error.StatusErrorCode(), 335740952);
        EXPECT_EQ(error.Message().rfind("Summary of validation errors", 0), 0u) << error.Message();
    }
    EXPECT_FALSE(service->Active());
}

// Firebird 3 reports damage by failing the start; the service attachment must not outlive
// that in the client library. The handle the component held is asked for afterwards: a handle
// still open would let the second detach succeed.
TEST_F(ServicesFirebirdTest, FailedValidationsLeaveNoServiceAttachmentOpen) {
    for (DamageKind kind : {DamageKind::RecordLengthPastPage, DamageKind::GarbledRecordHeader}) {
        const std::string name = "hasarlı " + std::to_string(static_cast<int>(kind));
        const TestDatabase damaged = CreateTestDatabase(scratch.File(name + ".fdb"));
        DamageDatabase(damaged, kind, DamageTarget::LiveRows);
        const std::string validated = scratch.File(name + " kopya.fdb");
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE(name + ", round " + std::to_string(round));
            // The mend repairs what it can: every round validates the damage afresh.
            std::filesystem::copy_file(damaged.path, validated,
                                       std::filesystem::copy_options::overwrite_existing);
            service->SetDatabaseName(validated);
            service->SetActive(true);
            isc_svc_handle used = service->ServiceHandle();
            ASSERT_NE(used, 0u);
            EXPECT_THROW(service->ServiceStart(), EIBInterBaseError);
            EXPECT_FALSE(service->Active());

            ISC_STATUS status[20] = {};
            const ISC_STATUS result = ClientEntryPoints().isc_service_detach(status, &used);
            EXPECT_GT(result, 0) << "the attachment was left open";
            EXPECT_EQ(status[1], isc_bad_svc_handle);
        }
    }
}

TEST_F(ServicesFirebirdTest, MissingDatabaseFailsTheStartWithTheServersIOError) {
    const std::string missing = scratch.File("yok.fdb");
    try {
        StartRepairOf(missing);
        FAIL();
    } catch (const EIBInterBaseError& error) {
        EXPECT_EQ(error.Message(), "I/O error during \"open\" operation for file \"" + missing +
                                       "\"\r\nError while trying to open file\r\nNo such file "
                                       "or directory");
    }
    EXPECT_EQ(service->ServiceHandle(), 0u);
}

// A local service manager name reaches the embedded engine, which does not check passwords;
// over TCP the server does.
TEST_F(ServicesFirebirdTest, ServerChecksTheSysdbaPassword) {
    const char* password = std::getenv("ONARIM_TEST_SYSDBA_PASSWORD");
    if (password == nullptr || *password == '\0') {
        GTEST_SKIP() << "ONARIM_TEST_SYSDBA_PASSWORD is not set (scripts/test.sh sets it)";
    }
    service->SetProtocol(TProtocol::TCP);
    service->SetServerName("127.0.0.1");
    service->Params().Assign({"user_name=SYSDBA", std::string("password=") + password + "-wrong"});
    try {
        service->SetActive(true);
        FAIL() << "a wrong password must not attach";
    } catch (const EIBInterBaseError& error) {
        EXPECT_EQ(error.Message(), "Your user name and password are not defined. Ask your "
                                   "database administrator to set up a Firebird login");
    }
    EXPECT_EQ(service->ServiceHandle(), 0u);

    service->Params().Assign({"user_name=SYSDBA", std::string("password=") + password});
    service->SetActive(true);
    EXPECT_NE(service->ServiceHandle(), 0u);
    service->SetActive(false);
}

} // namespace
} // namespace onarim
