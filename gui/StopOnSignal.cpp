#include "gui/StopOnSignal.h"

#include <mutex>

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include "platform/RunningPrograms.h"
#include "platform/StopSignals.h"

namespace onarim {

namespace {

struct TStopReceiver {
    std::mutex mutex;
    QPointer<QObject> receiver;
    std::function<void()> onStop;
    bool pending = false;
};

TStopReceiver& Receiver() {
    static TStopReceiver receiver;
    return receiver;
}

// Under the lock: hands the stop to the receiver's thread.
void Deliver(TStopReceiver& state) {
    QMetaObject::invokeMethod(state.receiver.data(), state.onStop, Qt::QueuedConnection);
}

} // namespace

void WatchStopSignalsForWindow() {
    WatchStopSignals([](int) {
        StopRunningPrograms();
        TStopReceiver& state = Receiver();
        const std::lock_guard lock(state.mutex);
        if (state.receiver) {
            Deliver(state);
        } else {
            state.pending = true;
        }
    });
}

void SetStopReceiver(QObject* receiver, std::function<void()> onStop) {
    TStopReceiver& state = Receiver();
    const std::lock_guard lock(state.mutex);
    state.receiver = receiver;
    state.onStop = std::move(onStop);
    if (state.pending && state.receiver) {
        state.pending = false;
        Deliver(state);
    }
}

} // namespace onarim
