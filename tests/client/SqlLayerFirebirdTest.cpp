// The SQL layer against the real embedded engine: every column type read as isql stored it,
// and whole rows carried from one table into another through parameters.
#include <functional>

#include <gtest/gtest.h>

#include "client/IBErrors.h"
#include "client/SqlAttachment.h"
#include "client/SqlBlob.h"
#include "client/SqlStatement.h"
#include "client/SqlTransaction.h"
#include "support/FirebirdTools.h"
#include "support/ScratchDirectory.h"

namespace onarim {
namespace {

using namespace onarim::testing;

// One column of the test table: its type, the literal isql stores in it, and what the layer
// must read back.
struct ColumnCase {
    const char* type;
    const char* literal;
    std::function<void(const TSqlValue&, TSqlTransaction&)> check;
};

std::string BlobText(const TSqlValue& value, TSqlTransaction& transaction) {
    TSqlBlob blob(transaction, value.AsBlobId());
    const std::int64_t length = blob.Length();
    std::string bytes = blob.ReadAll();
    EXPECT_EQ(length, static_cast<std::int64_t>(bytes.size()));
    return bytes;
}

const std::vector<ColumnCase>& ColumnCases() {
    static const std::vector<ColumnCase> cases = {
        {"SMALLINT", "-32768",
         [](const TSqlValue& v, TSqlTransaction&) { EXPECT_EQ(v.AsInteger(), -32768); }},
        {"INTEGER", "2147483647",
         [](const TSqlValue& v, TSqlTransaction&) { EXPECT_EQ(v.AsInteger(), 2147483647); }},
        {"BIGINT", "-9223372036854775808",
         [](const TSqlValue& v, TSqlTransaction&) {
             EXPECT_EQ(v.AsInteger(), std::numeric_limits<std::int64_t>::min());
         }},
        {"NUMERIC(18,4)", "-12345.6789",
         [](const TSqlValue& v, TSqlTransaction&) {
             EXPECT_EQ(v.AsInteger(), -123456789);
             EXPECT_EQ(v.Scale(), -4);
         }},
        {"DOUBLE PRECISION", "0.1",
         [](const TSqlValue& v, TSqlTransaction&) { EXPECT_EQ(v.AsDouble(), 0.1); }},
        {"FLOAT", "1.5",
         [](const TSqlValue& v, TSqlTransaction&) { EXPECT_EQ(v.AsDouble(), 1.5); }},
        {"BOOLEAN", "TRUE",
         [](const TSqlValue& v, TSqlTransaction&) { EXPECT_TRUE(v.AsBoolean()); }},
        {"VARCHAR(40)", "'Kayıt ğüşıöç ĞÜŞİÖÇ'",
         [](const TSqlValue& v, TSqlTransaction&) {
             EXPECT_EQ(v.AsText(), "Kayıt ğüşıöç ĞÜŞİÖÇ");
         }},
        {"CHAR(3)", "'ğü'",
         [](const TSqlValue& v, TSqlTransaction&) {
             EXPECT_EQ(v.AsText().substr(0, 5), "ğü ");
             EXPECT_EQ(v.AsText().find_first_not_of(' ', 4), std::string::npos) << v.AsText();
         }},
        {"VARCHAR(10) CHARACTER SET WIN1254", "'şİı'",
         [](const TSqlValue& v, TSqlTransaction&) { EXPECT_EQ(v.AsText(), "şİı"); }},
        {"CHAR(4) CHARACTER SET OCTETS", "x'00FF0A20'",
         [](const TSqlValue& v, TSqlTransaction&) {
             EXPECT_EQ(v.AsText(), std::string("\0\xFF\n ", 4));
         }},
        {"DATE", "'2024-02-29'",
         [](const TSqlValue& v, TSqlTransaction&) { EXPECT_EQ(v.Bytes().size(), 4u); }},
        {"TIMESTAMP", "'2024-02-29 23:59:59.9999'",
         [](const TSqlValue& v, TSqlTransaction&) { EXPECT_EQ(v.Bytes().size(), 8u); }},
        {"BLOB SUB_TYPE TEXT", "'çok satırlı' || ASCII_CHAR(10) || 'metin'",
         [](const TSqlValue& v, TSqlTransaction& t) {
             EXPECT_EQ(BlobText(v, t), "çok satırlı\nmetin");
         }},
        {"BLOB SUB_TYPE BINARY", "x'00FF10'",
         [](const TSqlValue& v, TSqlTransaction& t) {
             EXPECT_EQ(BlobText(v, t), std::string("\0\xFF\x10", 3));
         }},
    };
    return cases;
}

std::string ColumnName(std::size_t index) {
    return "C" + std::to_string(index);
}

// SOURCE holds one row of the literals and one of NULLs (ID 1 and 2); TARGET is empty.
std::string CreationScript(const std::string& path) {
    std::string columns = "ID INTEGER";
    std::string values = "1";
    std::string nulls = "2";
    for (std::size_t i = 0; i < ColumnCases().size(); ++i) {
        columns += ", " + ColumnName(i) + " " + ColumnCases()[i].type;
        values += std::string(", ") + ColumnCases()[i].literal;
        nulls += ", NULL";
    }
    return "CREATE DATABASE " + SqlLiteral(path) + " USER 'SYSDBA' PASSWORD " +
           SqlLiteral(kSysdbaPassword) + " DEFAULT CHARACTER SET UTF8;\n" +
           "CREATE TABLE SOURCE (" + columns + ");\n" + "CREATE TABLE TARGET (" + columns + ");\n" +
           "INSERT INTO SOURCE VALUES (" + values + ");\n" + "INSERT INTO SOURCE VALUES (" + nulls +
           ");\nCOMMIT;\n";
}

class SqlLayerFirebirdTest : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("ONARIM_CLIENT_LIBRARY");
        RunIsqlScript(CreationScript(path));
    }

