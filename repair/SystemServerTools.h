#pragma once

#include <cstdint>
#include <optional>

#include "repair/ServerTools.h"

namespace onarim {

// The server's tools as this machine has them: the registry lookups, the process runner, the
// file system and the client library. A show state given here replaces the one each
// ExecuteAndWait asks for.
// The counts, the put-back and the salvage run in onarim-engine, under a watch, when it is
// there (see repair/EngineTask.h), else in this process.
class TSystemServerTools : public IServerTools {
public:
    explicit TSystemServerTools(std::optional<std::uint16_t> showStateOverride = std::nullopt)
        : showStateOverride_(showStateOverride) {}

    std::string FirebirdToolDir() override;
    std::string InterBaseToolDir() override;
    int ExecuteAndWait(const std::string& commandLine, int showState) override;
    int RunTool(const std::string& commandLine, const TToolEnvironment& environment,
                const LineHandler& onLine) override;
    bool CanPipeTools() override { return true; }
    std::pair<int, int> RunPipedTools(const std::string& first, const std::string& second,
                                      const TToolEnvironment& environment,
                                      const LineHandler& onFirstLine,
                                      const std::function<void(int)>& onFirstEnded,
                                      const LineHandler& onSecondLine) override;
    bool FileExists(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    TDatabaseFileFacts InspectDatabaseFile(const std::string& path) override;
    void CopyFileKeepingOriginal(const std::string& source, const std::string& target) override;
    void WriteTextFile(const std::string& path, const std::string& text) override;
    std::optional<std::string> ReadTextFile(const std::string& path) override;
    std::vector<std::string> FilesNamedLike(const std::string& directory, const std::string& prefix,
                                            const std::string& suffix) override;
    std::string ResolvedPath(const std::string& path) override;
    void MatchOwnerAndMode(const std::string& path, const std::string& model) override;
    void ReplaceFile(const std::string& replacement, const std::string& target) override;
    void StartWritingOut(const std::string& path) override;
    ods::TPageCheck CheckPages(const std::string& path) override;
    void ApplyPageMends(const std::string& path, const ods::TPageCheck& check) override;
    bool FileOpenElsewhere(const std::string& path) override;
    bool IsProcessRunning(const ProcessIdentity& process) override;
    // onarim-validate beside the program (see ValidatorPath).
    std::string ValidatorProgram() override;
    TDatabaseCensus TakeCensus(const std::string& path, const TCredentials& credentials) override;
    std::optional<TDatabaseCensus> TakeRawCensus(const std::string& path,
                                                 const ods::TPageCheck* mends) override;
    bool DatabaseInUse(const std::string& path, const TCredentials& credentials) override;
    TRecoveryResult PutBackLostData(const TOriginalFiles& source, const TRepairedDatabase& repaired,
                                    const TCredentials& credentials,
                                    const LineHandler& progress) override;
    TSalvageResult SalvageDatabase(const TOriginalFiles& source, const std::string& target,
                                   const TCredentials& credentials, const std::string& gbak,
                                   const LineHandler& progress) override;

private:
    std::optional<std::uint16_t> showStateOverride_;
};

} // namespace onarim
