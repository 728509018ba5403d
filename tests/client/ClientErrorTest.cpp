#include <gtest/gtest.h>

#include "client/ClientError.h"
#include "client/ClientErrorTexts.h"
#include "client/IBErrors.h"

namespace onarim {
namespace {

TEST(ClientErrorTest, PlaceholdersAreFilledFromTheArguments) {
    struct Case {
        int code;
        std::vector<ClientErrorArgument> arguments;
        std::string text;
    } cases[] = {
        {1, {std::string()},
         "InterBase library gds32.dll not found in the path. Please install InterBase to use "
         "this functionality"},
        {3, {std::string("isc_service_attach")},
         "isc_service_attach is an InterBase 6 function. Please upgrade to InterBase 6 to use "
         "this functonality"},
        {58, {std::int64_t{5}}, "Cannot create shared resource. (Windows error 5)"},
        {59, {std::int64_t{255}, std::int64_t{255}}, "Windows API error. (Windows error 255 [$000000ff])"},
        {59, {std::int64_t{-1}, std::int64_t{-1}}, "Windows API error. (Windows error -1 [$ffffffff])"},
        {119, {std::int64_t{300}, std::int64_t{255}},
         "Trying to store a string of length 300 into a field that can only contain 255"},
        {55, {std::string("near line 1")}, "SQL Parse Error:\r\n\r\nnear line 1"},
        {44, {std::string("NAME")}, "No access to field \"NAME\""},
        {90, {std::string()}, "Cannot perform operation -- service is not attached"},
        // Too few arguments, or arguments of the other kind: filled, never read past the end.
        {119, {}, "Trying to store a string of length 0 into a field that can only contain 0"},
        {3, {std::int64_t{7}}, "7 is an InterBase 6 function. Please upgrade to InterBase 6 to use "
                               "this functonality"},
        // Codes outside the table take the text of code 0.
        {120, {}, "Unknown error"},
        {-1, {}, "Unknown error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        std::string text;
        switch (c.arguments.size()) {
        case 0: text = FormatClientError(c.code, {}); break;
        case 1: text = FormatClientError(c.code, {c.arguments[0]}); break;
        default: text = FormatClientError(c.code, {c.arguments[0], c.arguments[1]}); break;
        }
        EXPECT_EQ(text, c.text);
    }
}

TEST(ClientErrorTest, RaisesClientErrorWithTheCodeAsSqlErrorCode) {
    try {
        RaiseClientError(ClientErrorCode::ServerNameMissing, {std::string()});
        FAIL();
    } catch (const EIBError& error) {
        EXPECT_NE(dynamic_cast<const EIBClientError*>(&error), nullptr);
        EXPECT_EQ(error.SqlErrorCode(), 92);
        EXPECT_EQ(error.StatusErrorCode(), 0);
        EXPECT_STREQ(error.what(), "Server Name Missing");
    }
}

TEST(ClientErrorTest, TextsKeepTheirOddSpellings) {
    EXPECT_EQ(ClientErrorTexts[82], "Exceded Maximum Event limits");
    EXPECT_EQ(ClientErrorTexts[94], "start Parameters missing or incorrect");
    EXPECT_EQ(ClientErrorTexts[99], "SEOFReached");
    EXPECT_EQ(ClientErrorTexts[43], "Cannot \"open\" a non-select statement. Use ExecQuery");
}

} // namespace
} // namespace onarim
