// The raw reader on databases the engine wrote: every row and blob value of a table with a
// column of every type reads back exactly as the engine gives it, through updates, deletes,
// rolled-back work, a column added after rows exist and records spanning pages; the layouts of
// the system tables it names things by agree with what the engine shows.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "RawRowText.h"
#include "ods/InventoryPages.h"
#include "ods/PagesDirectory.h"
#include "ods/RawTableReader.h"
#include "support/FirebirdTools.h"
#include "support/FixtureError.h"
#include "support/ScratchDirectory.h"

namespace onarim::ods {
namespace {

using namespace onarim::testing;
using testing::ShownSql;
using testing::ShownText;
using testing::TShown;
using testing::TShownColumn;

constexpr int kRows = 300;

// Every type a Firebird 3 table holds. Rows 1..300 committed, then: EXTRA (NOT NULL, stored
// default) and NOTE2 (nullable) added; row 301 in the new format; rows 20-30 updated and 40-45
// deleted, committed; then a transaction without undo log that rolls back after updating
// 50-55 and 20-21 again, deleting 60-62 and inserting 400: its versions stay on the pages
// above the committed ones. BT holds text blobs of levels 0 (most rows), 1 (row 5: 24000
// bytes) and 2 (row 6: 4.4 MB, past (4096-64)/4 pages), an empty one (row 7); BB binary blobs
// of levels 0 and 1 (row 8); BIG makes rows 9 and 10 span three pages.
constexpr const char* kAllTypesScript =
    R"(CREATE TABLE ALLTYPES (ID INTEGER NOT NULL PRIMARY KEY, SI SMALLINT, BI BIGINT,
    N41 NUMERIC(4,1), N92 NUMERIC(9,2), N184 NUMERIC(18,4), D103 DECIMAL(10,3), FL FLOAT,
    DP DOUBLE PRECISION, DT DATE, TM TIME, TS TIMESTAMP, CU CHAR(5), VU VARCHAR(20),
    VW VARCHAR(20) CHARACTER SET WIN1254, CW CHAR(6) CHARACTER SET WIN1254,
    VO VARCHAR(16) CHARACTER SET OCTETS, CN CHAR(4) CHARACTER SET NONE, BO BOOLEAN,
    BT BLOB SUB_TYPE TEXT, BB BLOB SUB_TYPE BINARY, BIG VARCHAR(7000));
COMMIT;
SET TERM ^;
EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 300) DO BEGIN
  INSERT INTO ALLTYPES VALUES (:I,
    IIF(MOD(:I, 7) = 0, NULL, :I * 37 - 5000),
    :I * 1000000007 * IIF(MOD(:I, 2) = 0, 1, -1),
    (:I - 150) / 10.0, :I * 1234.56, -:I * 98765432.1234, :I * 3.001,
    (:I - 100) / 8.0, (:I - 150) * 2.5E0,
    DECODE(:I, 1, DATE '0001-01-01', 2, DATE '9999-12-31', DATEADD(:I * 97 DAY TO DATE '1900-01-01')),
    IIF(:I = 3, TIME '23:59:59.9999', DATEADD(:I * 2879 SECOND TO TIME '00:00:00.1234')),
    DATEADD(:I * 7777 MINUTE TO TIMESTAMP '1999-12-31 23:59:59.9999'),
    SUBSTRING('ğüşıöçĞÜŞİ' FROM MOD(:I, 5) + 1 FOR 5),
    IIF(MOD(:I, 13) = 0, NULL, IIF(MOD(:I, 11) = 0, '', 'Kayıt ' || :I)),
    'çğış ' || :I, 'ĞÜ' || MOD(:I, 10), GEN_UUID(), 'n' || MOD(:I, 100),
    IIF(MOD(:I, 3) = 0, NULL, MOD(:I, 2) = 0),
    DECODE(:I, 5, LPAD(CAST('' AS BLOB SUB_TYPE TEXT), 24000, 'xyzğ'),
               6, LPAD(CAST('' AS BLOB SUB_TYPE TEXT), 4400000, 'abcdefgğ'),
               7, CAST('' AS BLOB SUB_TYPE TEXT),
               17, NULL, 'Not ' || :I || ' açıklama'),
    IIF(:I = 8, LPAD(CAST('' AS BLOB SUB_TYPE BINARY), 30000, x'00FF7F80'),
        CAST(GEN_UUID() AS BLOB SUB_TYPE BINARY)),
    IIF(:I IN (9, 10), LPAD('', 7000, 'Kayıt ' || :I || ' ığ '), NULL));
  I = I + 1; END END^
