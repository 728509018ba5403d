#include <optional>

#include <gtest/gtest.h>

#include <QTest>

#include "support/ScratchDirectory.h"
#include "widgets/FilenameEdit.h"

namespace onarim {
namespace {

// The box with the dialog's answer scripted: a file name, or cancel.
class ScriptedFilenameEdit : public TFilenameEdit {
public:
    using TFilenameEdit::TFilenameEdit;

    std::optional<QString> choice;
    int shown = 0;
    QString shownDirectory;
    QString shownFileName;

protected:
    bool ExecuteDialog(QFileDialog& dialog) override {
        ++shown;
        shownDirectory = dialog.directory().absolutePath();
        shownFileName = DialogFileName();
        if (!choice) {
            return false;
        }
        dialog.selectFile(*choice);
        return true;
    }
};

class FilenameEditTest : public ::testing::Test {
protected:
    FilenameEditTest()
        : scratch_(testing::ScratchDirectory::Kind::WithBlanksAndTurkishLetters),
          dir_(QString::fromStdString(scratch_.Path().string())),
          existing_(QString::fromStdString(scratch_.WriteFile("ana veri.fdb", "x").string())) {
        window_.resize(430, 200);
        box_ = new ScriptedFilenameEdit(&window_);
        box_->setGeometry(8, 102, 407, 21);
        box_->OnChange = [this](QObject* sender) {
            EXPECT_EQ(sender, box_);
            ++changes_;
        };
    }

    testing::ScratchDirectory scratch_;
    const QString dir_;      // holds blanks and Turkish letters
    const QString existing_; // a file whose path holds blanks
    QWidget window_;
    ScriptedFilenameEdit* box_ = nullptr;
    int changes_ = 0;
};

TEST_F(FilenameEditTest, FileNameWriteQuotesAndReadUnquotes) {
    struct Case {
        QString value, text, fileName;
    } cases[] = {
        {existing_, "\"" + existing_ + "\"", existing_},
        {dir_ + "/yok dosya.fdb", "\"" + dir_ + "/yok dosya.fdb\"", dir_ + "/yok dosya.fdb"},
        {"/db/plain.fdb", "/db/plain.fdb", "/db/plain.fdb"},
        {"\"/quoted dir/a.fdb\"", "\"/quoted dir/a.fdb\"", "/quoted dir/a.fdb"},
        {"ok [x]", "\"ok [x]\"", "ok [x]"}, // only the first word of a missing file is checked
        {"", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.toStdString());
        box_->SetText("previous");
        changes_ = 0;
        box_->SetFileName(c.value);
        EXPECT_EQ(box_->Text(), c.text);
        EXPECT_EQ(box_->FileName(), c.fileName);
        EXPECT_EQ(changes_, 1);
    }
}

TEST_F(FilenameEditTest, TypedTextReadsBackAsAFileName) {
    const QString longPath = "/" + QString(5000, u'k') + ".fdb";
    struct Case {
        QString text, fileName;
    } cases[] = {
        {"/no such/file.fdb", "/no"},
        {"\"/no such/file.fdb\" tail", "/no such/file.fdb"},
        {"\"" + existing_ + "\"", existing_},
        {existing_, existing_},
        {longPath, longPath},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.left(80).toStdString());
        box_->SetText(c.text);
        EXPECT_EQ(box_->Text(), c.text); // no quotes added, nothing cut off
        EXPECT_EQ(box_->FileName(), c.fileName);
    }
}

TEST_F(FilenameEditTest, FileNameWriteRefusesWhatCannotBeAFileName) {
    const QString existingWithBracket =
        QString::fromStdString(scratch_.WriteFile("eski [1].fdb", "x").string());
    const QString refused[] = {
        "a|b", "/db/[1].fdb", "<x>", "a]b c", "\"a\"b\"|\"", existingWithBracket,
    };
    for (const QString& value : refused) {
        SCOPED_TRACE(value.toStdString());
        box_->SetText("kept");
        changes_ = 0;
        try {
            box_->SetFileName(value);
            ADD_FAILURE() << "accepted";
        } catch (const EComboEditError& error) {
            EXPECT_EQ(QString::fromStdString(error.what()), "Invalid file name - " + value);
        }
        EXPECT_EQ(box_->Text(), "kept");
        EXPECT_EQ(changes_, 0);
    }
}

TEST_F(FilenameEditTest, BrowseButtonSitsInsideTheRightEdge) {
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    EXPECT_EQ(box_->BrowseButton()->geometry(), QRect(384, 2, 21, 17));
    EXPECT_EQ(box_->BrowseButton()->focusPolicy(), Qt::NoFocus);
    box_->resize(300, 2); // grows back to the smallest height that shows a line of text
    EXPECT_GT(box_->height(), box_->fontMetrics().height());
    EXPECT_EQ(box_->BrowseButton()->geometry(),
              QRect(300 - 2 - 21, 2, 21, box_->height() - 4));
}

TEST_F(FilenameEditTest, AltDownBrowsesFromTheFolderInTheBoxAndQuotesTheChoice) {
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    box_->SetFileName(existing_);
    box_->choice = dir_ + "/seçilen dosya.fdb";
    changes_ = 0;

    QTest::keyClick(box_, Qt::Key_Down, Qt::AltModifier);

    EXPECT_EQ(box_->shown, 1);
    EXPECT_EQ(box_->shownDirectory, dir_);
    EXPECT_EQ(box_->shownFileName, existing_);
    EXPECT_EQ(box_->Text(), "\"" + *box_->choice + "\"");
    EXPECT_EQ(box_->FileName(), *box_->choice);
    EXPECT_EQ(box_->InitialDir(), dir_);
    EXPECT_EQ(changes_, 1);
}

TEST_F(FilenameEditTest, CancelledBrowseKeepsTheTextAndFocusesTheBox) {
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    const QString folder = "\"" + dir_ + "/\""; // no file part: no file name in the dialog
    box_->SetText(folder);
    box_->choice.reset();
    window_.setFocus();

    QTest::mouseClick(box_->BrowseButton(), Qt::LeftButton);

    EXPECT_EQ(box_->shown, 1);
    EXPECT_TRUE(box_->shownFileName.isEmpty());
    EXPECT_EQ(box_->shownDirectory, dir_);
    EXPECT_EQ(box_->Text(), folder);
    EXPECT_TRUE(box_->hasFocus());

    box_->SetReadOnly(true);
    QTest::mouseClick(box_->BrowseButton(), Qt::LeftButton);
    QTest::keyClick(box_, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(box_->shown, 1);
}

} // namespace
} // namespace onarim
