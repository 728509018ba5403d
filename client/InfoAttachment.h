#pragma once

#include <string>

#include "client/DatabaseInfo.h"
#include "client/FirebirdApi.h"

namespace onarim {

// An attachment through a database server that only asks the database for its facts, and so
// leaves it as other attachments use it: it runs no database trigger (an ON CONNECT trigger
// may write), collects no garbage and starts no transaction (a transaction start may begin an
// automatic sweep). Used from one thread at a time.
class TInfoAttachment {
public:
    // Attaches to `connection` (the server's form, "host/port:/path/db.fdb") as `user` with
    // `password`, with the file name in UTF-8. Loads the client library first if needed
    // (EIBClientError 1 when it cannot be loaded). Raises EIBClientError 119 for a connection
    // text past 32767 bytes or a user name or password past 255 bytes, and EIBInterBaseError
    // with the server's message when the attach fails (no server, a refused password, no such
    // file, a file the server cannot open because it is damaged).
    TInfoAttachment(const std::string& connection, const std::string& user,
                    const std::string& password);
    // Detaches if still attached; never raises.
    ~TInfoAttachment();
    TInfoAttachment(const TInfoAttachment&) = delete;
    TInfoAttachment& operator=(const TInfoAttachment&) = delete;

    // The facts of DatabaseInfoItems(). Raises EIBInterBaseError when the call fails and
    // EIBClientError 95 for a reply it cannot read.
    TDatabaseInfo DatabaseInfo();

    // Detaches; raises EIBInterBaseError when the client library reports a failure (the
    // handle is forgotten all the same). Nothing when already detached.
    void Detach();

private:
    isc_db_handle handle_ = 0;
};

} // namespace onarim
