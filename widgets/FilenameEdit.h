#pragma once

#include <functional>
#include <stdexcept>

#include <QFileDialog>
#include <QKeyCombination>
#include <QLineEdit>
#include <QString>

#include "widgets/Events.h"

namespace onarim {

class TFileBrowseButton;

// Writing an unusable file name into the box.
class EComboEditError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A hook around the file dialog: it may change the name and whether the browse goes on.
using TExecOpenDialogEvent = std::function<void(QObject* sender, QString& name, bool& action)>;

// A single-line box for a file path with a browse button inside its right edge. The button,
// or ClickKey (Alt+Down) in the box, opens the file-open dialog and puts the chosen path into
// the box, between double quotes when it holds a blank. The dialog lives as long as the box,
// so the folder it opened in last is where it opens next.
class TFilenameEdit : public QLineEdit {
public:
    explicit TFilenameEdit(QWidget* owner = nullptr);
    ~TFilenameEdit() override;

    // The plain content. Writing it checks nothing, adds no quotes and fires OnChange when the
    // text changes.
    QString Text() const;
    void SetText(const QString& text);

    // The path the text names: FileNameFromText(Text()).
    QString FileName() const;
    // Puts a path into the box, between double quotes when it holds a blank; an empty value
    // empties the box. Throws EComboEditError("Invalid file name - <value>") and leaves the
    // text as it was when the value is not empty and its tested form (the value when it names
    // an existing file, else its first word) fails CheckFileNameChars.
    void SetFileName(const QString& fileName);

    // Number of pictures (1 to 4) side by side in the browse button's picture: for the button
    // up, disabled, down and held. Throws std::out_of_range for another count.
    int NumGlyphs() const;
    void SetNumGlyphs(int count);

    // Width of the browse button in pixels (21 at creation); 0 hides it and disables ClickKey.
    int ButtonWidth() const;
    void SetButtonWidth(int width);

    // The dialog's settings.
    QString DialogTitle() const;              // "Browse"
    void SetDialogTitle(const QString& title);
    QString Filter() const;                   // "All files (*.*)|*.*": description|pattern pairs
    void SetFilter(const QString& filter);
    int FilterIndex() const;                  // 1: the entry selected when the dialog opens
    void SetFilterIndex(int index);
    QString DefaultExt() const;               // empty: no extension added to a typed name
    void SetDefaultExt(const QString& extension);
    QString InitialDir() const;               // empty: the current directory
    // Stored without a trailing slash, except for the root "/".
    void SetInitialDir(const QString& directory);

    // The key combination that works like the button (Alt+Down).
    QKeyCombination ClickKey() const;
    void SetClickKey(QKeyCombination key);

    // Typing into the box allowed (true at creation); the browse works either way.
    bool DirectInput() const;
    void SetDirectInput(bool allowed);

    // A read-only box takes no typing and ignores the button and ClickKey.
    bool ReadOnly() const;
    void SetReadOnly(bool readOnly);

    // Select all the text when the box gets the focus other than by a mouse press in it.
    bool AutoSelect() const;
    void SetAutoSelect(bool autoSelect);

    // Makes the box the control its window enters first, entered as by the keyboard: with
    // AutoSelect its text is selected. Call before the window is shown: the focus then comes
    // with the window's activation, which (like any later reactivation of the window) leaves
    // the selection as it is.
    void EnterFirst();

    // Runs a browse as the button does: OnButtonClick, OnBeforeDialog, the dialog,
    // OnAfterDialog, and on acceptance the chosen path into the box. Nothing when read-only.
    void Browse();

    // The dialog's file name: set before each browse, read after it.
    QString DialogFileName() const;
    // The files chosen in the last accepted dialog; emptied by a FileName write.
    QStringList DialogFiles() const;

    // The browse button (for layout checks).
    QWidget* BrowseButton() const;

    TNotifyEvent OnChange;
    TNotifyEvent OnButtonClick;
    TExecOpenDialogEvent OnBeforeDialog;
    TExecOpenDialogEvent OnAfterDialog;

protected:
    // Shows the dialog modally; true when the user confirmed a file. Tests replace it.
    virtual bool ExecuteDialog(QFileDialog& dialog);

    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void LayOut();
    void UpdateMinimumHeight();
    void ApplyEditable();
    void PrepareDialogFromName(const QString& name);
    void SelectOnEntry(bool hadSelection);

    QFileDialog* dialog_;
    TFileBrowseButton* button_;
    QString dialogFileName_;
    QStringList dialogFiles_;
    QString dialogTitle_;
    QString filter_;
    int filterIndex_ = 1;
    QString defaultExt_;
    QString initialDir_;
    int buttonWidth_ = 21;
    QKeyCombination clickKey_;
    bool directInput_ = true;
    bool readOnly_ = false;
    bool autoSelect_ = true;
};

} // namespace onarim
