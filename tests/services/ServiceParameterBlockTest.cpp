#include <gtest/gtest.h>

#include "client/IBErrors.h"
#include "services/ServiceParameterBlock.h"
#include "support/Bytes.h"

namespace onarim {
namespace {

using testing::Hex;
using testing::ToHex;

TEST(ServiceParameterBlockTest, TranslatesLinesOrRefusesThem) {
    const std::string sysdba = "1C 06 53 59 53 44 42 41";
    const std::string long255(255, 'p');
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        std::string block; // hex; empty when refused
        int clientError;   // expected error code when refused
    } cases[] = {
        {"user name", {"user_name=SYSDBA"}, "02 02 " + sysdba, 0},
        {"user name and password", {"user_name=SYSDBA", "password=pw"}, "02 02 " + sysdba + " 1D 02 70 77", 0},
        {"upper-case names", {"USER_NAME=SYSDBA", "PASSWORD=pw"}, "02 02 " + sysdba + " 1D 02 70 77", 0},
        {"isc_spb_ prefix", {"isc_spb_user_name=SYSDBA"}, "02 02 " + sysdba, 0},
        {"upper-case prefix", {"ISC_SPB_USER_NAME=SYSDBA"}, "02 02 " + sysdba, 0},
        {"empty list", {}, "02 02", 0},
        {"empty value", {"user_name="}, "02 02 1C 00", 0},
        {"value keeps later equals signs", {"password=a=b"}, "02 02 1D 03 61 3D 62", 0},
        {"lines without a name are skipped", {"no equals sign", "=value", " \t=x", ""}, "02 02", 0},
        {"255-byte value", {"password=" + long255}, "02 02 1D FF " + ToHex(long255), 0},
        {"name starting with a blank", {" user_name=SYSDBA"}, "", 89},
        {"name ending with a blank", {"user_name =SYSDBA"}, "", 89},
        {"unknown name", {"role=admin"}, "", 89},
        {"known but refused: db_name", {"db_name=x"}, "", 88},
        {"known but refused: password_enc", {"password_enc=x"}, "", 88},
        {"refusal comes in line order", {"user_name=a", "verbose=1", "nonsense=2"}, "", 88},
        {"256-byte value is refused, not cut", {"password=" + long255 + "q"}, "", 119},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.clientError == 0) {
            EXPECT_EQ(ToHex(BuildParameterBlock(c.lines)), ToHex(Hex(c.block)));
            continue;
        }
        try {
            BuildParameterBlock(c.lines);
            ADD_FAILURE() << "must be refused";
        } catch (const EIBClientError& error) {
            EXPECT_EQ(error.SqlErrorCode(), c.clientError) << error.Message();
        }
    }
}

TEST(ServiceParameterBlockTest, BlockLongerThanItsSignedLengthIsRefused) {
    // The 128th item of 257 bytes takes the block to 32898 bytes.
    std::vector<std::string> lines(129, "password=" + std::string(255, 'x'));
    try {
        BuildParameterBlock(lines);
        FAIL();
    } catch (const EIBClientError& error) {
        EXPECT_EQ(error.Message(),
                  "Trying to store a string of length 32898 into a field that can only contain 32767");
    }
}

TEST(FindParamLineTest, MatchesByPrefixAtTheStartOrBehindEightCharacters) {
    const std::vector<std::string> lines = {"isc_spb_user_name=a", "password_enc=b", "PASSWORD=c",
                                            "password=d"};
    struct Case {
        const char* name;
        int index;
    } cases[] = {
        {"user_name", 0},   // behind the eight-character prefix
        {"password", 1},    // a prefix of password_enc
        {"PASSWORD", 2},    // case-sensitive
        {"isc_spb_", 0},
        {"sql_role_name", -1},
        {"", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindParamLine(lines, c.name), c.index) << c.name;
    }
    EXPECT_EQ(FindParamLine({}, "user_name"), -1);
    EXPECT_EQ(FindParamLine({"short"}, "user_name"), -1);
}

} // namespace
} // namespace onarim
