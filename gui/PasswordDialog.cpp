#include "gui/PasswordDialog.h"

#include <QAction>
#include <QBitmap>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProxyStyle>
#include <QPushButton>

#include "gui/ErrorDisplay.h"
#include "gui/FormFont.h"
#include "gui/PasswordBanner.h"
#include "gui/ScreenCentring.h"

namespace onarim {

std::string EnteredPassword;

namespace {

constexpr int kMaxLength = 16;

// Echoes a password as asterisks, whatever the platform's own echo character.
class TAsteriskEchoStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter) {
            return '*';
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QLabel* MakeLabel(QWidget* parent, const QString& text, QRect place) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(place);
    return label;
}

QLabel* MakeBannerLabel(QWidget* parent, const QString& text, QRect place, QColor colour,
                        int pixelHeight) {
    QLabel* label = MakeLabel(parent, text, place);
    label->setFont(FormFont(kMsSansSerif, pixelHeight, true));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

QLineEdit* MakeEdit(QWidget* parent, QRect place) {
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(place);
    edit->setMaxLength(kMaxLength);
    edit->setFrame(true);
    return edit;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, QRect place) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(place);
    button->setCursor(Qt::PointingHandCursor);
    // Only the handlers close the dialog; Enter is the dialog's own action, not a default button.
    button->setAutoDefault(false);
    return button;
}

QAction* MakeAction(QWidget* parent, const QString& caption, QList<QKeySequence> shortcuts) {
    auto* action = new QAction(caption, parent);
    action->setShortcuts(shortcuts);
    action->setShortcutContext(Qt::WindowShortcut);
    parent->addAction(action);
    return action;
}

// The banner with the pixels of its bottom-left colour left out.
QPixmap TransparentBanner() {
    const QImage banner = DrawPasswordBanner();
    QPixmap pixmap = QPixmap::fromImage(banner);
    const QColor key = banner.pixelColor(0, banner.height() - 1);
    pixmap.setMask(QBitmap::fromImage(banner.createMaskFromColor(key.rgb(), Qt::MaskInColor)));
    return pixmap;
}

} // namespace

TK_PasswordF::TK_PasswordF(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("K_PasswordF"));
    setWindowTitle(QStringLiteral("Kullanıcı giriş"));
    setFixedSize(321, 206);
    setFont(FormFont(kMsSansSerif, 11, true));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    setPalette(palette);
    setAutoFillBackground(true);
    CentreOnScreenWhenShown(*this);

    Image1 = MakeLabel(this, {}, QRect(0, 0, 321, 59));
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setPixmap(TransparentBanner());
    Label2 = MakeBannerLabel(this, QStringLiteral("Kullanıcı Girişi"), QRect(88, 8, 218, 37),
                             QColor(156, 151, 249), 32);
    Label1 = MakeBannerLabel(this, QStringLiteral("Kullanıcı Girişi"), QRect(160, 24, 133, 24),
                             Qt::white, 19);
    RxLabel1 = MakeLabel(this, QStringLiteral("Kullanıcı adı ve şifrenizi giriniz"),
                         QRect(5, 68, 174, 13));
    RxLabel3 = MakeLabel(this, QStringLiteral("Kullanıcı Adı : "), QRect(29, 108, 85, 13));
    RxLabel2 = MakeLabel(this, QStringLiteral("Parola : "), QRect(57, 139, 51, 13));

    EditUser = MakeEdit(this, QRect(152, 104, 127, 21));
    EditUser->setText(QStringLiteral("SYSDBA"));
    EditUser->setEnabled(false);
    EditPass = MakeEdit(this, QRect(152, 134, 127, 21));
    auto* echoStyle = new TAsteriskEchoStyle;
    echoStyle->setParent(EditPass);
    EditPass->setStyle(echoStyle);
    EditPass->setEchoMode(QLineEdit::Password);
    EditPass->installEventFilter(this);

    Button1 = MakeButton(this, QStringLiteral("Tamam"), QRect(128, 168, 89, 25));
    Button2 = MakeButton(this, QStringLiteral("Vazgeç"), QRect(224, 168, 89, 25));
    connect(Button1, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { Button1Click(Button1); }); });
    connect(Button2, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { Button2Click(Button2); }); });
    setTabOrder(EditPass, Button1);
    setTabOrder(Button1, Button2);

    Kapat = MakeAction(this, QStringLiteral("Kapat"), {QKeySequence(Qt::Key_Escape)});
    Ok = MakeAction(this, QStringLiteral("Ok"),
                    {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    connect(Kapat, &QAction::triggered, this,
            [this] { RunGuarded(this, [this] { Button2Click(Kapat); }); });
    connect(Ok, &QAction::triggered, this,
            [this] { RunGuarded(this, [this] { Button1Click(Ok); }); });
}

void TK_PasswordF::FormShow(QObject*) {
    EditPass->setFocus();
    EditPass->clear();
}

void TK_PasswordF::EditPassKeyPress(QObject*, QChar& key) {
    if (key == QLatin1Char(' ')) {
        key = QChar(0);
    }
}

void TK_PasswordF::Button1Click(QObject*) {
    EnteredPassword = EditPass->text().toStdString();
    close();
}

void TK_PasswordF::Button2Click(QObject*) {
    EnteredPassword.clear();
    close();
}

void TK_PasswordF::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        RunGuarded(this, [this] { FormShow(this); });
    }
}

bool TK_PasswordF::eventFilter(QObject* watched, QEvent* event) {
    if (watched == EditPass && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.size() == 1) {
            QChar key = text.front();
            EditPassKeyPress(EditPass, key);
            if (key.isNull()) {
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace onarim
