#include "recovery/CheckConstraints.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "client/SqlBlob.h"
#include "client/SqlIdentifier.h"
#include "client/SqlStatement.h"
#include "client/SqlTransaction.h"
#include "recovery/UserTables.h"

namespace onarim {

namespace {

// The trigger of type 1 (before insert) carries the constraint's source; the one of type 3
// (before update) repeats it.
constexpr const char* kTableChecksQuery =
    "SELECT RC.RDB$CONSTRAINT_NAME, RC.RDB$RELATION_NAME, T.RDB$TRIGGER_SOURCE"
    " FROM RDB$RELATION_CONSTRAINTS RC"
    " JOIN RDB$CHECK_CONSTRAINTS CC ON CC.RDB$CONSTRAINT_NAME = RC.RDB$CONSTRAINT_NAME"
    " JOIN RDB$TRIGGERS T ON T.RDB$TRIGGER_NAME = CC.RDB$TRIGGER_NAME"
    " WHERE RC.RDB$CONSTRAINT_TYPE = 'CHECK' AND T.RDB$TRIGGER_TYPE = 1"
    " AND T.RDB$TRIGGER_SOURCE IS NOT NULL"
    " ORDER BY RC.RDB$CONSTRAINT_NAME";

constexpr const char* kDomainChecksQuery =
    "SELECT F.RDB$FIELD_NAME, F.RDB$VALIDATION_SOURCE, RF.RDB$RELATION_NAME, RF.RDB$FIELD_NAME"
    " FROM RDB$FIELDS F JOIN RDB$RELATION_FIELDS RF ON RF.RDB$FIELD_SOURCE = F.RDB$FIELD_NAME"
    " WHERE F.RDB$VALIDATION_SOURCE IS NOT NULL AND COALESCE(F.RDB$SYSTEM_FLAG, 0) = 0"
    " ORDER BY F.RDB$FIELD_NAME, RF.RDB$RELATION_NAME, RF.RDB$FIELD_POSITION";

std::string BlobText(TSqlTransaction& transaction, const TSqlValue& value) {
    return TSqlBlob(transaction, value.AsBlobId()).ReadAll();
}

bool IdentifierStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_';
}

bool IdentifierPart(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$';
}

bool SameWord(const std::string& text, std::size_t at, std::size_t length, const char* word) {
    const std::string_view candidate(text.data() + at, length);
    return std::equal(
        candidate.begin(), candidate.end(), word, word + std::char_traits<char>::length(word),
        [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
}

// Walks `sql`, handing each unquoted word to `onWord(at, length)` and copying everything else
// (string literals, quoted identifiers, comments) past: what lies in them is no keyword.
template <typename OnWord> void ForEachWord(const std::string& sql, OnWord onWord) {
    std::size_t at = 0;
    while (at < sql.size()) {
        const char c = sql[at];
        if (c == '\'' || c == '"') {
            std::size_t end = at + 1;
            while (end < sql.size()) {
                if (sql[end] == c) {
                    if (end + 1 < sql.size() && sql[end + 1] == c) {
                        end += 2; // a doubled quote inside
                        continue;
                    }
                    break;
                }
                ++end;
            }
            at = std::min(sql.size(), end + 1);
        } else if (sql.compare(at, 2, "--") == 0) {
            const std::size_t end = sql.find('\n', at);
            at = end == std::string::npos ? sql.size() : end + 1;
        } else if (sql.compare(at, 2, "/*") == 0) {
            const std::size_t end = sql.find("*/", at + 2);
            at = end == std::string::npos ? sql.size() : end + 2;
        } else if (IdentifierStart(c)) {
            std::size_t end = at + 1;
            while (end < sql.size() && IdentifierPart(sql[end])) {
                ++end;
            }
            if (!onWord(at, end - at)) {
                return;
            }
            at = end;
        } else {
            ++at;
        }
    }
}

} // namespace

std::vector<TCheckConstraint> ReadCheckConstraints(TSqlTransaction& transaction,
                                                   const std::vector<std::string>& tables) {
    const std::set<std::string> wanted(tables.begin(), tables.end());
    std::vector<TCheckConstraint> checks;
    {
        TSqlStatement query(transaction, kTableChecksQuery);
        query.Execute();
        while (query.Fetch()) {
            const std::string table = CatalogueName(query.Value(1));
            if (wanted.count(table) == 0) {
                continue;
            }
            TCheckConstraint check;
            check.name = CatalogueName(query.Value(0));
            check.table = table;
            check.source = BlobText(transaction, query.Value(2));
            checks.push_back(std::move(check));
        }
    }
    std::map<std::string, TCheckConstraint> domains;
    TSqlStatement query(transaction, kDomainChecksQuery);
    query.Execute();
    while (query.Fetch()) {
        const std::string table = CatalogueName(query.Value(2));
        if (wanted.count(table) == 0) {
            continue;
        }
        const std::string name = CatalogueName(query.Value(0));
        TCheckConstraint& domain = domains[name];
        if (domain.name.empty()) {
            domain.kind = TCheckConstraint::TKind::Domain;
            domain.name = name;
            domain.source = BlobText(transaction, query.Value(1));
        }
        domain.columns.emplace_back(table, CatalogueName(query.Value(3)));
    }
    for (auto& [name, domain] : domains) {
        checks.push_back(std::move(domain));
    }
    return checks;
}

std::optional<std::string> CheckCondition(const std::string& source) {
    std::optional<std::string> condition;
    ForEachWord(source, [&](std::size_t at, std::size_t length) {
        if (SameWord(source, at, length, "CHECK")) {
            condition = source.substr(at + length);
        }
        return false; // only the first word counts
    });
    return condition;
}

std::string SubstituteValue(const std::string& condition, const std::string& column) {
    std::string result;
    std::size_t copied = 0;
    ForEachWord(condition, [&](std::size_t at, std::size_t length) {
        if (SameWord(condition, at, length, "VALUE")) {
            result += condition.substr(copied, at - copied) + column;
            copied = at + length;
        }
        return true;
    });
    return result + condition.substr(copied);
}

std::vector<TCheckTest> TestsOf(const TCheckConstraint& constraint) {
    const std::optional<std::string> condition = CheckCondition(constraint.source);
    if (!condition) {
        return {};
    }
    if (constraint.kind == TCheckConstraint::TKind::Table) {
        return {{constraint.table + "." + constraint.name, constraint.table, *condition}};
    }
    std::vector<TCheckTest> tests;
    for (const auto& [table, column] : constraint.columns) {
        tests.push_back({table + "." + column + " (" + constraint.name + ")", table,
                         SubstituteValue(*condition, QuoteSqlIdentifier(table) + "." +
                                                         QuoteSqlIdentifier(column))});
    }
    return tests;
}

std::int64_t CountViolations(TSqlTransaction& transaction, const TCheckTest& test) {
    // A table's CHECK names its own table unqualified or by its name: no alias may hide it.
    TSqlStatement count(transaction, "SELECT COUNT(*) FROM " + QuoteSqlIdentifier(test.table) +
                                         " WHERE NOT (" + test.condition + ")");
    count.Execute();
    count.Fetch();
    return count.Value(0).AsInteger();
}

} // namespace onarim