COMMIT^
ALTER TABLE ALLTYPES ADD EXTRA INTEGER DEFAULT 42 NOT NULL^
ALTER TABLE ALLTYPES ADD NOTE2 VARCHAR(10) DEFAULT 'ek'^
ALTER TABLE ALLTYPES ADD TWICE COMPUTED BY (ID * 2)^
COMMIT^
INSERT INTO ALLTYPES (ID, VU, EXTRA) VALUES (301, 'yeni', 7)^
UPDATE ALLTYPES SET VU = 'değişti ' || ID, SI = 1, BT = 'yeni not' WHERE ID BETWEEN 20 AND 30^
DELETE FROM ALLTYPES WHERE ID BETWEEN 40 AND 45^
COMMIT^
SET TRANSACTION NO AUTO UNDO^
UPDATE ALLTYPES SET VU = 'geri alınan', N92 = 0, DT = NULL WHERE ID BETWEEN 50 AND 55^
UPDATE ALLTYPES SET VU = 'geri alınan 2' WHERE ID IN (20, 21)^
DELETE FROM ALLTYPES WHERE ID BETWEEN 60 AND 62^
INSERT INTO ALLTYPES (ID, VU) VALUES (400, 'hiç olmadı')^
ROLLBACK^
SET TERM ;^
)";

// Made without forced writes (the engine flushing each page it writes): 8 s against 1.
void CreateAllTypesDatabase(const std::string& path) {
    RunIsqlScript("SET SQL DIALECT 3;\nCREATE DATABASE " + SqlLiteral(path) +
                  " USER 'SYSDBA' PASSWORD " + SqlLiteral(kSysdbaPassword) +
                  " PAGE_SIZE 4096 DEFAULT CHARACTER SET UTF8;\n");
    const ToolResult async =
        RunTool({"gfix", "-write", "async", "-user", "SYSDBA", "-password", kSysdbaPassword, path});
    if (!async.Succeeded()) {
        throw FixtureError("cannot turn off forced writes: " + async.Describe());
    }
    RunIsqlScript(kAllTypesScript, path);
}

const std::vector<TShownColumn>& AllTypesColumns() {
    static const std::vector<TShownColumn> columns = {
        {"ID", TShown::Number},     {"SI", TShown::Number},    {"BI", TShown::Number},
        {"N41", TShown::Number},    {"N92", TShown::Number},   {"N184", TShown::Number},
        {"D103", TShown::Number},   {"FL", TShown::Real},      {"DP", TShown::Real},
        {"DT", TShown::Moment},     {"TM", TShown::Moment},    {"TS", TShown::Moment},
        {"CU", TShown::PaddedText}, {"VU", TShown::Bytes},     {"VW", TShown::Bytes},
        {"CW", TShown::PaddedText}, {"VO", TShown::Bytes},     {"CN", TShown::PaddedText},
        {"BO", TShown::Boolean},    {"BT", TShown::Bytes},     {"BB", TShown::Bytes},
        {"BIG", TShown::Bytes},     {"EXTRA", TShown::Number}, {"NOTE2", TShown::Bytes}};
    return columns;
}

