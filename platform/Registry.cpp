#include "platform/Registry.h"

#include <cstdlib>
#include <cstring>

namespace onarim {

namespace {

constexpr const char* kDefaultRegistryFile = "/etc/onarim/registry.reg";

std::string Quoted(std::string_view name) {
    return "'" + std::string(name) + "'";
}

} // namespace

std::string RegistryFilePath() {
    const char* overridden = std::getenv("ONARIM_REGISTRY");
    if (overridden != nullptr && *overridden != '\0') {
        return overridden;
    }
    return kDefaultRegistryFile;
}

bool TRegistry::OpenKey(std::string_view key) {
    CloseKey();
    const std::optional<RegistryFile> file = RegistryFile::Load(RegistryFilePath());
    if (!file) {
        return false;
    }
    const RegistryKey* found = file->FindKey(rootKey_, key);
    if (found == nullptr) {
        return false;
    }
    currentKey_ = *found;
    return true;
}

std::optional<RegistryValueInfo> TRegistry::QueryValueInfo(std::string_view name) const {
    if (!currentKey_) {
        return std::nullopt;
    }
    const RegistryValue* value = currentKey_->FindValue(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return RegistryValueInfo{value->type, value->data.size()};
}

std::optional<RegistryValueInfo> TRegistry::ReadValueData(std::string_view name,
                                                          std::span<char> buffer) const {
    if (!currentKey_) {
        return std::nullopt;
    }
    const RegistryValue* value = currentKey_->FindValue(name);
    if (value == nullptr || value->data.size() > buffer.size()) {
        return std::nullopt;
    }
    std::memcpy(buffer.data(), value->data.data(), value->data.size());
    return RegistryValueInfo{value->type, value->data.size()};
}

std::string TRegistry::ReadString(std::string_view name) const {
    const std::optional<RegistryValueInfo> info = QueryValueInfo(name);
    if (!info || info->size == 0) {
        return {};
    }
    std::string text(info->size, '\0');
    const std::optional<RegistryValueInfo> read = ReadValueData(name, text);
    if (!read) {
        throw ERegistryException("Failed to get data for " + Quoted(name));
    }
    if (read->type != REG_SZ && read->type != REG_EXPAND_SZ) {
        throw ERegistryException("Invalid data type for " + Quoted(name));
    }
    text.resize(read->size);
    const std::size_t zero = text.find('\0');
    if (zero != std::string::npos) {
        text.resize(zero);
    }
    return text;
}

} // namespace onarim
