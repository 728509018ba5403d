#include "recovery/CheckPause.h"

#include <utility>

#include "client/IBErrors.h"
#include "client/SqlAttachment.h"
#include "client/SqlIdentifier.h"
#include "client/SqlStatement.h"
#include "client/SqlTransaction.h"
#include "recovery/TriggerPause.h"

namespace onarim {

namespace {

std::string DropSql(const TCheckConstraint& check) {
    if (check.kind == TCheckConstraint::TKind::Domain) {
        return "ALTER DOMAIN " + QuoteSqlIdentifier(check.name) + " DROP CONSTRAINT";
    }
    return "ALTER TABLE " + QuoteSqlIdentifier(check.table) + " DROP CONSTRAINT " +
           QuoteSqlIdentifier(check.name);
}

std::string AddSql(const TCheckConstraint& check) {
    if (check.kind == TCheckConstraint::TKind::Domain) {
        return "ALTER DOMAIN " + QuoteSqlIdentifier(check.name) + " ADD " + check.source;
    }
    return "ALTER TABLE " + QuoteSqlIdentifier(check.table) + " ADD CONSTRAINT " +
           QuoteSqlIdentifier(check.name) + " " + check.source;
}

// Runs `statements` in one transaction and commits it; false, with nothing changed, when the
// server refuses one of them or the commit. Every metadata transaction rewrites the tables'
// catalogue rows: one for all leaves one back version of each, where one per CHECK leaves
// as many as the table has CHECKs.
bool ExecuteAllCommitted(TSqlAttachment& attachment, const std::vector<std::string>& statements) {
    try {
        TSqlTransaction transaction(attachment, TSqlTransactionKind::ReadWriteSnapshot);
        for (const std::string& sql : statements) {
            TSqlStatement statement(transaction, sql);
            statement.Execute();
        }
        transaction.Commit();
        return true;
    } catch (const EIBError&) {
        return false;
    }
}

std::string Label(const TCheckConstraint& check) {
    return check.kind == TCheckConstraint::TKind::Domain ? check.name + " (alan türü)"
                                                         : check.table + "." + check.name;
}

} // namespace

TCheckPause::TCheckPause(TSqlAttachment& attachment, const std::vector<std::string>& tables)
    : attachment_(attachment) {
    std::vector<TCheckConstraint> checks;
    {
        TSqlTransaction transaction(attachment, TSqlTransactionKind::ReadOnlyReadCommitted);
        checks = ReadCheckConstraints(transaction, tables);
    }
    // What could not be made again stays.
    std::erase_if(checks,
                  [](const TCheckConstraint& check) { return !CheckCondition(check.source); });
    std::vector<std::string> drops;
    for (const TCheckConstraint& check : checks) {
        drops.push_back(DropSql(check));
    }
    if (ExecuteAllCommitted(attachment, drops)) {
        dropped_ = std::move(checks);
        return;
    }
    for (TCheckConstraint& check : checks) {
        try {
            ExecuteCommitted(attachment, DropSql(check));
        } catch (const EIBError&) {
            std::vector<std::string> ignored;
            Restore(ignored);
            throw;
        }
        dropped_.push_back(std::move(check));
    }
}

TCheckPause::~TCheckPause() {
    try {
        std::vector<std::string> ignored;
        Restore(ignored);
    } catch (...) {
    }
}

std::vector<TCheckConstraint> TCheckPause::Restore(std::vector<std::string>& failures) {
    std::vector<std::string> adds;
    for (const TCheckConstraint& check : dropped_) {
        adds.push_back(AddSql(check));
    }
    if (ExecuteAllCommitted(attachment_, adds)) {
        return std::exchange(dropped_, {});
    }
    // One by one, to learn which cannot be made again.
    std::vector<TCheckConstraint> restored;
    for (TCheckConstraint& check : dropped_) {
        try {
            ExecuteCommitted(attachment_, AddSql(check));
            restored.push_back(std::move(check));
        } catch (const EIBError& error) {
            failures.push_back(Label(check) + " kısıtı yeniden eklenemedi: " + error.Message());
        }
    }
    dropped_.clear();
    return restored;
}

TChecksRestored TCheckPause::Resume() {
    TChecksRestored result;
    const std::vector<TCheckConstraint> restored = Restore(result.problems);
    TSqlTransaction transaction(attachment_, TSqlTransactionKind::ReadOnlyReadCommitted);
    for (const TCheckConstraint& check : restored) {
        for (const TCheckTest& test : TestsOf(check)) {
            try {
                if (const std::int64_t rows = CountViolations(transaction, test); rows > 0) {
                    result.violations[test.label] = rows;
                }
            } catch (const EIBError& error) {
                result.problems.push_back(
                    test.label + " kısıtına uymayan kayıtlar sayılamadı: " + error.Message());
            }
        }
    }
    return result;
}

} // namespace onarim
