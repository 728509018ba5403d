#include <array>
#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <poll.h>
#include <dirent.h>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "platform/LineSplitter.h"
#include "platform/ProcessRunner.h"
#include "platform/RunningPrograms.h"
#include "platform/SpawnSupport.h"

namespace onarim {

namespace {

// A descriptor closed when it goes out of scope, unless closed before.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { Close(); }

    int Get() const { return fd_; }
    void Reset(int fd) {
        Close();
        fd_ = fd;
    }
    void Close() {
        if (fd_ >= 0) {
            close(fd_);
            fd_ = -1;
        }
    }

private:
    int fd_;
};

// Moves a descriptor above the standard three: a pipe end that happened to get number 1 or 2
// (this process started with a standard stream closed) would otherwise be duplicated onto
// itself, which keeps its close-on-exec flag and leaves the child without that stream.
int MoveAboveStandardStreams(Descriptor& descriptor) {
    if (descriptor.Get() > STDERR_FILENO) {
        return 0;
    }
    const int moved = fcntl(descriptor.Get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (moved < 0) {
        return errno;
    }
    descriptor.Reset(moved);
    return 0;
}

bool IsValidName(const std::string& name) {
    return !name.empty() && name.find('=') == std::string::npos;
}

bool HasName(const std::string& variable, const std::string& name) {
    return variable.size() > name.size() && variable.compare(0, name.size(), name) == 0 &&
           variable[name.size()] == '=';
}

// This process's environment with `changes` applied; the process's own stays as it is.
// Returns EINVAL for a name that is empty or holds '='.
int ChildEnvironment(const EnvironmentChanges& changes, std::vector<std::string>& environment) {
    environment = spawn::InheritedEnvironment();
    for (const auto& change : changes) {
        // Named, not a structured binding: clang before 16 cannot capture a binding.
        const std::string& name = change.first;
        if (!IsValidName(name)) {
            return EINVAL;
        }
        std::erase_if(environment, [&](const std::string& v) { return HasName(v, name); });
        environment.push_back(name + "=" + change.second);
    }
    return 0;
}

// The processor time and the bytes moved of one process, from /proc; zero for what cannot
// be read. Sets `group` to its process group.
std::uint64_t WorkOf(const std::string& pid, pid_t& group) {
    std::uint64_t work = 0;
    group = 0;
    if (FILE* stat = std::fopen(("/proc/" + pid + "/stat").c_str(), "r")) {
        char text[1024];
        const std::size_t count = std::fread(text, 1, sizeof text - 1, stat);
        std::fclose(stat);
        text[count] = '\0';
        // After the command name's closing ')': state, parent, group, ..., user and system time.
        const char* at = std::strrchr(text, ')');
        int processGroup = 0;
        unsigned long long user = 0, system = 0;
        if (at != nullptr && std::sscanf(at + 1, " %*c %*d %d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu",
                                         &processGroup, &user, &system) == 3) {
            group = processGroup;
            work += user + system;
        }
    }
    if (FILE* io = std::fopen(("/proc/" + pid + "/io").c_str(), "r")) {
        char name[64];
        unsigned long long value = 0;
        while (std::fscanf(io, "%63[^:]: %llu\n", name, &value) == 2) {
            if (std::strcmp(name, "rchar") == 0 || std::strcmp(name, "wchar") == 0) {
                work += value;
            }
        }
        std::fclose(io);
    }
    return work;
}

// What shows that a program is at work: the processor time and the bytes moved of every
// process of its group (a tool it started works for it too).
std::uint64_t WorkDone(pid_t child) {
    std::uint64_t work = 0;
    DIR* processes = opendir("/proc");
    while (const dirent* entry = processes != nullptr ? readdir(processes) : nullptr) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9') {
            continue;
        }
        pid_t group = 0;
        const std::uint64_t done = WorkOf(entry->d_name, group);
        if (group == child) {
            work += done;
        }
    }
    if (processes != nullptr) {
        closedir(processes);
    }
    return work;
}

