#include "gui/ErrorDisplay.h"

#include <cstdio>
#include <string>

#include <QMessageBox>
#include <QWidget>

#include "gui/ApplicationErrorText.h"
#include "gui/ApplicationMessageBox.h"
#include "repair/ErrorBoxText.h"
#include "platform/ApplicationTitle.h"

namespace onarim {

namespace {

constexpr const char* kUnknownError = "Beklenmeyen bir hata oluştu";

std::string MessageOf(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& caught) {
        return caught.what();
    } catch (...) {
        return kUnknownError;
    }
}

std::string ExecutableFileName() {
    const std::string path = ExecutablePath();
    return path.substr(path.rfind('/') + 1);
}

} // namespace

void ShowEscapedError(QWidget* owner, std::exception_ptr error) {
    if (QWidget* grabber = QWidget::mouseGrabber()) {
        grabber->releaseMouse();
    }
    ShowApplicationMessage(owner, QString::fromStdString(ErrorBoxText(MessageOf(error))),
                           QString::fromStdString(ApplicationTitle()), TMessageIcon::Error);
}

void ShowApplicationError(const std::exception& error, const void* address) {
    const std::string text = ApplicationErrorText(ExceptionClassName(error), ExecutableFileName(),
                                                  address, error.what());
    std::fputs(text.c_str(), stderr);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Application Error"),
                    QString::fromStdString(text), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace onarim
