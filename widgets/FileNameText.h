#pragma once

#include <QString>

namespace onarim {

// How the file-name edit box turns its text into a file name and back. A blank is any
// character with a code of 32 or less; every other character, also beyond ASCII, is ordinary.
// These work on texts of any length.

// The first blank-separated word of the text, without its double quotes. Leading blanks and
// leading pairs of double quotes are skipped; a double quote then opens a stretch taken as it
// is, blanks included, up to the next double quote or the end, and both quotes are dropped.
// Empty when the text holds no word.
QString FirstToken(const QString& text);

// The text itself when it names an existing file that is not a directory, else its first word.
QString FileNameFromText(const QString& text);

// True when the name is not empty and holds none of the characters < > " [ ] |.
bool CheckFileNameChars(const QString& name);

// The name between double quotes when it holds a blank and does not begin with a double
// quote; otherwise the name unchanged. FirstToken of the result gives a quoted name back.
QString TextFromFileName(const QString& name);

// The directory part of a path: everything up to and including its last slash (empty when it
// has none).
QString DirectoryPart(const QString& path);

// The file part of a path: everything after its last slash.
QString FilePart(const QString& path);

} // namespace onarim
