// Runs a fuzz target's function, as the unit tests run under g++, over every file of its seed
// corpus and of the inputs that once found a fault. A property that fails aborts the program,
// which fails the test; the trace names the input.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include "FuzzCheck.h"

namespace {

std::vector<std::filesystem::path> InputFiles() {
    std::vector<std::filesystem::path> files;
    for (const char* directory : {FUZZ_CORPUS_DIRECTORY, FUZZ_REGRESSION_DIRECTORY}) {
        if (!std::filesystem::is_directory(directory)) {
            continue; // a target that never found a fault has no regression inputs
        }
        for (const auto& entry : std::filesystem::directory_iterator(directory)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
    }
    return files;
}

// Named after the target, so that each target's replay is a test of its own name.
TEST(FUZZ_TARGET_NAME, EveryCorpusAndRegressionInputKeepsTheProperties) {
    const auto files = InputFiles();
    ASSERT_FALSE(files.empty()) << "no seed corpus in " << FUZZ_CORPUS_DIRECTORY;
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        std::ifstream stream(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(stream), {}};
        // A buffer of the input's exact size, as libFuzzer hands it over.
        const auto copy = std::make_unique<std::uint8_t[]>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), copy.get());
        std::fprintf(stderr, "replaying %s\n", file.c_str());
        LLVMFuzzerTestOneInput(copy.get(), bytes.size());
    }
}

} // namespace
