#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace onarim {

// Byte offset of the first byte that does not belong to well-formed UTF-8 (overlong forms,
// surrogates and code points past U+10FFFF count as ill-formed), or nullopt when all is well.
std::optional<std::size_t> FindInvalidUtf8(std::string_view text);

// UTF-8 text of little-endian UTF-16 code units. nullopt for an odd byte count or an unpaired
// surrogate. Zero code units become zero bytes, so a text stays cut where it was cut.
std::optional<std::string> Utf16LeToUtf8(std::string_view bytes);

// Key for comparing names without regard to case, the way the registry compares key and value
// names: each code point mapped to its simple Unicode upper case ("ş" and "Ş" match, as do
// "i", "ı" and "I"). `text` must be well-formed UTF-8.
std::u32string CaseFoldKey(std::string_view text);

} // namespace onarim