    // The rows of `table` by ID, blob columns read into text values.
    std::vector<TSqlRow> RowsOf(const std::string& table) {
        TSqlAttachment attachment(path, "SYSDBA", "any", TSqlIntent::ReadOnly);
        TSqlTransaction transaction(attachment, TSqlTransactionKind::ReadOnlyReadCommitted);
        TSqlStatement statement(transaction, "SELECT * FROM " + table + " ORDER BY ID");
        statement.Execute();
        std::vector<TSqlRow> rows;
        while (statement.Fetch()) {
            TSqlRow row = statement.Row();
            for (TSqlValue& value : row) {
                if (!value.IsNull() && value.SqlType() == SQL_BLOB) {
                    value = TSqlValue::Text(TSqlBlob(transaction, value.AsBlobId()).ReadAll());
                }
            }
            rows.push_back(std::move(row));
        }
        return rows;
    }

    ScratchDirectory scratch{ScratchDirectory::Kind::WithBlanksAndTurkishLetters};
    std::string path = scratch.File("türler.fdb");
};

TEST_F(SqlLayerFirebirdTest, ReadsEveryColumnTypeAsStored) {
    TSqlAttachment attachment(path, "SYSDBA", "any", TSqlIntent::ReadOnly);
    TSqlTransaction transaction(attachment, TSqlTransactionKind::ReadOnlyReadCommitted);
    TSqlStatement statement(transaction, "SELECT * FROM SOURCE ORDER BY ID");
    statement.Execute();
    ASSERT_TRUE(statement.Fetch());
    for (std::size_t i = 0; i < ColumnCases().size(); ++i) {
        SCOPED_TRACE(ColumnCases()[i].type);
        ColumnCases()[i].check(statement.Value(i + 1), transaction);
    }
    ASSERT_TRUE(statement.Fetch());
    for (std::size_t i = 0; i < ColumnCases().size(); ++i) {
        EXPECT_TRUE(statement.Value(i + 1).IsNull()) << ColumnCases()[i].type;
    }
    EXPECT_FALSE(statement.Fetch());
    EXPECT_FALSE(statement.Fetch());
}

