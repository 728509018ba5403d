#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace onarim {

// Type numbers of registry values, the same as the hex(<n>) numbers of the .reg format.
using RegistryDataType = std::uint32_t;
inline constexpr RegistryDataType REG_NONE = 0;
inline constexpr RegistryDataType REG_SZ = 1;
inline constexpr RegistryDataType REG_EXPAND_SZ = 2;
inline constexpr RegistryDataType REG_BINARY = 3;
inline constexpr RegistryDataType REG_DWORD = 4;
inline constexpr RegistryDataType REG_MULTI_SZ = 7;
inline constexpr RegistryDataType REG_QWORD = 11;

// The predefined root keys, with their numbers.
enum RegistryRootKey : std::uint32_t {
    HKEY_CLASSES_ROOT = 0x80000000,
    HKEY_CURRENT_USER = 0x80000001,
    HKEY_LOCAL_MACHINE = 0x80000002,
    HKEY_USERS = 0x80000003,
    HKEY_CURRENT_CONFIG = 0x80000005,
};

// One typed value. `data` holds the bytes a narrow-text registry reader receives: a text value
// ("..." in the file) as UTF-8 followed by its terminating zero, a hex(1), hex(2) or hex(7)
// value as UTF-8 converted from the UTF-16LE bytes of a "Version 5.00" file (or the bytes
// as written in a REGEDIT4 file), a dword as 4 little-endian bytes, anything else as written.
struct RegistryValue {
    std::string name; // as written; empty for the default value "@"
    RegistryDataType type = REG_NONE;
    std::string data;
};

// The values of one key, found by name without regard to case.
class RegistryKey {
public:
    const RegistryValue* FindValue(std::string_view name) const;
    // Adds the value, or replaces the one of the same name, as an import does.
    void SetValue(RegistryValue value);

private:
    std::map<std::u32string, RegistryValue> values_;
};

// The content of a registry file in the .reg text format that registry editors export:
//
//   Windows Registry Editor Version 5.00        (or REGEDIT4)
//   ; a comment
//   [HKEY_LOCAL_MACHINE\SOFTWARE\FireBird Project\Firebird Server\Instances]
//   "DefaultInstance"="/usr/"                    (escapes: \\ and \")
//   "Count"=dword:0000000a
//   "Path"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,00,00
//   @=hex:01,02,03,04                          (a long list goes on over lines that end
//                                                 with a backslash)
//
// Line ends CR LF or LF; the text is UTF-8 (a byte order mark is skipped), or UTF-16LE when
// it begins with that byte order mark. A key that appears twice is merged; a value that
// appears twice keeps the later data. Listing a key makes its parent keys exist too. The
// deletion entries of the format ([-key], "name"=-) belong to merge scripts, not to a
// registry's content, and are refused.
class RegistryFile {
public:
    // Reads the file at `path`. nullopt when it cannot be opened or read (missing, no
    // permission, a directory), with the cause recorded as the last system error.
    // Raises ERegistryFileError naming the file and line when its content is malformed.
    static std::optional<RegistryFile> Load(const std::string& path);

    // Parses `content`; `fileName` is what an ERegistryFileError names.
    static RegistryFile Parse(std::string_view content, const std::string& fileName);

    // The key `subKey` ("SOFTWARE\Borland\InterBase") below `root`, matched without regard
    // to case; an empty `subKey` is the root itself. nullptr when the file does not have it.
    const RegistryKey* FindKey(RegistryRootKey root, std::string_view subKey) const;

private:
    friend class RegistryFileParser;

    std::map<std::u32string, RegistryKey> keys_; // by case-folded "ROOT\SUB\KEY"
};

} // namespace onarim
