#include "widgets/RadioGroup.h"

#include <QRadioButton>

namespace onarim {

namespace {

constexpr int kSideMargin = 8;
constexpr int kCaptionHeight = 14; // the caption runs through the top of the frame
constexpr int kBottomMargin = 4;

} // namespace

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, int columns,
                         QWidget* parent)
    : QGroupBox(caption, parent), columns_(columns < 1 ? 1 : columns) {
    for (const QString& text : items) {
        auto* item = new QRadioButton(text, this);
        item->setAutoExclusive(true);
        items_.append(item);
    }
    LayOutItems();
}

int TRadioGroup::ItemIndex() const {
    for (int index = 0; index < items_.size(); ++index) {
        if (items_[index]->isChecked()) {
            return index;
        }
    }
    return -1;
}

void TRadioGroup::SetItemIndex(int index) {
    if (index >= 0 && index < items_.size()) {
        items_[index]->setChecked(true);
        return;
    }
    // An auto-exclusive button cannot be unchecked on its own.
    for (QRadioButton* item : items_) {
        item->setAutoExclusive(false);
        item->setChecked(false);
        item->setAutoExclusive(true);
    }
}

void TRadioGroup::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    LayOutItems();
}

// Items fill the columns top to bottom, each column as many rows as the longest needs, the
// rows sharing the height below the caption.
void TRadioGroup::LayOutItems() {
    if (items_.isEmpty()) {
        return;
    }
    const int rows = (static_cast<int>(items_.size()) + columns_ - 1) / columns_;
    const int columnWidth = (width() - 2 * kSideMargin) / columns_;
    const int rowHeight = (height() - kCaptionHeight - kBottomMargin) / rows;
    for (int index = 0; index < items_.size(); ++index) {
        const int column = index / rows;
        const int row = index % rows;
        items_[index]->setGeometry(kSideMargin + column * columnWidth,
                                   kCaptionHeight + row * rowHeight, columnWidth, rowHeight);
    }
}

} // namespace onarim
