// Drives the file-name box's text functions: FirstToken, FileNameFromText, TextFromFileName and
// CheckFileNameChars, over texts of any UTF-16 code units (from UTF-8 bytes or raw pairs).
//
// The box's rules quote a name that holds a blank (a code of 32 or less) and does not begin
// with a double quote; FirstToken then takes the quoted stretch as it is, blanks and control
// characters included, also at the name's ends. So the exact properties are:
// - for every name x without a double quote: FirstToken(TextFromFileName(x)) == x, and
//   FileNameFromText(TextFromFileName(x)) == x unless the text itself names an existing file;
// - for any text: FirstToken holds no double quote, is no longer than the text, and holds a
//   blank only when the text holds a double quote (blanks come only from a quoted stretch);
// - CheckFileNameChars is false exactly for the empty name and a name holding < > " [ ] or |.

#include <algorithm>

#include <QFile>
#include <QString>
#include <filesystem>

#include "FuzzCheck.h"
#include "widgets/FileNameText.h"

namespace onarim {
namespace {

using fuzz::Check;

bool IsBlank(QChar c) {
    return c.unicode() <= 32;
}

QString TextOf(fuzz::FuzzInput& input, bool rawUnits) {
    const std::string bytes = input.Bytes(input.Uint16());
    if (!rawUnits) {
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    QString text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text += QChar(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return text;
}

bool NamesExistingFile(const QString& text) {
    const QByteArray local = QFile::encodeName(text);
    std::error_code error;
    return !text.isEmpty() && !local.contains('\0') &&
           std::filesystem::is_regular_file(local.toStdString(), error);
}

void CheckAnyText(const QString& text) {
    const QString token = FirstToken(text);
    Check(!token.contains(u'"'), "FirstToken drops every double quote");
    Check(token.size() <= text.size(), "FirstToken is no longer than the text");
    Check(text.contains(u'"') || std::none_of(token.begin(), token.end(), IsBlank),
          "FirstToken holds a blank only from a quoted stretch");

    const bool forbidden = std::any_of(text.begin(), text.end(), [](QChar c) {
        return QStringView(u"<>\"[]|").contains(c);
    });
    Check(CheckFileNameChars(text) == (!text.isEmpty() && !forbidden),
          "CheckFileNameChars refuses exactly the empty name and the six characters");
}

void CheckRoundTrip(QString name) {
    name.remove(u'"');
    const QString text = TextFromFileName(name);
    Check(FirstToken(text) == name, "FirstToken(TextFromFileName(x)) == x");
    Check(FileNameFromText(text) == (NamesExistingFile(text) ? text : name),
          "FileNameFromText(TextFromFileName(x)) == x unless the text names a file");
}

} // namespace
} // namespace onarim

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    onarim::fuzz::FuzzInput input(data, size);
    const bool rawUnits = input.Byte() & 1;
    while (!input.Empty()) {
        const QString text = onarim::TextOf(input, rawUnits);
        onarim::CheckAnyText(text);
        onarim::CheckRoundTrip(text);
        onarim::CheckRoundTrip(onarim::FirstToken(text));
    }
    return 0;
}
