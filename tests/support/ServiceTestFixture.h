#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "client/ClientLibrary.h"
#include "support/FakeClient.h"

namespace onarim::testing {

// Runs each test against the complete stand-in client library with a fresh script.
class FakeClientTest : public ::testing::Test {
public:
    void SetUp() override { fake = &UseFakeClient("complete"); }
    void TearDown() override { FreeClientLibrary(); }

    // The next call of `entry` fails with status word 1 = `code` and these message lines.
    void ScriptFailure(const std::string& entry, ISC_STATUS code,
                       std::vector<std::string> lines = {"scripted failure"}) {
        fake->outcomes[entry].push_back({code, {1, code, 0}});
        fake->messageLines = std::move(lines);
    }

    // The same with several error codes in the status vector, the primary one first.
    void ScriptFailure(const std::string& entry, const std::vector<ISC_STATUS>& codes,
                       std::vector<std::string> lines) {
        std::vector<ISC_STATUS> vector;
        for (const ISC_STATUS code : codes) {
            vector.insert(vector.end(), {1, code});
        }
        vector.push_back(0);
        fake->outcomes[entry].push_back({codes.front(), vector});
        fake->messageLines = std::move(lines);
    }

    // Calls of `entry` recorded so far.
    std::vector<fakeclient::Call> CallsOf(const std::string& entry) const {
        std::vector<fakeclient::Call> calls;
        for (const auto& call : fake->calls) {
            if (call.entry == entry) {
                calls.push_back(call);
            }
        }
        return calls;
    }

    fakeclient::Control* fake = nullptr;
};

} // namespace onarim::testing
