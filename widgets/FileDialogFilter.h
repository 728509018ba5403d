#pragma once

#include <QString>
#include <QStringList>

namespace onarim {

// The file dialog's filter list from the box's Filter text: pairs of description and pattern
// separated by '|' ("All files (*.*)|*.*"); patterns within a pair are separated by ';'.
// Each entry becomes "description (patterns)" for QFileDialog, to be shown with its details
// hidden, so the operator sees the description as written. "*.*" becomes "*": on this system
// a file name needs no dot. A description without a pattern gets "*"; an empty text gives
// one entry matching every file.
QStringList QtNameFilters(const QString& filter);

} // namespace onarim