// The database, made once, and what the engine reads from a copy of it (which its reading
// changes: it collects the rolled-back versions), by ID.
struct AllTypes {
    ScratchDirectory directory;
    std::string path;
    std::vector<std::string> engineRows;
    std::map<int, std::uint64_t> engineRecordNumbers; // ID -> DB_KEY - 1
};

const AllTypes& Original() {
    static AllTypes* made = [] {
        auto* made = new AllTypes;
        made->path = made->directory.File("alltypes.fdb");
        CreateAllTypesDatabase(made->path);
        const std::string copy = made->directory.File("engine.fdb");
        std::filesystem::copy_file(made->path, copy);
        made->engineRows =
            QueryText(copy, ShownSql(AllTypesColumns()), "FROM ALLTYPES ORDER BY ID");
        std::string key;
        for (int byte = 0; byte < 4; ++byte) {
            key += (byte == 0 ? "" : " + ") + std::to_string(1 << (8 * byte)) +
                   " * ASCII_VAL(SUBSTRING(RDB$DB_KEY FROM " + std::to_string(5 + byte) +
                   " FOR 1))";
        }
        for (const std::string& line :
             QueryText(copy, "ID || ' ' || (" + key + ")", "FROM ALLTYPES ORDER BY ID")) {
            const auto blank = line.find(' ');
            made->engineRecordNumbers[std::stoi(line.substr(0, blank))] =
                std::stoull(line.substr(blank + 1)) - 1;
        }
        return made;
    }();
    return *made;
}

std::string CopyOfOriginal(const ScratchDirectory& directory) {
    const std::string path = directory.File("copy.fdb");
    std::filesystem::copy_file(Original().path, path);
    return path;
}

struct RawTable {
    std::vector<std::string> rows; // ordered by ID
    std::map<int, std::uint64_t> recordNumbers;
    TRawReadSummary summary;
};

RawTable ReadAllTypes(const std::string& path) {
    const TDatabaseFile file(path, TDatabaseFile::TAccess::ReadOnly);
    RawTable table;
    std::map<std::int64_t, std::string> byId;
    table.summary =
        ReadRawRows(file, "ALLTYPES", {.pages = {}, .readBlobs = true}, [&](const TRawRow& row) {
            const std::int64_t id = row.Find("ID")->integer;
            byId[id] = ShownText(row, AllTypesColumns());
            table.recordNumbers[static_cast<int>(id)] = row.recordNumber;
        });
    for (auto& [id, text] : byId) {
        table.rows.push_back(std::move(text));
    }
    return table;
}

// Sets the inventory state of every transaction the TIP says died to `state`.
void SetDeadTransactionsTo(const std::string& path, int state) {
    TDatabaseFile file(path, TDatabaseFile::TAccess::ReadWrite);
    const TPageGeometry geometry(file.PageSize());
    const TPagesDirectory directory(file);
    const std::uint32_t tipPage = directory.Pages(0, kPagesTypeTip).at(0);
    std::vector<std::uint8_t> page = file.ReadPage(tipPage);
    int changed = 0;
    for (std::uint64_t transaction = 1; transaction <= file.Header().nextTransaction;
         ++transaction) {
        std::uint8_t& bits = page[20 + transaction / 4];
        const int shift = static_cast<int>(transaction % 4 * 2);
        if ((bits >> shift & 3) == 2) {
            bits = static_cast<std::uint8_t>((bits & ~(3 << shift)) | state << shift);
            ++changed;
        }
    }
    ASSERT_EQ(changed, 1) << "the one rolled-back transaction";
    file.WritePage(tipPage, page);
}

// A header whose oldest interesting transaction lies past the last one: taken, it would make
// the rolled-back transaction count as committed.
void GarbleOldestInteresting(const std::string& path) {
    TDatabaseFile file(path, TDatabaseFile::TAccess::ReadWrite);
    std::vector<std::uint8_t> header = file.ReadPage(0);
    Put32(header, 28, 0x7FFFFFF0);
    file.WritePage(0, header);
}

