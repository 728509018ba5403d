#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ods/PageCheck.h"
#include "platform/LineHandler.h"
#include "platform/ProcessIdentity.h"
#include "recovery/DatabaseCensus.h"
#include "recovery/LostDataRecovery.h"
#include "recovery/Salvage.h"

namespace onarim {

// Variables added to (or replacing those of) a tool's environment.
using TToolEnvironment = std::vector<std::pair<std::string, std::string>>;

// What the pre-flight needs to know of the database file and its folder.
struct TDatabaseFileFacts {
    enum class Content { Database, Empty, NotDatabase, Unreadable };
    Content content = Content::Unreadable;
    std::uint64_t size = 0;
    bool writable = false;       // the file may be opened for writing
    bool folderWritable = false; // files may be made beside it
    bool readOnlyFileSystem = false;
    std::uint64_t freeBytes = 0; // free space on its file system, for this user
};

// The database server's side of a repair that lies outside the service interface: where its
// tools are, running them, the database file and the files beside it, and reading the
// database through the client library. Behind an interface so that tests can script it and
// the command line can let the tools' output through.
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

    // Runs a command line with `environment` added to this process's environment, hands each
    // line of the tool's standard output and error to `onLine` as it comes, and returns its
    // exit status, or -1 when it cannot be started.
    virtual int RunTool(const std::string& commandLine, const TToolEnvironment& environment,
                        const LineHandler& onLine) = 0;

    // Whether RunPipedTools works here. Not by default.
    virtual bool CanPipeTools() { return false; }
    // Runs two command lines as RunTool does, at once, the first's standard output into the
    // second's standard input. The first's other output goes to `onFirstLine`, the second's
    // to `onSecondLine`; `onFirstEnded` gets the first's exit status as soon as it has ended.
    // Returns both exit statuses (-1: not started).
    virtual std::pair<int, int> RunPipedTools(const std::string& /*first*/,
                                              const std::string& /*second*/,
                                              const TToolEnvironment& /*environment*/,
                                              const LineHandler& /*onFirstLine*/,
                                              const std::function<void(int)>& /*onFirstEnded*/,
                                              const LineHandler& /*onSecondLine*/) {
        return {-1, -1};
    }

    // True only for an existing file that is not a directory.
    virtual bool FileExists(const std::string& path) = 0;
    // Deletes a file; false when it could not be deleted.
    virtual bool DeleteFile(const std::string& path) = 0;

    // What the pre-flight checks. Never raises: what cannot be found out is reported as the
    // worse case.
    virtual TDatabaseFileFacts InspectDatabaseFile(const std::string& path) = 0;
    // Copies `source` byte for byte to `target`, which must not exist: written under a
    // temporary name, flushed, then renamed, with the source's owner and mode. Raises with the
    // system's reason; nothing is left behind then.
    virtual void CopyFileKeepingOriginal(const std::string& source, const std::string& target) = 0;
    // Writes a text file (the report) whole, replacing what is there in one step, so that a
    // crash leaves the old text or the new one. Raises with the system's reason.
    virtual void WriteTextFile(const std::string& path, const std::string& text) = 0;
    // The whole text of a file; nothing when it cannot be read.
    virtual std::optional<std::string> ReadTextFile(const std::string& /*path*/) {
        return std::nullopt;
    }
    // The names of the files in `directory` that begin with `prefix` and end with `suffix`.
    virtual std::vector<std::string> FilesNamedLike(const std::string& /*directory*/,
                                                    const std::string& /*prefix*/,
                                                    const std::string& /*suffix*/) {
        return {};
    }

    // The file the server really opens for `path`: symbolic links resolved.
    virtual std::string ResolvedPath(const std::string& path) { return path; }
    // Gives the new file `path` the owner, group and mode of `model`, as far as this process
    // may. Raises with the system's reason.
    virtual void MatchOwnerAndMode(const std::string& path, const std::string& model) = 0;
    // Puts the file `replacement` in the place of `target` in one rename, both flushed to the
    // disk. Raises with the system's reason; `target` is then as it was.
    virtual void ReplaceFile(const std::string& replacement, const std::string& target) = 0;
    // Starts writing the new file `path` to the disk meanwhile, so that the flush before it
    // replaces the database has little left to do. Nothing by default.
    virtual void StartWritingOut(const std::string& /*path*/) {}

    // The database's pages checked against what its own structure says each must be
    // (ods::CheckPages); reads only. Nothing to mend by default.
    virtual ods::TPageCheck CheckPages(const std::string& /*path*/) { return {}; }
    // Writes what `check` found to mend into the file at `path` (ods::ApplyMends), which must
    // be the file checked or a byte copy of it. Raises EOdsError.
    virtual void ApplyPageMends(const std::string& /*path*/, const ods::TPageCheck& /*check*/) {}
    // Whether another process has the file open (a server), which no page may be written under.
    virtual bool FileOpenElsewhere(const std::string& /*path*/) { return false; }

    // Whether the process that wrote a report still runs.
    virtual bool IsProcessRunning(const ProcessIdentity& /*process*/) { return false; }

    // The program that runs each validation in a process of its own (onarim-validate); empty:
    // the service component validates in this process.
    virtual std::string ValidatorProgram() { return {}; }

    // Rows and blob values of the database, read only. Raises only when the database cannot
    // be attached at all.
    virtual TDatabaseCensus TakeCensus(const std::string& path,
                                       const TCredentials& credentials) = 0;
    // Rows and blob values of the database read straight from its pages, without the engine
    // and without writing (the kept original itself may be read), with `mends` laid over what
    // it reads (see recovery/RawCensus.h). Nothing when the file cannot be read so: the
    // caller counts through the engine then. Nothing by default.
    virtual std::optional<TDatabaseCensus> TakeRawCensus(const std::string& /*path*/,
                                                         const ods::TPageCheck* /*mends*/) {
        return std::nullopt;
    }
    // True when another attachment holds the database.
    virtual bool DatabaseInUse(const std::string& path, const TCredentials& credentials) = 0;

    // Writes into `repaired` what the kept original still holds and `repaired` lacks (see
    // recovery/LostDataRecovery.h). Nothing by default.
    virtual TRecoveryResult PutBackLostData(const TOriginalFiles& /*source*/,
                                            const TRepairedDatabase& /*repaired*/,
                                            const TCredentials& /*credentials*/,
                                            const LineHandler& /*progress*/) {
        return {};
    }
    // Builds a new database at `target` from what the kept original still holds (see
    // recovery/Salvage.h), with the gbak at `gbak`. Raises ESalvageError by default: no
    // salvage here.
    virtual TSalvageResult SalvageDatabase(const TOriginalFiles& /*source*/,
                                           const std::string& /*target*/,
                                           const TCredentials& /*credentials*/,
                                           const std::string& /*gbak*/,
                                           const LineHandler& /*progress*/) {
        throw ESalvageError("salvage is not available");
    }
};

} // namespace onarim
