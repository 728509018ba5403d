#include "cli/RepairCommandLine.h"

#include <charconv>
#include <optional>

namespace onarim {

namespace {

// "HOST" or "HOST/PORT" as the client library reads a server name: a host without a colon
// (an IPv6 address in brackets) and a port number or service name.
bool ValidServer(const std::string& server) {
    const std::size_t slash = server.find('/');
    const std::string host = server.substr(0, slash);
    if (host.empty() || host.front() == '-' || (host.find(':') != std::string::npos &&
                         !(host.front() == '[' && host.back() == ']'))) {
        return false;
    }
    if (slash == std::string::npos) {
        return true;
    }
    const std::string port = server.substr(slash + 1);
    if (port.empty()) {
        return false;
    }
    for (const char c : port) {
        const bool allowed = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                             (c >= 'A' && c <= 'Z') || c == '-' || c == '_';
        if (!allowed) {
            return false;
        }
    }
    return true;
}

std::optional<std::int64_t> NonNegativeNumber(const std::string& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0) {
        return std::nullopt;
    }
    return value;
}

} // namespace

RepairCommandLine ParseRepairCommandLine(const std::vector<std::string>& arguments) {
    RepairCommandLine command;
    std::vector<std::string> databases;
    bool optionsEnded = false;
    bool warnGapGiven = false;
    bool serverGiven = false;
    auto refuse = [&command](std::string why) {
        if (command.usageError.empty()) {
            command.usageError = std::move(why);
        }
    };
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string& argument = arguments[at];
        if (optionsEnded || argument == "-" || !argument.starts_with("-")) {
            databases.push_back(argument);
            continue;
        }
        // An option with a value: "--name VALUE" or "--name=VALUE".
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        auto value = [&]() -> std::optional<std::string> {
            if (equals != std::string::npos) {
                return argument.substr(equals + 1);
            }
            if (at + 1 < arguments.size()) {
                return arguments[++at];
            }
            refuse("option '" + name + "' requires an argument");
            return std::nullopt;
        };
        if (name == "--warn-gap") {
            warnGapGiven = true;
            if (const auto text = value()) {
                if (const auto gap = NonNegativeNumber(*text)) {
                    command.warnGap = *gap;
                } else {
                    refuse("invalid argument '" + *text + "' for '--warn-gap'");
                }
            }
        } else if (name == "--server") {
            serverGiven = true;
            if (const auto text = value()) {
                if (ValidServer(*text)) {
                    command.server = *text;
                } else {
                    refuse("invalid argument '" + *text + "' for '--server' (HOST or HOST/PORT)");
                }
            }
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--check") {
            command.check = true;
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
            refuse("unrecognized option '" + argument + "'");
        }
    }
    if (!command.usageError.empty() || command.help || command.version) {
        return command;
    }
    if (command.check && (command.verbose || command.noCopy)) {
        refuse(std::string("option '") + (command.verbose ? "--verbose" : "--no-copy") +
               "' cannot be used with '--check'");
    } else if (!command.check && (warnGapGiven || serverGiven)) {
        refuse(std::string("option '") + (warnGapGiven ? "--warn-gap" : "--server") +
               "' is only used with '--check'");
    } else if (databases.empty()) {
        refuse("missing database file operand");
    } else if (databases.size() > 1) {
        refuse("extra operand '" + databases[1] + "'");
    } else {
        command.database = databases.front();
    }
    return command;
}

std::string RepairCommandHelp(const std::string& programName) {
    return "Usage: " + programName + " [OPTION]... DATABASE\n"
           "  or:  " + programName + " --check [--json] [--warn-gap N] [--server HOST[/PORT]] DATABASE\n"
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
           "\n"
           "With --check nothing is repaired or written: the database server on this machine\n"
           "validates DATABASE online (other users stay connected) and its header facts are\n"
           "read, and one line in the manner of monitoring plugins tells the outcome,\n"
           "'ONARIM OK - ...' (exit 0), WARNING (1), CRITICAL (2) or UNKNOWN (3), followed by\n"
           "performance data. The user and password are ISC_USER (default SYSDBA) and\n"
           "ISC_PASSWORD when ISC_PASSWORD is set; otherwise the password is read as above.\n"
           "      --check      check the database as a monitor does; exit status 0-3\n"
           "      --warn-gap N warn when the transaction gap (next - oldest interesting)\n"
           "                   is above N (default 100000)\n"
           "      --server HOST[/PORT]  the server's address (default 127.0.0.1)\n"
           "      --json       with --check: the whole result as JSON instead of the line\n"
           "\n"
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
           "With --check: 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN (also for bad usage).\n"
           "\n"
           "The tools are found through the registry file (ONARIM_REGISTRY, default\n"
           "/etc/onarim/registry.reg); the client library is libfbclient.so.2 unless\n"
           "ONARIM_CLIENT_LIBRARY names another.\n";
}

} // namespace onarim
