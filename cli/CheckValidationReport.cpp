#include "cli/CheckValidationReport.h"

#include <charconv>
#include <cctype>
#include <optional>
#include <string_view>

namespace onarim {

namespace {

bool Digit(char c) { return c >= '0' && c <= '9'; }

// The line without its time stamp "HH:MM:SS.ss " and without trailing blanks.
std::string_view Text(std::string_view line) {
    std::size_t at = 0;
    while (at < line.size() && (Digit(line[at]) || line[at] == ':' || line[at] == '.')) {
        ++at;
    }
    if (at >= 8 && at < line.size() && line[at] == ' ' && line[2] == ':') {
        line.remove_prefix(at + 1);
    }
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) {
        line.remove_suffix(1);
    }
    return line;
}

std::optional<int> Number(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// "Relation 128 (NAME)": the id and the name, which may itself hold blanks and brackets.
std::optional<std::pair<int, std::string>> Relation(std::string_view text) {
    constexpr std::string_view kPrefix = "Relation ";
    if (!text.starts_with(kPrefix) || !text.ends_with(")")) {
        return std::nullopt;
    }
    text.remove_prefix(kPrefix.size());
    const std::size_t open = text.find(" (");
    const auto id = Number(text.substr(0, open));
    if (open == std::string_view::npos || !id) {
        return std::nullopt;
    }
    return std::pair{*id, std::string(text.substr(open + 2, text.size() - open - 3))};
}

} // namespace

int TValidationReport::DamageErrors() const {
    int errors = static_cast<int>(otherErrors.size());
    for (const TValidatedTable& table : tables) {
        errors += table.DamageErrors();
    }
    return errors;
}

TValidationReport ReadValidationReport(std::vector<std::string> lines) {
    TValidationReport report;
    // The table the lines are about: its index in report.tables.
    std::optional<std::size_t> current;
    auto tableFor = [&report](int id, const std::string& name) {
        for (std::size_t index = 0; index < report.tables.size(); ++index) {
            if (report.tables[index].relationId == id) {
                return index;
            }
        }
        TValidatedTable table;
        table.relationId = id;
        table.name = name;
        report.tables.push_back(std::move(table));
        return report.tables.size() - 1;
    };
    for (const std::string& line : lines) {
        const std::string_view text = Text(line);
        constexpr std::string_view kErrorsFound = " ERRORS found";
        constexpr std::string_view kIsOk = " is ok";
        if (text == "Validation finished") {
            report.finished = true;
        } else if (text == "Acquire relation lock failed") {
            if (current) {
                report.tables[*current].lockFailed = true;
            }
        } else if (text.starts_with("Error: ") || text.starts_with("Warning: ")) {
            if (!current) {
                if (text.starts_with("Error: ")) {
                    report.otherErrors.emplace_back(text);
                }
                continue;
            }
            TValidatedTable& table = report.tables[*current];
            table.details.emplace_back(text);
            table.warnings += text.starts_with("Warning: ") ? 1 : 0;
        } else if (text.ends_with(kErrorsFound)) {
            // "Relation 128 (T1) : 1 ERRORS found"
            const std::string_view head = text.substr(0, text.size() - kErrorsFound.size());
            const std::size_t colon = head.rfind(" : ");
            const auto relation = Relation(head.substr(0, colon));
            const auto errors = colon == std::string_view::npos ? std::nullopt
                                                                : Number(head.substr(colon + 3));
            if (relation && errors) {
                current = tableFor(relation->first, relation->second);
                report.tables[*current].errors = *errors;
            }
        } else if (text.ends_with(kIsOk)) {
            if (const auto relation = Relation(text.substr(0, text.size() - kIsOk.size()))) {
                current = tableFor(relation->first, relation->second);
            }
        } else if (const auto relation = Relation(text)) {
            current = tableFor(relation->first, relation->second);
        }
    }
    report.lines = std::move(lines);
    return report;
}

} // namespace onarim
