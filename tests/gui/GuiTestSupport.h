#pragma once

#include <deque>
#include <functional>
#include <ostream>

#include <gtest/gtest.h>

#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

class QMessageBox;

namespace onarim {
class TForm1;
}

// Texts in test failures as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace onarim::testing {

// The application object of the GUI tests, made once on the first call, on Qt's offscreen
// platform whatever display the machine has.
void EnsureApplication();

// A base that makes sure of the application object before a fixture's members are made.
struct ApplicationPresent {
    ApplicationPresent() { EnsureApplication(); }
};

// Base of the GUI tests: the application object is there before the fixture's widgets.
class GuiTest : public ApplicationPresent, public ::testing::Test {};

// A message box as the operator saw it.
struct SeenBox {
    QString caption;
    QString text;
    QString details;
    int icon = 0;             // QMessageBox::Icon
    bool onGuiThread = false; // the box object lives on the GUI thread
    bool applicationModal = false;
    bool plainText = false; // never read as markup
};

// Reads a message box and closes it with its OK button.
SeenBox AnswerMessageBox(QMessageBox& box);

// Plays the operator: each modal window that comes up (polled on the GUI thread while the test
// waits in an event loop) is handed to the next scripted action, in order.
class ModalScript {
public:
    ModalScript();
    void Then(std::function<void(QWidget&)> action) { actions_.push_back(std::move(action)); }
    bool Done() const { return actions_.empty(); }

private:
    void Poll();

    std::deque<std::function<void(QWidget&)>> actions_;
    QPointer<QWidget> last_; // the window handled last, while it lives
    QTimer timer_;
};

// Types `text` into `widget` one key at a time, letters outside ASCII too.
void TypeText(QWidget* widget, const QString& text);

// Clicks "Onar" with the mouse, as the operator does.
void ClickOnar(TForm1& form);
// The text of the window's file-name box, and typing one into it.
QString FileNameBoxText(const TForm1& form);
void SetFileNameBoxText(TForm1& form, const QString& text);

// Whether a shown window's frame stands centred on its screen's whole geometry.
bool CentredOnScreen(const QWidget& window);

// Runs the event loop until `condition` holds or `milliseconds` have passed; returns whether
// it holds.
bool WaitUntil(const std::function<bool()>& condition, int milliseconds = 5000);

} // namespace onarim::testing
