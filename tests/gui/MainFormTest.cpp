// The main window's settings and start-up, offscreen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QTest>

#include "GuiTestSupport.h"
#include "repair/ErrorBoxText.h"
#include "gui/MainForm.h"
#include "widgets/RadioGroup.h"
#include "client/ClientLibrary.h"
#include "client/IBErrors.h"
#include "platform/ApplicationTitle.h"
#include "support/FakeClient.h"
#include "widgets/FilenameEdit.h"
#include "widgets/IQGrap.h"

namespace onarim {
namespace {

using testing::GuiTest;
using testing::ModalScript;
using testing::SeenBox;

class MainFormTest : public GuiTest {
public:
    void SetUp() override { testing::UseFakeClient("complete"); }
    void TearDown() override { FreeClientLibrary(); }
};

QColor TextColour(const QWidget* widget) {
    return widget->palette().color(QPalette::WindowText);
}

TEST_F(MainFormTest, ControlsStandWhereAndAsTheFormSays) {
    TForm1 form({});
    struct Case {
        const char* name;
        const QWidget* control;
        QRect place;
        QString text;
        QColor colour;
        bool bold;
        int pixelHeight;
    } cases[] = {
        {"Label1",
         form.Label1,
         {0, 0, 426, 78},
         form.Label1->text(),
         QColor(0, 255, 255),
         true,
         11},
        {"Label2", form.Label2, {10, 86, 135, 13}, "Onarılacak Veritabanı : ", Qt::white, true, 11},
        {"FilenameEdit1",
         form.FilenameEdit1,
         {8, 102, 407, 21},
         "",
         TextColour(form.FilenameEdit1),
         false,
         11},
        {"RadioGroup1",
         form.RadioGroup1,
         {87, 127, 258, 45},
         form.RadioGroup1->title(),
         Qt::white,
         true,
         11},
        {"IQGrap1",
         form.IQGrap1,
         {84, 182, 257, 41},
         form.IQGrap1->Caption(),
         TextColour(form.IQGrap1),
         true,
         13},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.control->geometry(), c.place);
        EXPECT_EQ(TextColour(c.control), c.colour);
        EXPECT_EQ(c.control->font().bold(), c.bold);
        EXPECT_EQ(c.control->font().pixelSize(), c.pixelHeight);
    }
    EXPECT_EQ(form.windowTitle(), QStringLiteral("BELVANOX InterBase Veri Tabanı Onarım s1.03"));
    EXPECT_EQ(form.size(), QSize(426, 244));
    EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "not resizable";
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(0, 122, 244));
    EXPECT_EQ(
        form.Label1->text().split(QStringLiteral("\r\n")),
        (QStringList{"", "   Önemli Uyarı : ",
                     "   1- İşleme başlamadan önce Eski Veritabanı dosyasının mutlaka yedeğini",
                     "      alınız.",
                     "   2- İşleme başlamadan önce Diğer Kullanıcıların bağlı olmadığından emin ",
                     "       olunuz."}));
    EXPECT_TRUE(form.Label1->wordWrap());
    EXPECT_EQ(form.RadioGroup1->title(), QStringLiteral(" Veri Tabanı "));
    EXPECT_EQ(form.RadioGroup1->Item(0)->text(), QStringLiteral("FireBird"));
    EXPECT_EQ(form.RadioGroup1->Item(1)->text(), QStringLiteral("Interbase"));
    EXPECT_EQ(form.RadioGroup1->ItemIndex(), 0);
    EXPECT_EQ(form.IQGrap1->Caption(), QStringLiteral("Onar"));
    EXPECT_EQ(form.IQGrap1->font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(form.IQGrap1->Color(), 0xFF8000u);
    EXPECT_EQ(form.IQGrap1->RaiseCol(), 0xFFFFFFu);
    EXPECT_EQ(form.IQGrap1->OverCol(), 0x00FFFFu);
    EXPECT_EQ(form.IQGrap1->FontColor(), 0xFFFFFFu);
    EXPECT_EQ(form.IQGrap1->ImageIndex(), -1);
    EXPECT_EQ(form.IQGrap1->GlphyAlign(), TGlyphAlign::poLeft);
    const QRect status = form.StatusLine->geometry();
    EXPECT_GT(status.top(), form.IQGrap1->geometry().bottom()) << "below the button";
    EXPECT_LE(status.bottom(), 243) << "inside the client area";
}

TEST_F(MainFormTest, TabGoesFromTheFileNameBoxToTheServerChoiceAndBack) {
    TForm1 form({});
    QList<QWidget*> order;
    QWidget* widget = form.FilenameEdit1;
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() &&
            widget->window() == &form) {
            order.append(widget);
        }
        widget = widget->nextInFocusChain();
    } while (widget != form.FilenameEdit1);
    EXPECT_EQ(order, (QList<QWidget*>{form.FilenameEdit1, form.RadioGroup1->Item(0),
                                      form.RadioGroup1->Item(1)}));
}

