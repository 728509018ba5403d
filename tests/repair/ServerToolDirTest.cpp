#include <cstdlib>

#include <gtest/gtest.h>

#include "repair/ServerToolDir.h"
#include "platform/RegistryError.h"
#include "support/ScratchDirectory.h"

namespace onarim {
namespace {

constexpr const char* kV5 = "Windows Registry Editor Version 5.00";
constexpr const char* kFirebirdKey =
    R"([HKEY_LOCAL_MACHINE\SOFTWARE\FireBird Project\Firebird Server\Instances])";
constexpr const char* kInterBaseKey =
    R"([HKEY_LOCAL_MACHINE\SOFTWARE\Borland\InterBase\CurrentVersion])";

// A registry file of `lines` under `header`, with `lineEnd` after each line.
std::string RegistryText(std::initializer_list<std::string> lines, const char* header = kV5,
                         const char* lineEnd = "\r\n") {
    std::string text = std::string(header) + lineEnd + lineEnd;
    for (const std::string& line : lines) {
        text += line + lineEnd;
    }
    return text;
}

class ServerToolDirTest : public ::testing::Test {
protected:
    std::string UseRegistry(const std::string& content) {
        const std::string path = scratch_.WriteFile("registry.reg", content).string();
        setenv("ONARIM_REGISTRY", path.c_str(), 1);
        return path;
    }
    void TearDown() override { unsetenv("ONARIM_REGISTRY"); }

    testing::ScratchDirectory scratch_;
};

TEST_F(ServerToolDirTest, WithoutTheRegistryFileFirebirdIsBinAndInterBaseEmpty) {
    setenv("ONARIM_REGISTRY", (scratch_.Path() / "missing.reg").c_str(), 1);
    EXPECT_EQ(GetFirebirdToolDir(), "bin");
    EXPECT_EQ(GetInterBaseToolDir(), "");
}

TEST_F(ServerToolDirTest, ReadsTheInstallationsEntries) {
    struct Case {
        const char* what;
        std::string registry;
        std::string firebird;
        std::string interbase;
    } cases[] = {
        {"no keys", RegistryText({}), "bin", ""},
        {"keys without the values",
         RegistryText({kFirebirdKey, "\"Other\"=\"/x/\"", kInterBaseKey, "@=\"/y\""}), "bin", ""},
        {"the keys under another root",
         RegistryText({R"([HKEY_CURRENT_USER\SOFTWARE\FireBird Project\Firebird Server\Instances])",
                       "\"DefaultInstance\"=\"/usr/\""}),
         "bin", ""},
        {"Debian's Firebird, CR LF", RegistryText({kFirebirdKey, "\"DefaultInstance\"=\"/usr/\""}),
         "/usr/bin", ""},
        {"REGEDIT4 with LF line ends",
         RegistryText({kFirebirdKey, "\"DefaultInstance\"=\"/usr/\"", kInterBaseKey,
                       "\"ServerDirectory\"=\"/opt/interbase/bin\""},
                      "REGEDIT4", "\n"),
         "/usr/bin", "/opt/interbase/bin"},
        {"no separator at the end glues bin to the last name",
         RegistryText({kFirebirdKey, "\"DefaultInstance\"=\"/opt/firebird\""}), "/opt/firebirdbin",
         ""},
        {"names and keys in other case, blanks and Turkish letters",
         RegistryText(
             {R"([hkey_local_machine\software\firebird project\FIREBIRD SERVER\instances])",
              "\"defaultinstance\"=\"/opt/Veri Tabanı Sunucusu/\"",
              R"([HKEY_LOCAL_MACHINE\SOFTWARE\BORLAND\InterBase\currentversion])",
              "\"SERVERDIRECTORY\"=\"/opt/İş Yeri/bin\""}),
         "/opt/Veri Tabanı Sunucusu/bin", "/opt/İş Yeri/bin"},
        {"empty texts",
         RegistryText(
             {kFirebirdKey, "\"DefaultInstance\"=\"\"", kInterBaseKey, "\"ServerDirectory\"=\"\""}),
         "bin", ""},
        {"a zero in the middle cuts the text",
         RegistryText({kFirebirdKey,
                       "\"DefaultInstance\"=hex(1):2f,00,75,00,2f,00,00,00,78,00,2f,00,00,00",
                       kInterBaseKey, "\"ServerDirectory\"=hex(1):2f,00,69,00,00,00,62,00"}),
         "/u/bin", "/i"},
        {"a zero in the middle of a REGEDIT4 text",
         RegistryText({kInterBaseKey, "\"ServerDirectory\"=hex(1):2f,61,00,62"}, "REGEDIT4"), "bin",
         "/a"},
        {"an expandable text comes back unexpanded",
         RegistryText({kFirebirdKey,
                       "\"DefaultInstance\"=hex(2):25,00,46,00,42,00,25,00,2f,00,00,00",
                       kInterBaseKey, "\"ServerDirectory\"=hex(2):24,00,48,00,4f,00,4d,00,\\",
                       "  45,00,00,00"}),
         "%FB%/bin", "$HOME"},
        {"a text without its terminating zero",
         RegistryText({kInterBaseKey, "\"ServerDirectory\"=hex(1):2f,00,69,00"}), "bin", "/i"},
        {"an empty expandable text", RegistryText({kInterBaseKey, "\"ServerDirectory\"=hex(2):"}),
         "bin", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UseRegistry(c.registry);
        EXPECT_EQ(GetFirebirdToolDir(), c.firebird);
        EXPECT_EQ(GetInterBaseToolDir(), c.interbase);
    }
}

TEST_F(ServerToolDirTest, AValueThatIsNotTextIsATypeErrorWithItsName) {
    for (const char* data : {"dword:0000000a", "hex:2f,75,00", "hex(7):41,00,00,00,00,00"}) {
        SCOPED_TRACE(data);
        UseRegistry(RegistryText({kFirebirdKey, std::string("\"DefaultInstance\"=") + data,
                                  kInterBaseKey, std::string("\"ServerDirectory\"=") + data}));
        try {
            GetFirebirdToolDir();
            ADD_FAILURE() << "no error";
        } catch (const ERegistryException& error) {
            EXPECT_STREQ(error.what(), "Invalid data type for 'DefaultInstance'");
        }
        try {
            GetInterBaseToolDir();
            ADD_FAILURE() << "no error";
        } catch (const ERegistryException& error) {
            EXPECT_STREQ(error.what(), "Invalid data type for 'ServerDirectory'");
        }
    }
}

TEST_F(ServerToolDirTest, AMalformedRegistryFileIsAnErrorNamingFileAndLine) {
    const std::string path =
        UseRegistry(RegistryText({kFirebirdKey, "\"DefaultInstance\"=\"C:\\Firebird\\\""}));
    try {
        GetFirebirdToolDir();
        ADD_FAILURE() << "no error";
    } catch (const ERegistryFileError& error) {
        EXPECT_EQ(error.FileName(), path);
        EXPECT_EQ(error.Line(), 4);
        EXPECT_NE(error.Message().find("Registry file '" + path + "', line 4: "),
                  std::string::npos);
    }
    EXPECT_THROW(GetInterBaseToolDir(), ERegistryFileError) << "whichever key is asked for";
}

} // namespace
} // namespace onarim
