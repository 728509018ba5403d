#pragma once

#include <QFont>
#include <QString>

namespace onarim {

// The forms' fonts: a family with its character height in pixels (the forms are laid out for
// 96 dots per inch). A family the system lacks, such as "MS Sans Serif", falls back to the
// system's sans-serif font.
QFont FormFont(const QString& family, int pixelHeight, bool bold = false);

// The forms' default family.
inline const QString kMsSansSerif = QStringLiteral("MS Sans Serif");

} // namespace onarim
