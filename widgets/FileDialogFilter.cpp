#include "widgets/FileDialogFilter.h"

namespace onarim {
namespace {

QString QtPatterns(const QString& patterns) {
    QStringList result;
    for (const QString& pattern : patterns.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        if (!trimmed.isEmpty()) {
            result << (trimmed == QStringLiteral("*.*") ? QStringLiteral("*") : trimmed);
        }
    }
    return result.isEmpty() ? QStringLiteral("*") : result.join(u' ');
}

} // namespace

QStringList QtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList result;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i];
        const QString patterns = i + 1 < parts.size() ? parts[i + 1] : QString();
        if (description.isEmpty() && patterns.isEmpty()) {
            continue;
        }
        result << description + QStringLiteral(" (") + QtPatterns(patterns) + u')';
    }
    if (result.isEmpty()) {
        result << QStringLiteral("(*)");
    }
    return result;
}

} // namespace onarim
