#pragma once

#include <functional>
#include <string>

namespace onarim {

// Receives one line of a program's or a stream's output, without its line end.
using LineHandler = std::function<void(const std::string& line)>;

} // namespace onarim
