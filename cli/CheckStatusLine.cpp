#include "cli/CheckStatusLine.h"

#include <algorithm>
#include <optional>

namespace onarim {

namespace {

std::string Plain(const std::string& text) {
    std::string line;
    for (const char c : text) {
        if (c == '\r' || c == '\n') {
            line += ' ';
        } else if (c == '|') {
            line += "¦";
        } else {
            line += c;
        }
    }
    return line;
}

std::string Value(const std::optional<std::int64_t>& value) {
    return value ? std::to_string(*value) : "U";
}

int Rank(TCheckStatus status) {
    switch (status) {
    case TCheckStatus::Critical: return 0;
    case TCheckStatus::Warning: return 1;
    case TCheckStatus::Unknown: return 2;
    case TCheckStatus::Ok: break;
    }
    return 3;
}

} // namespace

std::string CheckStatusLine(const TCheckResult& result) {
    std::vector<TCheckFinding> findings = result.findings;
    std::stable_sort(findings.begin(), findings.end(),
                     [](const TCheckFinding& a, const TCheckFinding& b) {
                         return Rank(a.level) < Rank(b.level);
                     });
    std::string text;
    for (const TCheckFinding& finding : findings) {
        text += (text.empty() ? "" : "; ") + finding.text;
    }
    if (findings.empty()) {
        const std::size_t tables = result.validation ? result.validation->tables.size() : 0;
        text = "sağlam, " + std::to_string(tables) + " tablo doğrulandı, hata yok";
    }
    std::string line = std::string("ONARIM ") + StatusWord(result.Status()) + " - ";
    if (!result.database.empty()) {
        line += result.database + ": ";
    }
    line += text;
    std::optional<std::int64_t> errors;
    if (result.validation) {
        errors = result.validation->DamageErrors();
    }
    return Plain(line) + " | pages=" + Value(result.facts ? result.facts->pages : std::nullopt) +
           " gap=" + Value(result.TransactionGap()) + ";" + std::to_string(result.warnGap) +
           " errors=" + Value(errors);
}

} // namespace onarim
