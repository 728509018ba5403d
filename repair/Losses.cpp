#include "repair/Losses.h"

#include <algorithm>

namespace onarim {

namespace {

const TTableCensus* FindTable(const TDatabaseCensus& census, const std::string& table) {
    for (const TTableCensus& entry : census.tables) {
        if (entry.table == table) {
            return &entry;
        }
    }
    return nullptr;
}

std::optional<std::int64_t> BlobCount(const TTableCensus* table, const std::string& column) {
    if (table == nullptr) {
        return std::nullopt;
    }
    for (const TColumnCensus& entry : table->blobColumns) {
        if (entry.column == column) {
            return entry.nonEmptyBlobs;
        }
    }
    return std::nullopt;
}

std::int64_t SkippedIn(const TSkippedBlobs& skipped, const std::string& table,
                       const std::string& column) {
    const auto inTable = skipped.find(table);
    if (inTable == skipped.end()) {
        return 0;
    }
    const auto inColumn = inTable->second.find(column);
    return inColumn == inTable->second.end() ? 0 : inColumn->second;
}

TTableLoss LossOf(const TTableCensus& before, const TTableCensus* after,
                  const TSkippedBlobs& skipped) {
    TTableLoss loss;
    loss.table = before.table;
    loss.rowsBefore = before.rows;
    loss.rowsAfter = after != nullptr ? after->rows : std::optional<std::int64_t>(0);
    loss.unknown = !before.rows.has_value();
    loss.lostRecords = before.lostRecords;
    for (const TColumnCensus& column : before.blobColumns) {
        if (!column.nonEmptyBlobs) {
            // Not countable before: what gbak said it could not read is lost all the same.
            loss.unknown = true;
            if (const std::int64_t skippedHere = SkippedIn(skipped, before.table, column.column)) {
                loss.blobsLost[column.column] = skippedHere;
            }
            continue;
        }
        const std::int64_t afterCount = BlobCount(after, column.column).value_or(0);
        // gbak's word counts where the census cannot see it (a blob lost on a row that was
        // lost anyway is counted with the row).
        // Values already unreadable before are lost unless something wrote them back.
        const std::int64_t lost =
            std::max(*column.nonEmptyBlobs + column.unreadableBlobs - afterCount,
                     SkippedIn(skipped, before.table, column.column));
        if (lost > 0) {
            loss.blobsLost[column.column] = lost;
        }
    }
    return loss;
}

bool IsLoss(const TTableLoss& loss) {
    const bool rowsLost =
        loss.rowsBefore && (!loss.rowsAfter || *loss.rowsAfter < *loss.rowsBefore);
    return loss.unknown || rowsLost || !loss.blobsLost.empty() || !loss.lostRecords.empty();
}

// The records no reader could read are named, a few of them: the rest are counted.
constexpr std::size_t kLostRecordsNamed = 10;

} // namespace

std::int64_t TLosses::RowsLost() const {
    std::int64_t lost = 0;
    for (const TTableLoss& table : tables) {
        if (table.rowsBefore) {
            lost += std::max<std::int64_t>(0, *table.rowsBefore - table.rowsAfter.value_or(0));
        }
    }
    return lost;
}

std::int64_t TLosses::BlobsLost() const {
    std::int64_t lost = 0;
    for (const TTableLoss& table : tables) {
        for (const auto& [column, count] : table.blobsLost) {
            lost += count;
        }
    }
    return lost;
}

TLosses CompareCensus(const TDatabaseCensus& before, const TDatabaseCensus& after,
                      const TSkippedBlobs& skipped) {
    TLosses losses;
    for (const TTableCensus& table : before.tables) {
        TTableLoss loss = LossOf(table, FindTable(after, table.table), skipped);
        if (IsLoss(loss)) {
            losses.tables.push_back(std::move(loss));
        }
    }
    // gbak may name a table whose blobs it skipped although the census saw no difference.
    for (const auto& [table, columns] : skipped) {
        if (FindTable(before, table) != nullptr) {
            continue;
        }
        TTableLoss loss;
        loss.table = table;
        loss.unknown = true;
        loss.blobsLost = columns;
        losses.tables.push_back(std::move(loss));
    }
    return losses;
}

TSkippedBlobs SkippedAfterPutBack(const TSkippedBlobs& skipped,
                                  const std::vector<TTableRecovery>& putBack) {
    TSkippedBlobs left = skipped;
    for (const TTableRecovery& table : putBack) {
        const auto columns = left.find(table.table);
        if (columns == left.end()) {
            continue;
        }
        std::int64_t written = table.blobsPutBack;
        for (auto& [column, count] : columns->second) {
            const std::int64_t taken = std::min(count, written);
            count -= taken;
            written -= taken;
        }
        std::erase_if(columns->second, [](const auto& entry) { return entry.second == 0; });
        if (columns->second.empty()) {
            left.erase(columns);
        }
    }
    return left;
}

std::map<std::string, std::int64_t> ArrayValuesLeft(const std::vector<TTableRecovery>& tables) {
    std::map<std::string, std::int64_t> left;
    for (const TTableRecovery& table : tables) {
        if (table.arrayValuesLeft > 0) {
            left[table.table] = table.arrayValuesLeft;
        }
    }
    return left;
}

std::string LossLines(const TLosses& losses) {
    std::string lines;
    const auto add = [&lines](const std::string& line) {
        if (!lines.empty()) {
            lines += "\r\n";
        }
        lines += line;
    };
    if (!losses.uncounted.empty()) {
        add("Veri Tabanındaki kayıtlar sayılamadı; kaybın ne kadar olduğu bilinmiyor (" +
            losses.uncounted + ")");
    }
    for (const TTableLoss& loss : losses.tables) {
        if (!loss.rowsBefore) {
            add(loss.table + ": onarımdan önce okunamadı; kaybın ne kadar olduğu bilinmiyor");
        } else if (!loss.rowsAfter || *loss.rowsAfter < *loss.rowsBefore) {
            add(loss.table + ": " + std::to_string(*loss.rowsBefore) + " kayıttan " +
                std::to_string(loss.rowsAfter.value_or(0)) + " kayıt kaldı");
        } else if (loss.unknown) {
            add(loss.table + ": blob sütunları onarımdan önce okunamadı; kayıp bilinmiyor");
        }
        for (const auto& [column, count] : loss.blobsLost) {
            add(loss.table + "." + column + ": " + std::to_string(count) + " blob değeri kayboldu");
        }
        for (std::size_t i = 0; i < loss.lostRecords.size() && i < kLostRecordsNamed; ++i) {
            add(loss.table + ": okunamayan kayıt, " + loss.lostRecords[i]);
        }
        if (loss.lostRecords.size() > kLostRecordsNamed) {
            add(loss.table + ": " + std::to_string(loss.lostRecords.size() - kLostRecordsNamed) +
                " okunamayan kayıt daha");
        }
    }
    for (const auto& [table, count] : losses.arrayValuesLeft) {
        add(table + ": tam kurtarılamadı; " + std::to_string(count) +
            " dizi (array) değeri aktarılamadı");
    }
    return lines;
}

} // namespace onarim
