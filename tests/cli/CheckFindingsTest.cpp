#include <memory>

#include <gtest/gtest.h>

#include "cli/CheckFindings.h"
#include "client/IBErrors.h"

namespace onarim {
namespace {

// How an error the server or the client raised is told: only damage to the database's pages
// is CRITICAL; what keeps the check from being done is UNKNOWN.
// A failed call as the client raises it.
std::shared_ptr<const std::exception> ServerError(std::int32_t status, std::string message,
                                                  std::vector<std::int32_t> codes) {
    return std::make_shared<EIBInterBaseError>(-902, status, std::move(message), std::move(codes));
}

TEST(CheckFindingsTest, ErrorsAreUnknownUnlessTheyTellDamage) {
    const TCheckFileFacts database{.readableDatabase = true};
    const TCheckFileFacts unreadable{};
    const std::string advice =
        "; veri tabanına bağlı kullanıcı yokken onarımı çalıştırın: onarim-cli /d.fdb";
    const struct {
        const char* label;
        std::shared_ptr<const std::exception> error;
        TCheckStage stage;
        TCheckFileFacts file;
        TCheckStatus level;
        std::string text;
    } cases[] = {
        {"no server",
         ServerError(335544721,
                     "Unable to complete network request to host \"h\".\r\n"
                     "Failed to establish a connection",
                     {335544721, 335544722}),
         TCheckStage::ServiceAttach, database, TCheckStatus::Unknown,
         "sunucu yanıt vermiyor (h/3051): Unable to complete network request to host \"h\": "
         "Failed to establish a connection"},
        {"password refused",
         ServerError(335544472, "Your user name and password are not defined", {335544472}),
         TCheckStage::ServiceAttach, database, TCheckStatus::Unknown,
         "sunucu SYSDBA kullanıcısının parolasını kabul etmedi"},
        {"damaged pages stop the validation",
         ServerError(335544335, "database file appears corrupt (/d.fdb)\r\nwrong page type",
                     {335544335, 335544403}),
         TCheckStage::Validation, database, TCheckStatus::Critical,
         "veri tabanı hasar yüzünden açılamıyor (database file appears corrupt (/d.fdb): wrong "
         "page type)" + advice},
        {"a header the server refuses",
         ServerError(335544323, "file /d.fdb is not a valid database", {335544323}),
         TCheckStage::Facts, database, TCheckStatus::Critical,
         "veri tabanı hasar yüzünden açılamıyor (file /d.fdb is not a valid database)" + advice},
        {"damage codes for a file not read here",
         ServerError(335544323, "file /d.fdb is not a valid database", {335544323}),
         TCheckStage::Validation, unreadable, TCheckStatus::Unknown,
         "doğrulama yapılamadı: file /d.fdb is not a valid database"},
        {"damage codes before any database is opened",
         ServerError(335544335, "database file appears corrupt", {335544335}),
         TCheckStage::ServiceAttach, database, TCheckStatus::Unknown,
         "sunucunun hizmet yöneticisine bağlanılamadı: database file appears corrupt"},
        {"the server cannot open the file",
         ServerError(335544344,
                     "I/O error during \"open\" operation for file \"/d.fdb\"\r\n"
                     "Error while trying to open file\r\nPermission denied",
                     {335544344, 335544734}),
         TCheckStage::Validation, database, TCheckStatus::Unknown,
         "doğrulama yapılamadı: I/O error during \"open\" operation for file \"/d.fdb\": Error "
         "while trying to open file: Permission denied"},
        {"no client library",
         std::make_shared<EIBClientError>(1, "InterBase library gds32.dll not found in the path"),
         TCheckStage::ServiceAttach, database, TCheckStatus::Unknown,
         "sunucunun hizmet yöneticisine bağlanılamadı: InterBase library gds32.dll not found in "
         "the path"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const TCheckFinding finding =
            ErrorFinding(*c.error, c.stage, "/d.fdb", "h/3051", "SYSDBA", c.file);
        EXPECT_EQ(finding.level, c.level);
        EXPECT_EQ(finding.text, c.text);
    }
}

} // namespace
} // namespace onarim
