#include "client/ClientLibrary.h"

#include <cstddef>
#include <mutex>

#include "client/ClientEntryPoints.h"
#include "client/ClientError.h"
#include "platform/ClientLibraryName.h"
#include "platform/DynamicLibrary.h"
#include "platform/SystemError.h"

namespace onarim {

namespace {

// Loading happens once, but a lock keeps two threads from filling the table at the same time.
std::recursive_mutex loadLock;
LibraryHandle libraryHandle = nullptr;
ClientEntryPointTable table;

template <std::size_t N>
struct EntryPointName {
    constexpr EntryPointName(const char (&text)[N]) {
        for (std::size_t i = 0; i < N; ++i) {
            value[i] = text[i];
        }
    }
    char value[N];
};

// The stand-in for a version-6 entry point in an older client: same parameters, never returns.
template <EntryPointName Name, typename Function>
struct Fallback;

template <EntryPointName Name, typename Result, typename... Arguments>
struct Fallback<Name, Result (*)(Arguments...)> {
    static Result Call(Arguments...) {
        RaiseClientError(ClientErrorCode::NotVersion6Function, {std::string(Name.value)});
    }
};

template <typename Slot>
void Assign(Slot& slot, void* address) {
    slot = reinterpret_cast<Slot>(address);
}

void FillTable(ClientEntryPointTable& filled) {
#define ONARIM_RESOLVE_REQUIRED(name) Assign(filled.name, ResolveRequired(#name));
    ONARIM_BASE_ENTRY_POINTS(ONARIM_RESOLVE_REQUIRED)
    Assign(filled.isc_rollback_retaining, ResolveOptional("isc_rollback_retaining"));
    if (filled.isc_rollback_retaining != nullptr) {
        ONARIM_VERSION6_ENTRY_POINTS(ONARIM_RESOLVE_REQUIRED)
        return;
    }
#undef ONARIM_RESOLVE_REQUIRED
    // An older client: the version-6 names are not even looked up.
#define ONARIM_FALLBACK(name)                                                                      \
    filled.name = &Fallback<#name, decltype(ClientEntryPointTable::name)>::Call;
    ONARIM_PROBE_ENTRY_POINT(ONARIM_FALLBACK)
    ONARIM_VERSION6_ENTRY_POINTS(ONARIM_FALLBACK)
#undef ONARIM_FALLBACK
}

} // namespace

const ClientEntryPointTable& ClientEntryPoints() { return table; }

void* ResolveRequired(const char* exportName) {
    void* address = ResolveSymbol(libraryHandle, exportName);
    if (address == nullptr) {
        RaiseLastOSError();
    }
    return address;
}

void* ResolveOptional(const char* exportName) { return ResolveSymbol(libraryHandle, exportName); }

void LoadClientLibrary() {
    std::lock_guard lock(loadLock);
    if (libraryHandle != nullptr) {
        return; // a working library is never given up for one that may not load
    }
    libraryHandle = LoadDynamicLibrary(ClientLibraryFileName());
    if (libraryHandle == nullptr) {
        return;
    }
    // Publish the table only when it is complete: no caller ever sees a half-filled one.
    ClientEntryPointTable filled;
    try {
        FillTable(filled);
    } catch (...) {
        FreeDynamicLibrary(libraryHandle);
        libraryHandle = nullptr;
        throw;
    }
    table = filled;
}

bool TryLoadClientLibrary() {
    std::lock_guard lock(loadLock);
    if (libraryHandle == nullptr) {
        LoadClientLibrary();
    }
    return libraryHandle != nullptr;
}

void EnsureClientLibrary() {
    if (!TryLoadClientLibrary()) {
        RaiseClientError(ClientErrorCode::LibraryNotFound, {std::string()});
    }
}

void FreeClientLibrary() {
    std::lock_guard lock(loadLock);
    if (libraryHandle == nullptr) {
        return;
    }
    // Emptied rather than left pointing into an unloaded library.
    table = ClientEntryPointTable{};
    FreeDynamicLibrary(libraryHandle);
    libraryHandle = nullptr;
}

void ShutdownClientEngine() {
    // fb_shutdown(timeout in milliseconds, reason); fb_shutrsn_app_stopped is -3.
    using Shutdown = int (*)(unsigned int, int);
    constexpr unsigned int kTimeoutMilliseconds = 10000;
    constexpr int kApplicationStopped = -3;
    if (const auto shutdown = reinterpret_cast<Shutdown>(ResolveOptional("fb_shutdown"))) {
        shutdown(kTimeoutMilliseconds, kApplicationStopped);
    }
}

bool IsClientLibraryLoaded() {
    std::lock_guard lock(loadLock);
    return libraryHandle != nullptr;
}

} // namespace onarim
