// A click on "Onar" as the operator makes it: the repair on its worker thread with scripted
// server tools and the service component over the stand-in client library, the dialogs and
// boxes on the GUI thread.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include <csignal>

#include "platform/StopSignals.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include "GuiTestSupport.h"
#include "gui/ApplicationMessageBox.h"
#include "repair/ErrorBoxText.h"
#include "gui/MainForm.h"
#include "gui/PasswordDialog.h"
#include "repair/RepairProcedure.h"
#include "platform/ApplicationTitle.h"
#include "support/Bytes.h"
#include "support/ServiceTestFixture.h"

namespace onarim {
namespace {

using testing::SeenBox;

const std::string kDatabase = "/srv/veri/MUHASEBE.FDB";
const std::string kBackup = "/srv/veri/BACKUP.GBK";

// Server tools that note the threads they are called on and can hold gfix until released.
class WorkerTools : public IServerTools {
public:
    std::string FirebirdToolDir() override { return Noted("/usr/bin"); }
    std::string InterBaseToolDir() override { return Noted("/opt/interbase"); }
    int ExecuteAndWait(const std::string&, int) override { return -1; }
    int RunTool(const std::string& commandLine, const TToolEnvironment&, const LineHandler&) override {
        Noted("");
        std::unique_lock lock(mutex_);
        if (commandLine.find("/gfix ") != std::string::npos && holdGfix) {
            gfixRunning = true;
            released_.wait(lock, [this] { return released; });
        }
        if (commandLine.find("/gfix ") == std::string::npos) {
            ++runsAfterGfix_;
        }
        if (commandLine.find(" -B ") != std::string::npos) {
            files.insert(kBackup);
        }
        if (commandLine.find(" -REP ") != std::string::npos) { // the restored file, named last
            const std::size_t end = commandLine.rfind('"');
            const std::size_t start = commandLine.rfind('"', end - 1) + 1;
            files.insert(commandLine.substr(start, end - start));
        }
        return 0;
    }
    bool FileExists(const std::string& path) override {
        Noted("");
        std::lock_guard lock(mutex_);
        return files.count(path) != 0;
    }
    bool DeleteFile(const std::string& path) override {
        std::lock_guard lock(mutex_);
        return files.erase(path) != 0;
    }
    TDatabaseFileFacts InspectDatabaseFile(const std::string&) override {
        return {.content = TDatabaseFileFacts::Content::Database, .size = 1, .writable = true,
                .folderWritable = true, .readOnlyFileSystem = false, .freeBytes = 1u << 30};
    }
    void CopyFileKeepingOriginal(const std::string&, const std::string& target) override {
        std::lock_guard lock(mutex_);
        files.insert(target);
    }
    void WriteTextFile(const std::string&, const std::string&) override {}
    void MatchOwnerAndMode(const std::string&, const std::string&) override {}
    void ReplaceFile(const std::string& replacement, const std::string&) override {
        std::lock_guard lock(mutex_);
        files.erase(replacement);
    }
    TDatabaseCensus TakeCensus(const std::string&, const TCredentials&) override { return {}; }
    bool DatabaseInUse(const std::string&, const TCredentials&) override { return false; }
    void Release() {
        std::lock_guard lock(mutex_);
        released = true;
        released_.notify_all();
    }
    int RunsAfterGfix() {
        std::lock_guard lock(mutex_);
        return runsAfterGfix_;
    }
    std::set<std::thread::id> Threads() {
        std::lock_guard lock(mutex_);
        return threads_;
    }

    bool holdGfix = false;
    bool released = false;
    std::atomic<bool> gfixRunning = false;
    std::set<std::string> files = {kDatabase, "/usr/bin/gfix", "/usr/bin/gbak"};

private:
    std::string Noted(std::string result) {
        std::lock_guard lock(mutex_);
        threads_.insert(std::this_thread::get_id());
        return result;
    }

