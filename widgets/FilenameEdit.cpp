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
      m_dialog(nullptr),
      m_button(new TFileBrowseButton(this)),
      m_filter(QStringLiteral("All files (*.*)|*.*")),
      m_clickKey(Qt::AltModifier, Qt::Key_Down) {
    // A path may be longer than a line edit's usual limit; nothing is cut off.
    setMaxLength(std::numeric_limits<int>::max());
    m_dialogTitle = QStringLiteral("Browse");
    m_button->SetGlyph(FolderGlyph(), 1);
    connect(m_button, &QAbstractButton::clicked, this, [this] { Browse(); });
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
    m_dialogFiles.clear();
}

int TFilenameEdit::NumGlyphs() const {
    return m_button->NumGlyphs();
}

void TFilenameEdit::SetNumGlyphs(int count) {
    if (count < 1 || count > 4) {
        throw std::out_of_range("NumGlyphs must be 1 to 4, not " + std::to_string(count));
    }
    m_button->SetGlyph(FolderGlyph(), count);
}

int TFilenameEdit::ButtonWidth() const {
    return m_buttonWidth;
}

void TFilenameEdit::SetButtonWidth(int width) {
    m_buttonWidth = std::max(width, 0);
    LayOut();
}

QString TFilenameEdit::DialogTitle() const {
    return m_dialogTitle;
}

void TFilenameEdit::SetDialogTitle(const QString& title) {
    m_dialogTitle = title;
}

QString TFilenameEdit::Filter() const {
    return m_filter;
}

void TFilenameEdit::SetFilter(const QString& filter) {
    m_filter = filter;
}

int TFilenameEdit::FilterIndex() const {
    return m_filterIndex;
}

void TFilenameEdit::SetFilterIndex(int index) {
    m_filterIndex = index;
}

QString TFilenameEdit::DefaultExt() const {
    return m_defaultExt;
}

void TFilenameEdit::SetDefaultExt(const QString& extension) {
    m_defaultExt = extension;
}

QString TFilenameEdit::InitialDir() const {
    return m_initialDir;
}

void TFilenameEdit::SetInitialDir(const QString& directory) {
    m_initialDir = WithoutTrailingSlash(directory);
}

QKeyCombination TFilenameEdit::ClickKey() const {
    return m_clickKey;
}

void TFilenameEdit::SetClickKey(QKeyCombination key) {
    m_clickKey = key;
}

bool TFilenameEdit::DirectInput() const {
    return m_directInput;
}

void TFilenameEdit::SetDirectInput(bool allowed) {
    m_directInput = allowed;
    ApplyEditable();
}

bool TFilenameEdit::ReadOnly() const {
    return m_readOnly;
}

void TFilenameEdit::SetReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    ApplyEditable();
}

bool TFilenameEdit::AutoSelect() const {
    return m_autoSelect;
}

void TFilenameEdit::SetAutoSelect(bool autoSelect) {
    m_autoSelect = autoSelect;
}

QString TFilenameEdit::DialogFileName() const {
    return m_dialogFileName;
}

QStringList TFilenameEdit::DialogFiles() const {
    return m_dialogFiles;
}

QWidget* TFilenameEdit::BrowseButton() const {
    return m_button;
}

void TFilenameEdit::ApplyEditable() {
    setReadOnly(m_readOnly || !m_directInput);
}

// ---- browse ---------------------------------------------------------------------------------

void TFilenameEdit::Browse() {
    if (m_readOnly) {
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

    if (m_dialog == nullptr) {
        // Made at the first browse and kept, so the folder it was left in carries over.
        m_dialog = new QFileDialog(this);
    }
    QFileDialog& dialog = *m_dialog;
    dialog.setWindowTitle(m_dialogTitle);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The chosen file and its folder need not exist.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = QtNameFilters(m_filter);
    dialog.setNameFilters(filters);
    if (m_filterIndex >= 1 && m_filterIndex <= filters.size()) {
        dialog.selectNameFilter(filters[m_filterIndex - 1]);
    }
    dialog.setDefaultSuffix(m_defaultExt);
    dialog.setDirectory(m_initialDir.isEmpty() ? QDir::currentPath() : m_initialDir);
    dialog.selectFile(m_dialogFileName);

    accept = ExecuteDialog(dialog);
    if (accept) {
        m_dialogFiles = dialog.selectedFiles();
        m_dialogFileName = m_dialogFiles.value(0);
        name = m_dialogFileName;
    }
    if (focusPolicy() != Qt::NoFocus && isEnabled() && isVisible()) {
        setFocus(Qt::OtherFocusReason);
    }
    if (OnAfterDialog) {
        OnAfterDialog(this, name, accept);
    }
    if (accept) {
        SetText(TextFromFileName(name));
        SetInitialDir(DirectoryPart(m_dialogFileName));
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
    m_dialogFileName = FilePart(name).isEmpty() ? QString() : name;
}

bool TFilenameEdit::ExecuteDialog(QFileDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

// ---- keys, focus, layout ---------------------------------------------------------------------

void TFilenameEdit::keyPressEvent(QKeyEvent* event) {
    const QKeyCombination pressed(event->modifiers() & ~Qt::KeypadModifier,
                                  static_cast<Qt::Key>(event->key()));
    if (pressed == m_clickKey && m_buttonWidth >= 1) {
        event->accept();
        Browse();
        return;
    }
    // Enter and Escape go on to the window (a default or cancel button there may react), as
    // QLineEdit passes them; the box itself takes no character from them.
    QLineEdit::keyPressEvent(event);
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
        if (m_autoSelect) {
            selectAll();
        } else if (!hadSelection) {
            deselect();
        }
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
    m_button->setVisible(m_buttonWidth > 0);
    m_button->setGeometry(kFrameWidth + innerWidth - m_buttonWidth, kFrameWidth, m_buttonWidth,
                          innerHeight);
    // The text ends two pixels before the button.
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const int textRight = kFrameWidth + innerWidth - m_buttonWidth - 2;
    const int rightMargin = std::max(0, contents.right() + 1 - textRight);
    const QMargins margins = textMargins();
    setTextMargins(margins.left(), margins.top(), rightMargin, margins.bottom());
}

} // namespace onarim
