// What only the pages themselves tell: a record nobody can read is still a row that existed.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/CliRun.h"
#include "support/DatabasePages.h"
#include "support/TestDatabase.h"

namespace onarim {
namespace {

using namespace onarim::testing;

// Twelve bytes of 0xFF over the header of one live row's record: the engine takes it for a
// deleted row and counts it no more, and the tools keep every other row. The count before the
// repair reads the pages and counts it: the loss is told, with the record's page and line.
TEST(UnreadableRecordTest, ARowNobodyCanReadIsCountedAsLost) {
    ScratchDirectory scratch;
    const TestDatabase database =
        CreateTestDatabase(scratch.File("satır.fdb"), {.rowCount = 3000, .deletedRows = false});
    DatabasePages pages(database.path);
    const std::vector<DataPage> data = DataPagesOf(pages, database.relationId);
    const DataPage& page = data.at(1);
    const auto row = std::find_if(page.records.begin(), page.records.end(),
                                  [](const RecordSlot& slot) { return slot.IsLiveRow(); });
    ASSERT_NE(row, page.records.end());
    DatabasePages::Page bytes = pages.Read(page.number);
    std::fill_n(bytes.begin() + row->offset, 12, 0xFF);
    pages.Write(page.number, bytes);

    const ProgramResult result = RunOnarimCli(scratch, {"--json", database.path});
    EXPECT_EQ(result.exitCode, 4) << result.Describe();
    const nlohmann::json report = nlohmann::json::parse(result.output);
    const std::string message = report["message"];
    EXPECT_NE(message.find("ITEMS: 3000 kayıttan 2999 kayıt kaldı"), std::string::npos) << message;
    EXPECT_NE(message.find("okunamayan kayıt, page " + std::to_string(page.number) + " line " +
                           std::to_string(row->slot)),
              std::string::npos)
        << message;
}

} // namespace
} // namespace onarim
