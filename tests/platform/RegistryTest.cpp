#include <cerrno>
#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/Registry.h"
#include "platform/SystemError.h"
#include "support/ScratchDirectory.h"

namespace onarim {
namespace {

using namespace std::string_literals;

class RegistryTest : public ::testing::Test {
protected:
    void UseRegistry(std::string_view content) {
        setenv("ONARIM_REGISTRY", scratch_.WriteFile("registry.reg", content).c_str(), 1);
    }
    void TearDown() override { unsetenv("ONARIM_REGISTRY"); }

    testing::ScratchDirectory scratch_;
};

TEST_F(RegistryTest, FilePathComesFromTheEnvironment) {
    unsetenv("ONARIM_REGISTRY");
    EXPECT_EQ(RegistryFilePath(), "/etc/onarim/registry.reg");
    setenv("ONARIM_REGISTRY", "", 1);
    EXPECT_EQ(RegistryFilePath(), "/etc/onarim/registry.reg");
    setenv("ONARIM_REGISTRY", "/srv/other.reg", 1);
    EXPECT_EQ(RegistryFilePath(), "/srv/other.reg");
}

TEST_F(RegistryTest, QueriesAndReadsTheOpenKeyOnly) {
    UseRegistry("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"V\"=\"abc\"\n@=dword:00000001\n"
                "[HKEY_LOCAL_MACHINE\\B]\n\"W\"=\"b\"\n");
    TRegistry registry(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(registry.QueryValueInfo("V")) << "no key open yet";
    ASSERT_TRUE(registry.OpenKey("a"));

    const auto info = registry.QueryValueInfo("v");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->type, REG_SZ);
    EXPECT_EQ(info->size, 4u);
    EXPECT_EQ(registry.QueryValueInfo("")->type, REG_DWORD);

    char small[3];
    EXPECT_FALSE(registry.ReadValueData("V", small)) << "data larger than the buffer";
    char buffer[8] = {};
    const auto read = registry.ReadValueData("V", buffer);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->size, 4u);
    EXPECT_EQ(std::string(buffer, 4), "abc\0"s);

    ASSERT_TRUE(registry.OpenKey("B")) << "opening another key closes the first";
    EXPECT_FALSE(registry.QueryValueInfo("V"));
    EXPECT_EQ(registry.ReadString("W"), "b");
    registry.CloseKey();
    EXPECT_FALSE(registry.HasCurrentKey());
    EXPECT_EQ(registry.ReadString("W"), "");
}

TEST_F(RegistryTest, OpenKeyFailsWithoutFileOrKeyAndRaisesForAMalformedFile) {
    setenv("ONARIM_REGISTRY", (scratch_.Path() / "none.reg").c_str(), 1);
    TRegistry registry(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(registry.OpenKey("A"));
    EXPECT_EQ(LastSystemError().code, ENOENT);

    UseRegistry("REGEDIT4\n[HKEY_CURRENT_USER\\A]\n");
    EXPECT_FALSE(registry.OpenKey("A")) << "the key is under another root";
    EXPECT_FALSE(registry.HasCurrentKey());

    UseRegistry("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"V\"=\"x\"\n");
    ASSERT_TRUE(registry.OpenKey("A"));
    UseRegistry("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"V\"=\n");
    EXPECT_THROW(registry.OpenKey("A"), ERegistryFileError);
    EXPECT_FALSE(registry.HasCurrentKey());
}

} // namespace
} // namespace onarim
