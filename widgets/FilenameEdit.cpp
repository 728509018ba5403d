#include "widgets/FilenameEdit.h"

#include <limits>

#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QStyleOptionFrame>

#include "widgets/FileBrowseButton.h"
#include "widgets/FileDialogFilter.h"
#include "widgets/FileNameText.h"
#include "widgets/FolderGlyph.h"

namespace onarim {
namespace {

// The sunken single-line frame on each side of the box, in pixels.
constexpr int kFrameWidth = 2;

// Lines of the box's frame, as the desktop's border height counts them.
constexpr int kBorderLines = 4;

QString WithoutTrailingSlash(const QString& directory) {
    QString result = directory;
    while (result.size() > 1 && result.endsWith(u'/')) {
        result.chop(1);
    }
    return result;
}

} // namespace

TFilenameEdit::TFilenameEdit(QWidget* owner)
    : QLineEdit(owner),
      dialog_(nullptr),
      button_(new TFileBrowseButton(this)),
      filter_(QStringLiteral("All files (*.*)|*.*")),
      clickKey_(Qt::AltModifier, Qt::Key_Down) {
    // A path may be longer than a line edit's usual limit; nothing is cut off.
    setMaxLength(std::numeric_limits<int>::max());
    dialogTitle_ = QStringLiteral("Browse");
    button_->SetGlyph(FolderGlyph(), 1);
    connect(button_, &QAbstractButton::clicked, this, [this] { Browse(); });
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (OnChange) {
            OnChange(this);
        }
    });
    resize(width(), 21);
    UpdateMinimumHeight();
    LayOut();
}

TFilenameEdit::~TFilenameEdit() = default;

QString TFilenameEdit::Text() const {
    return text();
}

void TFilenameEdit::SetText(const QString& text) {
    setText(text);
}

QString TFilenameEdit::FileName() const {
    return FileNameFromText(text());
}

void TFilenameEdit::SetFileName(const QString& fileName) {
    if (!fileName.isEmpty() && !CheckFileNameChars(FileNameFromText(fileName))) {
        throw EComboEditError((QStringLiteral("Invalid file name - ") + fileName).toStdString());
    }
    SetText(TextFromFileName(fileName));
    dialogFiles_.clear();
}

int TFilenameEdit::NumGlyphs() const {
    return button_->NumGlyphs();
}

void TFilenameEdit::SetNumGlyphs(int count) {
    if (count < 1 || count > 4) {
        throw std::out_of_range("NumGlyphs must be 1 to 4, not " + std::to_string(count));
    }
    button_->SetGlyph(FolderGlyph(), count);
}

int TFilenameEdit::ButtonWidth() const {
    return buttonWidth_;
}

void TFilenameEdit::SetButtonWidth(int width) {
    buttonWidth_ = std::max(width, 0);
    LayOut();
}

QString TFilenameEdit::DialogTitle() const {
    return dialogTitle_;
}

void TFilenameEdit::SetDialogTitle(const QString& title) {
    dialogTitle_ = title;
}

QString TFilenameEdit::Filter() const {
    return filter_;
}

void TFilenameEdit::SetFilter(const QString& filter) {
    filter_ = filter;
}

int TFilenameEdit::FilterIndex() const {
    return filterIndex_;
}

void TFilenameEdit::SetFilterIndex(int index) {
    filterIndex_ = index;
}

QString TFilenameEdit::DefaultExt() const {
    return defaultExt_;
}

void TFilenameEdit::SetDefaultExt(const QString& extension) {
    defaultExt_ = extension;
}

QString TFilenameEdit::InitialDir() const {
    return initialDir_;
}

void TFilenameEdit::SetInitialDir(const QString& directory) {
    initialDir_ = WithoutTrailingSlash(directory);
}

QKeyCombination TFilenameEdit::ClickKey() const {
    return clickKey_;
}

void TFilenameEdit::SetClickKey(QKeyCombination key) {
    clickKey_ = key;
}

bool TFilenameEdit::DirectInput() const {
    return directInput_;
}

void TFilenameEdit::SetDirectInput(bool allowed) {
    directInput_ = allowed;
    ApplyEditable();
}

bool TFilenameEdit::ReadOnly() const {
    return readOnly_;
}

void TFilenameEdit::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    ApplyEditable();
}

bool TFilenameEdit::AutoSelect() const {
    return autoSelect_;
}

void TFilenameEdit::SetAutoSelect(bool autoSelect) {
    autoSelect_ = autoSelect;
}

QString TFilenameEdit::DialogFileName() const {
    return dialogFileName_;
}

QStringList TFilenameEdit::DialogFiles() const {
    return dialogFiles_;
}

QWidget* TFilenameEdit::BrowseButton() const {
    return button_;
}

void TFilenameEdit::ApplyEditable() {
    setReadOnly(readOnly_ || !directInput_);
}