// Reads the pipe to its end, handing over lines. A handler that throws gets no more lines,
// but the pipe is still drained: the program is left to end on its own rather than be
// stopped half-way (a tool cut off in the middle of a restore leaves a broken database). The
// handler's error is returned for the caller to raise once the program has ended.
std::exception_ptr DrainLines(int readEnd, const LineHandler& onLine, pid_t child,
                              std::chrono::milliseconds stillness, bool& stalled) {
    std::exception_ptr handlerError;
    LineSplitter splitter([&](const std::string& line) {
        if (!handlerError) {
            try {
                onLine(line);
            } catch (...) {
                handlerError = std::current_exception();
            }
        }
    });
    std::array<char, 65536> buffer{};
    auto lastWork = std::chrono::steady_clock::now();
    std::uint64_t work = stillness.count() > 0 ? WorkDone(child) : 0;
    for (;;) {
        if (stillness.count() > 0 && !stalled) {
            pollfd descriptor{readEnd, POLLIN, 0};
            const int ready = poll(&descriptor, 1, 1000);
            const auto now = std::chrono::steady_clock::now();
            if (ready == 0) {
                if (const std::uint64_t done = WorkDone(child); done != work) {
                    work = done;
                    lastWork = now;
                } else if (now - lastWork > stillness) {
                    stalled = true;
                    kill(-child, SIGKILL);
                }
                continue;
            }
            lastWork = now;
        }
        const ssize_t count = read(readEnd, buffer.data(), buffer.size());
        if (count > 0) {
            splitter.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(count)));
        } else if (count == 0 || errno != EINTR) {
            break;
        }
    }
    splitter.Finish();
    return handlerError;
}

// Whether the child has ended; it stays to be reaped.
bool HasEnded(pid_t child) {
    siginfo_t ended{};
    return waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           ended.si_pid == child;
}

// Waits for a registered program's end; out of the register before it is reaped, while its
// number cannot be anybody else's.
int Reap(pid_t child) {
    siginfo_t ended{};
    while (waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED | WNOWAIT) != 0 &&
           errno == EINTR) {
    }
    UnregisterRunningProgram(child);
    return spawn::WaitForExit(child);
}

} // namespace

int SpawnAndCapture(const std::vector<std::string>& argv, const EnvironmentChanges& environment,
                    const LineHandler& onLine) {
    const WatchedRun run =
        SpawnAndCaptureWatched(argv, environment, onLine, std::chrono::milliseconds(0));
    return run.status;
}

WatchedRun SpawnAndCaptureWatched(const std::vector<std::string>& argv,
                                  const EnvironmentChanges& environment, const LineHandler& onLine,
                                  std::chrono::milliseconds stillness) {
    WatchedRun run;
    std::vector<std::string> childEnvironment;
    if (const int error = ChildEnvironment(environment, childEnvironment); error != 0) {
        run.status = spawn::Failed(error);
        return run;
    }
    int ends[2] = {-1, -1};
    if (pipe2(ends, O_CLOEXEC) != 0) {
        run.status = spawn::Failed(errno);
        return run;
    }
    Descriptor readEnd(ends[0]);
    Descriptor writeEnd(ends[1]);
    int error = MoveAboveStandardStreams(readEnd);
    error = error != 0 ? error : MoveAboveStandardStreams(writeEnd);

    pid_t child = 0;
    error = error != 0 ? error
                       : spawn::StartInOwnGroup(argv, childEnvironment, writeEnd.Get(), child);
    if (error != 0) {
        run.status = spawn::Failed(error);
        return run;
    }
    RegisterRunningProgram(child);
    writeEnd.Close(); // the child holds the only write end now: its end is the pipe's end
    const std::exception_ptr handlerError =
        DrainLines(readEnd.Get(), onLine, child, stillness, run.stalled);
    run.status = Reap(child);
    if (handlerError) {
        std::rethrow_exception(handlerError);
    }
    return run;
}

