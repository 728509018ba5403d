#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/RegistryError.h"
#include "platform/RegistryFile.h"

namespace onarim {

// Path of the registry file that stands for the system registry: the environment variable
// ONARIM_REGISTRY when it is set and not empty, else /etc/onarim/registry.reg. Read afresh on
// every call.
std::string RegistryFilePath();

// Type and size in bytes of a value's data.
struct RegistryValueInfo {
    RegistryDataType type = REG_NONE;
    std::size_t size = 0;
};

// Read-only registry reader over the registry file, one open key at a time, below a fixed root
// key. It never creates or changes anything; opening a key reads the file afresh and keeps a
// copy of that key's values until the key is closed or another is opened.
class TRegistry {
public:
    explicit TRegistry(RegistryRootKey rootKey) : rootKey_(rootKey) {}

    RegistryRootKey RootKey() const noexcept { return rootKey_; }

    // Opens `key` ("SOFTWARE\Borland\InterBase\CurrentVersion") below the root key, without
    // creating it, after closing the current key. Returns false, and leaves no key open, when
    // the registry file cannot be read (missing, no permission: its cause is recorded as the
    // last system error) or does not have the key. Raises ERegistryFileError when the file is
    // malformed.
    bool OpenKey(std::string_view key);
    void CloseKey() noexcept { currentKey_.reset(); }
    bool HasCurrentKey() const noexcept { return currentKey_.has_value(); }

    // Type and size of the value `name` (empty for the default value) of the open key;
    // nullopt when no key is open or it has no such value.
    std::optional<RegistryValueInfo> QueryValueInfo(std::string_view name) const;

    // Copies the data of the value `name` to the front of `buffer` and returns its type and
    // the number of bytes copied; nullopt when no key is open, there is no such value, or its
    // data does not fit into `buffer`.
    std::optional<RegistryValueInfo> ReadValueData(std::string_view name,
                                                   std::span<char> buffer) const;

    // The text of the value `name`: empty when no key is open, the value is missing or its
    // data is empty; otherwise its data cut at the first zero character, as stored (an
    // expandable text is not expanded). Raises ERegistryException
    // "Invalid data type for '<name>'" when the value is neither REG_SZ nor REG_EXPAND_SZ, and
    // "Failed to get data for '<name>'" when its data cannot be read after its size was found.
    std::string ReadString(std::string_view name) const;

private:
    RegistryRootKey rootKey_;
    std::optional<RegistryKey> currentKey_;
};

} // namespace onarim
