#pragma once

#include <functional>
#include <string>

#include "repair/ServerTools.h"
#include "repair/StepLog.h"

namespace onarim {

// The byte copy of the original that a run keeps beside it, and the one decision about it:
// keep or remove. Once anything may have changed the database (a validation that began to
// mend, a page written), Keep() makes it stay for good; a run that ends before that, by an
// error or a refusal, removes it on its way out, and a database found sound removes it at once
// (Discard). The run's report names the copy for as long as it exists.
class TKeptCopy {
public:
    // No copy yet. `recordedPath` is the report's field that names it.
    TKeptCopy(IServerTools& tools, std::string& recordedPath)
        : tools_(tools), recordedPath_(recordedPath) {}
    ~TKeptCopy();
    TKeptCopy(const TKeptCopy&) = delete;
    TKeptCopy& operator=(const TKeptCopy&) = delete;

    // Copies `database` to `path` as the run's step "keep copy". Returns why it failed (a full
    // disk, in the operator's words), empty when it succeeded; nothing is left behind then.
    std::string Make(TStepLog& log, const std::string& database, const std::string& path);
    // The copy stays whatever happens from now on.
    void Keep() noexcept { kept_ = true; }
    // Takes over the kept copy an earlier run made of the same original: it stays, and no
    // new copy is made.
    void Adopt(const std::string& path) {
        recordedPath_ = path;
        kept_ = adopted_ = true;
    }
    // Removes the copy now: the database was not changed. A copy taken over from an earlier
    // run stays: it is the original of a repair that changed the database.
    void Discard() noexcept;

    bool Exists() const noexcept { return !recordedPath_.empty(); }
    bool Kept() const noexcept { return kept_; }
    bool Adopted() const noexcept { return adopted_; }
    const std::string& Path() const noexcept { return recordedPath_; }

private:
    IServerTools& tools_;
    std::string& recordedPath_;
    bool kept_ = false;
    bool adopted_ = false;
};

// What is done to every transient copy once it is made: the page mends the database got, so
// that the copy reads as the database does.
using TCopyPreparation = std::function<void(const std::string& copy)>;

// A byte copy of the kept original for one reader: attaching writes to a file, and the kept
// copy must stay as it was. The copy is made with the object (and prepared) and removed with it.
class TTransientCopy {
public:
    // Raises what the copy or the preparation raises; nothing is left behind then.
    TTransientCopy(IServerTools& tools, const std::string& keptCopy, std::string path,
                   const TCopyPreparation& prepare = {});
    ~TTransientCopy();
    TTransientCopy(const TTransientCopy&) = delete;
    TTransientCopy& operator=(const TTransientCopy&) = delete;

    const std::string& Path() const noexcept { return path_; }

private:
    IServerTools& tools_;
    std::string path_;
};

// A file this run makes beside the database (the backup, the restored database, the
// salvage's new database): removed on every way out unless Keep() was called.
class TMadeFile {
public:
    TMadeFile(IServerTools& tools, std::string path) : tools_(tools), path_(std::move(path)) {}
    ~TMadeFile();
    TMadeFile(const TMadeFile&) = delete;
    TMadeFile& operator=(const TMadeFile&) = delete;

    void Keep() noexcept { kept_ = true; }
    const std::string& Path() const noexcept { return path_; }

private:
    IServerTools& tools_;
    std::string path_;
    bool kept_ = false;
};

} // namespace onarim
