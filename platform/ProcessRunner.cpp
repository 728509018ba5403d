#include "platform/ProcessRunner.h"

#include "platform/SpawnSupport.h"

namespace onarim {

int SpawnAndWait(const std::vector<std::string>& argv, ChildOutput output) {
    spawn::SpawnSetup setup;
    int error = output == ChildOutput::Discarded ? setup.DiscardStandardStreams() : 0;
    if (error == 0) {
        error = setup.Finish();
    }
    pid_t child = 0;
    if (error == 0) {
        error = spawn::Start(argv, spawn::InheritedEnvironment(), setup, child);
    }
    if (error != 0) {
        return spawn::Failed(error);
    }
    return spawn::WaitForExit(child);
}

} // namespace onarim
