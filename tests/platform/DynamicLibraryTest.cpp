#include <gtest/gtest.h>

#include "platform/ClientLibraryName.h"
#include "platform/DynamicLibrary.h"
#include "platform/SystemError.h"

namespace onarim {
namespace {

TEST(DynamicLibraryTest, MissingLibraryAndSymbolRecordTheLoaderMessage) {
    SetLastSystemError(0);
    EXPECT_EQ(LoadDynamicLibrary("/nonexistent/libnothing.so"), nullptr);
    EXPECT_NE(LastSystemError().code, 0);
    EXPECT_NE(LastSystemError().text.find("/nonexistent/libnothing.so"), std::string::npos);

    LibraryHandle self = LoadDynamicLibrary("libc.so.6");
    ASSERT_NE(self, nullptr);
    EXPECT_NE(ResolveSymbol(self, "strlen"), nullptr);
    EXPECT_EQ(ResolveSymbol(self, "no_such_export_here"), nullptr);
    EXPECT_NE(LastSystemError().text.find("no_such_export_here"), std::string::npos);
    FreeDynamicLibrary(self);

    EXPECT_EQ(ResolveSymbol(nullptr, "strlen"), nullptr) << "no library exports nothing";
    EXPECT_NE(LastSystemError().text.find("strlen"), std::string::npos);
}

TEST(ClientLibraryNameTest, BareNameUnlessOverridden) {
    unsetenv("ONARIM_CLIENT_LIBRARY");
    EXPECT_EQ(ClientLibraryFileName(), "libfbclient.so.2");
    setenv("ONARIM_CLIENT_LIBRARY", "", 1);
    EXPECT_EQ(ClientLibraryFileName(), "libfbclient.so.2");
    setenv("ONARIM_CLIENT_LIBRARY", "/opt/other/libfbclient.so.2", 1);
    EXPECT_EQ(ClientLibraryFileName(), "/opt/other/libfbclient.so.2");
    unsetenv("ONARIM_CLIENT_LIBRARY");
}

} // namespace
} // namespace onarim