TEST_F(MainFormTest, OnlyASingleArgumentGoesIntoTheFileNameBox) {
    struct Case {
        const char* label;
        QStringList arguments;
        QString text;
        QString errorBox; // empty: none
    } cases[] = {
        {"no argument", {}, "", ""},
        {"one argument", {"/srv/veri/MUHASEBE.FDB"}, "/srv/veri/MUHASEBE.FDB", ""},
        {"one argument with blanks is quoted",
         {"/srv/Veri Tabanı/Şirket 1.fdb"},
         "\"/srv/Veri Tabanı/Şirket 1.fdb\"",
         ""},
        {"two arguments", {"/srv/a.fdb", "/srv/b.fdb"}, "", ""},
        {"a refused name is shown as an error",
         {"/srv/a|b.fdb"},
         "",
         QString::fromStdString(ErrorBoxText("Invalid file name - /srv/a|b.fdb"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TForm1 form(c.arguments);
        std::vector<SeenBox> boxes;
        bool windowUpWhenTold = false;
        ModalScript script;
        script.Then([&](QWidget& box) {
            windowUpWhenTold = form.isVisible();
            boxes.push_back(testing::AnswerMessageBox(dynamic_cast<QMessageBox&>(box)));
        });
        form.show();
        EXPECT_EQ(testing::FileNameBoxText(form), c.text);
        if (c.errorBox.isEmpty()) {
            QTest::qWait(50);
            EXPECT_TRUE(boxes.empty());
            continue;
        }
        // The box comes first; the window then comes up with the box empty.
        ASSERT_EQ(boxes.size(), 1u) << "told before show() returned";
        EXPECT_FALSE(windowUpWhenTold);
        EXPECT_TRUE(form.isVisible()) << "the window is shown all the same";
        EXPECT_EQ(boxes[0].text, c.errorBox);
        EXPECT_EQ(boxes[0].caption, QString::fromStdString(ApplicationTitle()));
        EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    }
}

// The box selects its text whenever it is entered other than by a mouse press; the window
// enters it first, so what the operator types replaces a name from the command line.
TEST_F(MainFormTest, StartsCentredAndTypingReplacesTheNameFromTheCommandLine) {
    TForm1 form({"/srv/Veri Tabanı/Şirket 1.fdb"});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_TRUE(testing::CentredOnScreen(form));
    EXPECT_EQ(form.FilenameEdit1->selectedText(), "\"/srv/Veri Tabanı/Şirket 1.fdb\"");
    testing::TypeText(QApplication::focusWidget(), QStringLiteral("/yeni.fdb"));
    EXPECT_EQ(testing::FileNameBoxText(form), QStringLiteral("/yeni.fdb"));
}

TEST_F(MainFormTest, WithoutTheClientLibraryTheWindowCannotBeMade) {
    testing::PointClientLibraryAt("/nonexistent/libfbclient.so.2");
    try {
        TForm1 form({});
        FAIL() << "the window was made";
    } catch (const EIBClientError& error) {
        EXPECT_STREQ(error.what(), "InterBase library gds32.dll not found in the path. Please "
                                   "install InterBase to use this functionality");
    }
}

} // namespace
} // namespace onarim
