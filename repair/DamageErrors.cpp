#include "repair/DamageErrors.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "repair/RepairProcedure.h"
#include "ods/DatabaseFile.h"

namespace onarim {

namespace {

// Status codes of the published header that name damaged pages.
constexpr std::int32_t kBugCheck = 335544333;    // internal consistency check
constexpr std::int32_t kDbCorrupt = 335544335;   // database file appears corrupt
constexpr std::int32_t kBadPageType = 335544403; // page is of wrong type
constexpr std::int32_t kPageTypeError = 335544650;
constexpr std::int32_t kIoError = 335544344;
constexpr std::int32_t kDecryptError = 335545043; // page appears encrypted, no crypt plugin

} // namespace

bool IsDamageReport(const EIBInterBaseError& error, bool declaredEncrypted) {
    constexpr std::array damageCodes{kValidationErrorsStatus, kBugCheck, kDbCorrupt, kBadPageType,
                                     kPageTypeError};
    for (const std::int32_t code : damageCodes) {
        if (error.StatusErrorCode() == code || error.HasStatusCode(code)) {
            return true;
        }
    }
    if (!declaredEncrypted &&
        (error.StatusErrorCode() == kDecryptError || error.HasStatusCode(kDecryptError))) {
        return true;
    }
    // An I/O error is damage only when a read fell past the end of the file: a page number
    // beyond the file, read through a damaged pointer. Opening, access and writing errors are
    // not: the file is missing, locked or not ours.
    const std::string_view message = error.Message();
    return error.StatusErrorCode() == kIoError &&
           message.starts_with("I/O error during \"read\" operation for file") &&
           message.find("File size is less than expected") != std::string_view::npos;
}

bool DeclaresEncryption(const std::string& path) {
    try {
        const ods::TDatabaseFile file(path, ods::TDatabaseFile::TAccess::ReadOnly);
        return file.Header().Encrypted();
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace onarim
