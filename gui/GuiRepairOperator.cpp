#include "gui/GuiRepairOperator.h"

#include "platform/StopSignals.h"

#include <QWidget>

#include "gui/ApplicationMessageBox.h"
#include "gui/GuiThread.h"
#include "gui/PasswordDialog.h"

namespace onarim {

TGuiRepairOperator::TGuiRepairOperator(QWidget& window, TK_PasswordF& passwordDialog,
                                       std::function<void(TRepairStep)> onStepStarted,
                                       std::function<void(TRepairStep)> onStepEnded)
    : window_(window), passwordDialog_(passwordDialog), onStepStarted_(std::move(onStepStarted)),
      onStepEnded_(std::move(onStepEnded)) {}

std::string TGuiRepairOperator::ShowPasswordDialog() {
    std::string password;
    RunOnGuiThread([&] {
        passwordDialog_.exec();
        password = EnteredPassword;
    });
    // A dialog closed because the program is told to stop is no confirmation.
    return StopSignal() != 0 ? std::string() : password;
}

void TGuiRepairOperator::ShowMessage(const std::string& text, const std::string& caption,
                                     TMessageIcon icon, const std::string& details) {
    if (StopSignal() != 0) {
        return; // the window is ending: nobody is there to close a box (the report holds it)
    }
    RunOnGuiThread([&] {
        ShowApplicationMessage(&window_, QString::fromStdString(text),
                               QString::fromStdString(caption), icon,
                               QString::fromStdString(details));
    });
}

void TGuiRepairOperator::SetCursor(TAppCursor cursor) {
    RunOnGuiThread([cursor] { SetApplicationCursor(cursor); });
}

void TGuiRepairOperator::StepStarted(TRepairStep step) {
    PostToGuiThread(&window_, [handler = onStepStarted_, step] { handler(step); });
}

void TGuiRepairOperator::StepEnded(TRepairStep step, int, std::chrono::milliseconds) {
    PostToGuiThread(&window_, [handler = onStepEnded_, step] { handler(step); });
}

} // namespace onarim
