#pragma once

#include <string>

#include "platform/Exception.h"

namespace onarim::testing {

// A test fixture could not do what a test asked of it: a tool that did not run, a database
// that does not have the layout the fixture builds, a file that cannot be read. Tests let it
// escape, so GoogleTest reports the message as the failure.
class FixtureError : public Exception {
public:
    using Exception::Exception;
};

} // namespace onarim::testing