    std::mutex mutex_;
    std::condition_variable released_;
    std::set<std::thread::id> threads_;
    int runsAfterGfix_ = 0;
};

class MainFormRepairTest : public testing::ApplicationPresent, public testing::FakeClientTest {
public:
    void SetUp() override {
        FakeClientTest::SetUp();
        EnteredPassword.clear();
    }
    void TearDown() override {
        SetApplicationCursor(TAppCursor::Default);
        FakeClientTest::TearDown();
    }

    std::unique_ptr<TForm1> MakeForm(const QStringList& arguments) {
        auto form = std::make_unique<TForm1>(arguments);
        form->SetPasswordDialog(&dialog);
        form->SetServerTools(tools);
        form->show();
        return form;
    }

    // Plays the operator for every modal window: answers the password dialog with `password`
    // (empty: "Vazgeç") and reads and closes every message box.
    void Answer(testing::ModalScript& script, const QString& password, int windows) {
        for (int i = 0; i < windows; ++i) {
            script.Then([this, password](QWidget& window) {
                if (auto* box = dynamic_cast<QMessageBox*>(&window)) {
                    boxes.push_back(testing::AnswerMessageBox(*box));
                    return;
                }
                ASSERT_EQ(&window, &dialog);
                ++passwordDialogs;
                if (password.isEmpty()) {
                    dialog.Button2->click();
                    return;
                }
                testing::TypeText(dialog.EditPass, password);
                dialog.Button1->click();
            });
        }
    }

    TK_PasswordF dialog;
    std::shared_ptr<WorkerTools> tools = std::make_shared<WorkerTools>();
    std::vector<SeenBox> boxes;
    int passwordDialogs = 0;
};

// The session ends while gfix runs: the repair unwinds (its tool is told to stop; here the
// held gfix is let go), no box waits for a user who is gone, and the window closes after it.
TEST_F(MainFormRepairTest, WindowToldToStopEndsTheRepairSafelyThenCloses) {
    ScriptFailure("isc_service_start", kValidationErrorsStatus,
                  {"Summary of validation errors", "", "\tNumber of record level errors\t: 1"});
    tools->holdGfix = true;
    auto form = MakeForm({QString::fromStdString(kDatabase)});
    testing::ModalScript script;
    Answer(script, "masterkey", 1);
    testing::ClickOnar(*form);
    ASSERT_TRUE(testing::WaitUntil([&] { return tools->gfixRunning.load(); }));

    RequestStop(SIGTERM);
    form->StopRequested();
    EXPECT_TRUE(form->isVisible()) << "the window waits for the repair";
    tools->Release();
    ASSERT_TRUE(testing::WaitUntil([&] { return !form->RepairRunning(); }));
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(tools->RunsAfterGfix(), 0) << "no tool after the stop";
    ClearStopRequest();
}

TEST_F(MainFormRepairTest, RepairRunsOnAWorkerWhileTheWindowKeepsAnswering) {
    ScriptFailure("isc_service_start", kValidationErrorsStatus,
                  {"Summary of validation errors", "", "\tNumber of record level errors\t: 1"});
    fake->queryReplies.push_back(testing::Hex("3F 00 00 01")); // the second validation: sound
    tools->holdGfix = true;
    auto form = MakeForm({QString::fromStdString(kDatabase)});
    testing::ModalScript script;
    Answer(script, "masterkey", 3);

    testing::ClickOnar(*form);
    ASSERT_TRUE(testing::WaitUntil([&] { return tools->gfixRunning.load(); }));
    EXPECT_EQ(passwordDialogs, 1);
    EXPECT_TRUE(form->RepairRunning());
    const QString gfixTitle = QString::fromStdString(StepTitle(TRepairStep::FullValidation));
    EXPECT_TRUE(testing::WaitUntil([&] { return form->StatusLine->text().startsWith(gfixTitle); }))
        << form->StatusLine->text().toStdString();

    EXPECT_FALSE(form->close()) << "closing is refused while the tools run";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Dikkat"));
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("onarımı sürüyor")));
    testing::ClickOnar(*form);
    QTest::qWait(100);
    EXPECT_EQ(passwordDialogs, 1) << "a click while the repair runs is ignored";

