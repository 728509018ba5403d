#include "repair/EngineTask.h"

#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "client/IBErrors.h"
#include "platform/Files.h"
#include "platform/ProcessRunner.h"
#include "repair/RepairMessages.h"
#include "repair/ResultsJson.h"
#include "repair/ToolSteps.h"
#include "repair/ValidatorProtocol.h"

namespace onarim {

namespace {

constexpr const char* kProgress = "PROGRESS ";
constexpr const char* kResult = "RESULT ";
constexpr const char* kFail = "FAIL ";

// Runs the engine on `arguments` and returns its result document, handing progress lines on.
nlohmann::json RunEngine(const std::string& program, std::vector<std::string> arguments,
                         const TCredentials& credentials, const LineHandler& progress) {
    arguments.insert(arguments.begin(), program);
    std::vector<std::string> errorLines;
    std::string result;
    const WatchedRun run = SpawnAndCaptureWatched(
        arguments, CredentialEnvironment(credentials),
        [&](const std::string& line) {
            if (line.starts_with(kProgress)) {
                if (progress) {
                    progress(line.substr(std::string(kProgress).size()));
                }
            } else if (line.starts_with(kResult)) {
                result = line.substr(std::string(kResult).size());
            } else {
                errorLines.push_back(line);
            }
        },
        EngineStillness());
    if (run.stalled) {
        throw Exception(messages::EngineStalled(EngineStillness()));
    }
    if (run.status == 0 && !result.empty()) {
        return nlohmann::json::parse(result);
    }
    if (auto error = ErrorFromValidatorOutput(errorLines)) {
        throw *error;
    }
    if (!errorLines.empty() && errorLines.front().starts_with(kFail)) {
        errorLines.front().erase(0, std::string(kFail).size());
        throw ESalvageError(JoinLines(errorLines.begin(), errorLines.end()));
    }
    throw Exception(
        messages::EngineFailed(run.status, JoinLines(errorLines.begin(), errorLines.end())));
}

void PrintLine(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

LineHandler Reporter() {
    return [](const std::string& line) { PrintLine(kProgress + line); };
}

const char* MendedWord(const TOriginalFiles& source) {
    return source.mended ? "mended" : "unmended";
}

nlohmann::json Serve(const std::vector<std::string>& arguments, const TCredentials& credentials) {
    const std::string& task = arguments.at(0);
    if (task == "census" && arguments.size() == 2) {
        return TakeCensus(arguments[1], credentials);
    }
    if (task == "put-back" && arguments.size() >= 6) {
        const TRepairedDatabase repaired{
            arguments[4], arguments[5] == "made", {arguments.begin() + 6, arguments.end()}};
        return PutBackLostData({arguments[1], arguments[2], arguments[3] == "mended"}, repaired,
                               credentials, Reporter());
    }
    if (task == "salvage" && arguments.size() == 6) {
        return SalvageDatabase({arguments[1], arguments[2], arguments[3] == "mended"}, arguments[4],
                               credentials, GbakRunnerFor(arguments[5], credentials, Reporter()),
                               Reporter());
    }
    throw std::invalid_argument("usage");
}

} // namespace

std::chrono::milliseconds EngineStillness() {
    if (const char* seconds = std::getenv("ONARIM_ENGINE_STILLNESS")) {
        try {
            return std::chrono::seconds(std::stol(seconds));
        } catch (const std::exception&) {
        }
    }
    return std::chrono::minutes(2);
}

std::string EngineProgramPath() {
#ifdef ONARIM_BUILD_ENGINE
    return ProgramBesideThisOne("onarim-engine", ONARIM_BUILD_ENGINE);
#else
    return ProgramBesideThisOne("onarim-engine", "");
#endif
}

TDatabaseCensus CensusInChild(const std::string& program, const std::string& path,
                              const TCredentials& credentials) {
    return RunEngine(program, {"census", path}, credentials, {}).get<TDatabaseCensus>();
}

TRecoveryResult PutBackInChild(const std::string& program, const TOriginalFiles& source,
                               const TRepairedDatabase& repaired, const TCredentials& credentials,
                               const LineHandler& progress) {
    std::vector<std::string> arguments{"put-back",        source.keptCopy,
                                       source.engineCopy, MendedWord(source),
                                       repaired.path,     repaired.madeByRun ? "made" : "shared"};
    arguments.insert(arguments.end(), repaired.tables.begin(), repaired.tables.end());
    return RunEngine(program, arguments, credentials, progress).get<TRecoveryResult>();
}

TSalvageResult SalvageInChild(const std::string& program, const TOriginalFiles& source,
                              const std::string& target, const TCredentials& credentials,
                              const std::string& gbak, const LineHandler& progress) {
    return RunEngine(
               program,
               {"salvage", source.keptCopy, source.engineCopy, MendedWord(source), target, gbak},
               credentials, progress)
        .get<TSalvageResult>();
}

TGbakRunner GbakRunnerFor(const std::string& gbak, const TCredentials& credentials,
                          const LineHandler& progress) {
    return [gbak, credentials, progress](const std::vector<std::string>& arguments) {
        std::vector<std::string> argv{gbak};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        TGbakRun run;
        run.exitCode =
            SpawnAndCapture(argv, CredentialEnvironment(credentials), [&](const std::string& line) {
                run.output += line + "\n";
                if (progress) {
                    progress(line);
                }
            });
        return run;
    };
}

int ServeEngineTask(const std::vector<std::string>& arguments) {
    const char* user = std::getenv("ISC_USER");
    const char* password = std::getenv("ISC_PASSWORD");
    const TCredentials credentials{user ? user : kSysdba, password ? password : ""};
    if (arguments.empty()) {
        return 2;
    }
    try {
        PrintLine(kResult + Serve(arguments, credentials)
                                .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
        return 0;
    } catch (const std::invalid_argument&) {
        std::fputs(
            "usage: onarim-engine census PATH | put-back KEPT ENGINE-COPY REPAIRED | salvage KEPT "
            "ENGINE-COPY TARGET GBAK\n",
            stderr);
        return 2;
    } catch (const EIBError& error) {
        PrintLine(StatusLine(error));
        PrintLine(error.Message());
    } catch (const std::exception& error) {
        PrintLine(kFail + std::string(error.what()));
    }
    return 1;
}

} // namespace onarim
