#include "trace/MonitorWriterThread.h"

#include <algorithm>
#include <exception>
#include <string_view>

namespace onarim {

TWriterThread::TWriterThread(TMonitorSharedObjects& shared, const std::atomic<bool>& shutdown)
    : shared_(shared), shutdown_(shutdown), thread_([this] { Run(); }) {}

TWriterThread::~TWriterThread() {
    Stop();
}

void TWriterThread::Queue(std::string text, TTraceFlag kind) {
    if (shared_.MonitorCount().load() <= 0) {
        return;
    }
    {
        std::lock_guard guard(queueLock_);
        queue_.emplace_back(TTraceObject::Now(std::move(text), kind));
    }
    queued_.notify_one();
}

void TWriterThread::QueueRelease(std::weak_ptr<TMonitorWindow> window) {
    {
        std::lock_guard guard(queueLock_);
        queue_.emplace_back(TReleaseObject{std::move(window)});
    }
    queued_.notify_one();
}

void TWriterThread::Stop() {
    stop_ = true;
    queued_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
}

bool TWriterThread::Ending() const {
    return stop_ || shutdown_;
}

std::optional<TWriterThread::Entry> TWriterThread::Take(bool& finished) {
    std::unique_lock guard(queueLock_);
    if (queue_.empty()) {
        finished = Ending();
        if (!finished) {
            queued_.wait_for(guard, kIdlePoll, [this] { return !queue_.empty() || stop_; });
        }
        return std::nullopt;
    }
    std::optional<Entry> entry(std::move(queue_.front()));
    queue_.pop_front();
    return entry;
}

void TWriterThread::Run() {
    bool finished = false;
    while (!finished) {
        const std::optional<Entry> entry = Take(finished);
        if (!entry) {
            continue;
        }
        if (const auto* release = std::get_if<TReleaseObject>(&*entry)) {
            if (auto window = release->window.lock()) {
                window->PostMessage(MonitorMessage::Release);
            }
            continue;
        }
        // With no monitor registered the message is dropped, without waiting.
        if (shared_.MonitorCount().load() <= 0) {
            continue;
        }
        try {
            Publish(std::get<TTraceObject>(*entry));
        } catch (const std::exception&) {
            // The write lock is beyond repair: this message is lost, later ones try again.
            std::this_thread::sleep_for(kIdlePoll);
        }
    }
}

void TWriterThread::Publish(const TTraceObject& message) {
    TNamedMutexGuard wholeMessage(shared_.WriteLock());
    if (shared_.MonitorCount().load() <= 0) {
        return;
    }
    const std::string_view text = message.text;
    // Once the last monitor is counted out (it died) the rest of the text has no reader.
    for (std::size_t at = 0; at < text.size() && shared_.MonitorCount().load() > 0;
         at += MonitorBlock::ChunkCapacity) {
        shared_.WriteLock().Lock(); // re-entrant; EndOfWrite releases it
        shared_.StoreChunk(text.substr(at, MonitorBlock::ChunkCapacity), message.kind,
                           message.timeStamp);
        EndOfWrite();
    }
}

// The barrier of one chunk. Each wait gives up after kHandshakeTimeout and then assumes that
// one monitor, or one reader, has died, so a monitor killed while registered costs time but
// never stops the writer.
void TWriterThread::EndOfWrite() {
    TMonitorSharedObjects& s = shared_;
    // Every registered reader is waiting for the chunk.
    while (!s.ReadEvent().Wait(kHandshakeTimeout)) {
        // A garbage count is replaced, not counted down: that would hold the writer for ever.
        if (!s.DiscardImplausibleCounts()) {
            DecrementIfPositive(s.MonitorCount());
        }
        const std::int32_t monitors = s.MonitorCount().load();
        if (monitors <= 0 || s.ReaderCount().load() >= monitors) {
            s.ReadEvent().Set();
        }
    }
    s.WriteFinishedEvent().Reset();
    s.ReadFinishedEvent().Reset();
    s.WriteEvent().Set(); // all readers pass
    // The last reader has finished.
    while (!s.ReadFinishedEvent().Wait(kHandshakeTimeout)) {
        s.DiscardImplausibleCounts();
        const std::optional<std::int32_t> readers = DecrementIfPositive(s.ReaderCount());
        if (!readers || *readers == 0) {
            // What the last reader would have done on leaving the read.
            s.ReadEvent().Reset();
            s.ReadFinishedEvent().Set();
        }
    }
    s.WriteEvent().Reset();
    s.WriteFinishedEvent().Set();
    s.WriteLock().Unlock();
}

} // namespace onarim
