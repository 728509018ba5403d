// The password dialog as the operator works it: typing, the keys and the buttons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include "GuiTestSupport.h"
#include "gui/PasswordDialog.h"

namespace onarim {
namespace {

using testing::ModalScript;

enum class Finish { Enter, EnterOnVazgec, Esc, CloseBox, Tamam, Vazgec };

class PasswordDialogTest : public testing::GuiTest {
public:
    // Shows the dialog as a repair does, types `typed` and finishes with `finish`; returns
    // what the password box held just before the finish.
    QString Enter(const QString& typed, Finish finish) {
        QString boxText;
        ModalScript script;
        script.Then([&](QWidget& window) {
            EXPECT_EQ(&window, &dialog);
            QApplication::setActiveWindow(&dialog);
            EXPECT_TRUE(testing::CentredOnScreen(dialog));
            EXPECT_TRUE(dialog.EditPass->hasFocus());
            EXPECT_EQ(dialog.EditPass->text(), QString()) << "no earlier text is shown";
            testing::TypeText(dialog.EditPass, typed);
            boxText = dialog.EditPass->text();
            switch (finish) {
            case Finish::Enter:
                QTest::keyClick(dialog.EditPass, Qt::Key_Return);
                break;
            case Finish::EnterOnVazgec:
                dialog.Button2->setFocus();
                QTest::keyClick(dialog.Button2, Qt::Key_Return);
                break;
            case Finish::Esc:
                QTest::keyClick(dialog.EditPass, Qt::Key_Escape);
                break;
            case Finish::CloseBox:
                dialog.close();
                break;
            case Finish::Tamam:
                QTest::mouseClick(dialog.Button1, Qt::LeftButton);
                break;
            case Finish::Vazgec:
                QTest::mouseClick(dialog.Button2, Qt::LeftButton);
                break;
            }
        });
        dialog.EditPass->setText(QStringLiteral("stale"));
        dialog.exec();
        EXPECT_TRUE(script.Done());
        EXPECT_FALSE(dialog.isVisible());
        return boxText;
    }

    TK_PasswordF dialog;
};

TEST_F(PasswordDialogTest, EnteredPasswordFollowsHowTheDialogWasLeft) {
    struct Case {
        const char* label;
        std::string previous;
        QString typed;
        Finish finish;
        std::string entered;
    } cases[] = {
        {"Enter confirms", "", "masterkey", Finish::Enter, "masterkey"},
        {"Enter confirms wherever the focus is", "", "masterkey", Finish::EnterOnVazgec,
         "masterkey"},
        {"Tamam confirms", "old", "masterkey", Finish::Tamam, "masterkey"},
        {"blanks are dropped as they are typed", "", " mas ter key ", Finish::Enter, "masterkey"},
        {"a seventeenth character is refused", "", "abcdefghijklmnopqrs", Finish::Enter,
         "abcdefghijklmnop"},
        {"Turkish letters are kept", "", "şifreİğ", Finish::Enter, "şifreİğ"},
        {"confirming an empty box gives an empty password", "old", "", Finish::Enter, ""},
        {"Esc cancels", "old", "masterkey", Finish::Esc, ""},
        {"Vazgeç cancels", "old", "masterkey", Finish::Vazgec, ""},
        {"the close box keeps the earlier password", "old", "masterkey", Finish::CloseBox, "old"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EnteredPassword = c.previous;
        Enter(c.typed, c.finish);
        EXPECT_EQ(EnteredPassword, c.entered);
    }
}

TEST_F(PasswordDialogTest, PasswordIsEchoedAsAsterisksAndTheUserIsFixed) {
    EXPECT_EQ(dialog.EditPass->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.EditPass->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                  dialog.EditPass),
              '*');
    EXPECT_EQ(dialog.EditUser->text(), QStringLiteral("SYSDBA"));
    EXPECT_FALSE(dialog.EditUser->isEnabled());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Kullanıcı giriş"));
    EXPECT_EQ(dialog.size(), QSize(321, 206));
}

} // namespace
} // namespace onarim
