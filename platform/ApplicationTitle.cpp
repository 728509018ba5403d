#include "platform/ApplicationTitle.h"

#include <cerrno>
#include <climits>
#include <clocale>
#include <cwchar>
#include <cwctype>
#include <locale.h>
#include <unistd.h>

namespace onarim {

namespace {

// Lower-cases UTF-8 text in the C.UTF-8 locale, whatever locale the program has chosen. Bytes
// that are not valid UTF-8 are kept as they are; without that locale only ASCII is changed.
std::string LowerCase(std::string_view text) {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    const locale_t previous = utf8 != locale_t{} ? uselocale(utf8) : locale_t{};
    std::string lowered;
    std::mbstate_t in{};
    std::size_t at = 0;
    while (at < text.size()) {
        wchar_t character = 0;
        const std::size_t used = std::mbrtowc(&character, text.data() + at, text.size() - at, &in);
        if (used == 0 || used > text.size() - at) { // a NUL, or bytes that are not UTF-8
            lowered += text[at++];
            in = std::mbstate_t{};
            continue;
        }
        char encoded[MB_LEN_MAX];
        std::mbstate_t out{};
        const std::size_t written = std::wcrtomb(encoded, std::towlower(character), &out);
        lowered.append(written != static_cast<std::size_t>(-1) ? std::string_view(encoded, written)
                                                               : text.substr(at, used));
        at += used;
    }
    if (previous != locale_t{}) {
        uselocale(previous);
    }
    return lowered;
}

// Length of the UTF-8 character that starts `text`.
std::size_t FirstCharacterLength(std::string_view text) {
    std::size_t length = 1;
    while (length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        ++length;
    }
    return length;
}

} // namespace

std::string ExecutablePath() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length > 0 && static_cast<std::size_t>(length) < sizeof path) {
        return std::string(path, static_cast<std::size_t>(length));
    }
    return program_invocation_name != nullptr ? program_invocation_name : "";
}

std::string ApplicationTitleFromPath(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    name = name.substr(0, name.find('.'));
    if (name.empty()) {
        return {};
    }
    const std::size_t first = FirstCharacterLength(name);
    return std::string(name.substr(0, first)) + LowerCase(name.substr(first));
}

const std::string& ApplicationTitle() {
    static const std::string title = ApplicationTitleFromPath(ExecutablePath());
    return title;
}

} // namespace onarim
