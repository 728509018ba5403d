#pragma once

#include <functional>

class QObject;

namespace onarim {

// Runs `work` on the GUI thread (the thread of the application object) and returns once it has
// run. On the GUI thread itself, or before an application object exists, it runs at once.
// From any other thread it is queued to the GUI thread and the caller sleeps until it is done
// (a blocking queued call): a modal dialog opened by `work` runs its own event loop on the GUI
// thread, which goes on painting and taking input, while the caller waits. An exception
// escaping `work` is carried back and raised again in the caller, never into Qt's event loop.
// The GUI thread must not be waiting for the caller, or both wait for ever.
void RunOnGuiThread(const std::function<void()>& work);

// Queues `work` for the GUI thread and returns at once. It runs there in the order queued,
// after the blocking calls queued before it; it is dropped when `context` is destroyed first.
// `work` must not raise.
void PostToGuiThread(QObject* context, std::function<void()> work);

} // namespace onarim