    tools->Release();
    ASSERT_TRUE(testing::WaitUntil([&] { return !form->RepairRunning(); }));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].caption, QStringLiteral("Bilgi"));
    EXPECT_TRUE(boxes[1].text.startsWith(QStringLiteral("Veri Tabanı düzeltme işlemi tamamlandı...")));
    EXPECT_TRUE(boxes[1].text.contains(QStringLiteral("Özgün dosyanın kopyası: "))) << boxes[1].text.toStdString();
    EXPECT_EQ(boxes[1].icon, QMessageBox::Information);
    EXPECT_TRUE(boxes[1].onGuiThread);
    EXPECT_TRUE(boxes[1].applicationModal);
    EXPECT_TRUE(boxes[1].details.contains(QStringLiteral("Summary of validation errors")))
        << boxes[1].details.toStdString() << "the whole report is behind the box";

    const auto threads = tools->Threads();
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u)
        << "the tools never run on the GUI thread";
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(form->StatusLine->text().startsWith(QStringLiteral("Onarım bitti")));
    EXPECT_TRUE(form->close()) << "closing is allowed again";
}

TEST_F(MainFormRepairTest, RunsThatEndEarlyTellTheOperatorOnTheGuiThread) {
    const std::string refused = "Your user name and password are not defined.";
    struct Case {
        const char* label;
        QStringList arguments;
        QString password;
        bool attachRefused;
        int passwordDialogs;
        std::vector<std::pair<QString, QString>> boxes; // caption, text
        int icon;
    } cases[] = {
        {"empty box",
         {},
         "masterkey",
         false,
         0,
         {{"Bilgi", "Veri Tabanını belirtmelisiniz..."}},
         QMessageBox::Information},
        {"a typed name that looks like markup is shown as it is",
         {"typed:/srv/<b>yok</b>.fdb"},
         "masterkey",
         false,
         0,
         {{"Bilgi", "/srv/<b>yok</b>.fdb\nisimi veri Tabanı bulunamadı..."}},
         QMessageBox::Information},
        {"password cancelled", {QString::fromStdString(kDatabase)}, "", false, 1, {}, 0},
        {"an error on the worker reaches the error display",
         {QString::fromStdString(kDatabase)},
         "wrong",
         true,
         1,
         {{QString::fromStdString(ApplicationTitle()),
           QString::fromStdString(ErrorBoxText(refused))}},
         QMessageBox::Critical},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        boxes.clear();
        passwordDialogs = 0;
        if (c.attachRefused) {
            ScriptFailure("isc_service_attach", 335544472, {refused});
        }
        const bool typed = !c.arguments.isEmpty() && c.arguments[0].startsWith("typed:");
        auto form = MakeForm(typed ? QStringList() : c.arguments);
        if (typed) {
            testing::SetFileNameBoxText(*form, c.arguments[0].mid(6));
        }
        testing::ModalScript script;
        Answer(script, c.password, 2);
        testing::ClickOnar(*form);
        ASSERT_TRUE(testing::WaitUntil([&] { return !form->RepairRunning(); }));
        EXPECT_EQ(passwordDialogs, c.passwordDialogs);
        ASSERT_EQ(boxes.size(), c.boxes.size());
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_EQ(boxes[i].caption, c.boxes[i].first);
            EXPECT_EQ(boxes[i].text, c.boxes[i].second);
            EXPECT_EQ(boxes[i].icon, c.icon);
            EXPECT_TRUE(boxes[i].onGuiThread);
            EXPECT_TRUE(boxes[i].plainText);
        }
    }
}

} // namespace
} // namespace onarim
