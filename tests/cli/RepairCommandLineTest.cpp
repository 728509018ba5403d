#include <gtest/gtest.h>

#include "cli/RepairCommandLine.h"

namespace onarim {
namespace {

TEST(RepairCommandLineTest, ReadsOptionsAndTheOneDatabase) {
    struct Case {
        std::vector<std::string> arguments;
        bool interBase, verbose, help;
        std::string database;
        std::string usageError;
    } cases[] = {
        {{"db.fdb"}, false, false, false, "db.fdb", ""},
        {{"--interbase", "db.fdb"}, true, false, false, "db.fdb", ""},
        {{"db.fdb", "--verbose"}, false, true, false, "db.fdb", ""},
        {{"-v", "--interbase", "/a b/c.fdb"}, true, true, false, "/a b/c.fdb", ""},
        {{"--", "--odd-name.fdb"}, false, false, false, "--odd-name.fdb", ""},
        {{"-"}, false, false, false, "-", ""},
        {{"--help"}, false, false, true, "", ""},
        {{"--help", "a", "b"}, false, false, true, "", ""},
        {{}, false, false, false, "", "missing database file operand"},
        {{"a.fdb", "b.fdb"}, false, false, false, "", "extra operand 'b.fdb'"},
        {{"--repair", "a.fdb"}, false, false, false, "", "unrecognized option '--repair'"},
    };
    for (const auto& c : cases) {
        const RepairCommandLine command = ParseRepairCommandLine(c.arguments);
        SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments.front());
        EXPECT_EQ(command.usageError, c.usageError);
        if (!c.usageError.empty()) {
            continue;
        }
        EXPECT_EQ(command.interBase, c.interBase);
        EXPECT_EQ(command.verbose, c.verbose);
        EXPECT_EQ(command.help, c.help);
        EXPECT_EQ(command.database, c.database);
    }
}

} // namespace
} // namespace onarim

namespace onarim {
namespace {

// --check's options, and the usage errors that must still be told as UNKNOWN (check set).
TEST(RepairCommandLineTest, ReadsTheChecksOptions) {
    struct Case {
        std::vector<std::string> arguments;
        bool check, json;
        std::int64_t warnGap;
        std::string server, database, usageError;
    } cases[] = {
        {{"--check", "db.fdb"}, true, false, 100000, "127.0.0.1", "db.fdb", ""},
        {{"db.fdb", "--check", "--json", "--warn-gap", "50"}, true, true, 50, "127.0.0.1",
         "db.fdb", ""},
        {{"--check", "--warn-gap=0", "--server=db.example/3051", "x.fdb"}, true, false, 0,
         "db.example/3051", "x.fdb", ""},
        {{"--check", "--server", "[::1]", "--interbase", "x.fdb"}, true, false, 100000, "[::1]",
         "x.fdb", ""},
        {{"--check", "--warn-gap", "-5", "x.fdb"}, true, false, 100000, "", "",
         "invalid argument '-5' for '--warn-gap'"},
        {{"--check", "x.fdb", "--warn-gap"}, true, false, 100000, "", "",
         "option '--warn-gap' requires an argument"},
        {{"--check", "--server", "a:b", "x.fdb"}, true, false, 100000, "", "",
         "invalid argument 'a:b' for '--server' (HOST or HOST/PORT)"},
        {{"--check", "--server", "--json", "x.fdb"}, true, false, 100000, "", "",
         "invalid argument '--json' for '--server' (HOST or HOST/PORT)"},
        {{"--bogus", "--check", "--json", "x.fdb"}, true, true, 100000, "", "",
         "unrecognized option '--bogus'"},
        {{"--check", "--no-copy", "x.fdb"}, true, false, 100000, "", "",
         "option '--no-copy' cannot be used with '--check'"},
        {{"--warn-gap", "5", "x.fdb"}, false, false, 5, "", "",
         "option '--warn-gap' is only used with '--check'"},
    };
    for (const auto& c : cases) {
        const RepairCommandLine command = ParseRepairCommandLine(c.arguments);
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        EXPECT_EQ(command.usageError, c.usageError);
        EXPECT_EQ(command.check, c.check);
        EXPECT_EQ(command.json, c.json);
        if (!c.usageError.empty()) {
            continue;
        }
        EXPECT_EQ(command.warnGap, c.warnGap);
        EXPECT_EQ(command.server, c.server);
        EXPECT_EQ(command.database, c.database);
    }
}

} // namespace
} // namespace onarim
