#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace onarim::ods {

// Data the raw reader found and cannot give back: a line whose record does not decode to a
// row of its format, a page that cannot be read as the relation's, a blob whose pages do not
// agree. Each one is something the caller counts as lost.
struct TRawProblem {
    std::uint32_t page = 0;
    std::optional<std::uint16_t> line; // none: the whole page
    std::string reason;

    // "page 230 line 3: <reason>", or "page 230: <reason>".
    std::string Describe() const;
};

} // namespace onarim::ods
