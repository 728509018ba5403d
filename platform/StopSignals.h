#pragma once

#include <functional>

namespace onarim {

// SIGINT, SIGTERM and SIGHUP, taken by this process alone. WatchStopSignals blocks them in the
// calling thread, and so in every thread started after it (call it first thing in main, before
// the client library's engine starts threads of its own and installs its handlers, which would
// otherwise shut this process's connections), and starts a thread that waits for them. The
// first one sets the stop request and calls `onFirst` on that thread; later ones change
// nothing, so a second Ctrl-C cannot cut short what the first one began. Once only per process.
void WatchStopSignals(std::function<void(int signal)> onFirst);

// The signal that asked this process to stop, 0 while none did.
int StopSignal() noexcept;

// Sets the stop request as a signal would (tests, and a front end stopping on its own).
void RequestStop(int signal) noexcept;
// Forgets the stop request: for tests that go on in the same process.
void ClearStopRequest() noexcept;

} // namespace onarim
