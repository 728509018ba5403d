#include "platform/RegistryFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "platform/Blanks.h"
#include "platform/RegistryError.h"
#include "platform/SystemError.h"
#include "platform/UnicodeText.h"

namespace onarim {

namespace {

constexpr std::string_view kRegedit4Header = "REGEDIT4";
constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeByteOrderMark = "\xFF\xFE";

struct RootKeyName {
    RegistryRootKey key;
    std::string_view name;
};

constexpr RootKeyName kRootKeyNames[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},     {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},   {HKEY_USERS, "HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
};

std::string_view RootName(RegistryRootKey root) {
    for (const auto& entry : kRootKeyNames) {
        if (entry.key == root) {
            return entry.name;
        }
    }
    return {};
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The number written with one to eight hexadecimal digits, or nullopt.
std::optional<std::uint32_t> ParseHexNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

bool IsTextType(RegistryDataType type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (true) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        if (end == std::string_view::npos) {
            return lines;
        }
        text.remove_prefix(end + 1);
    }
}

// The bytes of the file at `path`; nullopt, with the cause recorded as the last system error,
// when it cannot be opened or read. A directory cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        SetLastSystemError(errno);
        return std::nullopt;
    }
    std::string content;
    char buffer[8192];
    ssize_t count;
    while ((count = read(fd, buffer, sizeof buffer)) != 0) {
        if (count > 0) {
            content.append(buffer, static_cast<std::size_t>(count));
        } else if (errno != EINTR) {
            SetLastSystemError(errno); // EISDIR for a directory
            close(fd);
            return std::nullopt;
        }
    }
    close(fd);
    return content;
}

} // namespace

const RegistryValue* RegistryKey::FindValue(std::string_view name) const {
    const auto found = values_.find(CaseFoldKey(name));
    return found == values_.end() ? nullptr : &found->second;
}

void RegistryKey::SetValue(RegistryValue value) {
    std::u32string key = CaseFoldKey(value.name);
    values_.insert_or_assign(std::move(key), std::move(value));
}

// Reads the lines of one registry file into a RegistryFile. Every error names the line it is
// on; in a hex list continued over several lines, the line of the offending byte.
class RegistryFileParser {
public:
    RegistryFileParser(std::string_view content, std::string fileName)
        : fileName_(std::move(fileName)) {
        text_ = DecodeText(content);
        lines_ = SplitLines(text_);
    }

    RegistryFile Run() {
        ParseHeader();
        for (++lineIndex_; lineIndex_ < lines_.size(); ++lineIndex_) {
            const std::string_view line = TrimLeadingBlanks(lines_[lineIndex_]);
            if (line.empty() || line.front() == ';') {
                continue;
            }
            if (line.front() == '[') {
                ParseKey(line);
            } else if (line.front() == '"' || line.front() == '@') {
                ParseValue(line);
            } else {
                Fail("expected a [key], a \"value\"=, @= or a ';' comment");
            }
        }
        return std::move(file_);
    }

private:
    [[noreturn]] void Fail(const std::string& problem, std::size_t lineIndex) const {
        throw ERegistryFileError(fileName_, static_cast<int>(lineIndex + 1), problem);
    }
    [[noreturn]] void Fail(const std::string& problem) const { Fail(problem, lineIndex_); }

    // The content as UTF-8 text without a byte order mark.
    std::string DecodeText(std::string_view content) const {
        if (content.starts_with(kUtf16LeByteOrderMark)) {
            return DecodeUtf16Le(content.substr(kUtf16LeByteOrderMark.size()));
        }
        if (content.starts_with(kUtf8ByteOrderMark)) {
            content.remove_prefix(kUtf8ByteOrderMark.size());
        }
        if (const auto bad = FindInvalidUtf8(content)) {
            const auto lineIndex = static_cast<std::size_t>(
                std::count(content.begin(), content.begin() + static_cast<long>(*bad), '\n'));
            Fail("the text is not UTF-8", lineIndex);
        }
        return std::string(content);
    }

    // Converted line by line, so that a bad code unit is reported on its own line.
    std::string DecodeUtf16Le(std::string_view content) const {
        std::string text;
        std::size_t lineIndex = 0;
        std::size_t lineStart = 0;
        for (std::size_t at = 0; at <= content.size(); at += 2) {
            const bool lineEnds =
                at + 1 >= content.size() || (content[at] == '\n' && content[at + 1] == '\0');
            if (!lineEnds) {
                continue;
            }
            const std::size_t end = std::min(at + 2, content.size());
            const auto line = Utf16LeToUtf8(content.substr(lineStart, end - lineStart));
            if (!line) {
                Fail("the text is not UTF-16LE", lineIndex);
            }
            text += *line;
            lineStart = end;
            ++lineIndex;
        }
        return text;
    }

