#include "platform/CommandLine.h"

#include "platform/Blanks.h"
#include "platform/Files.h"

namespace onarim {

namespace {

// The program word at the front of `line` (which starts with no blank); `line` is left after it.
std::string TakeProgram(std::string_view& line) {
    std::string program;
    bool quoted = false;
    std::size_t at = 0;
    for (; at < line.size() && (quoted || !IsBlank(line[at])); ++at) {
        if (line[at] == '"') {
            quoted = !quoted;
        } else {
            program += line[at];
        }
    }
    line.remove_prefix(at);
    return program;
}

// One argument at the front of `line` (which starts with no blank); `line` is left after it.
std::string TakeArgument(std::string_view& line) {
    std::string argument;
    bool quoted = false;
    std::size_t at = 0;
    while (at < line.size() && (quoted || !IsBlank(line[at]))) {
        const char c = line[at];
        if (c == '\\') {
            std::size_t backslashes = 0;
            for (; at < line.size() && line[at] == '\\'; ++at) {
                ++backslashes;
            }
            const bool beforeQuote = at < line.size() && line[at] == '"';
            argument.append(beforeQuote ? backslashes / 2 : backslashes, '\\');
            if (beforeQuote && backslashes % 2 == 1) {
                argument += '"';
                ++at;
            }
            continue;
        }
        if (c != '"') {
            argument += c;
        } else if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
            argument += '"';
            ++at;
        } else {
            quoted = !quoted;
        }
        ++at;
    }
    line.remove_prefix(at);
    return argument;
}

std::vector<std::string> SplitArguments(std::string_view line) {
    std::vector<std::string> arguments;
    for (line = TrimLeadingBlanks(line); !line.empty(); line = TrimLeadingBlanks(line)) {
        arguments.push_back(TakeArgument(line));
    }
    return arguments;
}

std::vector<std::string> ProgramAndArguments(std::string program, std::string_view rest) {
    std::vector<std::string> words{std::move(program)};
    for (auto& argument : SplitArguments(rest)) {
        words.push_back(std::move(argument));
    }
    return words;
}

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    std::string_view line = TrimLeadingBlanks(commandLine);
    if (line.empty()) {
        return {};
    }
    std::string program = TakeProgram(line);
    return ProgramAndArguments(std::move(program), line);
}

std::vector<std::string> ResolveCommandLine(std::string_view commandLine) {
    const std::string_view line = TrimLeadingBlanks(commandLine);
    if (line.empty() || line.front() == '"') {
        return SplitCommandLine(line);
    }
    for (std::size_t end = 1; end <= line.size(); ++end) {
        const bool prefixEnds =
            end == line.size() || (IsBlank(line[end]) && !IsBlank(line[end - 1]));
        if (!prefixEnds) {
            continue;
        }
        const std::string_view prefix = line.substr(0, end);
        if (prefix.find('"') != std::string_view::npos) {
            break;
        }
        if (prefix.find('/') != std::string_view::npos && IsExecutableFile(std::string(prefix))) {
            return ProgramAndArguments(std::string(prefix), line.substr(end));
        }
    }
    return SplitCommandLine(line);
}

std::string QuoteCommandLineArgument(const std::string& argument, bool always) {
    if (!always && !argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
        return argument;
    }
    std::string quoted = "\"";
    for (std::size_t i = 0;; ++i) {
        std::size_t backslashes = 0;
        while (i < argument.size() && argument[i] == '\\') {
            ++backslashes;
            ++i;
        }
        if (i == argument.size()) {
            quoted.append(backslashes * 2, '\\'); // doubled so the closing quote stays a quote
            break;
        }
        if (argument[i] == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        quoted += argument[i];
    }
    quoted += '"';
    return quoted;
}

} // namespace onarim
