#include "widgets/FileBrowseButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

#include "widgets/Color.h"
#include "widgets/PictureColors.h"

namespace onarim {

TFileBrowseButton::TFileBrowseButton(QWidget* box) : QAbstractButton(box) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
}

void TFileBrowseButton::SetGlyph(const QImage& picture, int numGlyphs) {
    picture_ = WithColorReplaced(picture, TransparentColorOf(picture), qRgba(0, 0, 0, 0));
    numGlyphs_ = numGlyphs;
    update();
}

QImage TFileBrowseButton::StateImage() const {
    if (picture_.isNull()) {
        return {};
    }
    const int width = picture_.width() / numGlyphs_;
    int state = 0; // up
    if (!isEnabled()) {
        state = 1;
    } else if (isDown()) {
        state = 2;
    } else if (isChecked()) {
        state = 3;
    }
    if (state >= numGlyphs_) {
        state = 0;
    }
    return picture_.copy(state * width, 0, width, picture_.height());
}

void TFileBrowseButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.features = QStyleOptionButton::None;
    if (isDown()) {
        option.state |= QStyle::State_Sunken;
    } else {
        option.state |= QStyle::State_Raised;
    }
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);

    const QImage glyph = StateImage();
    if (!glyph.isNull()) {
        const int shift = isDown() ? 1 : 0;
        const QPoint at((width() - glyph.width()) / 2 + shift,
                        (height() - glyph.height()) / 2 + shift);
        painter.drawImage(at, glyph);
    }

    if (!isDown()) {
        // Blend the button's left side into the box.
        const int h = height();
        if (h >= 2) {
            painter.fillRect(QRect(0, 0, 1, h - 1), ToQColor(clBtnFace));
        }
        if (h >= 4 && width() >= 2) {
            painter.fillRect(QRect(1, 1, 1, h - 3), ToQColor(clBtnHighlight));
        }
    }
}

void TFileBrowseButton::mousePressEvent(QMouseEvent* event) {
    QWidget* box = parentWidget();
    if (event->button() == Qt::LeftButton && box != nullptr && !box->hasFocus() &&
        (box->focusPolicy() & Qt::TabFocus) && box->isEnabled() && box->isVisible()) {
        box->setFocus(Qt::MouseFocusReason);
    }
    QAbstractButton::mousePressEvent(event);
}

} // namespace onarim
