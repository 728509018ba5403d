#include "recovery/Salvage.h"

#include <filesystem>
#include <set>

#include "client/IBErrors.h"
#include "client/SqlAttachment.h"
#include "client/SqlIdentifier.h"
#include "client/SqlStatement.h"
#include "client/SqlTransaction.h"
#include "recovery/CheckPause.h"
#include "recovery/ForeignKeys.h"
#include "recovery/OriginalRows.h"
#include "recovery/TableWriter.h"
#include "recovery/TriggerPause.h"
#include "recovery/UserTables.h"

namespace onarim {

namespace {

constexpr const char* kSequencesQuery =
    "SELECT RDB$GENERATOR_NAME FROM RDB$GENERATORS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0";

// Indexes of primary and unique keys before those of foreign keys, which need them.
constexpr const char* kUserIndexesQuery =
    "SELECT RDB$INDEX_NAME, COALESCE(RDB$INDEX_INACTIVE, 0) FROM RDB$INDICES"
    " WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0"
    " ORDER BY IIF(RDB$FOREIGN_KEY IS NULL, 0, 1), RDB$INDEX_NAME";

struct TSequence {
    std::string name;
    std::int64_t value = 0;
};

// What the damaged database's catalogue says beyond its metadata backup.
struct TSourceFacts {
    std::vector<TSequence> sequences;
    std::set<std::string> inactiveIndexes;
};

TSourceFacts ReadSourceFacts(const std::string& damaged, const TCredentials& credentials) {
    TSqlAttachment attachment(damaged, credentials.user, credentials.password,
                              TSqlIntent::ReadOnly);
    TSqlTransaction transaction(attachment, TSqlTransactionKind::ReadOnlyReadCommitted);
    TSourceFacts facts;
    TSqlStatement sequences(transaction, kSequencesQuery);
    sequences.Execute();
    while (sequences.Fetch()) {
        facts.sequences.push_back({CatalogueName(sequences.Value(0)), 0});
    }
    for (TSequence& sequence : facts.sequences) {
        TSqlStatement value(transaction, "SELECT GEN_ID(" + QuoteSqlIdentifier(sequence.name) +
                                             ", 0) FROM RDB$DATABASE");
        value.Execute();
        value.Fetch();
        sequence.value = value.Value(0).AsInteger();
    }
    TSqlStatement indexes(transaction, kUserIndexesQuery);
    indexes.Execute();
    while (indexes.Fetch()) {
        if (indexes.Value(1).AsInteger() != 0) {
            facts.inactiveIndexes.insert(CatalogueName(indexes.Value(0)));
        }
    }
    return facts;
}

void RunGbak(const TGbakRunner& gbak, const std::vector<std::string>& arguments) {
    const TGbakRun run = gbak(arguments);
    if (run.exitCode != 0) {
        throw ESalvageError("gbak " + arguments.front() + " " + arguments[1] + " failed (" +
                            std::to_string(run.exitCode) + "): " + run.output);
    }
}

void MakeFromMetadata(const std::string& damaged, const std::string& target,
                      const TGbakRunner& gbak) {
    if (std::filesystem::exists(target)) {
        throw ESalvageError("the salvage target already exists: " + target);
    }
    const std::string metadata = target + ".metadata.gbk";
    std::error_code ignored;
    try {
        RunGbak(gbak, {"-B", "-M", "-G", damaged, metadata});
        RunGbak(gbak, {"-C", "-I", metadata, target});
    } catch (...) {
        std::filesystem::remove(metadata, ignored);
        throw;
    }
    std::filesystem::remove(metadata, ignored);
}

class TSalvage {
public:
    TSalvage(const TOriginalFiles& source, const std::string& target,
             const TCredentials& credentials,
             const std::function<void(const std::string&)>& progress)
        : target_(target, credentials.user, credentials.password, TSqlIntent::ReadWrite),
          reader_(source, credentials, ReadTableLayouts(target_)), progress_(progress) {}

    TSalvageResult Run(const TSourceFacts& facts) {
        TSalvageResult result;
        SetSequences(facts.sequences, result);
        std::unique_ptr<TCheckPause> checks = PauseChecks(result);
        std::vector<std::unique_ptr<TTriggerPause>> pauses;
        for (const TTableLayout& table : reader_.Tables()) {
            TTableRecovery& copied = result.tables.emplace_back();
            copied.table = table.name;
            try {
                pauses.push_back(std::make_unique<TTriggerPause>(target_, table.name));
                Pump(table, copied);
            } catch (const EIBError& error) {
                copied.problems.push_back(error.Message());
            }
        }
        Tell("indeksler etkinleştiriliyor");
        ActivateIndexes(facts.inactiveIndexes, result);
        for (auto& pause : pauses) {
            for (const std::string& failure : pause->Resume()) {
                result.inactiveTriggers.push_back(failure);
            }
        }
        if (checks) {
            Tell("CHECK kısıtları yeniden ekleniyor");
            TChecksRestored restored = checks->Resume();
            result.constraintViolations.merge(restored.violations);
            for (std::string& problem : restored.problems) {
                result.constraintProblems.push_back(std::move(problem));
            }
        }
        return result;
    }

private:
    void Tell(const std::string& line) {
        if (progress_) {
            progress_(line);
        }
    }

