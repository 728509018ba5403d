#include "recovery/TriggerPause.h"

#include "client/IBErrors.h"
#include "client/SqlAttachment.h"
#include "client/SqlIdentifier.h"
#include "client/SqlStatement.h"
#include "client/SqlTransaction.h"
#include "recovery/UserTables.h"

namespace onarim {

namespace {

constexpr const char* kActiveTriggersQuery =
    "SELECT RDB$TRIGGER_NAME FROM RDB$TRIGGERS WHERE RDB$RELATION_NAME = ?"
    " AND COALESCE(RDB$TRIGGER_INACTIVE, 0) = 0 AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0"
    " ORDER BY RDB$TRIGGER_NAME";

std::vector<std::string> ActiveTriggers(TSqlAttachment& attachment, const std::string& table) {
    TSqlTransaction transaction(attachment, TSqlTransactionKind::ReadOnlyReadCommitted);
    TSqlStatement query(transaction, kActiveTriggersQuery);
    query.Execute({TSqlValue::Text(table)});
    std::vector<std::string> names;
    while (query.Fetch()) {
        names.push_back(CatalogueName(query.Value(0)));
    }
    return names;
}

std::string SetTrigger(const std::string& trigger, bool active) {
    return "ALTER TRIGGER " + QuoteSqlIdentifier(trigger) + (active ? " ACTIVE" : " INACTIVE");
}

} // namespace

void ExecuteCommitted(TSqlAttachment& attachment, const std::string& sql) {
    TSqlTransaction transaction(attachment, TSqlTransactionKind::ReadWriteSnapshot);
    {
        TSqlStatement statement(transaction, sql);
        statement.Execute();
    }
    transaction.Commit();
}

TTriggerPause::TTriggerPause(TSqlAttachment& attachment, const std::string& table)
    : attachment_(attachment) {
    for (const std::string& trigger : ActiveTriggers(attachment, table)) {
        try {
            ExecuteCommitted(attachment, SetTrigger(trigger, false));
        } catch (const EIBError&) {
            Resume();
            throw;
        }
        paused_.push_back(trigger);
    }
}

TTriggerPause::~TTriggerPause() {
    try {
        Resume();
    } catch (...) {
    }
}

std::vector<std::string> TTriggerPause::Resume() {
    std::vector<std::string> failures;
    for (const std::string& trigger : paused_) {
        try {
            ExecuteCommitted(attachment_, SetTrigger(trigger, true));
        } catch (const EIBError& error) {
            failures.push_back(trigger + ": " + error.Message());
        }
    }
    paused_.clear();
    return failures;
}

} // namespace onarim