    void ParseHeader() {
        const std::string_view header = TrimTrailingBlanks(lines_.front());
        if (header == kRegedit4Header) {
            return;
        }
        if (header == kVersion5Header) {
            hexTextIsUtf16_ = true;
            return;
        }
        Fail("expected the header \"" + std::string(kVersion5Header) + "\" or \"" +
             std::string(kRegedit4Header) + "\"");
    }

    void ParseKey(std::string_view line) {
        const std::size_t close = line.rfind(']');
        if (close == std::string_view::npos) {
            Fail("a [key] line without its closing ']'");
        }
        if (!TrimLeadingBlanks(line.substr(close + 1)).empty()) {
            Fail("text after the closing ']' of a key");
        }
        const std::string_view path = line.substr(1, close - 1);
        if (path.starts_with('-')) {
            Fail("deleting a key ([-...]) is not supported in a registry file");
        }
        currentKey_ = &AddKey(path);
    }

    // Adds the key at `path` ("HKEY_LOCAL_MACHINE\SOFTWARE\...") and its parents.
    RegistryKey& AddKey(std::string_view path) {
        const std::size_t rootEnd = path.find('\\');
        const std::string_view rootName = path.substr(0, rootEnd);
        const std::u32string foldedRoot = CaseFoldKey(rootName);
        const auto* root = std::find_if(
            std::begin(kRootKeyNames), std::end(kRootKeyNames),
            [&](const RootKeyName& entry) { return CaseFoldKey(entry.name) == foldedRoot; });
        if (root == std::end(kRootKeyNames)) {
            Fail("unknown root key '" + std::string(rootName) + "'");
        }
        std::string canonical(root->name);
        RegistryKey* key = &file_.keys_[CaseFoldKey(canonical)];
        std::string_view rest = rootEnd == std::string_view::npos ? "" : path.substr(rootEnd);
        while (!rest.empty()) {
            rest.remove_prefix(1); // the backslash
            const std::string_view name = rest.substr(0, rest.find('\\'));
            if (name.empty()) {
                Fail("the key path '" + std::string(path) + "' has an empty key name");
            }
            canonical += '\\';
            canonical += name;
            key = &file_.keys_[CaseFoldKey(canonical)];
            rest.remove_prefix(name.size());
        }
        return *key;
    }

    void ParseValue(std::string_view line) {
        if (currentKey_ == nullptr) {
            Fail("a value before the first [key]");
        }
        RegistryValue value;
        std::string_view rest = line;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else {
            value.name = ParseQuoted(rest);
        }
        rest = TrimLeadingBlanks(rest);
        if (!rest.starts_with('=')) {
            Fail("expected '=' after the value name");
        }
        rest = TrimLeadingBlanks(rest.substr(1));
        ParseData(rest, value);
        currentKey_->SetValue(std::move(value));
    }

    // The quoted text at the front of `rest`, unescaped; `rest` is left after its closing quote.
    std::string ParseQuoted(std::string_view& rest) const {
        std::string text;
        std::size_t at = 1;
        for (;;) {
            if (at >= rest.size()) {
                Fail("a quoted text without its closing '\"'");
            }
            const char c = rest[at];
            if (c == '"') {
                rest.remove_prefix(at + 1);
                return text;
            }
            if (c != '\\') {
                text += c;
                ++at;
                continue;
            }
            const char escaped = at + 1 < rest.size() ? rest[at + 1] : '\0';
            if (escaped != '\\' && escaped != '"') {
                Fail("a backslash in quoted text must be written \\\\ (only \\\\ and \\\" are "
                     "escapes)");
            }
            text += escaped;
            at += 2;
        }
    }

