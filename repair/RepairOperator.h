#pragma once

#include <chrono>
#include <string>

namespace onarim {

// Icons of the application's message box, with the flag values of the original message box.
enum class TMessageIcon : unsigned { Error = 0x10, Information = 0x40 };

// The application-wide mouse cursor.
enum class TAppCursor { Default, Busy, HandPoint };

// The steps of a repair that take time, in the order a repair runs them. Front ends name the
// running one (status line, console lines); the report records each.
enum class TRepairStep {
    KeepCopy,         // byte copy of the original beside it
    PageCheck,        // every page's header against the database's own structure, mended
    FirstValidation,  // service manager: validate with mend
    FullValidation,   // gfix -V -FULL
    Backup,           // gbak backup beside the database
    Restore,          // gbak restore over the database
    SecondValidation, // service manager again
    Accounting,       // rows and blob values counted
    Recovery,         // what the repair lost, written back from the kept copy
    Salvage,          // a new database built from what can be read, when the backup failed
};

// The operator's name of a step, for status lines: "Yedek alınıyor…".
std::string StepTitle(TRepairStep step);

// How the repair procedure reaches the operator. The window, the command line and the tests
// each implement it. The procedure may run on a thread of its own: an implementation that
// needs a particular thread (a GUI) carries each call there and returns once it is done.
class IRepairOperator {
public:
    virtual ~IRepairOperator() = default;

    // Shows the password dialog modally and returns the entered password once it has closed;
    // empty means that the operator cancelled.
    virtual std::string ShowPasswordDialog() = 0;

    // Tells the operator something in a modal message box with an OK button. `details`, when
    // not empty, is the whole report behind the message (every line of both validations and
    // of the tools), for a box that can show it on request.
    virtual void ShowMessage(const std::string& text, const std::string& caption,
                             TMessageIcon icon, const std::string& details) = 0;

    virtual void SetCursor(TAppCursor cursor) = 0;

    // A step began. Nothing by default.
    virtual void StepStarted(TRepairStep step) { static_cast<void>(step); }

    // A step ended: `exitStatus` is the tool's exit status (0 for steps without a tool that
    // succeeded, non-zero when they failed), `duration` how long it ran. Nothing by default.
    virtual void StepEnded(TRepairStep step, int exitStatus, std::chrono::milliseconds duration) {
        static_cast<void>(step);
        static_cast<void>(exitStatus);
        static_cast<void>(duration);
    }

    // One line of a step's output: each line a validation gave (the first is its report) and
    // each line a tool printed, as it comes. Nothing by default.
    virtual void OutputLine(TRepairStep step, const std::string& line) {
        static_cast<void>(step);
        static_cast<void>(line);
    }
};

// The file-name edit box as the repair procedure sees it.
class IFileNameBox {
public:
    virtual ~IFileNameBox() = default;

    // The text as shown in the box.
    virtual std::string Text() const = 0;
    // The file name the box derives from its text.
    virtual std::string FileName() const = 0;
};

// The file-name box as it stood when a repair began: its text and the file name it derived
// from it. The window reads them on the GUI thread, so that the repair on its worker thread
// never touches the widget; a command line gives a name once, text and file name alike.
class TFileNameBoxSnapshot : public IFileNameBox {
public:
    explicit TFileNameBoxSnapshot(std::string name) : text_(name), fileName_(std::move(name)) {}
    TFileNameBoxSnapshot(std::string text, std::string fileName)
        : text_(std::move(text)), fileName_(std::move(fileName)) {}
    std::string Text() const override { return text_; }
    std::string FileName() const override { return fileName_; }

private:
    std::string text_;
    std::string fileName_;
};

} // namespace onarim
