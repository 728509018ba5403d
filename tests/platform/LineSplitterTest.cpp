#include "platform/LineSplitter.h"

#include <gtest/gtest.h>

namespace onarim {
namespace {

// Whatever the pieces the bytes arrive in, the lines are the same.
TEST(LineSplitterTest, PiecesDoNotChangeTheLines) {
    struct Case {
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\r\nbc\r\n\r\nd", {"a", "bc", "", "d"}},
        {"x\ny\r", {"x", "y"}},
        {"\r\n", {""}},
        {"", {}},
    };
    for (const auto& c : cases) {
        for (std::size_t piece = 1; piece <= c.bytes.size() + 1; ++piece) {
            std::vector<std::string> lines;
            LineSplitter splitter([&](const std::string& line) { lines.push_back(line); });
            for (std::size_t at = 0; at < c.bytes.size(); at += piece) {
                splitter.Feed(std::string_view(c.bytes).substr(at, piece));
            }
            splitter.Finish();
            EXPECT_EQ(lines, c.lines) << "piece size " << piece;
        }
    }
}

} // namespace
} // namespace onarim
