// Holds a database open from a process of its own, for the tests of DatabaseInUse. Attaches
// to argv[1] as SYSDBA with password argv[2] through the client library's default providers:
// a local path opens the file in this process's embedded engine, "127.0.0.1:<path>" goes
// through the server. Prints "attached" once attached, then waits to be killed (at most two
// minutes). Exits with 1, the server's message on standard error, when the attach fails.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "client/ClientEntryPoints.h"
#include "client/ClientLibrary.h"
#include "client/DatabaseError.h"
#include "client/IBErrors.h"
#include "client/StatusVector.h"
#include "platform/Utf8Locale.h"

int main(int argc, char** argv) {
    using namespace onarim;
    if (argc != 3) {
        std::fprintf(stderr, "usage: database_holder <database> <SYSDBA password>\n");
        return 2;
    }
    EnsureUtf8Locale(); // the client converts file names from the locale's character set
    const std::string database = argv[1];
    const std::string password = argv[2];
    std::string parameters{isc_dpb_version1, isc_dpb_user_name, 6};
    parameters += "SYSDBA";
    parameters += {isc_dpb_password, static_cast<char>(password.size())};
    parameters += password;
    try {
        EnsureClientLibrary();
        isc_db_handle handle = 0;
        if (ClientCallFailed(ClientEntryPoints().isc_attach_database(
                ThreadStatusVector(), static_cast<short>(database.size()), database.c_str(),
                &handle, static_cast<short>(parameters.size()), parameters.data()))) {
            RaiseDatabaseError();
        }
    } catch (const EIBError& error) {
        std::fprintf(stderr, "%s\n", error.Message().c_str());
        return 1;
    }
    std::printf("attached\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::minutes(2));
    return 0;
}
