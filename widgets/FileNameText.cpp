#include "widgets/FileNameText.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <QFile>

namespace onarim {
namespace {

bool IsBlank(QChar c) {
    return c.unicode() <= 32;
}

constexpr QChar kQuote = u'"';

bool NamesExistingFile(const QString& text) {
    if (text.isEmpty()) {
        return false;
    }
    const QByteArray local = QFile::encodeName(text);
    if (local.contains('\0')) {
        return false;
    }
    std::error_code error;
    const auto status = std::filesystem::status(local.toStdString(), error);
    return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

} // namespace

QString FirstToken(const QString& text) {
    const qsizetype size = text.size();
    qsizetype i = 0;
    for (;;) {
        while (i < size && IsBlank(text[i])) {
            ++i;
        }
        if (i + 1 < size && text[i] == kQuote && text[i + 1] == kQuote) {
            i += 2;
            continue;
        }
        break;
    }
    QString word;
    while (i < size && !IsBlank(text[i])) {
        if (text[i] != kQuote) {
            word += text[i++];
            continue;
        }
        ++i; // the opening quote
        while (i < size && text[i] != kQuote) {
            word += text[i++];
        }
        if (i < size) {
            ++i; // the closing quote
        }
    }
    return word;
}

QString FileNameFromText(const QString& text) {
    return NamesExistingFile(text) ? text : FirstToken(text);
}

bool CheckFileNameChars(const QString& name) {
    if (name.isEmpty()) {
        return false;
    }
    for (QChar c : name) {
        switch (c.unicode()) {
        case u'<':
        case u'>':
        case u'"':
        case u'[':
        case u']':
        case u'|':
            return false;
        default:
            break;
        }
    }
    return true;
}

QString TextFromFileName(const QString& name) {
    const bool hasBlank = std::any_of(name.begin(), name.end(), IsBlank);
    if (hasBlank && !name.startsWith(kQuote)) {
        return kQuote + name + kQuote;
    }
    return name;
}

QString DirectoryPart(const QString& path) {
    return path.left(path.lastIndexOf(u'/') + 1);
}

QString FilePart(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace onarim
