// Moving the rows of an undamaged table: the recovery's reader and writer (read the source
// table, insert every row into an empty table of the same shape) against gbak backup and
// restore of the same database; and the whole salvage (metadata through gbak, every row,
// indexes activated, CHECKs taken out and made again, the rows that break them counted) of a
// database with a foreign key, a table CHECK and a domain CHECK, against gbak backup and
// restore of that database. Plain timed driver: `row_move_bench [rows]`.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "client/SqlAttachment.h"
#include "recovery/DamagedDatabaseReader.h"
#include "recovery/Salvage.h"
#include "recovery/TableWriter.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const onarim::TCredentials kCredentials{"SYSDBA", "masterkey"};

// Runs a shell command line made of paths this driver made itself; stops on failure.
void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

void Isql(const fs::path& directory, const std::string& script) {
    const fs::path file = directory / "script.sql";
    std::ofstream(file) << script;
    Run("isql-fb -q -user SYSDBA -password masterkey -i '" + file.string() + "' >/dev/null");
}

std::string CreateTable(const fs::path& path) {
    return "SET SQL DIALECT 3;\nCREATE DATABASE '" + path.string() +
           "' PAGE_SIZE 8192 DEFAULT CHARACTER SET UTF8;\n"
           "CREATE TABLE MOVED (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(60) NOT NULL,"
           " AMOUNT NUMERIC(12, 2), CREATED TIMESTAMP, NOTE BLOB SUB_TYPE TEXT);\nCOMMIT;\n";
}

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The rows of the salvage's database: every row of MOVED names an owner, 1 in 1000 rows
// breaks the table's CHECK and 1 in 1000 the domain's, both added after the rows.
std::string SalvageSource(const fs::path& path, int rows) {
    return "SET SQL DIALECT 3;\nCREATE DATABASE '" + path.string() +
           "' PAGE_SIZE 8192 DEFAULT CHARACTER SET UTF8;\n"
           "CREATE DOMAIN D_AMOUNT AS NUMERIC(12, 2);\n"
           "CREATE TABLE OWNERS (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(60));\n"
           "CREATE TABLE MOVED (ID INTEGER NOT NULL PRIMARY KEY,"
           " OWNER INTEGER NOT NULL REFERENCES OWNERS, NAME VARCHAR(60) NOT NULL,"
           " AMOUNT D_AMOUNT, CREATED TIMESTAMP, NOTE BLOB SUB_TYPE TEXT);\n"
           "CREATE INDEX MOVED_BY_NAME ON MOVED (NAME);\nCOMMIT;\n"
           "SET TERM ^;\nEXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 100) DO BEGIN"
           " INSERT INTO OWNERS VALUES (:I, 'Sahip ' || :I); I = I + 1; END END^\n"
           "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= " +
           std::to_string(rows) +
           ") DO BEGIN INSERT INTO MOVED VALUES (:I, MOD(:I, 100) + 1,"
           " IIF(MOD(:I, 1000) = 1, '', 'Satır ' || :I || ' çğıöşü'),"
           " IIF(MOD(:I, 1000) = 2, -1, :I / 7.0), CURRENT_TIMESTAMP,"
           " IIF(MOD(:I, 10) = 0, 'Not ' || :I, NULL)); I = I + 1; END END^\nSET TERM ;^\nCOMMIT;\n"
           "ALTER TABLE MOVED ADD CONSTRAINT NAMED CHECK (CHAR_LENGTH(NAME) > 0);\n"
           "ALTER DOMAIN D_AMOUNT ADD CHECK (VALUE >= 0);\nCOMMIT;\n";
}

