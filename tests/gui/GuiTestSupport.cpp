#include "GuiTestSupport.h"

#include <cstdlib>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QThread>

#include "gui/MainForm.h"
#include "widgets/FilenameEdit.h"
#include "widgets/IQGrap.h"

namespace onarim::testing {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* application = nullptr; // lives as long as the test program
    if (application == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = new QApplication(argc, argv);
    }
}

SeenBox AnswerMessageBox(QMessageBox& box) {
    SeenBox seen{box.windowTitle(),
                 box.text(),
                 box.detailedText(),
                 box.icon(),
                 box.thread() == QApplication::instance()->thread(),
                 box.windowModality() == Qt::ApplicationModal,
                 box.textFormat() == Qt::PlainText};
    box.button(QMessageBox::Ok)->click();
    return seen;
}

ModalScript::ModalScript() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(10);
}

void ModalScript::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible() || modal == last_ || actions_.empty()) {
        return;
    }
    last_ = modal;
    auto action = std::move(actions_.front());
    actions_.pop_front();
    action(*modal);
}

void TypeText(QWidget* widget, const QString& text) {
    for (const QChar character : text) {
        const auto key = character == QLatin1Char(' ') ? Qt::Key_Space : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Click, widget, key, QString(character), Qt::NoModifier);
    }
}

void ClickOnar(TForm1& form) {
    QTest::mouseClick(form.IQGrap1, Qt::LeftButton);
}

QString FileNameBoxText(const TForm1& form) {
    return form.FilenameEdit1->Text();
}

void SetFileNameBoxText(TForm1& form, const QString& text) {
    form.FilenameEdit1->SetText(text);
}

bool CentredOnScreen(const QWidget& window) {
    const QPoint off = window.frameGeometry().center() - window.screen()->geometry().center();
    return std::abs(off.x()) <= 1 && std::abs(off.y()) <= 1;
}

bool WaitUntil(const std::function<bool()>& condition, int milliseconds) {
    return QTest::qWaitFor(condition, milliseconds);
}

} // namespace onarim::testing
