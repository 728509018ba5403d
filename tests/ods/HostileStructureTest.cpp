// Hand-built databases whose structure points where it must not: a clear problem or error,
// nothing written, no crash and no endless loop.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "HandBuiltDatabase.h"
#include "ods/DatabaseFile.h"
#include "ods/PageCheck.h"
#include "ods/PageMap.h"
#include "support/ScratchDirectory.h"

namespace onarim::ods {
namespace {

using testing::HandBuiltDatabase;
using onarim::testing::ScratchDirectory;

std::string Contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

bool AnyProblemSays(const TPageCheck& check, const std::string& text) {
    for (const TPageProblem& problem : check.problems) {
        if (problem.text.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST(HandBuiltDatabaseTest, IsMappedWholeAndNeedsNothing) {
    ScratchDirectory directory;
    const std::string path = directory.File("sound.fdb");
    HandBuiltDatabase().WriteTo(path);
    const TPageCheck check = CheckPages(path);
    EXPECT_TRUE(check.NothingToWrite());
    EXPECT_TRUE(check.problems.empty()) << check.problems.front().text;
    EXPECT_EQ(check.unnamedPages, 0u);

    const TDatabaseFile file(path, TDatabaseFile::TAccess::ReadOnly);
    const TPageMap map = BuildPageMap(file);
    ASSERT_TRUE(map.Expected(HandBuiltDatabase::kUserDataPage));
    EXPECT_EQ(map.Expected(HandBuiltDatabase::kUserDataPage)->reason,
              "pointer page 5 slot 0 of relation 128");
    EXPECT_EQ(map.Expected(HandBuiltDatabase::kUserPointerPage)->reason,
              "RDB$PAGES: pointer page 0 of relation 128");
    EXPECT_EQ(map.Expected(8)->reason, "RDB$PAGES: transaction inventory page 0");
}

struct HostileCase {
    const char* name;
    std::function<void(HandBuiltDatabase&)> damage;
    const char* problem; // a part of the problem reported
};

class HostileStructureTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileStructureTest, IsReportedAndNothingIsWritten) {
    HandBuiltDatabase image;
    GetParam().damage(image);
    ScratchDirectory directory;
    const std::string path = directory.File("hostile.fdb");
    image.WriteTo(path);
    const std::string before = Contents(path);

    const TPageCheck check = CheckPages(path);
    EXPECT_TRUE(AnyProblemSays(check, GetParam().problem))
        << (check.problems.empty() ? "no problem" : check.problems.front().text);
    for (const TPageProblem& problem : check.problems) {
        EXPECT_LT(problem.page, check.pageCount) << problem.text;
    }
    for (const TPageMend& mend : check.mends) {
        EXPECT_LT(mend.page, check.pageCount);
    }
    ApplyMends(path, check);
    EXPECT_EQ(Contents(path), before) << "the file was written";
}

void ChainLoop(HandBuiltDatabase& image) {
    image.Page(5)[1] = 0; // not the last
    image.Put32(5, 20, 5);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileStructureTest,
    ::testing::Values(
        HostileCase{"PointerSlotPastTheEnd",
                    [](HandBuiltDatabase& i) {
                        i.Put16(5, 24, 3);
                        i.Put32(5, 36, 90000);
                        i.Put32(5, 40, 0xFFFFFFFF);
                    },
                    "names page 90000, past the end of the file (9 pages)"},
        HostileCase{"PointerPageChainedToItself", ChainLoop, "named twice"},
        HostileCase{"PointerPagesChainedInALoop",
                    [](HandBuiltDatabase& i) {
                        // 5 -> 8 -> 5: page 8 (the TIP) made a second pointer page of 128.
                        i.Page(5)[1] = 0;
                        i.Put32(5, 20, 8);
                        i.Page(8)[0] = 4;
                        i.Put32(8, 16, 1);
                        i.Put32(8, 20, 5);
                        i.Put16(8, 26, 128);
                    },
                    "named twice"},
        HostileCase{"RdbPagesPastTheEnd", [](HandBuiltDatabase& i) { i.Put32(0, 20, 123456); },
                    "past the end of the file"},
        HostileCase{"RdbPagesIsTheHeaderPage", [](HandBuiltDatabase& i) { i.Put32(0, 20, 0); },
                    "named twice"},
        HostileCase{"LineCountPastThePage",
                    [](HandBuiltDatabase& i) { i.Put16(7, 22, 60000); },
                    "more than its page holds"},
        HostileCase{"DataPageOfAnotherRelation",
                    [](HandBuiltDatabase& i) {
                        i.Page(7)[0] = 0x33; // and a header to mend: the body says no
                        i.Put16(7, 20, 129);
                    },
                    "its body names relation 129 sequence 0"},
        HostileCase{"TransactionInventoryChainedToItself",
                    [](HandBuiltDatabase& i) { i.Put32(8, 16, 8); }, "named twice"},
        HostileCase{"FreePageListed",
                    [](HandBuiltDatabase& i) { i.Page(1)[28] = 0x80; }, // page 7 free
                    "which the page inventory lists as free"}),
    [](const auto& info) { return std::string(info.param.name); });

// The file changed between the check and the mend: nothing is written.
TEST(ApplyMendsTest, WritesNothingWhenAPageChangedSinceTheCheck) {
    HandBuiltDatabase image;
    image.Page(7)[0] = 0xFA;
    image.Page(6)[0] = 0x00;
    ScratchDirectory directory;
    const std::string path = directory.File("changed.fdb");
    image.WriteTo(path);
    const TPageCheck check = CheckPages(path);
    ASSERT_EQ(check.mends.size(), 2u);

    image.Page(7)[1] = 0x44;
    image.WriteTo(path);
    const std::string before = Contents(path);
    EXPECT_THROW(ApplyMends(path, check), EOdsError);
    EXPECT_EQ(Contents(path), before);
}

} // namespace
} // namespace onarim::ods
