#pragma once

#include <string>

namespace onarim {

class TIBValidationService;

// Icons of the application's message box, with the flag values of the original message box.
enum class TMessageIcon : unsigned { Error = 0x10, Information = 0x40 };

// The application-wide mouse cursor.
enum class TAppCursor { Default, Busy, HandPoint };

// How the repair procedure reaches the operator. The window, the command line and the tests
// each implement it.
class IRepairOperator {
public:
    virtual ~IRepairOperator() = default;

    // Shows the password dialog modally and returns the entered password once it has closed;
    // empty means that the operator cancelled.
    virtual std::string ShowPasswordDialog() = 0;

    // Tells the operator something in a modal message box with an OK button.
    virtual void ShowMessage(const std::string& text, const std::string& caption,
                             TMessageIcon icon) = 0;

    virtual void SetCursor(TAppCursor cursor) = 0;

    // Called after each validation with its report (the first line of the output, or the
    // server's summary of errors). The service still holds the rest of the output, if any, for
    // a front end that wants to show all of it. Nothing by default.
    virtual void ValidationReported(const std::string& report, TIBValidationService& service) {
        static_cast<void>(report);
        static_cast<void>(service);
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

// A file name given once, as on a command line: the text is the name as it stands.
class TFixedFileNameBox : public IFileNameBox {
public:
    explicit TFixedFileNameBox(std::string name) : name_(std::move(name)) {}
    std::string Text() const override { return name_; }
    std::string FileName() const override { return name_; }

private:
    std::string name_;
};

} // namespace onarim
