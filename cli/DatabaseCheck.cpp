#include "cli/DatabaseCheck.h"

#include <filesystem>
#include <vector>

#include "cli/CheckCredentials.h"
#include "cli/CheckFindings.h"
#include "client/InfoAttachment.h"
#include "platform/Files.h"
#include "platform/LineSplitter.h"
#include "repair/DamageErrors.h"
#include "repair/DatabaseFileFacts.h"
#include "repair/SystemServerTools.h"
#include "repair/UnfinishedRun.h"
#include "services/IBOnlineValidationService.h"

namespace onarim {

namespace {

// The server opens the file from its own working directory: it must be given the whole path.
std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

// The server's answer to the online validation. Returns false when the facts need not be
// asked for: the server could not be reached, or the database cannot be opened.
bool Validate(TCheckResult& result, const TCredentials& credentials, const TCheckFileFacts& file) {
    TCheckStage stage = TCheckStage::ServiceAttach;
    try {
        TIBOnlineValidationService service(nullptr, "CheckValidationService");
        service.SetLoginPrompt(false);
        service.SetProtocol(TProtocol::TCP);
        service.SetServerName(result.server);
        service.Params().Assign(
            {"user_name=" + credentials.user, "password=" + credentials.password});
        service.SetDatabaseName(result.database);
        service.SetLockTimeout(kCheckLockTimeoutSeconds);
        service.SetActive(true);
        stage = TCheckStage::Validation;
        service.ServiceStart();
        std::vector<std::string> lines;
        LineSplitter splitter([&lines](const std::string& line) { lines.push_back(line); });
        while (!service.OutputEnded()) {
            splitter.Feed(service.ReadOutputLine());
        }
        splitter.Finish();
        result.validation = ReadValidationReport(std::move(lines));
        for (TCheckFinding& finding : ValidationFindings(*result.validation, result.database)) {
            result.findings.push_back(std::move(finding));
        }
        // The service detaches as it goes; a failed detach tells nothing of the database.
        return true;
    } catch (const std::exception& error) {
        TCheckFinding finding = ErrorFinding(error, stage, result.database, result.server,
                                             credentials.user, file);
        const bool goOn = stage != TCheckStage::ServiceAttach &&
                          finding.level != TCheckStatus::Critical;
        result.findings.push_back(std::move(finding));
        return goOn;
    }
}

void ReadFacts(TCheckResult& result, const TCredentials& credentials, const TCheckFileFacts& file) {
    try {
        TInfoAttachment attachment(result.server + ":" + result.database, credentials.user,
                                   credentials.password);
        result.facts = attachment.DatabaseInfo();
        attachment.Detach();
    } catch (const std::exception& error) {
        result.findings.push_back(ErrorFinding(error, TCheckStage::Facts, result.database,
                                               result.server, credentials.user, file));
        return;
    }
    for (TCheckFinding& finding : FactFindings(*result.facts, result.warnGap)) {
        result.findings.push_back(std::move(finding));
    }
}

} // namespace

TCheckResult CheckDatabase(const TCheckRequest& request,
                           const std::function<std::string()>& askPassword) {
    TCheckResult result;
    result.server = request.server;
    result.warnGap = request.warnGap;
    result.database = AbsolutePath(request.database);
    if (!FileExists(result.database)) {
        result.findings.push_back(DatabaseMissing());
        return result;
    }
    // A file this user may not read is left to the server, which opens it as its own user.
    using Content = TDatabaseFileFacts::Content;
    const Content content = InspectDatabaseFileFacts(result.database).content;
    if (content == Content::Empty || content == Content::NotDatabase) {
        result.findings.push_back(NotADatabase());
        return result;
    }
    TCheckFileFacts file;
    file.readableDatabase = content == Content::Database;
    file.declaredEncrypted = file.readableDatabase && DeclaresEncryption(result.database);

    // The journal names the database as the repair was given it.
    TSystemServerTools tools;
    std::vector<std::string> names = {request.database};
    if (result.database != request.database) {
        names.push_back(result.database);
    }
    for (const std::string& name : names) {
        if (const auto run = FindUnfinishedRun(tools, name)) {
            if (run->running) {
                result.findings.push_back(RepairInProgress(run->process.pid, run->reportPath));
                return result;
            }
            result.findings.push_back(EarlierRepairInterrupted(run->reportPath));
            break;
        }
    }

    const auto credentials = CheckCredentials(askPassword);
    if (!credentials) {
        result.findings.push_back(PasswordNotGiven());
        return result;
    }
    if (Validate(result, *credentials, file)) {
        ReadFacts(result, *credentials, file);
    }
    return result;
}

} // namespace onarim
