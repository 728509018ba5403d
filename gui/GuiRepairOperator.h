#pragma once

#include <functional>

#include "repair/RepairOperator.h"

class QWidget;

namespace onarim {

class TK_PasswordF;

// The operator behind the main window. The repair runs on a worker thread; each call that needs
// the operator (password dialog, message box, cursor) is carried to the GUI thread and done
// there, modally, while the worker waits. Step notices are only queued for the window, in
// order, and the worker goes on at once. Made and destroyed on the GUI thread; the window and
// the dialog must outlive every call.
class TGuiRepairOperator : public IRepairOperator {
public:
    // `window` owns the message boxes and receives the step notices (which are dropped once it
    // is gone); `onStepStarted` and `onStepEnded` run on the GUI thread as steps begin and end.
    TGuiRepairOperator(QWidget& window, TK_PasswordF& passwordDialog,
                       std::function<void(TRepairStep)> onStepStarted,
                       std::function<void(TRepairStep)> onStepEnded);

    // Shows the password dialog modally; returns EnteredPassword once it has closed.
    std::string ShowPasswordDialog() override;
    void ShowMessage(const std::string& text, const std::string& caption, TMessageIcon icon,
                     const std::string& details) override;
    void SetCursor(TAppCursor cursor) override;
    void StepStarted(TRepairStep step) override;
    void StepEnded(TRepairStep step, int exitStatus, std::chrono::milliseconds duration) override;

private:
    QWidget& window_;
    TK_PasswordF& passwordDialog_;
    std::function<void(TRepairStep)> onStepStarted_;
    std::function<void(TRepairStep)> onStepEnded_;
};

} // namespace onarim
