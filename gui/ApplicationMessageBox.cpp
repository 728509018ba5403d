#include "gui/ApplicationMessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace onarim {

namespace {

QMessageBox::Icon ToQtIcon(TMessageIcon icon) {
    switch (icon) {
    case TMessageIcon::Error:
        return QMessageBox::Critical;
    case TMessageIcon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

QString WithPlainLineBreaks(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

void ShowApplicationMessage(QWidget* owner, const QString& text, const QString& caption,
                            TMessageIcon icon, const QString& details) {
    QMessageBox box(ToQtIcon(icon), caption, WithPlainLineBreaks(text), QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    if (!details.isEmpty()) {
        box.setDetailedText(WithPlainLineBreaks(details));
    }
    box.exec();
}

void SetApplicationCursor(TAppCursor cursor) {
    Qt::CursorShape shape = Qt::ArrowCursor;
    switch (cursor) {
    case TAppCursor::Default:
        while (QGuiApplication::overrideCursor() != nullptr) {
            QGuiApplication::restoreOverrideCursor();
        }
        return;
    case TAppCursor::Busy:
        shape = Qt::WaitCursor;
        break;
    case TAppCursor::HandPoint:
        shape = Qt::PointingHandCursor;
        break;
    }
    if (QGuiApplication::overrideCursor() == nullptr) {
        QGuiApplication::setOverrideCursor(shape);
    } else {
        QGuiApplication::changeOverrideCursor(shape);
    }
}

} // namespace onarim
