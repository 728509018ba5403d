#include "support/FakeClient.h"

#include <cstdlib>
#include <dlfcn.h>
#include <stdexcept>

#include "client/ClientLibrary.h"

namespace onarim::testing {

std::string FakeClientPath(const std::string& variant) {
    return std::string(FAKECLIENT_DIR) + "/" + variant + "/libfbclient.so.2";
}

void PointClientLibraryAt(const std::string& fileName) {
    FreeClientLibrary();
    setenv("ONARIM_CLIENT_LIBRARY", fileName.c_str(), 1);
}

fakeclient::Control& UseFakeClient(const std::string& variant) {
    const std::string path = FakeClientPath(variant);
    // Our own reference keeps the stand-in (and its script) in memory between loads.
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        throw std::runtime_error("cannot load the stand-in client library " + path);
    }
    using ControlFunction = fakeclient::Control* (*)();
    auto control = reinterpret_cast<ControlFunction>(dlsym(library, "fake_client_control"))();
    control->Reset();
    PointClientLibraryAt(path);
    EnsureClientLibrary();
    return *control;
}

} // namespace onarim::testing