struct InventoryCase {
    const char* name;
    int deadTransactionState;         // as the TIP shows the rolled-back transaction
    void (*edit)(const std::string&); // more damage, or nullptr
};

class RawReadTest : public ::testing::TestWithParam<InventoryCase> {};

// Dead (as written), active (its owner died: the engine treats it as dead) and limbo (not
// committed either): the versions it left are passed by, the committed ones under them read;
// also when the header's oldest interesting transaction is garbage.
TEST_P(RawReadTest, EveryRowAndBlobAsTheEngineReadsThem) {
    ScratchDirectory directory;
    const std::string path = CopyOfOriginal(directory);
    if (GetParam().deadTransactionState != 2) {
        SetDeadTransactionsTo(path, GetParam().deadTransactionState);
    }
    if (GetParam().edit != nullptr) {
        GetParam().edit(path);
    }
    const RawTable raw = ReadAllTypes(path);
    for (const TRawProblem& problem : raw.summary.problems) {
        ADD_FAILURE() << problem.Describe();
    }
    EXPECT_EQ(raw.summary.rows, raw.rows.size());
    ASSERT_EQ(raw.rows.size(), Original().engineRows.size());
    for (std::size_t i = 0; i < raw.rows.size(); ++i) {
        EXPECT_EQ(raw.rows[i], Original().engineRows[i]);
    }
    // RDB$DB_KEY is the record number plus one.
    EXPECT_EQ(raw.recordNumbers, Original().engineRecordNumbers);
}

INSTANTIATE_TEST_SUITE_P(
    RolledBackWork, RawReadTest,
    ::testing::Values(InventoryCase{"Dead", 2, nullptr}, InventoryCase{"Active", 0, nullptr},
                      InventoryCase{"Limbo", 1, nullptr},
                      InventoryCase{"OldestInterestingPastTheLast", 2, GarbleOldestInteresting}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RawReadTest, TheRowsTheEngineShowsAreThoseTheScriptLeft) {
    // What the comparison above rests on: the engine's answer itself.
    const std::vector<std::string>& rows = Original().engineRows;
    ASSERT_EQ(rows.size(), kRows + 1 - 6u);
    std::vector<std::string> ids;
    for (const std::string& row : rows) {
        ids.push_back(row.substr(0, row.find('|')));
    }
    EXPECT_EQ(std::count(ids.begin(), ids.end(), "40"), 0);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), "400"), 0);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), "60"), 1);
    EXPECT_EQ(ids.back(), "301");
}

// The engine's RDB$FIELD_TYPE for a stored type, and the declared length it records.
std::string EngineType(const TFieldDescriptor& field) {
    const std::map<TFieldType, int> blr = {
        {TFieldType::Short, 7},    {TFieldType::Long, 8},       {TFieldType::Int64, 16},
        {TFieldType::Float, 10},   {TFieldType::Double, 27},    {TFieldType::Date, 12},
        {TFieldType::Time, 13},    {TFieldType::Timestamp, 35}, {TFieldType::Text, 14},
        {TFieldType::Varying, 37}, {TFieldType::Blob, 261},     {TFieldType::Boolean, 23}};
    const bool blob = field.type == TFieldType::Blob;
    const bool exact = field.type == TFieldType::Short || field.type == TFieldType::Long ||
                       field.type == TFieldType::Int64;
    return std::to_string(blr.at(field.type)) + " " + std::to_string(blob ? 0 : field.scale) + " " +
           std::to_string(field.type == TFieldType::Varying ? field.length - 2 : field.length) +
           " " + std::to_string(exact || blob ? field.subType : 0) + " " +
           std::to_string(field.Charset());
}

