#include "platform/DynamicLibrary.h"

#include <cerrno>
#include <dlfcn.h>

#include "platform/SystemError.h"

namespace onarim {

namespace {

void RecordLoaderError(int code) {
    const char* message = dlerror();
    SetLastSystemError(code, message != nullptr ? message : "");
}

} // namespace

LibraryHandle LoadDynamicLibrary(const std::string& name) {
    LibraryHandle library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        RecordLoaderError(ENOENT);
    }
    return library;
}

void* ResolveSymbol(LibraryHandle library, const char* name) {
    if (library == nullptr) {
        // dlsym reads a null handle as RTLD_DEFAULT and would find the name anywhere.
        SetLastSystemError(ENOENT, std::string(name) + ": no library is loaded");
        return nullptr;
    }
    dlerror(); // clear a stale message so that a null result is told apart from a null symbol
    void* address = dlsym(library, name);
    if (address == nullptr) {
        RecordLoaderError(ENOENT);
    }
    return address;
}

void FreeDynamicLibrary(LibraryHandle library) {
    if (library != nullptr) {
        dlclose(library);
    }
}

} // namespace onarim
