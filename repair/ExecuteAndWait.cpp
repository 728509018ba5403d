#include "repair/ExecuteAndWait.h"

#include "platform/CommandLine.h"
#include "platform/ProcessRunner.h"

namespace onarim {

int ExecuteAndWait(std::string_view commandLine, std::uint16_t showState) {
    const ChildOutput output =
        showState == SW_HIDE ? ChildOutput::Discarded : ChildOutput::Inherited;
    return SpawnAndWait(ResolveCommandLine(commandLine), output);
}

} // namespace onarim
