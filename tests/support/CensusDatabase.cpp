#include "support/CensusDatabase.h"

#include "support/FirebirdTools.h"

namespace onarim::testing {

namespace {

std::string Quoted(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

std::string SecondTableScript() {
    const std::string table = Quoted(kSecondTable);
    return "CREATE TABLE " + table +
           " (ID INTEGER NOT NULL, \"Belge\" BLOB SUB_TYPE TEXT, EK BLOB SUB_TYPE BINARY,"
           " \"ÖZET\" COMPUTED BY (\"Belge\" || ' özet'));\n"
           "CREATE VIEW \"GÖRÜNÜM\" AS SELECT ID, \"Belge\" FROM " +
           table +
           ";\n"
           "CREATE VIEW KAYNAKSIZ AS SELECT ID, EK FROM " +
           table +
           ";\n"
           "COMMIT;\n"
           "UPDATE RDB$RELATIONS SET RDB$VIEW_SOURCE = NULL WHERE RDB$RELATION_NAME = "
           "'KAYNAKSIZ';\n"
           "SET TERM ^;\n"
           "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= " +
           std::to_string(kSecondTableRows) + ") DO BEGIN INSERT INTO " + table +
           " (ID, \"Belge\", EK) VALUES (:I,"
           " CASE MOD(:I, 3) WHEN 0 THEN 'Belge ' || :I || ' ğüşıöç' WHEN 1 THEN '' END,"
           " IIF(:I <= " +
           std::to_string(kNonEmptyEk) +
           ", x'00FF', NULL)); I = I + 1; END END^\n"
           "SET TERM ;^\n"
           "COMMIT;\n";
}

} // namespace

TestDatabase CreateCensusDatabase(const std::string& path, const TestDatabaseOptions& options) {
    TestDatabase database = CreateTestDatabase(path, options);
    RunIsqlScript(SecondTableScript(), path);
    return database;
}

} // namespace onarim::testing
