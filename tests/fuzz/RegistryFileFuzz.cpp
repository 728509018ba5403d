// Drives the registry file reader with any bytes, and with files written from fuzzed values.
//
// Properties:
// - any bytes give either the file's content or ERegistryFileError that names this file and
//   a line the input has (1 to its number of line feeds + 1); nothing else is raised, and the
//   reader never reads past the input (the bytes stay in the fuzzer's own buffer);
// - a file written the way a registry editor exports it (either header, CR LF or LF, text
//   values with \\ and \" escapes, dwords, hex lists continued over lines, expandable texts in
//   UTF-16LE) reads back with every value's type and data, the later of two values whose names
//   differ only in case winning.

#include <algorithm>
#include <cstdio>
#include <map>

#include "FuzzCheck.h"
#include "platform/RegistryError.h"
#include "platform/RegistryFile.h"
#include "platform/UnicodeText.h"

namespace onarim {
namespace {

using fuzz::Check;
using fuzz::FuzzInput;

const std::string kFileName = "fuzz.reg";

void ParseAnyBytes(std::string_view content) {
    const auto lines = std::count(content.begin(), content.end(), '\n') + 1;
    try {
        RegistryFile::Parse(content, kFileName);
    } catch (const ERegistryFileError& error) {
        Check(error.FileName() == kFileName, "the error names the file");
        Check(error.Line() >= 1 && error.Line() <= lines, "the error names a line of the input");
    } catch (const std::exception& error) {
        fuzz::Unexpected(error.what());
    }
}

// Text of the fuzzed bytes that a quoted .reg text can hold: no line breaks, well-formed UTF-8.
std::string LineText(const std::string& bytes) {
    std::string text;
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') {
            continue;
        }
        if (static_cast<unsigned char>(c) < 0x80) {
            text += c;
        } else {
            text += c & 1 ? "ş" : "😀";
        }
    }
    return text;
}

std::string Escaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

std::string HexByte(unsigned char byte) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02x", byte);
    return digits;
}

// "hex:..." or "hex(n):..." data, continued on a new line after a fuzzed number of bytes.
std::string HexList(const std::string& bytes, std::uint8_t breakEvery, const std::string& eol) {
    std::string list;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        list += HexByte(static_cast<unsigned char>(bytes[i]));
        if (i + 1 < bytes.size()) {
            list += ',';
            if (breakEvery != 0 && (i + 1) % breakEvery == 0) {
                list += "\\" + eol + "  ";
            }
        }
    }
    return list;
}

std::string Utf16Le(const std::string& ascii) {
    std::string bytes;
    for (const char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

struct Written {
    std::string name;
    RegistryDataType type;
    std::string data;
};

void WriteAndReadBack(FuzzInput& input) {
    const std::uint8_t flags = input.Byte();
    const bool version5 = flags & 1;
    const std::string eol = flags & 2 ? "\r\n" : "\n";
    std::string content = flags & 4 ? "\xEF\xBB\xBF" : "";
    content += (version5 ? "Windows Registry Editor Version 5.00" : "REGEDIT4") + eol + eol;

    std::string keyPath = "HKEY_LOCAL_MACHINE";
    for (int depth = input.Byte() % 4; depth >= 0; --depth) {
        std::string name = LineText(input.Until('\\'));
        std::erase(name, '\\');
        keyPath += "\\" + (name.empty() ? std::string("k") : name);
    }
    content += "[" + keyPath + "]" + eol;

    std::map<std::u32string, Written> expected;
    while (!input.Empty()) {
        const std::uint8_t kind = input.Byte();
        Written value{LineText(input.Until('\0')), REG_NONE, {}};
        const std::string bytes = input.Bytes(input.Byte());
        content += kind & 8 ? "@" : "\"" + Escaped(value.name) + "\"";
        if (kind & 8) {
            value.name.clear();
        }
        content += kind & 16 ? " = " : "=";
        switch (kind % 4) {
        case 0:
            value.type = REG_SZ;
            value.data = LineText(bytes) + '\0';
            content += "\"" + Escaped(LineText(bytes)) + "\"";
            break;
        case 1: {
            value.type = REG_DWORD;
            const std::string four = (bytes + std::string(4, '\0')).substr(0, 4);
            value.data = four;
            char digits[16];
            std::snprintf(digits, sizeof digits, "%08x",
                          static_cast<unsigned>(static_cast<unsigned char>(four[0]) |
                                                static_cast<unsigned char>(four[1]) << 8 |
                                                static_cast<unsigned char>(four[2]) << 16 |
                                                static_cast<unsigned>(
                                                    static_cast<unsigned char>(four[3]))
                                                    << 24));
            content += std::string("dword:") + digits;
            break;
        }
        case 2:
            value.type = REG_BINARY;
            value.data = bytes;
            content += "hex:" + HexList(bytes, kind >> 5, eol);
            break;
        default: {
            // An expandable text: ASCII, so both headers can write it.
            std::string ascii;
            for (const char c : bytes) {
                ascii += static_cast<char>(0x20 + static_cast<unsigned char>(c) % 0x5F);
            }
            value.type = REG_EXPAND_SZ;
            value.data = ascii + '\0';
            content += "hex(2):" +
                       HexList(version5 ? Utf16Le(value.data) : value.data, kind >> 5, eol);
            break;
        }
        }
        content += eol;
        expected.insert_or_assign(CaseFoldKey(value.name), value);
    }

    std::optional<RegistryFile> file;
    try {
        file = RegistryFile::Parse(content, kFileName);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        Check(false, "a file written as a registry editor writes it reads back");
    }
    const RegistryKey* key = file->FindKey(HKEY_LOCAL_MACHINE, keyPath.substr(19));
    Check(key != nullptr, "the written key is found");
    for (const auto& [folded, value] : expected) {
        const RegistryValue* read = key->FindValue(value.name);
        Check(read != nullptr, "every written value is found");
        Check(read->type == value.type, "a value reads back with its type");
        Check(read->data == value.data, "a value reads back with its data");
    }
}

} // namespace
} // namespace onarim

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    onarim::fuzz::FuzzInput input(data, size);
    // The first byte picks the way; raw bytes are also what a garbled file holds.
    if (input.Byte() % 4 == 0) {
        onarim::WriteAndReadBack(input);
    } else {
        onarim::ParseAnyBytes(input.Rest());
    }
    return 0;
}
