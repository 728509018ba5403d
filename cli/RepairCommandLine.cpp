#include "cli/RepairCommandLine.h"

namespace onarim {

RepairCommandLine ParseRepairCommandLine(const std::vector<std::string>& arguments) {
    RepairCommandLine command;
    std::vector<std::string> databases;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (optionsEnded || argument == "-" || !argument.starts_with("-")) {
            databases.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--interbase") {
            command.interBase = true;
        } else if (argument == "--verbose" || argument == "-v") {
            command.verbose = true;
        } else if (argument == "--no-copy") {
            command.noCopy = true;
        } else if (argument == "--json") {
            command.json = true;
        } else if (argument == "--help" || argument == "-h") {
            command.help = true;
        } else if (argument == "--version") {
            command.version = true;
        } else {
            command.usageError = "unrecognized option '" + argument + "'";
            return command;
        }
    }
    if (command.help || command.version) {
        return command;
    }
    if (databases.empty()) {
        command.usageError = "missing database file operand";
    } else if (databases.size() > 1) {
        command.usageError = "extra operand '" + databases[1] + "'";
    } else {
        command.database = databases.front();
    }
    return command;
}

std::string RepairCommandHelp(const std::string& programName) {
    return "Usage: " + programName + " [OPTION]... DATABASE\n"
           "Repair the Firebird or InterBase database file DATABASE with the server's own means:\n"
           "validate it through the service manager and, when anything is reported, run gfix,\n"
           "back it up with gbak to BACKUP.GBK beside it, restore that backup over it, remove\n"
           "the backup and validate again. Messages are in Turkish.\n"
           "\n"
           "Before anything changes, a byte copy of the database is kept beside it\n"
           "(NAME.onarim-YYYYMMDD-HHMMSS.EXT); it is removed only when the database is sound.\n"
           "Rows and blob values are counted before and after the repair and every loss is\n"
           "reported; a JSON report (NAME.onarim-YYYYMMDD-HHMMSS.json) is written beside the\n"
           "database whenever the repair changed anything. Progress lines go to standard error.\n"
           "\n"
           "The SYSDBA password is read from standard input (one line) when that is not a\n"
           "terminal, otherwise asked for without echo; an empty password cancels.\n"
           "\n"
           "      --interbase  the server is InterBase (default: Firebird)\n"
           "  -v, --verbose    print the whole validation report and the tools' output\n"
           "      --no-copy    keep no copy of the original (needs less free space)\n"
           "      --json       print the report as JSON on standard output instead of the\n"
           "                   messages\n"
           "  -h, --help       display this help and exit\n"
           "      --version    output version information and exit\n"
           "\n"
           "Exit status:\n"
           " 0  the database is sound, or the repair completed\n"
           " 1  the repair did not complete, or a safety check stopped it\n"
           " 2  bad usage, no such database file, a file that is no database, or the\n"
           "    password was cancelled\n"
           " 3  an error ended the run\n"
           " 4  the database was repaired, but with losses (or losses that cannot be ruled out)\n"
           "\n"
           "The tools are found through the registry file (ONARIM_REGISTRY, default\n"
           "/etc/onarim/registry.reg); the client library is libfbclient.so.2 unless\n"
           "ONARIM_CLIENT_LIBRARY names another.\n";
}

} // namespace onarim
