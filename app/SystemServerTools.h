#pragma once

#include <cstdint>
#include <optional>

#include "app/ServerTools.h"

namespace onarim {

// The server's tools as this machine has them: the registry lookups, the process runner and
// the file system. A show state given here replaces the one each run asks for (the command
// line lets the tools' output through when asked to be verbose).
class TSystemServerTools : public IServerTools {
public:
    explicit TSystemServerTools(std::optional<std::uint16_t> showStateOverride = std::nullopt)
        : showStateOverride_(showStateOverride) {}

    std::string FirebirdToolDir() override;
    std::string InterBaseToolDir() override;
    int ExecuteAndWait(const std::string& commandLine, int showState) override;
    bool FileExists(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;

private:
    std::optional<std::uint16_t> showStateOverride_;
};

} // namespace onarim
