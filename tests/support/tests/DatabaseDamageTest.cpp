// Each damage the fixtures make is one the validation reports, in the category it belongs to,
// and touches nothing but the page it names.
#include "support/DatabaseDamage.h"

#include <gtest/gtest.h>

#include "support/DatabasePages.h"
#include "support/FirebirdTools.h"
#include "support/FixtureError.h"
#include "support/ScratchDirectory.h"

namespace onarim::testing {
namespace {

struct DamageCase {
    DamageKind kind;
    DamageTarget target;
    const char* reportLine; // the line of gfix's summary that the damage must produce
};

std::vector<DatabasePages::Page> AllPages(const std::string& path) {
    const DatabasePages pages(path);
    std::vector<DatabasePages::Page> all;
    for (std::uint32_t number = 0; number < pages.PageCount(); ++number) {
        all.push_back(pages.Read(number));
    }
    return all;
}

class DamageReportTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamageReportTest, ValidationReportsItAndOnlyTheNamedPageChanged) {
    ScratchDirectory directory;
    const bool notes = GetParam().target == DamageTarget::LiveBlobs;
    const TestDatabase database =
        CreateTestDatabase(directory.File("damaged.fdb"), {.rowCount = 200, .notes = notes});
    const auto before = AllPages(database.path);

    const DamageSite site = DamageDatabase(database, GetParam().kind, GetParam().target);

    const auto after = AllPages(database.path);
    ASSERT_EQ(before.size(), after.size());
    for (std::uint32_t number = 0; number < before.size(); ++number) {
        EXPECT_EQ(before[number] != after[number], number == site.page) << "page " << number;
    }
    const ValidationResult report = ReadOnlyValidation(database.path);
    EXPECT_FALSE(report.Clean()) << site.Describe();
    EXPECT_NE(report.run.output.find("Summary of validation errors"), std::string::npos)
        << report.run.Describe();
    EXPECT_NE(report.run.output.find(GetParam().reportLine), std::string::npos)
        << report.run.Describe();
}

std::vector<DamageCase> EveryKindOnEveryTarget() {
    std::vector<DamageCase> cases;
    for (const DamageTarget target : {DamageTarget::LiveRows, DamageTarget::DeletedRows,
                                      DamageTarget::OrphanBlob, DamageTarget::LiveBlobs}) {
        cases.push_back({DamageKind::WrongPageType, target, "Number of database page errors"});
        cases.push_back({DamageKind::RecordLengthPastPage, target, "Number of data page errors"});
        cases.push_back({DamageKind::GarbledRecordHeader, target, "Number of record level errors"});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Kinds, DamageReportTest, ::testing::ValuesIn(EveryKindOnEveryTarget()),
                         [](const auto& info) {
                             return ToString(info.param.kind) + "On" + ToString(info.param.target);
                         });

TEST(DatabaseDamageTest, IndexPageDamageIsReportedAsIndexPageErrors) {
    for (const int pageSize : {4096, 16384}) {
        ScratchDirectory directory;
        const TestDatabase database =
            CreateTestDatabase(directory.File("index.fdb"), {pageSize, 200, false});
        const DamageSite site = DamageIndexPage(database);

        const ValidationResult report = ReadOnlyValidation(database.path);
        EXPECT_NE(report.run.output.find("Number of index page errors"), std::string::npos)
            << site.Describe() << "\n"
            << report.run.Describe();
    }
}

// The validation cannot go on past a page that is not in the file.
TEST(DatabaseDamageTest, AnIndexSiblingPastTheEndFailsTheValidationItself) {
    ScratchDirectory directory;
    const TestDatabase database = CreateTestDatabase(directory.File("sibling.fdb"));
    DamageIndexSibling(database);

    for (const ValidationResult& report :
         {ReadOnlyValidation(database.path), ServiceRepairValidation(database.path)}) {
        EXPECT_EQ(report.run.exitCode, 1);
        EXPECT_EQ(report.run.output, "I/O error during \"read\" operation for file \"" +
                                         database.path + "\"\n-File size is less than expected\n")
            << report.run.Describe();
    }
}

TEST(DatabaseDamageTest, NeedsTheDeletedRowsTheTableStillHolds) {
    ScratchDirectory directory;
    const TestDatabase database = CreateTestDatabase(directory.File("collected.fdb"));
    ReadRows(database.path); // collects the deleted rows' garbage and frees their pages
    EXPECT_THROW(
        DamageDatabase(database, DamageKind::RecordLengthPastPage, DamageTarget::DeletedRows),
        FixtureError);
}

} // namespace
} // namespace onarim::testing
