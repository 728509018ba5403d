#include "trace/NamedMutex.h"

#include <cerrno>
#include <new>
#include <pthread.h>

#include "platform/SystemError.h"

namespace onarim {

namespace {

[[noreturn]] void RaiseSystemError(int code) {
    SetLastSystemError(code);
    RaiseLastOSError();
}

void Check(int result) {
    if (result != 0) {
        RaiseSystemError(result);
    }
}

void InitialiseMutex(void* address, std::size_t) {
    pthread_mutexattr_t attributes;
    Check(pthread_mutexattr_init(&attributes));
    Check(pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED));
    Check(pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST));
    Check(pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE));
    const int result = pthread_mutex_init(new (address) pthread_mutex_t, &attributes);
    pthread_mutexattr_destroy(&attributes);
    Check(result);
}

pthread_mutex_t* MutexAt(const TSharedMemory& memory) {
    return static_cast<pthread_mutex_t*>(memory.Address());
}

} // namespace

TNamedMutex::TNamedMutex(std::string_view name)
    : memory_(name, sizeof(pthread_mutex_t), InitialiseMutex) {}

bool TNamedMutex::Lock() {
    const int result = pthread_mutex_lock(MutexAt(memory_));
    if (result != 0 && result != EOWNERDEAD) {
        RaiseSystemError(result);
    }
    return Acquired(result);
}

bool TNamedMutex::TryLock() {
    const int result = pthread_mutex_trylock(MutexAt(memory_));
    if (result == EBUSY) {
        return false;
    }
    if (result != 0 && result != EOWNERDEAD) {
        RaiseSystemError(result);
    }
    Acquired(result);
    return true;
}

// The holder died: mark the state consistent again, as Windows hands an abandoned mutex over.
bool TNamedMutex::Acquired(int result) {
    if (result != EOWNERDEAD) {
        return false;
    }
    pthread_mutex_consistent(MutexAt(memory_));
    return true;
}

void TNamedMutex::Unlock() noexcept {
    pthread_mutex_unlock(MutexAt(memory_));
}

} // namespace onarim
