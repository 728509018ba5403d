#include <dlfcn.h>
#include <functional>

#include <gtest/gtest.h>

#include "client/ClientEntryPoints.h"
#include "client/ClientLibrary.h"
#include "client/IBErrors.h"
#include "platform/SystemError.h"
#include "support/FakeClient.h"

namespace onarim {
namespace {

using testing::FakeClientPath;
using testing::PointClientLibraryAt;
using testing::UseFakeClient;

// Slots of the table, by name, as addresses.
std::vector<std::pair<std::string, void*>> Slots() {
    const auto& table = ClientEntryPoints();
    std::vector<std::pair<std::string, void*>> slots;
#define ONARIM_COLLECT(name) slots.emplace_back(#name, reinterpret_cast<void*>(table.name));
    ONARIM_BASE_ENTRY_POINTS(ONARIM_COLLECT)
    ONARIM_PROBE_ENTRY_POINT(ONARIM_COLLECT)
    ONARIM_VERSION6_ENTRY_POINTS(ONARIM_COLLECT)
#undef ONARIM_COLLECT
    return slots;
}

int FilledSlots() {
    int filled = 0;
    for (const auto& slot : Slots()) {
        filled += slot.second != nullptr;
    }
    return filled;
}

void* ExportOf(const std::string& variant, const char* name) {
    void* library = dlopen(FakeClientPath(variant).c_str(), RTLD_NOW | RTLD_NOLOAD);
    return library != nullptr ? dlsym(library, name) : nullptr;
}

class ClientLibraryTest : public ::testing::Test {
protected:
    void TearDown() override { FreeClientLibrary(); }
};

TEST_F(ClientLibraryTest, NoLibraryRaisesClientErrorOneAndResolvesNothing) {
    PointClientLibraryAt("/nonexistent/libfbclient.so.2");
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            EnsureClientLibrary();
            FAIL() << "a missing library must not load";
        } catch (const EIBClientError& error) {
            EXPECT_EQ(error.SqlErrorCode(), 1);
            EXPECT_EQ(error.StatusErrorCode(), 0);
            EXPECT_EQ(error.Message(), "InterBase library gds32.dll not found in the path. "
                                       "Please install InterBase to use this functionality");
        }
        EXPECT_FALSE(TryLoadClientLibrary());
        EXPECT_EQ(FilledSlots(), 0);
    }
}

TEST_F(ClientLibraryTest, CompleteVersion6ClientFillsEverySlotWithItsOwnExport) {
    UseFakeClient("complete");
    EXPECT_TRUE(IsClientLibraryLoaded());
    EXPECT_TRUE(TryLoadClientLibrary());
    EXPECT_EQ(static_cast<int>(Slots().size()), kClientEntryPointCount);
    for (const auto& [name, address] : Slots()) {
        EXPECT_EQ(address, ExportOf("complete", name.c_str())) << name;
    }
}

// A missing required export: the load fails with the loader's text naming the export, and
// leaves no half-filled table behind; the next attempt tries again and fails the same way.
TEST_F(ClientLibraryTest, MissingRequiredExportRaisesOSErrorAndLeavesNothingLoaded) {
    struct Case {
        const char* variant;
        const char* missing;
    } cases[] = {
        {"no_blob_get", "BLOB_get"},
        {"no_encode_timestamp", "isc_encode_timestamp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.variant);
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                UseFakeClient(c.variant);
                FAIL() << "the load must fail";
            } catch (const EOSError& error) {
                EXPECT_EQ(error.Message().rfind("System Error.  Code: 2.\r\n", 0), 0u)
                    << error.Message();
                EXPECT_NE(error.Message().find(c.missing), std::string::npos) << error.Message();
            }
            EXPECT_FALSE(IsClientLibraryLoaded());
            EXPECT_EQ(FilledSlots(), 0);
        }
    }
}

