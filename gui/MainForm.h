#pragma once

#include <exception>
#include <memory>
#include <optional>
#include <thread>

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include "repair/RepairOperator.h"
#include "repair/ServerTools.h"
#include "repair/RepairValidationService.h"

class QLabel;

namespace onarim {

class TFilenameEdit;
class TGuiRepairOperator;
class TIQGrap;
class TK_PasswordF;
class TRadioGroup;

// The main window: the warning text, the box naming the database, the choice of server, the
// "Onar" button and the validation component the repair drives; below the button a status line
// names the running step and the time since the repair began.
//
// A click on "Onar" runs the repair on a worker thread; the window keeps answering, and what
// the repair asks of the operator (password dialog, message boxes, cursor) is done here on the
// GUI thread, modally. While a repair runs, further clicks are ignored and closing the window
// is refused with a box that says why. An error that leaves the repair is shown by the
// application's error display, as is any error escaping the window's other handlers. Each
// showing centres the window on the screen, frame included.
class TForm1 : public QWidget {
public:
    // Makes the window and its validation component. `arguments` are the command line's
    // arguments after the program's name, for FormShow. Raises what the component raises when
    // it cannot be made, above all EIBClientError when the client library cannot be loaded.
    explicit TForm1(QStringList arguments, QWidget* parent = nullptr);
    // Waits for a running repair to end, carrying out what it asks meanwhile.
    ~TForm1() override;

    // The password dialog each repair shows; set before the first click.
    void SetPasswordDialog(TK_PasswordF* dialog);
    // The server's tools a repair uses; the system's own unless set (tests script them). Not
    // while a repair runs.
    void SetServerTools(std::shared_ptr<IServerTools> tools);

    // On the first showing, before the window appears: exactly one argument goes into the
    // file-name box through its FileName (which may refuse it with EComboEditError); none or
    // more leave the box empty.
    void FormShow(QObject* sender);
    // "Onar": starts the repair on its worker thread; nothing while one runs.
    void IQGrap1Click(QObject* sender);

    bool RepairRunning() const { return repairRunning_; }
    // The session ends (or a signal asked the program to stop): open dialogs are cancelled, a
    // running repair stops safely, and the window closes once it has.
    void StopRequested();

    QLabel* Label1;
    QLabel* Label2;
    TFilenameEdit* FilenameEdit1;
    TRadioGroup* RadioGroup1;
    TIQGrap* IQGrap1;
    QLabel* StatusLine;
    // The validation component the repair drives; it lives as long as the window.
    TIBValidationService& IBValidationService1() const { return *validationService_; }

    // The first showing, before the window appears, runs FormShow (an error escaping it is
    // shown there and then) and makes the file-name box the control the window enters first,
    // its text selected, so that typing replaces a name from the command line.
    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void CreateControls();
    void StepStarted(TRepairStep step);
    void StepEnded();
    void ShowStatus();
    void RepairFinished(std::exception_ptr error);

    std::unique_ptr<TIBValidationService> validationService_;
    QStringList arguments_;
    bool shown_ = false;
    bool painted_ = false;
    TK_PasswordF* passwordDialog_ = nullptr;
    std::shared_ptr<IServerTools> tools_;
    std::unique_ptr<TGuiRepairOperator> operator_;
    std::thread worker_;
    bool repairRunning_ = false;
    bool closeWhenRepairEnds_ = false;
    std::optional<TRepairStep> step_; // the running step, once the first has begun
    QElapsedTimer repairClock_;
    qint64 lastStepEnd_ = 0; // milliseconds from the first step's start to the last one's end
    QTimer statusTimer_;
};

} // namespace onarim
