#pragma once

#include "platform/Exception.h"

namespace onarim::ods {

// A database file that cannot be read as one, or an edit the file does not allow: a file
// shorter than a page, a page size or on-disk structure version not recognised, a page
// number past the end of the file, a field that points outside its page, an edit of a
// database the check refused. The message names the file or page and says what is wrong.
class EOdsError : public Exception {
public:
    using Exception::Exception;
};

} // namespace onarim::ods
