#pragma once

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
    std::string database;
    // Set when the arguments make no sense; the text says why.
    std::string usageError;
};

// Reads `onarim-cli [--interbase] [--verbose] [--no-copy] [--json] DATABASE` in the manner of GNU tools: options may
// come before or after the database, "--" ends the options, unknown options and a missing or
// second database are usage errors.
RepairCommandLine ParseRepairCommandLine(const std::vector<std::string>& arguments);

// The --help text.
std::string RepairCommandHelp(const std::string& programName);

} // namespace onarim
