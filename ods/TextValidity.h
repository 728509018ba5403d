#pragma once

#include <cstddef>
#include <optional>

#include "ods/Bytes.h"

namespace onarim::ods {

// The characters of `text` when it is well-formed UTF-8 as Firebird's UTF8 character set
// takes it (no overlong forms, no surrogates, nothing past U+10FFFF); nullopt otherwise.
std::optional<std::size_t> Utf8Characters(TBytes text);

} // namespace onarim::ods
