// The login dialog behind the service components' login hook, asked from a worker thread.
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "GuiTestSupport.h"
#include "gui/LoginDialog.h"
#include "services/IBCustomService.h"

namespace onarim {
namespace {

class LoginDialogTest : public testing::GuiTest {
public:
    void TearDown() override { SetLoginDialogHook(nullptr); }
};

TEST_F(LoginDialogTest, HookAsksOnTheGuiThreadAndChangesOnlyWhatWasAccepted) {
    struct Case {
        const char* label;
        bool readOnly;
        bool accept;
        bool accepted;
        std::string user, password;
    } cases[] = {
        {"accepted", false, true, true, "ALICE", "typed"},
        {"cancelled", false, false, false, "SYSDBA", "old"},
        {"read-only user name", true, true, true, "SYSDBA", "typed"},
    };
    InstallLoginDialogHook();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        std::string user = "SYSDBA", password = "old";
        std::atomic<bool> done = false;
        bool accepted = false;
        std::thread worker([&] {
            accepted = LoginDialogHook()("db.example", user, password, c.readOnly);
            done = true;
        });
        testing::ModalScript script;
        script.Then([&](QWidget& window) {
            EXPECT_EQ(window.windowTitle(), QStringLiteral("Database Login"));
            EXPECT_EQ(window.thread(), QApplication::instance()->thread());
            EXPECT_EQ(window.findChild<QLabel*>("ServerName")->text(),
                      QStringLiteral("db.example"));
            auto* userBox = window.findChild<QLineEdit*>("UserName");
            EXPECT_EQ(userBox->isReadOnly(), c.readOnly);
            if (!c.readOnly) {
                userBox->setText(QStringLiteral("ALICE"));
            }
            window.findChild<QLineEdit*>("Password")->setText(QStringLiteral("typed"));
            auto* buttons = window.findChild<QDialogButtonBox*>();
            buttons->button(c.accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        });
        EXPECT_TRUE(testing::WaitUntil([&] { return done.load(); }));
        worker.join();
        EXPECT_EQ(accepted, c.accepted);
        EXPECT_EQ(user, c.user);
        EXPECT_EQ(password, c.password);
    }
}

} // namespace
} // namespace onarim
