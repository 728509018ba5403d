// onarim-cli on a schema of our own that holds a column of every kind a Firebird 3 table can
// store, with rows that break CHECKs added after them: the salvage and the put-back keep every
// row and every value the kept original gives.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

#include "cli/CliRun.h"
#include "support/ArrayValues.h"
#include "support/DatabaseContents.h"
#include "support/DatabaseDamage.h"
#include "support/FirebirdTools.h"
#include "support/ScratchDirectory.h"

namespace onarim {
namespace {

using namespace onarim::testing;

constexpr int kRows = 90;
constexpr const char* kTable = "ALL_TYPES";
// Rows with a negative N2 and rows whose CODE has a blank: what the CHECKs added after them
// reject.
constexpr const char* kTableCheck = "ALL_TYPES.POSITIVE_N2";
constexpr const char* kDomainCheck = "ALL_TYPES.CODE (D_CODE)";

std::string Schema(const std::string& path) {
    return "SET SQL DIALECT 3;\n"
           "CREATE DATABASE " +
           SqlLiteral(path) + " USER 'SYSDBA' PASSWORD " + SqlLiteral(kSysdbaPassword) +
           " PAGE_SIZE 8192 DEFAULT CHARACTER SET UTF8;\n" +
           R"(CREATE DOMAIN D_AMOUNT AS NUMERIC(15,4) DEFAULT 0 CHECK (VALUE >= 0);
CREATE DOMAIN D_CODE AS VARCHAR(12) CHARACTER SET WIN1254 DEFAULT 'YOK';
CREATE SEQUENCE ROW_NUMBERS;
ALTER SEQUENCE ROW_NUMBERS RESTART WITH 5000000000;
CREATE TABLE ALL_TYPES (
  ID BIGINT NOT NULL PRIMARY KEY,
  S SMALLINT, I INTEGER, B BIGINT,
  N1 NUMERIC(4,1), N2 NUMERIC(9,2), N3 NUMERIC(18,3), D4 DECIMAL(18,18), N0 NUMERIC(18,0),
  AMOUNT D_AMOUNT, CODE D_CODE,
  F FLOAT, DP DOUBLE PRECISION,
  DT DATE, TM TIME, TS TIMESTAMP,
  CU CHAR(10) CHARACTER SET UTF8, VU VARCHAR(30) CHARACTER SET UTF8,
  CW CHAR(10) CHARACTER SET WIN1254, VW VARCHAR(30) CHARACTER SET WIN1254,
  CO CHAR(20) CHARACTER SET OCTETS, VO VARCHAR(32) CHARACTER SET OCTETS,
  FLAG BOOLEAN,
  TXT BLOB SUB_TYPE TEXT CHARACTER SET UTF8,
  TXTW BLOB SUB_TYPE TEXT CHARACTER SET WIN1254,
  BIN BLOB SUB_TYPE BINARY,
  ARR INTEGER [4],
  DOUBLED COMPUTED BY (N2 * 2));
CREATE TABLE ATTACHMENTS (ID INTEGER NOT NULL PRIMARY KEY, CONTENT BLOB SUB_TYPE BINARY);
CREATE VIEW NEGATIVE_ROWS AS SELECT ID, N2 FROM ALL_TYPES WHERE N2 < 0;
SET TERM ^;
CREATE TRIGGER NUMBER_ROWS FOR ALL_TYPES BEFORE INSERT AS BEGIN
  NEW.ID = NEXT VALUE FOR ROW_NUMBERS; END^
CREATE TRIGGER NOTHING_TO_DO FOR ALL_TYPES INACTIVE AFTER UPDATE AS BEGIN END^
CREATE PROCEDURE COUNT_ROWS RETURNS (N INTEGER) AS BEGIN
  SELECT COUNT(*) FROM ALL_TYPES INTO :N; SUSPEND; END^
SET TERM ;^
COMMIT;
ALTER TRIGGER NUMBER_ROWS INACTIVE;
COMMIT;
SET TERM ^;
EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN
  WHILE (I <= )" +
           std::to_string(kRows) + R"() DO BEGIN
    INSERT INTO ALL_TYPES (ID, S, I, B, N1, N2, N3, D4, N0, AMOUNT, CODE, F, DP, DT, TM, TS,
        CU, VU, CW, VW, CO, VO, FLAG, TXT, TXTW, BIN)
      VALUES (:I, -32768 + :I, 2147483647 - :I, -9223372036854775807 + :I,
        -999.9 + :I, IIF(MOD(:I, 7) = 0, -1.25 * :I, 12345.67 * :I),
        -123456789012345.678 + :I, 0.123456789012345678, 999999999999999999 - :I,
        :I * 1.0001, IIF(MOD(:I, 11) = 0, 'Ç ' || :I, 'Kod' || :I),
        3.25 * :I, -1.5e300 / :I, DATEADD(:I DAY TO DATE '2024-02-28'),
        DATEADD(:I SECOND TO TIME '23:58:00.0001'),
        DATEADD(:I MINUTE TO TIMESTAMP '1900-01-01 00:00:00.0001'),
        'ğüş' || :I, 'Çalışma ığüşöç ' || :I, 'İĞÜ' || :I, 'Türkçe ĞÜŞİÖÇ ' || :I,
        GEN_UUID(), GEN_UUID() || GEN_UUID(), MOD(:I, 2) = 0,
        IIF(MOD(:I, 5) = 0, NULL, 'Türkçe metin ğüşıöç ' || :I),
        IIF(MOD(:I, 6) = 0, '', 'Açıklama ĞÜŞİÖÇ ' || :I),
        IIF(MOD(:I, 4) = 0, NULL, GEN_UUID() || GEN_UUID()));
    I = I + 1;
  END
END^
SET TERM ;^
INSERT INTO ALL_TYPES (ID) VALUES (0);
INSERT INTO ATTACHMENTS VALUES (1, CAST(LPAD('', 8000, 'ek ') AS BLOB)
  || LPAD('', 8000, 'belge ') || LPAD('', 8000, 'son '));
COMMIT;
)";
}

// The CHECKs some rows already there break, added after them.
constexpr const char* kLaterChecks = R"(ALTER TRIGGER NUMBER_ROWS ACTIVE;
ALTER TABLE ALL_TYPES ADD CONSTRAINT POSITIVE_N2 CHECK (N2 >= 0);
ALTER DOMAIN D_CODE ADD CHECK (VALUE NOT CONTAINING ' ');
COMMIT;
)";

