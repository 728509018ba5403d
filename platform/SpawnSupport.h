#pragma once

#include <spawn.h>
#include <string>
#include <sys/types.h>
#include <vector>

// What the ways of starting a program share: how the child is set up, how it is started and
// how its end is waited for. Used only inside the platform layer.
namespace onarim::spawn {

// posix_spawn's file actions and attributes, released however the start ends. Every child
// starts with an empty signal mask, default signal dispositions and no descriptors beyond the
// standard three.
class SpawnSetup {
public:
    SpawnSetup();
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    ~SpawnSetup();

    // Standard input, output and error from and to /dev/null. Returns 0 or an error number.
    int DiscardStandardStreams();
    // Standard input from /dev/null, standard output and error both into `writeEnd` (a
    // descriptor above 2). Returns 0 or an error number.
    int CaptureStandardStreams(int writeEnd);
    // The signal and descriptor rules above; call last. Returns 0 or an error number.
    int Finish();

    const posix_spawn_file_actions_t* Actions() const { return &actions_; }
    const posix_spawnattr_t* Attributes() const { return &attributes_; }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

// Starts argv (looked up on PATH like execvp) with `environment` ("NAME=value" texts).
// Returns 0 and the child's id, or an error number: ENOENT for an empty argv or program name,
// EINVAL for a text holding a zero byte (it would cut the text short), or posix_spawnp's own.
int Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
          const SpawnSetup& setup, pid_t& child);

// Starts argv like Start, but by fork and exec, for a program that must not outlive this
// process nor share its terminal's signals: the child leads a process group of its own (a
// Ctrl-C in the terminal reaches only this process) and gets SIGKILL when the thread that
// started it ends (the parent-death signal, which posix_spawn cannot set; the thread, not the
// process: start such programs from a thread that lives until they end). Standard input
// comes from /dev/null, standard output and error go into `writeEnd` (a descriptor above 2),
// no other descriptor is inherited, the signal mask is empty and every disposition the
// default. Returns 0 and the child's id, or an error number as Start does (the failed exec's
// own included).
int StartInOwnGroup(const std::vector<std::string>& argv,
                    const std::vector<std::string>& environment, int writeEnd, pid_t& child);

// The descriptors a child gets as its standard input, output and error (each above 2); an
// input of -1 is /dev/null.
struct ChildStreams {
    int input = -1;
    int output = -1;
    int error = -1;
};

// StartInOwnGroup with the standard streams given one by one.
int StartInOwnGroup(const std::vector<std::string>& argv,
                    const std::vector<std::string>& environment, ChildStreams streams,
                    pid_t& child);

// This process's environment as "NAME=value" texts.
std::vector<std::string> InheritedEnvironment();

// Waits for the child without time limit. Returns its exit status, kSignalExitBase plus the
// signal number when a signal ended it, or -1 (with the last system error) when waiting fails.
int WaitForExit(pid_t child);

// Records `error` as the last system error and returns -1.
int Failed(int error);

} // namespace onarim::spawn
