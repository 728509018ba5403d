#pragma once

#include <string>

namespace onarim {

// The database server's side of a repair that lies outside the service interface: where its
// tools are, running them, and the files beside the database. Behind an interface so that
// tests can script it and the command line can let the tools' output through.
class IServerTools {
public:
    virtual ~IServerTools() = default;

    // Directory holding the tools of the installed Firebird or InterBase server, as the
    // registry says. May raise the registry's errors.
    virtual std::string FirebirdToolDir() = 0;
    virtual std::string InterBaseToolDir() = 0;

    // Runs a command line (Windows quoting rules) and waits for it to end; returns the exit
    // code, or -1 when it cannot be started. Show state 0 hides the tool's output.
    virtual int ExecuteAndWait(const std::string& commandLine, int showState) = 0;

    // True only for an existing file that is not a directory.
    virtual bool FileExists(const std::string& path) = 0;
    // Deletes a file; false when it could not be deleted.
    virtual bool DeleteFile(const std::string& path) = 0;
};

} // namespace onarim