TEST_F(SqlLayerFirebirdTest, CarriesWholeRowsIntoAnotherTableUnchanged) {
    {
        TSqlAttachment attachment(path, "SYSDBA", "any");
        TSqlTransaction transaction(attachment, TSqlTransactionKind::ReadWriteSnapshot);
        TSqlStatement source(transaction, "SELECT * FROM SOURCE");
        std::string marks = "?";
        for (std::size_t i = 0; i < ColumnCases().size(); ++i) {
            marks += ", ?";
        }
        TSqlStatement insert(transaction, "INSERT INTO TARGET VALUES (" + marks + ")");
        source.Execute();
        while (source.Fetch()) {
            insert.Execute(source.Row());
        }
        transaction.Commit();
    }
    const std::vector<TSqlRow> source = RowsOf("SOURCE");
    const std::vector<TSqlRow> target = RowsOf("TARGET");
    ASSERT_EQ(target.size(), source.size());
    for (std::size_t row = 0; row < source.size(); ++row) {
        for (std::size_t i = 0; i < ColumnCases().size(); ++i) {
            EXPECT_EQ(target[row][i + 1], source[row][i + 1])
                << "row " << row << ", " << ColumnCases()[i].type;
        }
    }
}

// Past one segment (65535 bytes) a blob is written and read in parts.
TEST_F(SqlLayerFirebirdTest, BlobsLongerThanASegmentComeBackWhole) {
    std::string bytes(200000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 7 % 251);
    }
    TSqlAttachment attachment(path, "SYSDBA", "any");
    TSqlTransaction transaction(attachment, TSqlTransactionKind::ReadWriteSnapshot);
    TSqlStatement insert(transaction, "INSERT INTO TARGET (ID, C14) VALUES (?, ?) RETURNING C14");
    insert.Execute(
        {TSqlValue::Integer(7), TSqlValue::BlobId(TSqlBlob::Create(transaction, bytes))});
    ASSERT_TRUE(insert.Fetch());
    TSqlBlob stored(transaction, insert.Value(0).AsBlobId());
    EXPECT_EQ(stored.Length(), 200000);
    EXPECT_EQ(stored.ReadAll(), bytes);
    EXPECT_FALSE(insert.Fetch());
}

TEST_F(SqlLayerFirebirdTest, ReadOnlyAttachmentRefusesAWritingTransaction) {
    TSqlAttachment attachment(path, "SYSDBA", "any", TSqlIntent::ReadOnly);
    try {
        TSqlTransaction transaction(attachment, TSqlTransactionKind::ReadWriteSnapshot);
        FAIL();
    } catch (const EIBClientError& error) {
        EXPECT_EQ(error.Message(), "Not permitted");
    }
}

// Refused before anything reaches the engine: nothing is cut short or read past a zero byte.
TEST_F(SqlLayerFirebirdTest, BadAttachInputIsRefusedWithAClientError) {
    struct Case {
        std::string path, password, message;
    };
    const std::vector<Case> cases = {
        {"", "any", "Database name is missing"},
        {path + std::string(1, '\0') + ".eski", "any", "Cannot set database"},
        {path, std::string(300, 'p'),
         "Trying to store a string of length 300 into a field that can only contain 255"},
    };
    for (const Case& bad : cases) {
        try {
            TSqlAttachment attachment(bad.path, "SYSDBA", bad.password);
            ADD_FAILURE() << bad.message;
        } catch (const EIBClientError& error) {
            EXPECT_EQ(error.Message(), bad.message);
        }
    }
}

TEST_F(SqlLayerFirebirdTest, FailuresCarryTheServersMessage) {
    try {
        TSqlAttachment attachment(scratch.File("yok.fdb"), "SYSDBA", "any");
        FAIL();
    } catch (const EIBInterBaseError& error) {
        EXPECT_EQ(error.Message(), "I/O error during \"open\" operation for file \"" +
                                       scratch.File("yok.fdb") +
                                       "\"\r\nError while trying to open file\r\nNo such file "
                                       "or directory");
    }
    TSqlAttachment attachment(path, "SYSDBA", "any");
    TSqlTransaction transaction(attachment, TSqlTransactionKind::ReadOnlyReadCommitted);
    try {
        TSqlStatement statement(transaction, "SELECT NOPE FROM SOURCE");
        FAIL();
    } catch (const EIBInterBaseError& error) {
        EXPECT_NE(error.Message().find("Column unknown\r\nNOPE"), std::string::npos)
            << error.Message();
    }
}

} // namespace
} // namespace onarim
