#include "repair/UnfinishedRun.h"

#include <nlohmann/json.hpp>

#include "repair/RepairFiles.h"
#include "repair/RepairMessages.h"
#include "repair/RepairOutcome.h"

namespace onarim {

namespace {

using nlohmann::json;

std::string Text(const json& document, const char* key) {
    const auto field = document.find(key);
    return field != document.end() && field->is_string() ? field->get<std::string>() : "";
}

std::optional<TUnfinishedRun> ReadUnfinished(IServerTools& tools, const std::string& path,
                                             const std::string& database) {
    const auto text = tools.ReadTextFile(path);
    if (!text) {
        return std::nullopt;
    }
    const json document = json::parse(*text, nullptr, false);
    const std::string outcome = Text(document, "outcome");
    // The same file however its path is spelled ("./x.fdb", a link): both resolved.
    if (!document.is_object() || (outcome != "running" && outcome != "interrupted") ||
        tools.ResolvedPath(Text(document, "database")) != tools.ResolvedPath(database) ||
        document.contains("takenOverBy")) {
        return std::nullopt;
    }
    TUnfinishedRun run;
    run.reportPath = path;
    run.keptCopy = Text(document, "keptCopy");
    const json process = document.value("process", json::object());
    if (process.is_object()) {
        run.process.pid = process.value("pid", 0L);
        run.process.startTicks = process.value("startTicks", std::uint64_t{0});
    }
    const json steps = document.value("steps", json::array());
    if (steps.is_array() && !steps.empty() && steps.back().is_object()) {
        run.lastStep = Text(steps.back(), "step");
    }
    const json files = document.value("files", json::array());
    for (const json& file : files.is_array() ? files : json::array()) {
        if (file.is_object() && !Text(file, "path").empty()) {
            run.files.push_back({Text(file, "path"), Text(file, "kind")});
            // A copy is given its name only once it is whole: one killed right after that,
            // before its report said so, is as good.
            if (run.keptCopy.empty() && run.files.back().kind == "kept-copy" &&
                tools.FileExists(run.files.back().path)) {
                run.keptCopy = run.files.back().path;
            }
        }
    }
    run.running = tools.IsProcessRunning(run.process);
    return run;
}

// The temporary names a durable copy or report had while it was written: ".<name>.XXXXXX".
std::vector<std::string> TemporaryNamesOf(IServerTools& tools, const std::string& path) {
    const std::string directory = DirectoryPrefix(path);
    const std::string name = path.substr(directory.size());
    std::vector<std::string> found;
    for (const std::string& entry : tools.FilesNamedLike(directory, "." + name + ".", "")) {
        if (entry.size() == name.size() + 8) {
            found.push_back(directory + entry);
        }
    }
    return found;
}

} // namespace

std::optional<TUnfinishedRun> FindUnfinishedRun(IServerTools& tools, const std::string& database) {
    const std::string directory = DirectoryPrefix(database);
    const std::string stem = StemAndExtension(database).first.substr(directory.size());
    std::optional<TUnfinishedRun> newest;
    for (const std::string& name : tools.FilesNamedLike(directory, stem + ".onarim-", ".json")) {
        if (auto run = ReadUnfinished(tools, directory + name, database)) {
            newest = std::move(run); // the names sort by their stamp
        }
    }
    return newest;
}

std::vector<std::string> CloseUnfinishedRun(IServerTools& tools, const TUnfinishedRun& earlier,
                                            const std::string& takenOverBy) {
    std::vector<std::string> lines{messages::EarlierRunFound(earlier.reportPath, earlier.lastStep)};
    for (const TRunFile& file : earlier.files) {
        std::vector<std::string> leftovers = TemporaryNamesOf(tools, file.path);
        if (file.kind != "kept-copy") {
            leftovers.push_back(file.path);
        }
        for (const std::string& leftover : leftovers) {
            if (tools.FileExists(leftover) && tools.DeleteFile(leftover)) {
                lines.push_back(messages::EarlierRunFileRemoved(leftover));
            }
        }
    }
    if (const auto text = tools.ReadTextFile(earlier.reportPath)) {
        json document = json::parse(*text, nullptr, false);
        if (document.is_object()) {
            if (document["outcome"] == "running") {
                document["outcome"] = RepairOutcomeName(TRepairOutcome::Interrupted);
                document["message"] = messages::EarlierRunEnded();
            }
            document["takenOverBy"] = takenOverBy;
            try {
                tools.WriteTextFile(earlier.reportPath,
                                    document.dump(2, ' ', false, json::error_handler_t::replace) +
                                        "\n");
            } catch (const std::exception&) {
                // Its files are gone either way; the old report only says less.
            }
        }
    }
    return lines;
}

} // namespace onarim
