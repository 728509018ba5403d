// onarim-validate DATABASE: one validation of the repair, in a process of its own. The user
// and password come from ISC_USER and ISC_PASSWORD. It asks the service manager to validate
// the database with the window's settings (mend, ignore checksums) and prints every line of
// the output, the report first (an empty first line: the database is sound).
//
// Why a process of its own: when the validation fails part-way (a page read past the end of
// the file), Firebird 3.0's engine keeps the database open in the process that asked, in a mode
// no other attachment may share, until that process ends. gfix and gbak could then not open it.
//
// Exit status: 0 the validation ran; 10 it failed because pages are damaged (the lines are the
// error's message, which is the report); 11 another error of the service (first line "STATUS
// <sql code> <status code> <every status code, comma-separated>", then the message); 12 any other
// error (the message); 13 as 11, but the attach failed and nothing began; 2 bad usage.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "repair/DamageErrors.h"
#include "repair/RepairValidationService.h"
#include "repair/ValidatorProtocol.h"
#include "client/IBErrors.h"
#include "platform/Utf8Locale.h"

namespace onarim {
namespace {

void PrintLines(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
}

int Validate(const std::string& database) {
    const char* user = std::getenv("ISC_USER");
    const char* password = std::getenv("ISC_PASSWORD");
    const auto component = MakeRepairValidationService();
    TIBValidationService& service = *component;
    service.Params().Assign({std::string("user_name=") + (user ? user : "SYSDBA"),
                             std::string("password=") + (password ? password : "")});
    service.SetDatabaseName(database);
    try {
        service.SetActive(true);
    } catch (const EIBError& error) {
        PrintLines(StatusLine(error));
        PrintLines(error.Message());
        return kValidatorAttachError;
    }
    try {
        service.ServiceStart();
        PrintLines(service.ReadOutputLine());
        while (service.Active() && !service.OutputEnded()) {
            const std::string line = service.ReadOutputLine();
            if (!line.empty()) {
                PrintLines(line);
            }
        }
        return kValidatorRan;
    } catch (const EIBInterBaseError& error) {
        if (!IsDamageReport(error, DeclaresEncryption(database))) {
            PrintLines(StatusLine(error));
            PrintLines(error.Message());
            return kValidatorServiceError;
        }
        PrintLines(error.Message().empty() ? "Summary of validation errors" : error.Message());
        return kValidatorDamage;
    } catch (const EIBError& error) {
        PrintLines(StatusLine(error));
        PrintLines(error.Message());
        return kValidatorServiceError;
    }
}

} // namespace
} // namespace onarim

int main(int argc, char** argv) {
    using namespace onarim;
    EnsureUtf8Locale();
    if (argc != 2) {
        std::fprintf(stderr, "usage: onarim-validate DATABASE\n");
        return 2;
    }
    int status = kValidatorOtherError;
    try {
        status = Validate(argv[1]);
    } catch (const std::exception& error) {
        PrintLines(error.what());
    }
    std::fflush(stdout);
    // The component is gone and its attachment detached. Firebird 3.0's engine does not end
    // its own threads reliably: unloading it, or running the exit handlers while they run,
    // crashes now and then (measured: 1 run in 3 with fb_shutdown). Nothing is left to save,
    // so the process ends here and the system closes what the engine holds.
    std::_Exit(status);
}