onarim::TGbakRun Gbak(const std::vector<std::string>& arguments) {
    std::string command = "gbak -user SYSDBA -password masterkey";
    for (const std::string& argument : arguments) {
        command += " '" + argument + "'";
    }
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, {}};
}

} // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 200000;
    std::string pattern = (fs::temp_directory_path() / "onarim-row-move-XXXXXX").string();
    const fs::path directory = mkdtemp(pattern.data());
    const fs::path source = directory / "source.fdb", target = directory / "target.fdb";
    const fs::path backup = directory / "backup.gbk", restored = directory / "restored.fdb";

    Isql(directory, CreateTable(source) +
                        "SET TERM ^;\nEXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= " +
                        std::to_string(rows) +
                        ") DO BEGIN INSERT INTO MOVED VALUES (:I, 'Satır ' || :I || ' çğıöşü',"
                        " :I / 7.0, CURRENT_TIMESTAMP, IIF(MOD(:I, 10) = 0, 'Not ' || :I, NULL));"
                        " I = I + 1; END END^\nSET TERM ;^\nCOMMIT;\n");
    Isql(directory, CreateTable(target));
    // Forced writes off on both sides, so that neither the writer nor gbak's restore (which
    // keeps the source's setting) waits for the disk at every page.
    for (const fs::path& path : {source, target}) {
        Run("gfix -user SYSDBA -password masterkey -write async '" + path.string() + "'");
    }

    // gbak first: this process keeps a database it attached open past the detach, and gbak
    // would then find it locked.
    auto start = Clock::now();
    Run("gbak -B -user SYSDBA -password masterkey '" + source.string() + "' '" + backup.string() +
        "'");
    Run("gbak -C -user SYSDBA -password masterkey '" + backup.string() + "' '" + restored.string() +
        "'");
    const double gbakSeconds = Seconds(start);

    // The salvage's database, through gbak and through the salvage, before this process
    // attaches to it.
    const fs::path schema = directory / "schema.fdb", schemaBackup = directory / "schema.gbk";
    const fs::path schemaRestored = directory / "schema-restored.fdb";
    const fs::path salvaged = directory / "salvaged.fdb";
    Isql(directory, SalvageSource(schema, rows));
    Run("gfix -user SYSDBA -password masterkey -write async '" + schema.string() + "'");
    start = Clock::now();
    Run("gbak -B -user SYSDBA -password masterkey '" + schema.string() + "' '" +
        schemaBackup.string() + "'");
    Run("gbak -C -user SYSDBA -password masterkey '" + schemaBackup.string() + "' '" +
        schemaRestored.string() + "'");
    const double schemaGbakSeconds = Seconds(start);
    start = Clock::now();
    // Its steps with the time each began, to see where the time goes.
    std::string steps;
    const onarim::TSalvageResult salvage =
        onarim::SalvageDatabase({schema.string(), schema.string()}, salvaged.string(), kCredentials,
                                Gbak, [&](const std::string& line) {
                                    char at[32];
                                    std::snprintf(at, sizeof at, "  %7.2f s  ", Seconds(start));
                                    steps += at + line + "\n";
                                });
    const double salvageSeconds = Seconds(start);
    std::int64_t salvagedRows = 0;
    for (const onarim::TTableRecovery& table : salvage.tables) {
        salvagedRows += table.rowsPutBack;
    }

    // Reader alone, then reader and writer together.
    start = Clock::now();
    std::int64_t read = 0;
    {
        onarim::TDamagedDatabaseReader reader(source.string(), kCredentials);
        reader.ReadTable(reader.Tables().at(0), [&](const onarim::TReadRow&) { ++read; });
    }
    const double readSeconds = Seconds(start);

    start = Clock::now();
    {
        onarim::TDamagedDatabaseReader reader(source.string(), kCredentials);
        onarim::TSqlAttachment attachment(target.string(), kCredentials.user,
                                          kCredentials.password);
        const onarim::TTableLayout& table = reader.Tables().at(0);
        onarim::TTableWriter writer(attachment, table);
        reader.ReadTable(table, [&](const onarim::TReadRow& row) { writer.Insert(row); });
        writer.Commit();
    }
    const double moveSeconds = Seconds(start);

    std::printf("rows: %d (read %lld)\n", rows, static_cast<long long>(read));
    std::printf("reader alone:          %8.2f s  %10.0f rows/s\n", readSeconds, rows / readSeconds);
    std::printf("reader + writer:       %8.2f s  %10.0f rows/s\n", moveSeconds, rows / moveSeconds);
    std::printf("gbak backup + restore: %8.2f s  %10.0f rows/s\n", gbakSeconds, rows / gbakSeconds);
    std::printf("reader + writer against gbak: %.2f of its rate\n", gbakSeconds / moveSeconds);
    std::printf("salvage (%lld rows, %zu constraints broken, %zu indexes inactive):\n",
                static_cast<long long>(salvagedRows), salvage.constraintViolations.size(),
                salvage.inactiveIndexes.size());
    std::printf("%s", steps.c_str());
    std::printf("salvage:               %8.2f s  %10.0f rows/s\n", salvageSeconds,
                salvagedRows / salvageSeconds);
    std::printf("gbak backup + restore: %8.2f s  %10.0f rows/s\n", schemaGbakSeconds,
                salvagedRows / schemaGbakSeconds);
    std::printf("salvage against gbak: %.2f of its rate\n", schemaGbakSeconds / salvageSeconds);
    fs::remove_all(directory);
    return 0;
}
