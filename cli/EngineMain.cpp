// onarim-engine TASK ...: work of the repair that needs the engine on a database that may be
// damaged (a count, the put-back, the salvage), in a process of its own, so that a hang or a
// crash of the engine costs only this process. See repair/EngineTask.h for the tasks and
// what it prints.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "repair/EngineTask.h"
#include "platform/Utf8Locale.h"

int main(int argc, char** argv) {
    onarim::EnsureUtf8Locale();
    const int status = onarim::ServeEngineTask(std::vector<std::string>(argv + 1, argv + argc));
    std::fflush(stdout);
    // As onarim-validate: the engine's threads do not always end well; nothing is left to
    // save, so the process ends here.
    std::_Exit(status);
}
