#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QRadioButton;

namespace onarim {

// A captioned group of radio buttons laid out in columns, filled column by column as the
// forms' radio groups are; one item is chosen at a time.
class TRadioGroup : public QGroupBox {
public:
    TRadioGroup(const QString& caption, const QStringList& items, int columns,
                QWidget* parent = nullptr);

    // The chosen item's index; -1 when none is chosen.
    int ItemIndex() const;
    // Chooses item `index`; an index out of range chooses none.
    void SetItemIndex(int index);

    QRadioButton* Item(int index) const { return items_.value(index); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayOutItems();

    QList<QRadioButton*> items_;
    int columns_;
};

} // namespace onarim
