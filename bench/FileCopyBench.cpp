// The kept copy of a database: CopyToNewFile on a 256 MiB file against `cp`, and against
// `cp` followed by a flush of the copy, which is what CopyToNewFile promises. Every run copies
// the same source, read from the page cache after the first; the copy is removed between runs.
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/Files.h"
#include "platform/ProcessRunner.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kFileSize = 256u << 20;

// A source file of kFileSize bytes of changing content in a directory of its own.
struct Source {
    fs::path directory;
    std::string path;
    std::string copy;

    Source() {
        std::string pattern = (fs::temp_directory_path() / "onarim-copy-bench-XXXXXX").string();
        directory = mkdtemp(pattern.data());
        path = (directory / "source.fdb").string();
        copy = (directory / "copy.fdb").string();
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0640);
        std::vector<char> block(1 << 20);
        for (std::size_t written = 0; written < kFileSize; written += block.size()) {
            for (std::size_t i = 0; i < block.size(); i += 4096) {
                block[i] = static_cast<char>(written >> 20);
            }
            if (write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
                break;
            }
        }
        fsync(fd);
        close(fd);
    }
    ~Source() { fs::remove_all(directory); }
};

Source& TheSource() {
    static Source source;
    return source;
}

void Run(benchmark::State& state, void (*copy)(const Source&)) {
    const Source& source = TheSource();
    for (auto _ : state) {
        copy(source);
        state.PauseTiming();
        fs::remove(source.copy);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileSize));
}

void CopyToNewFileOnce(const Source& source) {
    onarim::CopyToNewFile(source.path, source.copy);
}

void Cp(const Source& source) {
    onarim::SpawnAndWait({"cp", source.path, source.copy}, onarim::ChildOutput::Inherited);
}

void CpAndFlush(const Source& source) {
    Cp(source);
    onarim::SpawnAndWait({"sync", source.copy}, onarim::ChildOutput::Inherited);
}

void BM_CopyToNewFile(benchmark::State& state) {
    Run(state, CopyToNewFileOnce);
}
void BM_Cp(benchmark::State& state) {
    Run(state, Cp);
}
void BM_CpAndFlush(benchmark::State& state) {
    Run(state, CpAndFlush);
}

BENCHMARK(BM_CopyToNewFile)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_Cp)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_CpAndFlush)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
