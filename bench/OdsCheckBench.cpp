// CheckPages over a database against `cat FILE > /dev/null`, both with the file in the page
// cache (a first untimed read puts it there). Prints the best of a few rounds of each, the
// speed of the check as a share of cat's, and the peak resident memory of this process, so
// the map's growth with the file shows. A plain timed driver:
//
//   ods_check_bench DATABASE [ROUNDS]
//
// bench/make-large-database.sh makes a database of about 1 GB for it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>

#include "ods/PageCheck.h"
#include "platform/ProcessRunner.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double CatSeconds(const std::string& path) {
    const auto start = Clock::now();
    const int code = onarim::SpawnAndWait({"sh", "-c", "cat \"$0\" > /dev/null", path},
                                          onarim::ChildOutput::Inherited);
    if (code != 0) {
        std::fprintf(stderr, "cat failed with %d\n", code);
        std::exit(1);
    }
    return Seconds(start);
}

long PeakResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DATABASE [ROUNDS]\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    CatSeconds(path); // into the page cache
    const long residentBefore = PeakResidentKiB();

    double cat = 1e9;
    double check = 1e9;
    onarim::ods::TPageCheck result;
    for (int round = 0; round < rounds; ++round) {
        cat = std::min(cat, CatSeconds(path));
        const auto start = Clock::now();
        result = onarim::ods::CheckPages(path);
        check = std::min(check, Seconds(start));
    }
    const double megabytes =
        static_cast<double>(result.pageCount) * result.pageSize / (1024.0 * 1024.0);
    std::printf("file: %s, %u pages of %u bytes (%.0f MiB)\n", path.c_str(), result.pageCount,
                result.pageSize, megabytes);
    std::printf("cat:         %.3f s  %.0f MiB/s\n", cat, megabytes / cat);
    std::printf("CheckPages:  %.3f s  %.0f MiB/s  (%.0f %% of cat)\n", check, megabytes / check,
                100.0 * cat / check);
    std::printf("peak resident memory: %ld KiB before the checks, %ld KiB after\n",
                residentBefore, PeakResidentKiB());
    std::printf("found: %zu mends, %zu rebuilt pointer pages, %zu problems, %u unnamed pages%s%s\n",
                result.mends.size(), result.rebuilds.size(), result.problems.size(),
                result.unnamedPages, result.refusal.empty() ? "" : ", refused: ",
                result.refusal.c_str());
    for (const auto& problem : result.problems) {
        std::printf("  problem at %u: %s\n", problem.page, problem.text.c_str());
    }
    for (const auto& mend : result.mends) {
        std::printf("  mend %u: %s -> %s (%s)\n", mend.page, mend.was.c_str(),
                    mend.written.c_str(), mend.reason.c_str());
    }
    return 0;
}
