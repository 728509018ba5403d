#pragma once

#include <string>

#include <QDialog>

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;

namespace onarim {

// The password of the last confirmation of the password dialog (UTF-8), empty at start and
// after a cancel; the repair takes it as the SYSDBA password, and empty means "stop". Only the
// dialog's two button handlers write it, on the GUI thread.
extern std::string EnteredPassword;

// The password dialog "Kullanıcı giriş": asks for the SYSDBA password before every repair. One
// instance is made hidden at start-up and shown modally (exec) for each repair; the outcome is
// EnteredPassword, not the dialog's result. "Tamam" or Enter anywhere in it confirms, "Vazgeç"
// or Esc anywhere in it cancels; the title bar's close box does neither, so EnteredPassword
// keeps its earlier value. Each showing centres it on the screen.
class TK_PasswordF : public QDialog {
public:
    explicit TK_PasswordF(QWidget* parent = nullptr);

    // Each showing: the focus goes to the password box, which is emptied.
    void FormShow(QObject* sender);
    // Key filter of the password box: a typed blank becomes the character 0, which drops it.
    void EditPassKeyPress(QObject* sender, QChar& key);
    // "Tamam": EnteredPassword becomes the password box's text, and the dialog closes.
    void Button1Click(QObject* sender);
    // "Vazgeç": EnteredPassword becomes empty, and the dialog closes.
    void Button2Click(QObject* sender);

    QLabel* Image1;
    QLabel* Label2;
    QLabel* Label1;
    QLabel* RxLabel1;
    QLabel* RxLabel3;
    QLabel* RxLabel2;
    QLineEdit* EditUser;
    QLineEdit* EditPass;
    QPushButton* Button1;
    QPushButton* Button2;
    QAction* Kapat;
    QAction* Ok;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace onarim
