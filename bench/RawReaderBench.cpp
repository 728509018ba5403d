// The raw reader over a table against `gbak -b` of the same database (which holds only that
// table), both with the file in the page cache (a first untimed read puts it there). Prints
// the best of a few rounds of each in rows per second. A plain timed driver:
//
//   raw_reader_bench DATABASE TABLE [ROUNDS]
//
// bench/make-raw-reader-database.sh makes a database of a ten-column table for it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "ods/RawTableReader.h"
#include "platform/ProcessRunner.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double GbakSeconds(const std::string& path) {
    const std::string backup = "/tmp/raw-reader-bench-" + std::to_string(getpid()) + ".fbk";
    const auto start = Clock::now();
    const int code = onarim::SpawnAndWait(
        {"gbak", "-b", "-g", "-user", "SYSDBA", "-password", "masterkey", path, backup},
        onarim::ChildOutput::Inherited);
    const double seconds = Seconds(start);
    unlink(backup.c_str());
    if (code != 0) {
        std::fprintf(stderr, "gbak failed with %d\n", code);
        std::exit(1);
    }
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s DATABASE TABLE [ROUNDS]\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    const std::string table = argv[2];
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    onarim::SpawnAndWait({"sh", "-c", "cat \"$0\" > /dev/null", path},
                         onarim::ChildOutput::Inherited);

    double raw = 1e9;
    double gbak = 1e9;
    std::uint64_t rows = 0;
    std::uint64_t fields = 0;
    std::size_t problems = 0;
    for (int round = 0; round < rounds; ++round) {
        const auto start = Clock::now();
        const onarim::ods::TDatabaseFile file(path, onarim::ods::TDatabaseFile::TAccess::ReadOnly);
        const onarim::ods::TRawDatabase database(file);
        onarim::ods::TRawTableReader reader(database, table);
        fields = 0;
        const onarim::ods::TRawReadSummary summary =
            reader.Read({}, [&](const onarim::ods::TRawRow& row) { fields += row.fields.size(); });
        raw = std::min(raw, Seconds(start));
        rows = summary.rows;
        problems = summary.problems.size();
        gbak = std::min(gbak, GbakSeconds(path));
    }
    std::printf("file: %s, table %s: %llu rows, %llu values, %zu problems\n", path.c_str(),
                table.c_str(), static_cast<unsigned long long>(rows),
                static_cast<unsigned long long>(fields), problems);
    std::printf("raw reader:  %.3f s  %.0f rows/s\n", raw, static_cast<double>(rows) / raw);
    std::printf("gbak -b -g:  %.3f s  %.0f rows/s\n", gbak, static_cast<double>(rows) / gbak);
    return 0;
}