// An older client (no isc_rollback_retaining) loads, but every version-6 slot holds a fallback
// that raises client error 3 naming its entry point; the library's own exports of those names
// are never used.
TEST_F(ClientLibraryTest, OlderClientGetsFallbacksThatNameTheirEntryPoint) {
    UseFakeClient("no_rollback_retaining");
    ASSERT_NE(ExportOf("no_rollback_retaining", "isc_service_attach"), nullptr);
    EXPECT_NE(reinterpret_cast<void*>(ClientEntryPoints().isc_service_attach),
              ExportOf("no_rollback_retaining", "isc_service_attach"));
    EXPECT_EQ(FilledSlots(), kClientEntryPointCount);

    const auto& client = ClientEntryPoints();
    ISC_STATUS status[20] = {};
    isc_svc_handle service = 0;
    isc_tr_handle transaction = 0;
    char bytes[8] = {};
    ISC_DATE date{};
    ISC_TIME time{};
    ISC_TIMESTAMP stamp{};
    struct Case {
        const char* name;
        std::function<void()> call;
    } cases[] = {
        {"isc_rollback_retaining", [&] { client.isc_rollback_retaining(status, &transaction); }},
        {"isc_service_attach", [&] { client.isc_service_attach(status, 3, "abc", &service, 2, bytes); }},
        {"isc_service_detach", [&] { client.isc_service_detach(status, &service); }},
        {"isc_service_query",
         [&] { client.isc_service_query(status, &service, nullptr, 0, nullptr, 1, bytes, 8, bytes); }},
        {"isc_service_start", [&] { client.isc_service_start(status, &service, nullptr, 1, bytes); }},
        {"isc_decode_sql_date", [&] { client.isc_decode_sql_date(&date, bytes); }},
        {"isc_decode_sql_time", [&] { client.isc_decode_sql_time(&time, bytes); }},
        {"isc_decode_timestamp", [&] { client.isc_decode_timestamp(&stamp, bytes); }},
        {"isc_encode_sql_date", [&] { client.isc_encode_sql_date(bytes, &date); }},
        {"isc_encode_sql_time", [&] { client.isc_encode_sql_time(bytes, &time); }},
        {"isc_encode_timestamp", [&] { client.isc_encode_timestamp(bytes, &stamp); }},
    };
    for (const auto& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << c.name << " must raise";
        } catch (const EIBClientError& error) {
            EXPECT_EQ(error.SqlErrorCode(), 3);
            EXPECT_EQ(error.Message(), std::string(c.name) +
                                           " is an InterBase 6 function. Please upgrade to "
                                           "InterBase 6 to use this functonality");
        }
    }
}

// With no client library loaded a lookup must not reach into the rest of the process, where
// the C library, for one, exports plenty.
TEST_F(ClientLibraryTest, LookupsWithNoLibraryLoadedFindNothing) {
    for (const char* name : {"printf", "strlen", "dlopen", "isc_service_attach"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ResolveOptional(name), nullptr);
        try {
            ResolveRequired(name);
            ADD_FAILURE() << "a required lookup must fail";
        } catch (const EOSError& error) {
            EXPECT_EQ(error.ErrorCode(), 2);
            EXPECT_NE(error.Message().find(name), std::string::npos) << error.Message();
        }
    }
}

// A second load with a working library in place keeps it, whatever the file named now would do.
TEST_F(ClientLibraryTest, SecondLoadLeavesTheLoadedLibraryInPlace) {
    const struct {
        const char* what;
        std::string file;
    } cases[] = {
        {"a file that does not exist", "/nonexistent/libfbclient.so.2"},
        {"a library lacking a required export", FakeClientPath("no_blob_get")},
        {"another library that would load", FakeClientPath("no_rollback_retaining")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UseFakeClient("complete");
        setenv("ONARIM_CLIENT_LIBRARY", c.file.c_str(), 1);
        EXPECT_NO_THROW(LoadClientLibrary());
        EXPECT_TRUE(IsClientLibraryLoaded());
        for (const auto& [name, address] : Slots()) {
            EXPECT_EQ(address, ExportOf("complete", name.c_str())) << name;
        }
    }
}

TEST_F(ClientLibraryTest, FreeEmptiesTheTableAndAllowsALaterLoad) {
    UseFakeClient("complete");
    FreeClientLibrary();
    EXPECT_FALSE(IsClientLibraryLoaded());
    EXPECT_EQ(FilledSlots(), 0);
    EXPECT_TRUE(TryLoadClientLibrary());
    EXPECT_EQ(FilledSlots(), kClientEntryPointCount);
}

} // namespace
} // namespace onarim
