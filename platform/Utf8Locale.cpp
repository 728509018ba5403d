#include "platform/Utf8Locale.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>

namespace onarim {

namespace {

constexpr const char* kFallbackLocale = "C.UTF-8";

bool CharacterSetIsUtf8() {
    const char* codeset = nl_langinfo(CODESET);
    return codeset != nullptr &&
           (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

} // namespace

bool EnsureUtf8Locale() {
    if (std::setlocale(LC_CTYPE, "") != nullptr && CharacterSetIsUtf8()) {
        return true;
    }
    if (std::setlocale(LC_CTYPE, kFallbackLocale) == nullptr || !CharacterSetIsUtf8()) {
        return false;
    }
    // LC_ALL, when set, overrides LC_CTYPE for the tools; only the character type changes.
    const char* all = std::getenv("LC_ALL");
    setenv(all != nullptr && *all != '\0' ? "LC_ALL" : "LC_CTYPE", kFallbackLocale, 1);
    return true;
}

} // namespace onarim
