#include "repair/RepairFiles.h"

#include "platform/ServerToolNames.h"

namespace onarim {

std::string DirectoryPrefix(const std::string& fileName) {
    const std::size_t separator = fileName.rfind(kPathSeparator);
    return separator == std::string::npos ? std::string() : fileName.substr(0, separator + 1);
}

std::pair<std::string, std::string> StemAndExtension(const std::string& fileName) {
    const std::size_t nameStart = DirectoryPrefix(fileName).size();
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || dot <= nameStart) {
        return {fileName, ""};
    }
    return {fileName.substr(0, dot), fileName.substr(dot)};
}

std::string BackupFileName(const std::string& fileName) {
    return DirectoryPrefix(fileName) + kBackupFileName;
}

std::string KeptCopyName(const std::string& fileName, const std::string& stamp) {
    const auto [stem, extension] = StemAndExtension(fileName);
    return stem + ".onarim-" + stamp + extension;
}

std::string ReportFileName(const std::string& fileName, const std::string& stamp) {
    return StemAndExtension(fileName).first + ".onarim-" + stamp + ".json";
}

std::string TransientCopyName(const std::string& fileName, const std::string& stamp,
                              const std::string& purpose) {
    const auto [stem, extension] = StemAndExtension(fileName);
    return stem + ".onarim-" + stamp + "-" + purpose + extension;
}

std::string RestoredFileName(const std::string& fileName, const std::string& stamp) {
    return TransientCopyName(fileName, stamp, "geri");
}

std::string SalvageTargetName(const std::string& fileName, const std::string& stamp,
                              bool firstChoiceTaken) {
    const auto [stem, extension] = StemAndExtension(fileName);
    return stem + ".kurtarilan" + (firstChoiceTaken ? "-" + stamp : std::string()) + extension;
}

std::uint64_t RequiredFreeBytes(std::uint64_t databaseSize, bool keepCopy) {
    return databaseSize * (keepCopy ? 3 : 2);
}

} // namespace onarim