// The format-0 layouts of RDB$RELATIONS, RDB$RELATION_FIELDS and RDB$FORMATS the reader names
// things by, and the descriptors it decodes, give what the engine shows of them.
TEST(SystemTablesTest, RelationsFieldsAndFormatsAreWhatTheEngineShows) {
    ScratchDirectory directory;
    const std::string path = CopyOfOriginal(directory);
    const TDatabaseFile file(path, TDatabaseFile::TAccess::ReadOnly);
    const TRawDatabase database(file);
    for (const TRawProblem& problem : database.Problems()) {
        ADD_FAILURE() << problem.Describe();
    }
    std::vector<std::string> relations;
    for (const TRawRelation& relation : database.Relations()) {
        relations.push_back(std::to_string(relation.id) + " " + relation.name + " " +
                            std::to_string(relation.currentFormat));
    }
    EXPECT_EQ(relations,
              QueryText(path,
                        "RDB$RELATION_ID || ' ' || TRIM(RDB$RELATION_NAME) || ' ' || RDB$FORMAT",
                        "FROM RDB$RELATIONS ORDER BY RDB$RELATION_ID"));

    TRawTableReader reader(database, "ALLTYPES");
    EXPECT_TRUE(reader.LayoutProblems().empty());
    EXPECT_EQ(reader.Layout().currentFormat, 4) << "one format per column added";
    ASSERT_TRUE(reader.Layout().Format(1));
    EXPECT_EQ(reader.Layout().Format(1)->fields.size(), 22u) << "format 1 predates EXTRA and NOTE2";
    std::vector<std::string> fields;
    for (const TRawField& field : reader.Layout().fields) {
        fields.push_back(std::to_string(field.id) + " " + field.name + " " + field.source + " " +
                         EngineType(field.descriptor));
    }
    EXPECT_EQ(fields,
              QueryText(path,
                        "F.RDB$FIELD_ID || ' ' || TRIM(F.RDB$FIELD_NAME) || ' ' || "
                        "TRIM(F.RDB$FIELD_SOURCE) || ' ' || D.RDB$FIELD_TYPE || ' ' || "
                        "D.RDB$FIELD_SCALE || ' ' || D.RDB$FIELD_LENGTH || ' ' || "
                        "COALESCE(D.RDB$FIELD_SUB_TYPE, 0) || ' ' || "
                        "COALESCE(D.RDB$CHARACTER_SET_ID, 0)",
                        // A computed field is not stored: no field of the records.
                        "FROM RDB$RELATION_FIELDS F JOIN RDB$FIELDS D ON D.RDB$FIELD_NAME = "
                        "F.RDB$FIELD_SOURCE WHERE F.RDB$RELATION_NAME = 'ALLTYPES' "
                        "AND D.RDB$COMPUTED_BLR IS NULL ORDER BY F.RDB$FIELD_ID"));
}

// The cheap count gives the engine's: rows, and blob values longer than 0 bytes.
TEST(RawCountTest, RowsAndNonEmptyBlobValuesAsTheEngineCountsThem) {
    ScratchDirectory directory;
    const std::string path = CopyOfOriginal(directory);
    TRawTableCount count;
    {
        const TDatabaseFile file(path, TDatabaseFile::TAccess::ReadOnly);
        count = CountRawRows(file, "ALLTYPES");
    }
    EXPECT_TRUE(count.problems.empty());
    ASSERT_EQ(count.blobFields.size(), 2u);
    const std::string counted = std::to_string(count.rows) + " " +
                                std::to_string(count.blobFields[0].nonEmpty) + " " +
                                std::to_string(count.blobFields[1].nonEmpty);
    EXPECT_EQ(count.blobFields[0].name, "BT");
    EXPECT_EQ(count.blobFields[0].unreadable + count.blobFields[1].unreadable, 0u);
    EXPECT_EQ(std::vector<std::string>{counted},
              QueryText(path,
                        "COUNT(*) || ' ' || SUM(IIF(OCTET_LENGTH(BT) > 0, 1, 0)) || ' ' || "
                        "SUM(IIF(OCTET_LENGTH(BB) > 0, 1, 0))",
                        "FROM ALLTYPES"));
}

} // namespace
} // namespace onarim::ods
