#include "platform/RegistryError.h"

namespace onarim {

ERegistryFileError::ERegistryFileError(std::string fileName, int line, const std::string& problem)
    : ERegistryException("Registry file '" + fileName + "', line " + std::to_string(line) + ": " +
                         problem),
      fileName_(std::move(fileName)), line_(line) {}

} // namespace onarim
