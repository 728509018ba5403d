#pragma once

#include <cstdint>
#include <vector>

#include "ods/Bytes.h"

namespace onarim::ods {

// Appends the run-length decoding of `packed` to `out`: a control byte c > 0 copies the next c
// bytes, c < 0 repeats the next byte -c times (any negative value, not only the -3..-128 the
// compressor writes), 0 adds nothing. The pieces of a fragmented record decode one after the
// other into the same `out`. Raises EOdsError when a group runs past the end of `packed` or
// `out` would grow past `limit` bytes (a record's format length), so garbage cannot make it
// grow without bound.
void DecompressInto(TBytes packed, std::size_t limit, std::vector<std::uint8_t>& out);

// DecompressInto a new buffer.
std::vector<std::uint8_t> Decompress(TBytes packed, std::size_t limit);

} // namespace onarim::ods
