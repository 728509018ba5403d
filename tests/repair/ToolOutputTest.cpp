// Reading the tools' output: real transcripts of gfix and gbak, and lines of any other shape.
#include "repair/ToolOutput.h"

#include <fstream>

#include <gtest/gtest.h>

namespace onarim {
namespace {

std::vector<std::string> TranscriptLines(const std::string& name) {
    std::vector<std::string> lines;
    if (name.empty()) {
        return lines;
    }
    std::ifstream file(std::string(TOOL_OUTPUT_DATA_DIR) + "/" + name + ".txt");
    EXPECT_TRUE(file) << name;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

TToolOutputSummary Read(const std::string& validation, const std::string& backup,
                        const std::string& restore) {
    TToolOutputReader reader;
    for (const auto& line : TranscriptLines(validation)) {
        reader.ValidationLine(line);
    }
    for (const auto& line : TranscriptLines(backup)) {
        reader.BackupLine(line);
    }
    for (const auto& line : TranscriptLines(restore)) {
        reader.RestoreLine(line);
    }
    return reader.Summary();
}

using Counts = std::map<std::string, std::int64_t>;
using Count = std::optional<std::int64_t>;

struct ExpectedTable {
    std::string table;
    Count written, restored;
    Counts blobErrors;
};

struct ExpectedError {
    TToolStep step;
    std::string message;
    std::int64_t count = 1;
};

struct TranscriptCase {
    const char* name;
    std::string validation, backup, restore; // transcript names; empty: not run
    std::vector<ExpectedTable> tables = {};
    std::vector<ExpectedError> errors = {}; // all of them, in order
    std::vector<std::string> validationReport = {};
};

void PrintTo(const TranscriptCase& c, std::ostream* out) {
    *out << c.name;
}

std::string Describe(const TToolOutputSummary& summary) {
    std::string text;
    for (const auto& t : summary.tables) {
        text += "table " + t.table + " written " + (t.written ? std::to_string(*t.written) : "-") +
                " restored " + (t.restored ? std::to_string(*t.restored) : "-") + "\n";
    }
    for (const auto& e : summary.errors) {
        text += "error " + std::to_string(static_cast<int>(e.step)) + " " + e.message + " x" +
                std::to_string(e.count) + "\n";
    }
    return text;
}

class TranscriptTest : public ::testing::TestWithParam<TranscriptCase> {};

TEST_P(TranscriptTest, TablesErrorsAndTheValidationReport) {
    const TranscriptCase& c = GetParam();
    const TToolOutputSummary summary = Read(c.validation, c.backup, c.restore);
    SCOPED_TRACE(Describe(summary));

    ASSERT_EQ(summary.tables.size(), c.tables.size());
    for (std::size_t i = 0; i < c.tables.size(); ++i) {
        EXPECT_EQ(summary.tables[i].table, c.tables[i].table);
        EXPECT_EQ(summary.tables[i].written, c.tables[i].written) << c.tables[i].table;
        EXPECT_EQ(summary.tables[i].restored, c.tables[i].restored) << c.tables[i].table;
        EXPECT_EQ(summary.tables[i].blobErrors, c.tables[i].blobErrors) << c.tables[i].table;
    }
    ASSERT_EQ(summary.errors.size(), c.errors.size());
    for (std::size_t i = 0; i < c.errors.size(); ++i) {
        EXPECT_EQ(summary.errors[i].step, c.errors[i].step) << i;
        EXPECT_EQ(summary.errors[i].message, c.errors[i].message) << i;
        EXPECT_EQ(summary.errors[i].count, c.errors[i].count) << i;
        EXPECT_FALSE(summary.errors[i].warning);
    }
    EXPECT_EQ(summary.validationReport, c.validationReport);
}

const std::string kDatabase = "/tmp/onarim/Veri Tabanı/Müşteri Kayıtları.fdb";
const std::string kIoError = "I/O error during \"read\" operation for file \"" + kDatabase + "\"";
const std::string kLogin = "Your user name and password are not defined. Ask your database "
                           "administrator to set up a Firebird login.";

INSTANTIATE_TEST_SUITE_P(
    Firebird3, TranscriptTest,
    ::testing::Values(
        TranscriptCase{"Sound", "", "sound-backup", "sound-restore", {{"ITEMS", 3000, 3000, {}}}},
        TranscriptCase{"BlobPage",
                       "blob-page-validation",
                       "blob-page-backup",
                       "blob-page-restore",
                       {{"ITEMS", 3000, 3000, {{"NOTE", 78}}}},
                       {{TToolStep::Backup, "BLOB not found", 78}},
                       {"Summary of validation errors", "Number of database page warnings\t: 1"}},
        TranscriptCase{
            "WrongPageType",
            "wrong-page-type-validation",
            "wrong-page-type-backup",
            "wrong-page-type-restore",
            {{"ITEMS", {}, {}, {}}},
            {{TToolStep::Backup, "database file appears corrupt (" + kDatabase + ")"},
             {TToolStep::Backup, "wrong page type"},
             {TToolStep::Backup, "page 232 is of wrong type (expected data, found index B-tree)"},
             {TToolStep::Backup, "gds_$start_request failed"},
             {TToolStep::Restore, "cannot open backup file /tmp/onarim/Veri Tabanı/BACKUP.GBK"}},
            {"Summary of validation errors", "Number of database page errors\t: 1",
             "Number of database page warnings\t: 1"}},
        TranscriptCase{"IndexSibling",
                       "index-sibling-validation",
                       "",
                       "",
                       {},
                       {{TToolStep::Validation, kIoError},
                        {TToolStep::Validation, "File size is less than expected"}},
                       {kIoError, "-File size is less than expected"}},
        TranscriptCase{
            "DuplicateKey",
            "",
            "",
            "duplicate-key-restore",
            {{"ITEMS", {}, 3000, {}}},
            {{TToolStep::Restore,
              "violation of PRIMARY or UNIQUE KEY constraint \"INTEG_2\" on table \"ITEMS\""},
             {TToolStep::Restore, "Problematic key value is (\"ID\" = 1)"},
             {TToolStep::Restore, "action cancelled by trigger (3) to preserve data integrity"},
             {TToolStep::Restore, "Cannot deactivate index used by a PRIMARY/UNIQUE constraint"}}},
        TranscriptCase{"TwoBlobColumns",
                       "",
                       "two-blob-columns-backup",
                       "two-blob-columns-restore",
                       {{"Müşteri Kayıt", 25, 25, {}},
                        {"EMPTY_ONE", 0, {}, {}},
                        {"ITEMS", 3000, 3000, {{"NOTE", 97}, {"Açıklama Notu", 96}}}},
                       {{TToolStep::Backup, "BLOB not found", 193}}},
        TranscriptCase{"WrongPassword",
                       "wrong-password-validation",
                       "wrong-password-backup",
                       "",
                       {},
                       {{TToolStep::Validation, kLogin}, {TToolStep::Backup, kLogin}},
                       {kLogin}},
        TranscriptCase{"ManyRows",
                       "",
                       "many-rows-backup",
                       "many-rows-restore",
                       {{"ITEMS", 300000, 300000, {}}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Lines of no known shape, or of a known shape gone wrong, are passed over.
TEST(ToolOutputReaderTest, LinesOfOtherShapesChangeNothingOrOnlyWhatTheySay) {
    TToolOutputReader reader;
    for (const std::string& line : std::vector<std::string>{
             "", "gbak:", "gbak", "GBAK:3 records written", "gbak:3 records written",
             "gbak:99999999999999999999 records written", "gbak:-3 records written",
             "gbak:3 kayıt yazıldı", "gbak:\xff\xfe", std::string("gbak:\0 ERROR:", 12),
             "gbak:    writing data for table ", "gbak:error accessing BLOB column -- continuing",
             "gbak:error accessing BLOB column NOTE",
             "gbak:error accessing BLOB column  -- continuing",
             "gbak:error accessing BLOB column NOTE -- continuing"}) {
        reader.BackupLine(line);
        reader.RestoreLine(line);
        reader.ValidationLine(line);
    }
    const TToolOutputSummary& summary = reader.Summary();
    // Only the blob errors, outside any table's data, were understood.
    ASSERT_EQ(summary.tables.size(), 1u);
    EXPECT_EQ(summary.tables[0].table, "");
    EXPECT_EQ(summary.tables[0].written, std::nullopt);
    EXPECT_EQ(summary.tables[0].blobErrors, (Counts{{"", 1}, {"NOTE", 1}}));
    EXPECT_TRUE(summary.errors.size() > 0); // the validation takes unknown lines for errors
    for (const auto& error : summary.errors) {
        EXPECT_EQ(error.step, TToolStep::Validation) << error.message;
    }
}

TEST(ToolOutputReaderTest, WarningsAndTheBoundOnDistinctMessages) {
    TToolOutputReader reader;
    reader.RestoreLine("gbak: WARNING:function F is not defined");
    for (std::size_t i = 0; i < kMaxErrors + 5; ++i) {
        reader.BackupLine("gbak: ERROR:page " + std::to_string(i) + " is of wrong type");
    }
    reader.BackupLine("gbak: ERROR:page 0 is of wrong type");
    const TToolOutputSummary& summary = reader.Summary();
    ASSERT_EQ(summary.errors.size(), kMaxErrors);
    EXPECT_TRUE(summary.errors[0].warning);
    EXPECT_EQ(summary.errors[0].step, TToolStep::Restore);
    EXPECT_EQ(summary.errors[0].message, "function F is not defined");
    EXPECT_EQ(summary.errors[1].count, 2);
    EXPECT_EQ(summary.errorLinesNotKept, 6);
}

} // namespace
} // namespace onarim
