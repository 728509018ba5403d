#pragma once

#include <array>
#include <string_view>

namespace onarim {

inline constexpr int kClientErrorCount = 120;

// The numbered client error texts, indexed by client error code 0 to 119. The spelling of each
// text (misspellings included) is part of what operators and callers see and must not change.
extern const std::array<std::string_view, kClientErrorCount> ClientErrorTexts;

} // namespace onarim
