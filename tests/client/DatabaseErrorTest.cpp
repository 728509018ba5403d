#include <stdexcept>

#include <gtest/gtest.h>

#include "client/ClientLibrary.h"
#include "client/DatabaseError.h"
#include "client/IBErrors.h"
#include "client/StatusVector.h"
#include "support/FakeClient.h"

namespace onarim {
namespace {

class DatabaseErrorTest : public ::testing::Test {
protected:
    void SetUp() override {
        control = &testing::UseFakeClient("complete");
        ThreadStatusVector()[0] = 1;
        ThreadStatusVector()[1] = 335544344;
    }
    void TearDown() override {
        SetDatabaseErrorOptions(DatabaseErrorOptions{});
        FreeClientLibrary();
    }
    fakeclient::Control* control = nullptr;
};

TEST_F(DatabaseErrorTest, MessageJoinsServerLinesAsTheOptionsSay) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        bool includeSqlCode;
        std::string message;
    } cases[] = {
        {"two lines, last full stop removed", {"I/O error", "No such file."}, false,
         "I/O error\r\nNo such file"},
        {"a line ending in a line feed gets no extra break", {"first\n", "second"}, false,
         "first\nsecond"},
        {"a lone full stop becomes empty", {"."}, false, ""},
        {"no lines give an empty message", {}, false, ""},
        {"only one trailing full stop goes", {"Wait..."}, false, "Wait.."},
        {"SQL code line first when asked for", {"line"}, true, "SQLCODE: -902\r\nline"},
        {"SQL code line keeps its break without server lines", {}, true, "SQLCODE: -902\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DatabaseErrorOptions options;
        options.IncludeSqlCode = c.includeSqlCode;
        SetDatabaseErrorOptions(options);
        control->messageLines = c.lines;
        control->nextMessageLine = 0;
        try {
            RaiseDatabaseError();
        } catch (const EIBInterBaseError& error) {
            EXPECT_EQ(error.Message(), c.message);
            EXPECT_EQ(error.SqlErrorCode(), -902);
            EXPECT_EQ(error.StatusErrorCode(), 335544344);
        }
    }
}

TEST_F(DatabaseErrorTest, SqlCode551IsARoleErrorThatInterBaseHandlersDoNotCatch) {
    control->sqlCode = -551;
    control->messageLines = {"no permission for read/select access to TABLE T"};
    bool caughtAsRoleError = false;
    try {
        try {
            RaiseDatabaseError();
        } catch (const EIBInterBaseError&) {
            FAIL() << "a role error is not an EIBInterBaseError";
        }
    } catch (const EIBInterBaseRoleError& error) {
        caughtAsRoleError = true;
        EXPECT_EQ(error.SqlErrorCode(), -551);
        EXPECT_EQ(error.Message(), "no permission for read/select access to TABLE T");
    }
    EXPECT_TRUE(caughtAsRoleError);
}

TEST_F(DatabaseErrorTest, LongServerLineIsTakenWhole) {
    const std::string longLine(20000, 'x');
    control->messageLines = {longLine};
    try {
        RaiseDatabaseError();
    } catch (const EIBInterBaseError& error) {
        EXPECT_EQ(error.Message(), longLine);
    }
}

// A library that left the cursor where it was made onarim-cli spin and grow without end; one
// that throws it past the vector would have the next call read outside it.
TEST_F(DatabaseErrorTest, ServerLinesAreReadOnlyWhileTheCursorMovesOnInsideTheVector) {
    struct Case {
        const char* name;
        std::ptrdiff_t step;
    } cases[] = {{"never advances", 0}, {"jumps past the end", kStatusVectorLength + 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        control->messageLines = {"first", "second"};
        control->nextMessageLine = 0;
        control->interpreteCalls = 0;
        control->interpreteCursorStep = c.step;
        try {
            RaiseDatabaseError();
        } catch (const EIBInterBaseError& error) {
            EXPECT_EQ(error.Message(), "first");
        }
        EXPECT_EQ(control->interpreteCalls, 1u);
    }
}

// The codes tell apart failures that share the primary code, so the arguments between them
// (one word, or two for a counted string) must be stepped over, and a vector filled to its
// last word must not be read past.
TEST_F(DatabaseErrorTest, CarriesEveryErrorCodeOfTheStatusVector) {
    static const char text[] = "lock";
    const auto string = reinterpret_cast<ISC_STATUS>(text);
    struct Case {
        const char* name;
        std::vector<ISC_STATUS> vector;
        std::vector<std::int32_t> codes;
    } cases[] = {
        {"strings between codes",
         {isc_arg_gds, 335544344, isc_arg_string, string, isc_arg_string, string, isc_arg_gds,
          335545107, isc_arg_end},
         {335544344, 335545107}},
        {"a counted string and a number",
         {isc_arg_gds, 1, isc_arg_cstring, 4, string, isc_arg_number, 7, isc_arg_gds, 2,
          isc_arg_end},
         {1, 2}},
        {"warnings are not errors", {isc_arg_gds, 1, isc_arg_warning, 9, isc_arg_end}, {1}},
        {"no end word", std::vector<ISC_STATUS>(kStatusVectorLength, isc_arg_gds),
         std::vector<std::int32_t>(kStatusVectorLength / 2, isc_arg_gds)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::fill_n(ThreadStatusVector(), kStatusVectorLength, 0);
        std::copy(c.vector.begin(), c.vector.end(), ThreadStatusVector());
        try {
            RaiseDatabaseError();
        } catch (const EIBInterBaseError& error) {
            EXPECT_EQ(error.StatusCodes(), c.codes);
        }
    }
}

// onarim-cli printed "onarim-cli: " alone for a status vector without text.
TEST_F(DatabaseErrorTest, AnErrorWithoutTextIsToldByItsCodes) {
    try {
        RaiseDatabaseError();
    } catch (const EIBInterBaseError& error) {
        EXPECT_EQ(ErrorText(error), "Unknown error (SQLCODE: -902, status 335544344)");
    }
    EXPECT_EQ(ErrorText(std::runtime_error("")), "Unknown error");
}

} // namespace
} // namespace onarim