// Rows of the table of `path` that break each CHECK, counted by the server.
std::map<std::string, std::int64_t> Breaking(const std::string& path) {
    const auto count = [&](const std::string& condition) {
        return std::stoll(
            QueryText(path, "COUNT(*)", "FROM ALL_TYPES WHERE NOT (" + condition + ")").front());
    };
    return {{kTableCheck, count("N2 >= 0")}, {kDomainCheck, count("CODE NOT CONTAINING ' '")}};
}

const nlohmann::json& TableEntry(const nlohmann::json& tables, const std::string& name) {
    for (const nlohmann::json& table : tables) {
        if (table["table"] == name) {
            return table;
        }
    }
    throw std::runtime_error("no entry for " + name);
}

struct AllTypesCase {
    const char* name;
    DamageSite (*damage)(const std::string& database);
    const char* outcome;
};

// The blob page of ATTACHMENTS beyond mending: the backup fails on it.
DamageSite FailTheBackup(const std::string& database) {
    return DamageBlobPage(UserTableOf(database, "ATTACHMENTS"), true);
}

// The mend drops the page, and the backup the rows on it.
DamageSite DropRowsFromTheBackup(const std::string& database) {
    return DamageTable(database, kTable, DamageKind::RecordLengthPastPage);
}

void PrintTo(const AllTypesCase& c, std::ostream* out) {
    *out << c.name;
}

class AllTypesTest : public ::testing::TestWithParam<AllTypesCase> {
protected:
    void SetUp() override { unsetenv("ONARIM_CLIENT_LIBRARY"); }
    ScratchDirectory scratch;
};

