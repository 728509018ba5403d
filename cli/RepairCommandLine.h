#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace onarim {

// What the operator asked of onarim-cli.
struct RepairCommandLine {
    bool interBase = false;
    bool verbose = false;
    bool noCopy = false; // --no-copy: keep no copy of the original
    bool json = false;   // --json: the report on standard output instead of the text lines
    bool help = false;
    bool version = false;
    // --check: only look at the database, as a monitoring plugin does (see DatabaseCheck.h).
    bool check = false;
    std::int64_t warnGap = 100000;      // --warn-gap N: a larger transaction gap is a warning
    std::string server = "127.0.0.1"; // --server HOST[/PORT]: where the server listens
    std::string database;
    // Set when the arguments make no sense; the text says why.
    std::string usageError;
};

// Reads `onarim-cli [--interbase] [--verbose] [--no-copy] [--json] DATABASE` and
// `onarim-cli --check [--json] [--warn-gap N] [--server HOST[/PORT]] [--interbase] DATABASE`
// in the manner of GNU tools: options may come before or after the database, "--" ends the
// options, a value follows its option as the next argument or after "=". Unknown options, a
// missing or bad value, the check's options without --check, the repair's own (--verbose,
// --no-copy) with it, and a missing or second database are usage errors; the first one is
// told, and the rest of the arguments are still read, so that `check` and `json` say how to
// tell it.
RepairCommandLine ParseRepairCommandLine(const std::vector<std::string>& arguments);

// The --help text.
std::string RepairCommandHelp(const std::string& programName);

} // namespace onarim
