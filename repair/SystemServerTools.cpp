#include "repair/SystemServerTools.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "repair/DamageErrors.h"
#include "repair/DatabaseFileFacts.h"
#include "repair/ExecuteAndWait.h"
#include "repair/RepairProcedure.h"
#include "repair/ServerToolDir.h"
#include "repair/Validation.h"
#include "platform/CommandLine.h"
#include "platform/Exception.h"
#include "platform/Files.h"
#include "platform/ProcessRunner.h"
#include "platform/ScopeExit.h"
#include "recovery/DatabaseCensus.h"
#include "recovery/DatabaseInUse.h"

namespace onarim {

std::string TSystemServerTools::FirebirdToolDir() { return GetFirebirdToolDir(); }

std::string TSystemServerTools::InterBaseToolDir() { return GetInterBaseToolDir(); }

int TSystemServerTools::ExecuteAndWait(const std::string& commandLine, int showState) {
    return ::onarim::ExecuteAndWait(
        commandLine, showStateOverride_.value_or(static_cast<std::uint16_t>(showState)));
}

int TSystemServerTools::RunTool(const std::string& commandLine, const TToolEnvironment& environment,
                                const LineHandler& onLine) {
    return SpawnAndCapture(ResolveCommandLine(commandLine), environment, onLine);
}

bool TSystemServerTools::FileExists(const std::string& path) { return ::onarim::FileExists(path); }

bool TSystemServerTools::DeleteFile(const std::string& path) { return ::onarim::DeleteFile(path); }

TDatabaseFileFacts TSystemServerTools::InspectDatabaseFile(const std::string& path) {
    return InspectDatabaseFileFacts(path);
}

void TSystemServerTools::CopyFileKeepingOriginal(const std::string& source,
                                                 const std::string& target) {
    CopyToNewFile(source, target);
}

void TSystemServerTools::WriteTextFile(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        throw Exception(path + ": " + std::strerror(errno));
    }
    const ScopeExit closeFile([fd] { ::close(fd); });
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw Exception(path + ": " + std::strerror(errno));
        }
        written += static_cast<std::size_t>(n);
    }
}

std::string TSystemServerTools::ValidatorProgram() { return ValidatorPath(); }

TDatabaseCensus TSystemServerTools::TakeCensus(const std::string& path,
                                               const TCredentials& credentials) {
    return ::onarim::TakeCensus(path, credentials);
}

bool TSystemServerTools::DatabaseInUse(const std::string& path, const TCredentials& credentials) {
    try {
        return ::onarim::DatabaseInUse(path, credentials);
    } catch (const EIBInterBaseError& error) {
        // A database too damaged to attach is the validation's business, not an attachment.
        if (IsDamageReport(error)) {
            return false;
        }
        throw;
    }
}

TRecoveryResult TSystemServerTools::PutBackLostData(const std::string& source,
                                                    const std::string& repaired,
                                                    const TCredentials& credentials,
                                                    const LineHandler& progress) {
    return ::onarim::PutBackLostData(source, repaired, credentials, progress);
}

TSalvageResult TSystemServerTools::SalvageDatabase(const std::string& damaged,
                                                   const std::string& target,
                                                   const TCredentials& credentials,
                                                   const TGbakRunner& gbak,
                                                   const LineHandler& progress) {
    return ::onarim::SalvageDatabase(damaged, target, credentials, gbak, progress);
}

} // namespace onarim