// ---- browse ---------------------------------------------------------------------------------

void TFilenameEdit::Browse() {
    if (readOnly_) {
        return;
    }
    if (OnButtonClick) {
        OnButtonClick(this);
    }
    QString name = FileNameFromText(text());
    bool accept = true;
    if (OnBeforeDialog) {
        OnBeforeDialog(this, name, accept);
    }
    if (!accept) {
        return;
    }
    PrepareDialogFromName(name);

    if (dialog_ == nullptr) {
        // Made at the first browse and kept, so the folder it was left in carries over.
        dialog_ = new QFileDialog(this);
    }
    QFileDialog& dialog = *dialog_;
    dialog.setWindowTitle(dialogTitle_);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The chosen file and its folder need not exist.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = QtNameFilters(filter_);
    dialog.setNameFilters(filters);
    if (filterIndex_ >= 1 && filterIndex_ <= filters.size()) {
        dialog.selectNameFilter(filters[filterIndex_ - 1]);
    }
    dialog.setDefaultSuffix(defaultExt_);
    dialog.setDirectory(initialDir_.isEmpty() ? QDir::currentPath() : initialDir_);
    dialog.selectFile(dialogFileName_);

    accept = ExecuteDialog(dialog);
    if (accept) {
        dialogFiles_ = dialog.selectedFiles();
        dialogFileName_ = dialogFiles_.value(0);
        name = dialogFileName_;
    }
    if (focusPolicy() != Qt::NoFocus && isEnabled() && isVisible()) {
        setFocus(Qt::OtherFocusReason);
    }
    if (OnAfterDialog) {
        OnAfterDialog(this, name, accept);
    }
    if (accept) {
        SetText(TextFromFileName(name));
        SetInitialDir(DirectoryPart(dialogFileName_));
    }
}

void TFilenameEdit::PrepareDialogFromName(const QString& name) {
    // A name that cannot be a file name leaves the dialog where it was.
    if (!CheckFileNameChars(name)) {
        return;
    }
    const QString directory = DirectoryPart(name);
    if (!directory.isEmpty() && QFileInfo(directory).isDir()) {
        SetInitialDir(directory);
    }
    dialogFileName_ = FilePart(name).isEmpty() ? QString() : name;
}

bool TFilenameEdit::ExecuteDialog(QFileDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

// ---- keys, focus, layout ---------------------------------------------------------------------

void TFilenameEdit::keyPressEvent(QKeyEvent* event) {
    const QKeyCombination pressed(event->modifiers() & ~Qt::KeypadModifier,
                                  static_cast<Qt::Key>(event->key()));
    if (pressed == clickKey_ && buttonWidth_ >= 1) {
        event->accept();
        Browse();
        return;
    }
    // Enter and Escape go on to the window (a default or cancel button there may react), as
    // QLineEdit passes them; the box itself takes no character from them.
    QLineEdit::keyPressEvent(event);
}

void TFilenameEdit::EnterFirst() {
    const bool hadSelection = hasSelectedText();
    setFocus(Qt::OtherFocusReason);
    if (!hasFocus()) {
        SelectOnEntry(hadSelection);
    }
}

void TFilenameEdit::focusInEvent(QFocusEvent* event) {
    const bool hadSelection = hasSelectedText();
    QLineEdit::focusInEvent(event);
    switch (event->reason()) {
    case Qt::MouseFocusReason:
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
        return;
    default:
        SelectOnEntry(hadSelection);
    }
}

void TFilenameEdit::SelectOnEntry(bool hadSelection) {
    if (autoSelect_) {
        selectAll();
    } else if (!hadSelection) {
        deselect();
    }
}

void TFilenameEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    LayOut();
}

void TFilenameEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        UpdateMinimumHeight();
    }
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        LayOut();
    }
}

void TFilenameEdit::UpdateMinimumHeight() {
    const int systemHeight = QFontMetrics(QGuiApplication::font()).height();
    const int ownHeight = fontMetrics().height();
    setMinimumHeight(std::min(systemHeight, ownHeight) + kBorderLines + 1);
}

void TFilenameEdit::LayOut() {
    const int innerWidth = width() - 2 * kFrameWidth;
    const int innerHeight = height() - 2 * kFrameWidth;
    button_->setVisible(buttonWidth_ > 0);
    button_->setGeometry(kFrameWidth + innerWidth - buttonWidth_, kFrameWidth, buttonWidth_,
                          innerHeight);
    // The text ends two pixels before the button.
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const int textRight = kFrameWidth + innerWidth - buttonWidth_ - 2;
    const int rightMargin = std::max(0, contents.right() + 1 - textRight);
    const QMargins margins = textMargins();
    setTextMargins(margins.left(), margins.top(), rightMargin, margins.bottom());
}

} // namespace onarim
