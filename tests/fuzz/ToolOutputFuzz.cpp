// Drives the reader of the server tools' output (gfix's validation, gbak's backup and restore)
// with any lines, and with runs written the way gbak prints them.
//
// Properties:
// - any lines, fed to any of the three steps in any order, give a summary: no count is
//   negative (records written or restored, lost blob values, how often an error was printed,
//   lines not kept), every kept error was printed at least once, each table is listed once,
//   and the kept errors and validation lines stay within kMaxErrors and kMaxValidationLines;
// - a backup and restore of fuzzed tables with fuzzed record counts, printed as gbak -V
//   prints them, gives each table its last "records written" and "records restored".

#include <map>
#include <set>

#include "FuzzCheck.h"
#include "repair/ToolOutput.h"

namespace onarim {
namespace {

using fuzz::Check;

void CheckSummary(const TToolOutputSummary& summary) {
    std::set<std::string> names;
    for (const TTableTransfer& table : summary.tables) {
        Check(names.insert(table.table).second, "each table is listed once");
        Check(table.written.value_or(0) >= 0, "records written are never negative");
        Check(table.restored.value_or(0) >= 0, "records restored are never negative");
        for (const auto& [column, lost] : table.blobErrors) {
            Check(lost >= 1, "a column with lost blob values lost at least one");
        }
    }
    for (const TToolError& error : summary.errors) {
        Check(error.count >= 1, "a kept error was printed at least once");
    }
    Check(summary.errorLinesNotKept >= 0, "lines not kept are never negative");
    Check(summary.errors.size() <= kMaxErrors, "no more than kMaxErrors errors are kept");
    Check(summary.validationReport.size() <= kMaxValidationLines,
          "no more than kMaxValidationLines validation lines are kept");
}

void ReadAnyLines(fuzz::FuzzInput& input) {
    TToolOutputReader reader;
    while (!input.Empty()) {
        const std::uint8_t step = input.Byte();
        const std::string line = input.Until('\n');
        switch (step % 3) {
        case 0: reader.ValidationLine(line); break;
        case 1: reader.BackupLine(line); break;
        default: reader.RestoreLine(line); break;
        }
    }
    CheckSummary(reader.Summary());
}

// A table name as gbak prints it: no line break, no blank at either end.
std::string TableName(fuzz::FuzzInput& input) {
    std::string name;
    for (const char c : input.Bytes(input.Byte() % 32)) {
        if (c != '\n' && c != '\r' && c != '\0') {
            name += c;
        }
    }
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) {
        name.erase(0, 1);
    }
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) {
        name.pop_back();
    }
    return name.empty() ? "T" : name;
}

void ReadGbakRun(fuzz::FuzzInput& input) {
    TToolOutputReader reader;
    std::map<std::string, std::pair<std::int64_t, std::int64_t>> expected;
    while (!input.Empty()) {
        const std::string table = TableName(input);
        const std::int64_t written = input.Uint32();
        const std::int64_t restored = input.Uint32() % (written + 1);
        reader.BackupLine("gbak:    writing data for table " + table);
        reader.BackupLine("gbak:" + std::to_string(written / 2) + " records written");
        reader.BackupLine("gbak:" + std::to_string(written) + " records written");
        reader.RestoreLine("gbak:restoring data for table " + table);
        reader.RestoreLine("gbak:   " + std::to_string(restored) + " records restored");
        expected[table] = {written, restored};
    }
    CheckSummary(reader.Summary());
    for (const auto& [table, counts] : expected) {
        const TTableTransfer* transfer = FindTable(reader.Summary(), table);
        Check(transfer != nullptr, "every table gbak names is in the summary");
        Check(transfer->written == counts.first, "a table's records written are the last count");
        Check(transfer->restored == counts.second,
              "a table's records restored are the last count");
    }
}

} // namespace
} // namespace onarim

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    onarim::fuzz::FuzzInput input(data, size);
    if (input.Byte() % 4 == 0) {
        onarim::ReadGbakRun(input);
    } else {
        onarim::ReadAnyLines(input);
    }
    return 0;
}
