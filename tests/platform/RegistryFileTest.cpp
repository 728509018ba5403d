#include <cerrno>

#include <gtest/gtest.h>

#include "platform/RegistryError.h"
#include "platform/RegistryFile.h"
#include "platform/SystemError.h"
#include "support/ScratchDirectory.h"

namespace onarim {
namespace {

using namespace std::string_literals;

const std::string kV5 = "Windows Registry Editor Version 5.00\r\n\r\n";
constexpr const char* kInstances =
    R"([HKEY_LOCAL_MACHINE\SOFTWARE\FireBird Project\Firebird Server\Instances])";

// UTF-16LE bytes of the registry's text types in a "Version 5.00" file, made from ASCII.
std::string Utf16Hex(std::string_view ascii) {
    std::string hex;
    for (char c : ascii) {
        char pair[16];
        std::snprintf(pair, sizeof pair, "%02x,00,", static_cast<unsigned char>(c));
        hex += pair;
    }
    return hex + "00,00";
}

TEST(RegistryFileTest, ReadsEveryValueFormWithItsType) {
    struct Case {
        const char* what;
        std::string content;
        RegistryDataType type;
        std::string data;
    } cases[] = {
        {"text with escapes", kV5 + "[HKEY_LOCAL_MACHINE\\K]\r\n\"V\"=\"a\\\\b\\\"c\"\r\n"s, REG_SZ,
         "a\\b\"c\0"s},
        {"empty text", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=\"\"\n"s, REG_SZ, "\0"s},
        {"dword", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=dword:0000000a\n"s, REG_DWORD,
         "\x0a\0\0\0"s},
        {"short dword", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=dword:A0b\n"s, REG_DWORD,
         "\x0b\x0a\0\0"s},
        {"expandable text as UTF-16LE",
         kV5 + "[HKEY_LOCAL_MACHINE\\K]\n\"V\"=hex(2):" + Utf16Hex("%HOME%/fb/") + "\n",
         REG_EXPAND_SZ, "%HOME%/fb/\0"s},
        {"expandable text in a REGEDIT4 file is narrow",
         "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=hex(2):25,48,25,00\n"s, REG_EXPAND_SZ, "%H%\0"s},
        {"non-ASCII text from UTF-16LE",
         kV5 + "[HKEY_LOCAL_MACHINE\\K]\n\"V\"=hex(1):5f,01,31,01,3d,d8,00,de,00,00\n"s, REG_SZ,
         "şı😀\0"s},
        {"binary over continued lines",
         kV5 + "[HKEY_LOCAL_MACHINE\\K]\r\n\"V\"=hex:01,02,\\\r\n  ff,0,\\\n\tA\r\n"s, REG_BINARY,
         "\x01\x02\xff\x00\x0a"s},
        {"empty binary", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=hex:\n"s, REG_BINARY, ""},
        {"qword as bytes",
         "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=hex(b):01,00,00,00,00,00,00,00\n"s, REG_QWORD,
         "\x01\0\0\0\0\0\0\0"s},
        {"blanks around '='", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n  \"V\" = \"x\"  \n"s, REG_SZ,
         "x\0"s},
        {"later value of the same name wins",
         "REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=\"old\"\n; note\n[HKEY_LOCAL_MACHINE\\k]\n\"v\"=\"new\"\n"s,
         REG_SZ, "new\0"s},
        {"UTF-8 byte order mark", "\xEF\xBB\xBFREGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=\"ü\"\n"s,
         REG_SZ, "ü\0"s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const RegistryFile file = RegistryFile::Parse(c.content, "test.reg");
        const RegistryKey* key = file.FindKey(HKEY_LOCAL_MACHINE, "K");
        ASSERT_NE(key, nullptr);
        const RegistryValue* value = key->FindValue("V");
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->type, c.type);
        EXPECT_EQ(value->data, c.data);
    }
}

TEST(RegistryFileTest, FindsKeysAndValuesWithoutRegardToCase) {
    const std::string content = kV5 + kInstances +
                                "\n@=\"default\"\n\"DefaultInstance\"=\"/usr/\"\n"
                                "[HKEY_CURRENT_USER\\Yazılım\\Şirket]\n\"Değer\"=\"1\"\n";
    const RegistryFile file = RegistryFile::Parse(content, "test.reg");

    const RegistryKey* instances =
        file.FindKey(HKEY_LOCAL_MACHINE, R"(software\firebird project\FIREBIRD SERVER\instances)");
    ASSERT_NE(instances, nullptr);
    EXPECT_EQ(instances->FindValue("defaultinstance")->data, "/usr/\0"s);
    EXPECT_EQ(instances->FindValue("")->data, "default\0"s);
    EXPECT_EQ(instances->FindValue("Missing"), nullptr);

    const RegistryKey* company = file.FindKey(HKEY_CURRENT_USER, "YAZILIM\\şirket");
    ASSERT_NE(company, nullptr);
    EXPECT_NE(company->FindValue("DEĞER"), nullptr);

    EXPECT_NE(file.FindKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\FireBird Project"), nullptr)
        << "a listed key's parents exist";
    EXPECT_NE(file.FindKey(HKEY_LOCAL_MACHINE, ""), nullptr);
    EXPECT_EQ(file.FindKey(HKEY_CURRENT_USER, "SOFTWARE\\FireBird Project"), nullptr)
        << "another root is another tree";
    EXPECT_EQ(file.FindKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\FireBird"), nullptr);
}

TEST(RegistryFileTest, ReadsAUtf16LeFileWithByteOrderMark) {
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Ş]\r\n"
        "\"V\"=\"ğ\"\r\n";
    // UTF-16LE of the text above, which holds only characters below U+0800.
    std::string content = "\xFF\xFE";
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        char16_t unit = lead;
        if (lead >= 0xC0) {
            unit = static_cast<char16_t>(((lead & 0x1F) << 6) | (text[at + 1] & 0x3F));
            ++at;
        }
        ++at;
        content += static_cast<char>(unit & 0xFF);
        content += static_cast<char>(unit >> 8);
    }
    const RegistryFile file = RegistryFile::Parse(content, "unicode.reg");
    const RegistryKey* key = file.FindKey(HKEY_LOCAL_MACHINE, "ş");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->FindValue("V")->data, "ğ\0"s);
}

TEST(RegistryFileTest, MalformedContentNamesFileAndLine) {
    struct Case {
        std::string content;
        int line;
        const char* problem;
    } cases[] = {
        {"", 1, "expected the header"},
        {"REGEDIT5\n", 1, "expected the header"},
        {"\n" + kV5, 1, "expected the header"},
        {"REGEDIT4\n\"V\"=\"x\"\n", 2, "a value before the first [key]"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K\n", 2, "without its closing ']'"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K] x\n", 2, "text after the closing ']'"},
        {"REGEDIT4\n[HKLM\\K]\n", 2, "unknown root key 'HKLM'"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\\\B]\n", 2, "empty key name"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K\\]\n", 2, "empty key name"},
        {"REGEDIT4\n[-HKEY_LOCAL_MACHINE\\K]\n", 2, "deleting a key"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=-\n", 3, "deleting a value"},
        {"REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=\"C:\\Program Files\"\n", 4,
         "a backslash in quoted text must be written \\\\"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=\"open\n", 3, "without its closing '\"'"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V=\"x\"\n", 3, "expected '=' after the value name"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=\"x\" y\n", 3, "text after the value"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=dword:123456789\n", 3, "one to eight"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=dword:\n", 3, "one to eight"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=dword:1g\n", 3, "one to eight"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=hex(x):00\n", 3, "hex(<type>)"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=text\n", 3, "unknown value data"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=hex:01,\\\n 02,zz\n", 4,
         "expected a hexadecimal byte"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=hex:01 02\n", 3, "expected ','"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=hex:012\n", 3, "expected ','"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=hex:01,\n", 3, "ends with ','"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=hex:01,\\", 3, "past the end of the file"},
        {kV5 + "[HKEY_LOCAL_MACHINE\\K]\n\"V\"=hex(2):41,00,42\n"s, 4, "not UTF-16LE"},
        {kV5 + "[HKEY_LOCAL_MACHINE\\K]\n\"V\"=hex(1):00,d8,41,00\n"s, 4, "not UTF-16LE"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\n\"V\"=\"\xFE\"\n", 3, "not UTF-8"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\K]\r\njunk\r\n", 3, "expected a [key]"},
        {"\xFF\xFE"
         "R\0E\0\n\0\x00\xDC\n\0"s,
         2, "not UTF-16LE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        try {
            RegistryFile::Parse(c.content, "/etc/onarim/registry.reg");
            ADD_FAILURE() << "parsed";
        } catch (const ERegistryFileError& error) {
            EXPECT_EQ(error.FileName(), "/etc/onarim/registry.reg");
            EXPECT_EQ(error.Line(), c.line);
            const std::string prefix =
                "Registry file '/etc/onarim/registry.reg', line " + std::to_string(c.line) + ": ";
            EXPECT_EQ(error.Message().substr(0, prefix.size()), prefix);
            EXPECT_NE(error.Message().find(c.problem), std::string::npos) << error.Message();
        }
    }
}

TEST(RegistryFileTest, UnreadableFileIsNoFile) {
    testing::ScratchDirectory scratch;
    SetLastSystemError(0);
    EXPECT_FALSE(RegistryFile::Load((scratch.Path() / "missing.reg").string()));
    EXPECT_EQ(LastSystemError().code, ENOENT);
    EXPECT_FALSE(RegistryFile::Load(scratch.Path().string()));
    EXPECT_EQ(LastSystemError().code, EISDIR);

    const auto path = scratch.WriteFile("ok.reg", "REGEDIT4\r\n[HKEY_USERS\\X]\r\n");
    const auto file = RegistryFile::Load(path.string());
    ASSERT_TRUE(file);
    EXPECT_NE(file->FindKey(HKEY_USERS, "x"), nullptr);

    const auto bad = scratch.WriteFile("bad.reg", "REGEDIT4\r\n[HKEY_USERS\\X\r\n");
    EXPECT_THROW(RegistryFile::Load(bad.string()), ERegistryFileError);
}

} // namespace
} // namespace onarim
