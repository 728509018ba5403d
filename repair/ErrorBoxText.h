#pragma once

#include <string>

namespace onarim {

// The text with which an error that escaped a handler is shown to the operator: its message,
// with a full stop appended when the message is not empty and its last character's code is
// greater than that of the full stop (so a message ending in ".", a blank, a line break or a
// quote gets none).
std::string ErrorBoxText(const std::string& message);

} // namespace onarim
