#pragma once

#include <functional>

class QObject;

namespace onarim {

// The window's way of ending when the session ends (SIGTERM at logout) or it is sent SIGINT
// or SIGHUP: the signals are taken as the command line takes them, on a thread of their own
// and before the engine can (call WatchStopSignalsForWindow first thing in main); the running
// tool is stopped at once, and `onStop` runs on the GUI thread of `receiver`. A signal that
// comes before a receiver is set is delivered when it is.
void WatchStopSignalsForWindow();
void SetStopReceiver(QObject* receiver, std::function<void()> onStop);

} // namespace onarim
