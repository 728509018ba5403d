#include <gtest/gtest.h>

#include "client/IBErrors.h"
#include "services/IBValidationService.h"
#include "support/Bytes.h"
#include "support/ServiceTestFixture.h"

namespace onarim {
namespace {

using testing::Hex;

class ReadOutputLineTest : public testing::FakeClientTest {
protected:
    void SetUp() override {
        FakeClientTest::SetUp();
        service = std::make_unique<TIBValidationService>(nullptr, "IBValidationService1");
        service->SetLoginPrompt(false);
        service->SetDatabaseName("/db/test.fdb");
        service->SetActive(true);
        service->ServiceStart();
    }
    void TearDown() override {
        service.reset();
        FakeClientTest::TearDown();
    }

    int ClientErrorOfRead() {
        try {
            service->ReadOutputLine();
        } catch (const EIBClientError& error) {
            return error.SqlErrorCode();
        }
        return 0;
    }

    std::size_t Queries() { return CallsOf("isc_service_query").size(); }

    std::unique_ptr<TIBValidationService> service;
};

TEST_F(ReadOutputLineTest, ReadsTheLineAndTheEndFromTheTerminator) {
    struct Case {
        const char* label;
        std::string reply;
        std::string line;
        bool ended;
    } cases[] = {
        {"a word, then the end", Hex("3F 05 00") + "hello" + Hex("01"), "hello", true},
        {"empty line, more to come", Hex("3F 00 00 02"), "", false},
        {"empty line, the end", Hex("3F 00 00 01"), "", true},
        {"a line holding a zero byte", Hex("3F 03 00 61 00 62 02"), "a", false},
        {"bytes after the terminator ignored", Hex("3F 01 00 61 01 7A 7A"), "a", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        service->ServiceStart(); // a new action: the output starts afresh
        fake->queryReplies.push_back(c.reply);
        EXPECT_EQ(service->ReadOutputLine(), c.line);
        EXPECT_EQ(service->OutputEnded(), c.ended);
    }
    EXPECT_EQ(CallsOf("isc_service_query").back().bytes, Hex("3F"));
    EXPECT_EQ(CallsOf("isc_service_query").back().bufferLength, 32000u);

    // Once ended, no more queries until the next start.
    const std::size_t queries = Queries();
    EXPECT_EQ(service->ReadOutputLine(), "");
    EXPECT_EQ(Queries(), queries);
    service->ServiceStart();
    fake->queryReplies.push_back(Hex("3F 00 00 01"));
    service->ReadOutputLine();
    EXPECT_EQ(Queries(), queries + 1);
}

TEST_F(ReadOutputLineTest, RepliesItCannotReadAreRefusedWithoutChangingTheEnd) {
    std::string nearlyFull = Hex("3F") + Hex("FC 7C") + std::string(31996, 'x'); // L = 31996
    struct Case {
        const char* label;
        std::string reply;
    } cases[] = {
        {"wrong first byte", Hex("40 00 00 01")},
        {"timeout terminator", Hex("3F 00 00 40")},
        {"data-not-ready terminator", Hex("3F 00 00 04")},
        {"length the client decodes as negative", Hex("3F FF FF 01")},
        {"terminator just past the buffer", Hex("3F FD 7C")},      // 3 + 31997 = 32000
        {"line running past the buffer", Hex("3F 00 80")},          // 3 + 32768
        {"terminator position holds data", nearlyFull + "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        service->ServiceStart();
        fake->queryReplies.push_back(c.reply);
        EXPECT_EQ(ClientErrorOfRead(), 95);
        EXPECT_FALSE(service->OutputEnded());
    }

    // The longest line that still leaves room for its terminator is read.
    service->ServiceStart();
    fake->queryReplies.push_back(nearlyFull + Hex("01"));
    EXPECT_EQ(service->ReadOutputLine(), std::string(31996, 'x'));
    EXPECT_TRUE(service->OutputEnded());
}

TEST_F(ReadOutputLineTest, NothingStartedMeansNothingToRead) {
    TIBValidationService fresh;
    try {
        fresh.ReadOutputLine();
        FAIL();
    } catch (const EIBClientError& error) {
        EXPECT_EQ(error.SqlErrorCode(), 93);
        EXPECT_EQ(error.Message(), "Query Parameters missing or incorrect");
    }
    EXPECT_EQ(Queries(), 0u);
}

TEST_F(ReadOutputLineTest, FailedQueryForgetsTheAttachment) {
    ScriptFailure("isc_service_query", 335544559, {"service is not defined"});
    EXPECT_THROW(service->ReadOutputLine(), EIBInterBaseError);
    EXPECT_FALSE(service->Active());
    EXPECT_FALSE(service->OutputEnded());

    // Detached, the query still goes out, with handle 0, and the library's answer counts.
    fake->queryReplies.push_back(Hex("3F 00 00 01"));
    EXPECT_EQ(service->ReadOutputLine(), "");
    EXPECT_EQ(CallsOf("isc_service_query").back().handle, 0u);
}

TEST_F(ReadOutputLineTest, BufferSizeResizesAndZeroesTheReplyBufferWithinItsLimits) {
    fake->queryReplies.push_back(Hex("3F 03 00") + "abc" + Hex("02"));
    EXPECT_EQ(service->ReadOutputLine(), "abc");

    service->SetBufferSize(64);
    // A reply that writes nothing must now see zeroes, not the previous line.
    EXPECT_EQ(ClientErrorOfRead(), 95);
    EXPECT_EQ(CallsOf("isc_service_query").back().bufferLength, 64u);

    for (std::int32_t refused : {3, 0, -1, 65536, 100000}) {
        try {
            service->SetBufferSize(refused);
            ADD_FAILURE() << refused;
        } catch (const EIBClientError& error) {
            EXPECT_EQ(error.SqlErrorCode(), 93) << refused;
        }
        EXPECT_EQ(service->BufferSize(), 64);
    }
    service->SetBufferSize(65535);
    fake->queryReplies.push_back(Hex("3F 00 00 01"));
    service->ReadOutputLine();
    EXPECT_EQ(CallsOf("isc_service_query").back().bufferLength, 65535u);
}

} // namespace
} // namespace onarim