// Salvage: a blob page of ATTACHMENTS beyond mending fails the backup, and every row of ALL_TYPES
// goes into the new database. Put-back: a record of ALL_TYPES whose length reaches past its page
// makes the mend drop the page, the backup misses its rows, and the put-back writes them back.
// Either way the rows that break the CHECKs go in with the CHECKs out, which come back and
// count them, and the array values that could not go are counted.
TEST_P(AllTypesTest, EveryRowAndValueIsKept) {
    const AllTypesCase& c = GetParam();
    const std::string database = scratch.File("türler.fdb");
    RunIsqlScript(Schema(database));
    for (int id = 3; id <= kRows; id += 3) {
        WriteIntegerArray(database, kTable, "ARR", "ID = " + std::to_string(id),
                          {id, -id, 0, 2147483647});
    }
    RunIsqlScript(kLaterChecks, database);
    const std::map<std::string, std::int64_t> breaking = Breaking(database);
    ASSERT_GT(breaking.at(kTableCheck), 0);
    ASSERT_GT(breaking.at(kDomainCheck), 0);
    c.damage(database);

    const ProgramResult run = RunOnarimCli(scratch, {"--json", database});
    ASSERT_EQ(run.exitCode, 4) << run.Describe();
    const nlohmann::json report = nlohmann::json::parse(run.output);
    ASSERT_EQ(report["outcome"], c.outcome) << report["message"];
    const bool salvaged = report["outcome"] == "salvaged";
    const std::string result =
        salvaged ? report["salvage"]["database"].get<std::string>() : database;
    const nlohmann::json& tables = salvaged ? report["salvage"]["tables"] : report["putBack"];

    const auto readable = ReadContents(report["keptCopy"], scratch.File("kopya okuma.fdb"));
    const auto kept = ReadContents(result, scratch.File("sonuç okuma.fdb"));
    const TableContents& before = readable.at(kTable);
    const TableContents& after = kept.at(kTable);
    ASSERT_GE(before.rows.size(), static_cast<std::size_t>(kRows) - 1) << "one record at most";
    for (const auto& [key, row] : before.rows) {
        const auto now = after.rows.find(key);
        ASSERT_NE(now, after.rows.end())
            << "row lost: " << DescribeRowKey(before.layout, row) << "\n"
            << tables.dump();
        EXPECT_EQ(Difference(before.layout, row, now->second, false), "")
            << DescribeRowKey(before.layout, row);
    }
    std::size_t arrayColumn = 0;
    while (!before.layout.columns[arrayColumn].array) {
        ++arrayColumn;
    }
    const std::int64_t arraysLeft =
        before.ArrayValues(arrayColumn) - after.ArrayValues(arrayColumn);
    EXPECT_GT(arraysLeft, 0);
    EXPECT_EQ(TableEntry(tables, kTable)["arrayValuesLeft"], arraysLeft);
    EXPECT_NE(report["message"].get<std::string>().find("ALL_TYPES: tam kurtarılamadı; " +
                                                        std::to_string(arraysLeft) +
                                                        " dizi (array) değeri aktarılamadı"),
              std::string::npos)
        << report["message"];

    EXPECT_EQ(QueryText(result, "GEN_ID(ROW_NUMBERS, 0)", "FROM RDB$DATABASE"),
              std::vector<std::string>{"5000000000"});

    // The CHECKs are in force again, and the rows that break them are counted, not dropped.
    nlohmann::json expected = nlohmann::json::object();
    for (const auto& [constraint, rows] : Breaking(result)) {
        expected[constraint] = rows;
    }
    EXPECT_EQ(report["constraintViolations"], expected);
    EXPECT_TRUE(report["constraintProblems"].empty()) << report["constraintProblems"].dump();
    const ToolResult refused = RunTool(
        {"isql-fb", "-user", "SYSDBA", "-password", kSysdbaPassword, "-q", "-i",
         scratch
             .WriteFile("refused.sql", "INSERT INTO ALL_TYPES (ID, N2) VALUES (-5, -1);\n"
                                       "INSERT INTO ALL_TYPES (ID, CODE) VALUES (-6, 'a b');\n")
             .string(),
         result});
    EXPECT_NE(refused.output.find("POSITIVE_N2"), std::string::npos) << refused.Describe();
    EXPECT_NE(refused.output.find("validation error for column \"ALL_TYPES\".\"CODE\""),
              std::string::npos)
        << refused.Describe();

    if (!salvaged) {
        // The backup missed the rows of the dropped page; the put-back wrote back all of them
        // but the damaged record.
        const std::int64_t missing = report["backupRowsMissing"][kTable];
        const nlohmann::json& entry = TableEntry(tables, kTable);
        EXPECT_EQ(missing, entry["rows"].get<std::int64_t>() + kRows + 1 -
                               static_cast<std::int64_t>(after.rows.size()));
    }
    EXPECT_EQ(QueryText(result, "TRIM(RDB$TRIGGER_NAME) || ' ' || RDB$TRIGGER_INACTIVE",
                        "FROM RDB$TRIGGERS WHERE RDB$SYSTEM_FLAG = 0 ORDER BY 1"),
              (std::vector<std::string>{"NOTHING_TO_DO 1", "NUMBER_ROWS 0"}));
    EXPECT_EQ(QueryText(result, "N", "FROM COUNT_ROWS"),
              std::vector<std::string>{std::to_string(after.rows.size())});
    const ValidationResult validation = ReadOnlyValidation(result);
    EXPECT_TRUE(validation.Clean()) << validation.run.Describe();
}

INSTANTIATE_TEST_SUITE_P(Paths, AllTypesTest,
                         ::testing::Values(AllTypesCase{"Salvage", FailTheBackup, "salvaged"},
                                           AllTypesCase{"PutBack", DropRowsFromTheBackup,
                                                        "repaired-with-losses"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace onarim
