#include <gtest/gtest.h>

#include "cli/CheckValidationReport.h"

namespace onarim {
namespace {

// Transcripts of Firebird 3.0.11's online validation that the server tests do not make: names
// with blanks and brackets, warnings, an error outside a table, a report cut short.
TEST(CheckValidationReportTest, ReadsTablesErrorsLocksAndTheEnd) {
    struct Case {
        const char* label;
        std::vector<std::string> lines;
        struct Table {
            int id;
            std::string name;
            int damageErrors, warnings;
            bool lockFailed;
        };
        std::vector<Table> tables;
        int damageErrors;
        bool finished;
    } cases[] = {
        {"damage in two tables",
         {"12:11:12.70 Validation started ", "12:11:12.70 Relation 128 (ITEMS) ",
          "12:11:12.70 Error: Data page 231 {sequence 0}, line 0 is bad ",
          "12:11:12.71 Relation 128 (ITEMS) : 1 ERRORS found ",
          "12:11:12.71 Relation 129 (MY (ODD) TABLE) ",
          "12:11:14.36 Error: Index 1 is corrupt on page 229 level 0 at offset 70. File: "
          "./src/jrd/validation.cpp, line: 2095 ",
          "\t ", "12:11:16.02 Warning: Index 1 misses node on page 256 level 1 at offset 39 ",
          "12:11:14.36 Relation 129 (MY (ODD) TABLE) : 7 ERRORS found ",
          "12:11:12.71 Validation finished "},
         {{128, "ITEMS", 1, 0, false}, {129, "MY (ODD) TABLE", 7, 1, false}},
         8,
         true},
        {"cut short", {"12:04:19.65 Validation started ", "12:04:19.65 Relation 128 (T1) "},
         {{128, "T1", 0, 0, false}}, 0, false},
        {"an error outside any table",
         {"Validation started", "Error: Page 7 wrong type (expected data encountered index B-tree)",
          "Validation finished"},
         {}, 1, true},
        {"unknown lines and no time stamps",
         {"Relation 130 (A)", "Relation x (B) : 1 ERRORS found", "Relation 130 (A) : two ERRORS found",
          "Validation finished"},
         {{130, "A", 0, 0, false}}, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const TValidationReport report = ReadValidationReport(c.lines);
        EXPECT_EQ(report.lines, c.lines);
        EXPECT_EQ(report.finished, c.finished);
        EXPECT_EQ(report.DamageErrors(), c.damageErrors);
        ASSERT_EQ(report.tables.size(), c.tables.size());
        for (std::size_t i = 0; i < c.tables.size(); ++i) {
            EXPECT_EQ(report.tables[i].relationId, c.tables[i].id);
            EXPECT_EQ(report.tables[i].name, c.tables[i].name);
            EXPECT_EQ(report.tables[i].DamageErrors(), c.tables[i].damageErrors);
            EXPECT_EQ(report.tables[i].warnings, c.tables[i].warnings);
            EXPECT_EQ(report.tables[i].lockFailed, c.tables[i].lockFailed);
        }
    }
}

} // namespace
} // namespace onarim
