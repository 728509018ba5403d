// onarim-cli on databases whose page headers a torn write hit: the page check mends them from
// the database's own structure before anything else reads the file.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/CliRun.h"
#include "platform/Files.h"
#include "support/DatabasePages.h"
#include "support/FirebirdTools.h"
#include "support/PageHeaderDamage.h"
#include "support/TestDatabase.h"

namespace onarim {
namespace {

using namespace onarim::testing;

constexpr int kRows = 600;
constexpr int kLargeNoteEvery = 50;

std::map<int, std::string> ExpectedNotes() {
    std::map<int, std::string> notes;
    for (int id = 1; id <= kRows; ++id) {
        notes[id] = id % kLargeNoteEvery == 0 ? ExpectedLargeNote(id) : ExpectedNote(id);
    }
    return notes;
}

struct MendCase {
    const char* name;
    HeaderTarget target;
    HeaderGarbage garbage;
    bool wholePage; // the whole page overwritten, not only its header
};

class PageMendCliTest : public ::testing::TestWithParam<MendCase> {
protected:
    ScratchDirectory scratch{ScratchDirectory::Kind::WithBlanksAndTurkishLetters};
};

TEST_P(PageMendCliTest, MendedPagesGiveBackEveryRowNoteAndTheSequence) {
    const MendCase& c = GetParam();
    const TestDatabase database =
        CreateTestDatabase(scratch.File("sayfa hasarı.fdb"),
                           {.rowCount = kRows, .deletedRows = false, .notes = true,
                            .largeNoteEvery = kLargeNoteEvery, .sequence = true});
    std::size_t damaged = 1;
    if (c.wholePage) {
        GarbleWholePage(database, HeaderTargetPages(database, c.target).front());
    } else {
        damaged = GarbleHeaders(database, c.target, c.garbage).size();
    }
    const std::string before = ReadFileBytes(database.path);

    const ProgramResult result = RunOnarimCli(scratch, {"--json", database.path});
    ASSERT_EQ(result.exitCode, 0) << result.Describe();
    const nlohmann::json report = nlohmann::json::parse(result.output);
    EXPECT_EQ(report["outcome"], "repaired");
    EXPECT_EQ(report["steps"][1]["step"], "page-check");
    EXPECT_EQ(report["pageMends"].size(), damaged) << report["pageMends"].dump(1);
    for (const auto& mend : report["pageMends"]) {
        EXPECT_FALSE(mend["reason"].get<std::string>().empty()) << mend.dump();
    }
    const std::string message = report["message"];
    EXPECT_NE(message.find(std::to_string(damaged) + " sayfanın başlığı veri tabanının kendi "
                           "yapısından onarıldı."), std::string::npos) << message;
    EXPECT_EQ(ReadFileBytes(report["keptCopy"]), before) << "the kept copy is the file as it was";

    const ValidationResult validation = ServiceRepairValidation(database.path);
    EXPECT_TRUE(validation.Clean()) << validation.run.Describe();
    EXPECT_EQ(ReadRows(database.path), ExpectedRows(kRows));
    EXPECT_EQ(ReadNotes(database.path), ExpectedNotes());
    EXPECT_EQ(ReadSequenceValue(database.path), kTestSequenceValue);
}

INSTANTIATE_TEST_SUITE_P(
    Damage, PageMendCliTest,
    ::testing::Values(
        MendCase{"DataPageLooksEncrypted", HeaderTarget::DataPage, HeaderGarbage::LooksEncrypted, false},
        MendCase{"DataPageOfAnotherType", HeaderTarget::DataPage, HeaderGarbage::AnotherType, false},
        MendCase{"DataPageZeros", HeaderTarget::DataPage, HeaderGarbage::Zeros, false},
        MendCase{"PointerPage", HeaderTarget::PointerPage, HeaderGarbage::LooksEncrypted, false},
        MendCase{"IndexRoot", HeaderTarget::IndexRoot, HeaderGarbage::AnotherType, false},
        MendCase{"BlobPage", HeaderTarget::BlobPage, HeaderGarbage::Zeros, false},
        MendCase{"GeneratorPage", HeaderTarget::GeneratorPage, HeaderGarbage::LooksEncrypted, false},
        MendCase{"HeaderPage", HeaderTarget::HeaderPage, HeaderGarbage::AnotherType, false},
        MendCase{"EveryPageOfTheTable", HeaderTarget::All, HeaderGarbage::LooksEncrypted, false},
        MendCase{"WholePointerPage", HeaderTarget::PointerPage, HeaderGarbage::Zeros, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Without a kept copy no page is written: the check says what it would mend and stops.
TEST(PageMendWithoutCopyTest, NothingIsWrittenAndTheRunStops) {
    ScratchDirectory scratch;
    const TestDatabase database = CreateTestDatabase(scratch.File("kopyasız.fdb"), {.rowCount = 50});
    GarbleHeaders(database, HeaderTarget::DataPage, HeaderGarbage::LooksEncrypted);
    const std::string before = ReadFileBytes(database.path);
    const ProgramResult result = RunOnarimCli(scratch, {"--no-copy", database.path});
    EXPECT_EQ(result.exitCode, 1) << result.Describe();
    EXPECT_NE(result.output.find("--no-copy olmadan yeniden başlatınız"), std::string::npos)
        << result.output;
    EXPECT_EQ(ReadFileBytes(database.path), before);
}

// A data page of short notes wholly zeroed: nothing tells what its header must be but the
// pointer page, and its body says otherwise, so it is left to the tools. Every note on it is
// lost, and the message counts them.
TEST(ZeroedBlobPageTest, TheLostNotesAreCountedExactly) {
    ScratchDirectory scratch;
    const TestDatabase database = CreateTestDatabase(
        scratch.File("notlar.fdb"), {.rowCount = 3000, .deletedRows = false, .notes = true});
    DatabasePages pages(database.path);
    const std::vector<DataPage> data = DataPagesOf(pages, database.relationId);
    const auto blobPage = std::find_if(data.begin(), data.end(), [](const DataPage& page) {
        return !page.records.empty() &&
               std::all_of(page.records.begin(), page.records.end(),
                           [](const RecordSlot& slot) { return slot.IsBlob(); });
    });
    ASSERT_NE(blobPage, data.end());
    const std::size_t notesOnPage = blobPage->records.size();
    pages.Write(blobPage->number, DatabasePages::Page(pages.PageSize(), 0));

    const ProgramResult result = RunOnarimCli(scratch, {"--json", database.path});
    EXPECT_EQ(result.exitCode, 4) << result.Describe();
    const nlohmann::json report = nlohmann::json::parse(result.output);
    const std::string message = report["message"];
    EXPECT_NE(message.find("ITEMS.NOTE: " + std::to_string(notesOnPage) + " blob değeri kayboldu"),
              std::string::npos) << message << "\n" << report["accounting"].dump() << "\n"
                                 << report["skippedBlobs"].dump() << report["losses"].dump();
    EXPECT_EQ(ReadRows(database.path), ExpectedRows(3000)) << "no row is lost";
}

} // namespace
} // namespace onarim
