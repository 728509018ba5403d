#pragma once

#include <string>

namespace onarim {

// The login dialog "Database Login": shows the server name, asks for the user name (read-only
// when `userNameReadOnly`) and the password. Returns true when the operator accepts, and then
// `userName` and `password` hold what was entered; on cancel both are left as they were.
// Shown modally on the GUI thread; callable from any thread (the caller waits).
bool ShowLoginDialog(const std::string& serverName, std::string& userName, std::string& password,
                     bool userNameReadOnly);

// Installs ShowLoginDialog as the service components' process-wide login dialog. The repair's
// own component never prompts; the dialog serves any component that does.
void InstallLoginDialogHook();

} // namespace onarim
