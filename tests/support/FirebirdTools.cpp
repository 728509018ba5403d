#include "support/FirebirdTools.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <unistd.h>

#include "support/FixtureError.h"

namespace onarim::testing {

namespace {

// Lines of isql's output that QueryText keeps start with this and end with a bar, so the
// padding isql adds after a column can be told from the value.
constexpr const char* kRowMarker = "ROW|";

// A script file that lives as long as the object.
class ScriptFile {
public:
    explicit ScriptFile(const std::string& text) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(tmp != nullptr && *tmp ? tmp : "/tmp") + "/onarim-script-XXXXXX.sql";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        const int descriptor = mkstemps(name.data(), 4);
        if (descriptor < 0) {
            throw FixtureError(std::string("cannot make a script file: ") + std::strerror(errno));
        }
        close(descriptor);
        path_ = name.data();
        std::ofstream file(path_, std::ios::binary);
        file << text;
        if (!file.flush()) {
            throw FixtureError("cannot write the script file " + path_);
        }
    }
    ~ScriptFile() { unlink(path_.c_str()); }
    ScriptFile(const ScriptFile&) = delete;
    ScriptFile& operator=(const ScriptFile&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

std::string TrimRight(std::string text) {
    const auto end = text.find_last_not_of(" \t\r\n");
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

std::vector<std::string> MarkedRows(const std::string& output) {
    std::vector<std::string> rows;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) {
            end = output.size();
        }
        std::string line = TrimRight(output.substr(start, end - start));
        start = end + 1;
        if (line.rfind(kRowMarker, 0) == 0 && line.back() == '|') {
            rows.push_back(line.substr(4, line.size() - 5));
        }
    }
    return rows;
}

// Firebird 3.0.11's fbsvcmgr was once seen to die of SIGSEGV on a sound database and never
// again in many runs; one more try keeps such a crash from passing for a damage report.
ValidationResult RunValidation(const std::vector<std::string>& command) {
    ValidationResult result{RunTool(command)};
    if (!result.run.Exited()) {
        result.run = RunTool(command);
    }
    if (!result.run.Exited()) {
        throw FixtureError("the validation tool crashed twice: " + result.run.Describe());
    }
    return result;
}

} // namespace

ToolResult RunIsqlScript(const std::string& script, const std::string& database) {
    const ScriptFile file(script);
    std::vector<std::string> command = {"isql-fb", "-q", "-b", "-ch", "UTF8", "-i", file.Path()};
    if (!database.empty()) {
        command.insert(command.end(), {"-user", "SYSDBA", "-password", kSysdbaPassword, database});
    }
    ToolResult result = RunTool(command);
    if (!result.Succeeded()) {
        throw FixtureError("isql failed: " + result.Describe() + "\nscript:\n" + script);
    }
    return result;
}

std::vector<std::string> QueryText(const std::string& database, const std::string& expression,
                                   const std::string& rest) {
    const std::string script = "SET HEADING OFF;\nSELECT " + SqlLiteral(kRowMarker) + " || (" +
                               expression + ") || '|' " + rest + ";\n";
    return MarkedRows(RunIsqlScript(script, database).output);
}

std::string SqlLiteral(const std::string& text) {
    std::string literal = "'";
    for (const char c : text) {
        literal += c == '\'' ? "''" : std::string(1, c);
    }
    return literal + "'";
}

bool ValidationResult::Clean() const {
    return run.Succeeded() && TrimRight(run.output).empty();
}

ValidationResult ServiceRepairValidation(const std::string& database) {
    return RunValidation({"fbsvcmgr", "service_mgr", "user", "SYSDBA", "password", kSysdbaPassword,
                          "action_repair", "dbname", database, "rpr_mend_db",
                          "rpr_ignore_checksum"});
}

ValidationResult ReadOnlyValidation(const std::string& database) {
    return RunValidation(
        {"gfix", "-v", "-full", "-n", "-user", "SYSDBA", "-password", kSysdbaPassword, database});
}

} // namespace onarim::testing
