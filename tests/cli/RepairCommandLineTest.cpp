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