PipedRun SpawnPipedAndCapture(const std::vector<std::string>& first,
                              const std::vector<std::string>& second,
                              const EnvironmentChanges& environment, const LineHandler& onFirstLine,
                              const std::function<void(int)>& onFirstEnded,
                              const LineHandler& onSecondLine) {
    PipedRun run;
    std::vector<std::string> childEnvironment;
    int error = ChildEnvironment(environment, childEnvironment);
    // The data from the first to the second; each program's messages in a pipe of its own.
    Descriptor data[2], firstLines[2], secondLines[2];
    for (Descriptor* ends : {data, firstLines, secondLines}) {
        int fds[2] = {-1, -1};
        if (error == 0 && pipe2(fds, O_CLOEXEC) != 0) {
            error = errno;
        }
        ends[0].Reset(fds[0]);
        ends[1].Reset(fds[1]);
        error = error != 0 ? error : MoveAboveStandardStreams(ends[0]);
        error = error != 0 ? error : MoveAboveStandardStreams(ends[1]);
    }
    pid_t firstChild = 0;
    error = error != 0
                ? error
                : spawn::StartInOwnGroup(first, childEnvironment,
                                         {-1, data[1].Get(), firstLines[1].Get()}, firstChild);
    if (error != 0) {
        run.first = run.second = spawn::Failed(error);
        return run;
    }
    RegisterRunningProgram(firstChild);
    data[1].Close();
    firstLines[1].Close();
    pid_t secondChild = 0;
    const int secondError = spawn::StartInOwnGroup(
        second, childEnvironment, {data[0].Get(), secondLines[1].Get(), secondLines[1].Get()},
        secondChild);
    if (secondError == 0) {
        RegisterRunningProgram(secondChild);
    }
    // Without a reader the first ends on its first write (SIGPIPE).
    data[0].Close();
    secondLines[1].Close();

    std::exception_ptr handlerError;
    const auto handOver = [&handlerError](const auto& handler, const auto&... values) {
        if (!handlerError) {
            try {
                handler(values...);
            } catch (...) {
                handlerError = std::current_exception();
            }
        }
    };
    LineSplitter firstSplitter([&](const std::string& line) { handOver(onFirstLine, line); });
    LineSplitter secondSplitter([&](const std::string& line) { handOver(onSecondLine, line); });
    LineSplitter* splitters[2] = {&firstSplitter, &secondSplitter};
    pollfd ready[2] = {{firstLines[0].Get(), POLLIN, 0},
                       {secondError == 0 ? secondLines[0].Get() : -1, POLLIN, 0}};
    std::array<char, 65536> buffer{};
    bool firstRuns = true;
    while (ready[0].fd >= 0 || ready[1].fd >= 0 || firstRuns) {
        // A first that closed its standard error may still write its standard output: the
        // second's output is read on meanwhile, and the first looked at now and then.
        if (ready[0].fd < 0 && firstRuns && HasEnded(firstChild)) {
            firstRuns = false;
            run.first = Reap(firstChild);
            handOver(onFirstEnded, run.first);
            continue;
        }
        if (poll(ready, 2, ready[0].fd < 0 && firstRuns ? 20 : -1) < 0) {
            continue; // EINTR: a signal this process handles
        }
        for (int which = 0; which < 2; ++which) {
            if (ready[which].fd < 0 || ready[which].revents == 0) {
                continue;
            }
            const ssize_t count = read(ready[which].fd, buffer.data(), buffer.size());
            if (count > 0) {
                splitters[which]->Feed(
                    std::string_view(buffer.data(), static_cast<std::size_t>(count)));
            } else if (count == 0 || errno != EINTR) {
                splitters[which]->Finish();
                ready[which].fd = -1;
            }
        }
    }
    run.second = secondError == 0 ? Reap(secondChild) : spawn::Failed(secondError);
    if (handlerError) {
        std::rethrow_exception(handlerError);
    }
    return run;
}

} // namespace onarim
