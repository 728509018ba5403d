#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/FirebirdRegistry.h"
#include "support/ScratchDirectory.h"
#include "support/ToolRun.h"

namespace onarim::testing {

// onarim-cli as an operator runs it: the registry file of Debian's Firebird in the scratch
// directory, the password on standard input.
inline ProgramResult RunOnarimCli(const ScratchDirectory& scratch,
                                  const std::vector<std::string>& arguments,
                                  const std::string& input = "masterkey\n",
                                  const ProgramRun::Environment& environment = {}) {
    const auto registry = scratch.WriteFile("registry.reg", FirebirdRegistryText("/usr/"));
    ProgramRun run;
    run.arguments = {ONARIM_CLI_PATH};
    run.arguments.insert(run.arguments.end(), arguments.begin(), arguments.end());
    run.input = input;
    run.environment = {{"ONARIM_REGISTRY", registry.string()}};
    run.environment.insert(run.environment.end(), environment.begin(), environment.end());
    return RunProgram(run);
}

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << stream.rdbuf();
    return bytes.str();
}

} // namespace onarim::testing