    // The CHECKs of every table out while the rows go in. Should that fail, the rows that
    // break one are refused and reported, as they would be without the pause.
    std::unique_ptr<TCheckPause> PauseChecks(TSalvageResult& result) {
        std::vector<std::string> tables;
        for (const TTableLayout& table : reader_.Tables()) {
            tables.push_back(table.name);
        }
        try {
            return std::make_unique<TCheckPause>(target_, tables);
        } catch (const EIBError& error) {
            result.constraintProblems.push_back("CHECK kısıtları kaldırılamadı: " +
                                                error.Message());
        }
        return nullptr;
    }

    void SetSequences(const std::vector<TSequence>& sequences, TSalvageResult& result) {
        for (const TSequence& sequence : sequences) {
            try {
                ExecuteCommitted(target_, "SET GENERATOR " + QuoteSqlIdentifier(sequence.name) +
                                              " TO " + std::to_string(sequence.value));
            } catch (const EIBError& error) {
                result.unsetSequences.push_back(sequence.name + ": " + error.Message());
            }
        }
    }

    void Pump(const TTableLayout& table, TTableRecovery& copied) {
        Tell(table.name + ": aktarılıyor");
        TTableWriter writer(target_, table);
        const auto problems = reader_.ReadTable(table, [&](const TReadRow& row) {
            try {
                writer.Insert(row);
            } catch (const EIBError& error) {
                copied.problems.push_back(DescribeRowKey(table, row) +
                                          ": row not written: " + error.Message());
                return;
            }
            ++copied.rowsPutBack;
            copied.rawRows += row.fromPages ? 1 : 0;
            copied.arrayValuesLeft += ArrayValuesIn(table, row.values);
            for (const auto& blob : row.blobs) {
                const int written = (blob && !blob->empty()) ? 1 : 0;
                copied.blobsPutBack += written;
                copied.rawBlobs += row.fromPages ? written : 0;
            }
        });
        writer.Commit();
        for (const TReadProblem& problem : problems) {
            copied.problems.push_back(problem.Describe());
        }
        Tell(table.name + ": " + std::to_string(copied.rowsPutBack) + " satır aktarıldı");
    }

    // Activates every index the restore left inactive that was active in the damaged database.
    void ActivateIndexes(const std::set<std::string>& inactiveInSource, TSalvageResult& result) {
        std::vector<std::string> names;
        {
            TSqlTransaction transaction(target_, TSqlTransactionKind::ReadOnlyReadCommitted);
            TSqlStatement indexes(transaction, kUserIndexesQuery);
            indexes.Execute();
            while (indexes.Fetch()) {
                const std::string name = CatalogueName(indexes.Value(0));
                if (indexes.Value(1).AsInteger() != 0 && !inactiveInSource.count(name)) {
                    names.push_back(name);
                }
            }
        }
        for (const std::string& name : names) {
            try {
                ExecuteCommitted(target_, "ALTER INDEX " + QuoteSqlIdentifier(name) + " ACTIVE");
            } catch (const EIBError& error) {
                result.inactiveIndexes.push_back(name + ": " + error.Message());
                CountOrphans(name, result);
            }
        }
    }

    // The rows that keep the FOREIGN KEY of the inactive index `index` from being enforced.
    void CountOrphans(const std::string& index, TSalvageResult& result) {
        try {
            TSqlTransaction transaction(target_, TSqlTransactionKind::ReadOnlyReadCommitted);
            for (const TForeignKey& key : ReadForeignKeys(transaction)) {
                if (key.index == index) {
                    result.constraintViolations[key.table + "." + key.name] =
                        onarim::CountOrphans(transaction, key);
                }
            }
        } catch (const EIBError& error) {
            result.constraintProblems.push_back(
                index + " dizinine uymayan kayıtlar sayılamadı: " + error.Message());
        }
    }

    TSqlAttachment target_;
    TOriginalRows reader_;
    const std::function<void(const std::string&)>& progress_;
};

} // namespace

TSalvageResult SalvageDatabase(const TOriginalFiles& source, const std::string& target,
                               const TCredentials& credentials, const TGbakRunner& gbak,
                               const std::function<void(const std::string&)>& progress) {
    if (progress) {
        progress("üst veriden yeni veri tabanı kuruluyor");
    }
    // gbak first: once this process's engine has opened the file, it keeps it open past the
    // detach, and gbak could not open it.
    MakeFromMetadata(source.engineCopy, target, gbak);
    const TSourceFacts facts = ReadSourceFacts(source.engineCopy, credentials);
    return TSalvage(source, target, credentials, progress).Run(facts);
}

} // namespace onarim
