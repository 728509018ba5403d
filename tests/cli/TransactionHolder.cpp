// Another user of a database during a check. Usage:
//   transaction_holder <connection> <password> [--reserve TABLE] [--commits N]
// Attaches over the server as SYSDBA and starts a transaction that it keeps open. --reserve
// reserves TABLE for protected write in it: the table's lock is held without a page waiting
// in the server's cache (the page of an uncommitted update is written whenever the server
// sees fit, during a check too). --commits then starts and commits N more transactions, so
// that the transaction gap grows past the held one. Prints "holding"; on SIGUSR1 reads
// RDB$RELATIONS in the held transaction, commits it and prints "works" (or "failed: <why>").
// Ends by itself after two minutes; exits with 1 and the server's message when the attach
// or a start fails.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "client/ClientEntryPoints.h"
#include "client/ClientLibrary.h"
#include "client/DatabaseError.h"
#include "client/IBErrors.h"
#include "client/StatusVector.h"
#include "platform/Utf8Locale.h"

namespace {

using namespace onarim;

struct TransactionExistenceBlock {
    isc_db_handle* database;
    int parameterLength;
    const char* parameters;
};

void Check(ISC_STATUS result) {
    if (ClientCallFailed(result)) {
        RaiseDatabaseError();
    }
}

isc_tr_handle StartTransaction(isc_db_handle& database, const std::string& reserved = {}) {
    std::string parameters{isc_tpb_version3, isc_tpb_write, isc_tpb_concurrency, isc_tpb_wait};
    if (!reserved.empty()) {
        parameters += {isc_tpb_lock_write, static_cast<char>(reserved.size())};
        parameters += reserved + static_cast<char>(isc_tpb_protected);
    }
    TransactionExistenceBlock block{&database, static_cast<int>(parameters.size()),
                                    parameters.data()};
    isc_tr_handle transaction = 0;
    Check(ClientEntryPoints().isc_start_multiple(ThreadStatusVector(), &transaction, 1, &block));
    return transaction;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: transaction_holder <connection> <password> "
                             "[--reserve TABLE] [--commits N]\n");
        return 2;
    }
    EnsureUtf8Locale();
    // Blocked before the client library starts its threads, so that only sigwait sees it.
    sigset_t probe;
    sigemptyset(&probe);
    sigaddset(&probe, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &probe, nullptr);

    const std::string connection = argv[1];
    const std::string password = argv[2];
    std::string reserved;
    int commits = 0;
    for (int at = 3; at + 1 < argc; at += 2) {
        const std::string option = argv[at];
        if (option == "--reserve") {
            reserved = argv[at + 1];
        } else if (option == "--commits") {
            commits = std::atoi(argv[at + 1]);
        }
    }
    std::string parameters{isc_dpb_version1, isc_dpb_user_name, 6};
    parameters += "SYSDBA";
    parameters += {isc_dpb_password, static_cast<char>(password.size())};
    parameters += password + std::string{isc_dpb_utf8_filename, 0};

    isc_db_handle database = 0;
    isc_tr_handle held = 0;
    try {
        EnsureClientLibrary();
        Check(ClientEntryPoints().isc_attach_database(
            ThreadStatusVector(), static_cast<short>(connection.size()), connection.c_str(),
            &database, static_cast<short>(parameters.size()), parameters.data()));
        held = StartTransaction(database, reserved);
        for (int i = 0; i < commits; ++i) {
            isc_tr_handle other = StartTransaction(database);
            Check(ClientEntryPoints().isc_commit_transaction(ThreadStatusVector(), &other));
        }
    } catch (const EIBError& error) {
        std::fprintf(stderr, "%s\n", error.Message().c_str());
        return 1;
    }
    std::printf("holding\n");
    std::fflush(stdout);

    const timespec limit{120, 0};
    if (sigtimedwait(&probe, nullptr, &limit) != SIGUSR1) {
        return 0;
    }
    const std::string read = "EXECUTE BLOCK AS DECLARE C INTEGER; BEGIN "
                             "SELECT COUNT(*) FROM RDB$RELATIONS INTO :C; END";
    try {
        Check(ClientEntryPoints().isc_dsql_execute_immediate(
            ThreadStatusVector(), &database, &held, static_cast<unsigned short>(read.size()),
            read.c_str(), 3, nullptr));
        Check(ClientEntryPoints().isc_commit_transaction(ThreadStatusVector(), &held));
        Check(ClientEntryPoints().isc_detach_database(ThreadStatusVector(), &database));
        std::printf("works\n");
    } catch (const EIBError& error) {
        std::printf("failed: %s\n", error.Message().c_str());
    }
    return 0;
}