    void ParseData(std::string_view rest, RegistryValue& value) {
        if (rest.starts_with('"')) {
            value.type = REG_SZ;
            value.data = ParseQuoted(rest);
            value.data += '\0';
            ExpectLineEnd(rest);
            return;
        }
        if (rest.starts_with("dword:")) {
            value.type = REG_DWORD;
            value.data = ParseDword(TrimTrailingBlanks(rest.substr(6)));
            return;
        }
        if (rest.starts_with('-')) {
            Fail("deleting a value (=-) is not supported in a registry file");
        }
        if (rest.starts_with("hex:")) {
            value.type = REG_BINARY;
            rest.remove_prefix(4);
        } else if (rest.starts_with("hex(")) {
            const std::size_t close = rest.find("):");
            const auto type = ParseHexNumber(rest.substr(4, close - 4));
            if (close == std::string_view::npos || !type) {
                Fail("a hex(<type>): value needs its type as one to eight hexadecimal digits");
            }
            value.type = *type;
            rest.remove_prefix(close + 2);
        } else {
            Fail("unknown value data; expected \"text\", dword:, hex: or hex(<type>):");
        }
        const std::size_t valueLine = lineIndex_;
        value.data = ParseHexList(rest);
        if (hexTextIsUtf16_ && IsTextType(value.type)) {
            value.data = TextFromUtf16(value, valueLine);
        }
    }

    // A "Version 5.00" file writes the text of hex(1), hex(2) and hex(7) values as UTF-16LE.
    std::string TextFromUtf16(const RegistryValue& value, std::size_t valueLine) const {
        auto text = Utf16LeToUtf8(value.data);
        if (!text) {
            Fail("the text of a hex(" + std::to_string(value.type) + ") value is not UTF-16LE",
                 valueLine);
        }
        return std::move(*text);
    }

    void ExpectLineEnd(std::string_view rest) const {
        if (!TrimLeadingBlanks(rest).empty()) {
            Fail("text after the value");
        }
    }

    std::string ParseDword(std::string_view digits) const {
        const auto number = ParseHexNumber(digits);
        if (!number) {
            Fail("a dword: value needs one to eight hexadecimal digits");
        }
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i) {
            bytes[i] = static_cast<char>((*number >> (8 * i)) & 0xFF);
        }
        return bytes;
    }

    // Bytes "01,ab,..." that may go on over further lines, each line but the last ending
    // with a backslash.
    std::string ParseHexList(std::string_view rest) {
        std::string bytes;
        bool byteExpected = true;
        for (;;) {
            rest = TrimLeadingBlanks(rest);
            if (rest.empty()) {
                if (byteExpected && !bytes.empty()) {
                    Fail("the hex list ends with ','; a list that goes on ends its line with '\\'");
                }
                return bytes;
            }
            if (rest.front() == '\\' && TrimLeadingBlanks(rest.substr(1)).empty()) {
                if (lineIndex_ + 1 >= lines_.size()) {
                    Fail("the hex list goes on past the end of the file");
                }
                rest = lines_[++lineIndex_];
                continue;
            }
            if (!byteExpected) {
                if (rest.front() != ',') {
                    Fail("expected ',' between the bytes of a hex list");
                }
                rest.remove_prefix(1);
                byteExpected = true;
                continue;
            }
            bytes += ParseHexByte(rest);
            byteExpected = false;
        }
    }

    // One byte of one or two hexadecimal digits at the front of `rest`, which moves past it.
    char ParseHexByte(std::string_view& rest) const {
        int value = HexDigitValue(rest.front());
        if (value < 0) {
            Fail("expected a hexadecimal byte in the hex list");
        }
        rest.remove_prefix(1);
        if (!rest.empty() && HexDigitValue(rest.front()) >= 0) {
            value = value * 16 + HexDigitValue(rest.front());
            rest.remove_prefix(1);
        }
        return static_cast<char>(value);
    }

    std::string fileName_;
    std::string text_;
    std::vector<std::string_view> lines_;
    std::size_t lineIndex_ = 0;
    bool hexTextIsUtf16_ = false;
    RegistryFile file_;
    RegistryKey* currentKey_ = nullptr;
};

std::optional<RegistryFile> RegistryFile::Load(const std::string& path) {
    std::optional<std::string> content = ReadWholeFile(path);
    if (!content) {
        return std::nullopt;
    }
    return Parse(*content, path);
}

RegistryFile RegistryFile::Parse(std::string_view content, const std::string& fileName) {
    return RegistryFileParser(content, fileName).Run();
}

const RegistryKey* RegistryFile::FindKey(RegistryRootKey root, std::string_view subKey) const {
    std::string path(RootName(root));
    if (!subKey.empty()) {
        path += '\\';
        path += subKey;
    }
    const auto found = keys_.find(CaseFoldKey(path));
    return found == keys_.end() ? nullptr : &found->second;
}

} // namespace onarim
