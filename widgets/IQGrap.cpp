#include "widgets/IQGrap.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include "widgets/IQGrapLayout.h"
#include "widgets/PictureColors.h"

namespace onarim {
namespace {

constexpr TColor kDefaultFace = 0xFF8000;
constexpr TColor kDefaultRaise = 0xFFFFFF;
constexpr TColor kDefaultOver = 0x00FFFF;
constexpr TColor kDefaultFontColor = 0xFFFFFF;

// Fills the rectangle (L, T, R, B): columns L to R-1, rows T to B-1.
void FillLTRB(QPainter& painter, int left, int top, int right, int bottom, TColor color) {
    if (right > left && bottom > top) {
        painter.fillRect(QRect(left, top, right - left, bottom - top), ToQColor(color));
    }
}

void DrawBlackFrame(QPainter& painter, int W, int H) {
    FillLTRB(painter, 0, 0, W, 1, clBlack);
    FillLTRB(painter, 0, H - 1, W, H, clBlack);
    FillLTRB(painter, 0, 0, 1, H, clBlack);
    FillLTRB(painter, W - 1, 0, W, H, clBlack);
}

// The picture's pixels of the transparent colour in the given colour. A picture with an alpha
// channel is laid over that colour instead: its alpha already says what is transparent.
QImage ReplaceTransparent(const QImage& picture, std::optional<TColor> transparent, QColor with) {
    if (picture.hasAlphaChannel()) {
        QImage result(picture.size(), QImage::Format_RGB32);
        result.fill(with);
        QPainter painter(&result);
        painter.drawImage(0, 0, picture);
        return result;
    }
    const QRgb key = transparent ? ToQColor(*transparent).rgb() : TransparentColorOf(picture);
    return WithColorReplaced(picture, key, with.rgb());
}

// The mask's black (opaque) pixels in the colour, the rest transparent.
QImage MaskInColor(const QImage& mask, QColor color) {
    QImage result(mask.size(), QImage::Format_ARGB32);
    result.fill(Qt::transparent);
    const QRgb ink = color.rgb() | 0xFF000000u;
    for (int y = 0; y < mask.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < mask.width(); ++x) {
            if (mask.pixelIndex(x, y) == 1) {
                line[x] = ink;
            }
        }
    }
    return result;
}

TMouseButton ToMouseButton(Qt::MouseButton button) {
    switch (button) {
    case Qt::RightButton: return TMouseButton::mbRight;
    case Qt::MiddleButton: return TMouseButton::mbMiddle;
    default: return TMouseButton::mbLeft;
    }
}

TShiftState ToShiftState(const QMouseEvent& event) {
    TShiftState shift;
    const auto modifiers = event.modifiers();
    const auto buttons = event.buttons() | event.button();
    shift.setFlag(TShiftFlag::ssShift, modifiers.testFlag(Qt::ShiftModifier));
    shift.setFlag(TShiftFlag::ssAlt, modifiers.testFlag(Qt::AltModifier));
    shift.setFlag(TShiftFlag::ssCtrl, modifiers.testFlag(Qt::ControlModifier));
    if (event.type() != QEvent::MouseButtonRelease) {
        shift.setFlag(TShiftFlag::ssLeft, buttons.testFlag(Qt::LeftButton));
        shift.setFlag(TShiftFlag::ssRight, buttons.testFlag(Qt::RightButton));
        shift.setFlag(TShiftFlag::ssMiddle, buttons.testFlag(Qt::MiddleButton));
    }
    shift.setFlag(TShiftFlag::ssDouble, event.type() == QEvent::MouseButtonDblClick);
    return shift;
}

} // namespace

TIQGrap::TIQGrap(QWidget* owner)
    : QWidget(owner),
      color_(kDefaultFace),
      raiseCol_(kDefaultRaise),
      overCol_(kDefaultOver),
      fontColor_(kDefaultFontColor) {
    resize(100, 30);
    QFont captionFont(QStringLiteral("Arial"));
    captionFont.setStyleHint(QFont::SansSerif);
    captionFont.setBold(true);
    captionFont.setPointSize(10);
    setFont(captionFont);
    setFocusPolicy(Qt::NoFocus);
    // A press of another button already offers PopupMenu; the parent gets no context menu.
    setContextMenuPolicy(Qt::PreventContextMenu);
    // Every look paints every pixel of the button.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TIQGrap::~TIQGrap() {
    QObject::disconnect(changeLink_);
}

QString TIQGrap::Caption() const {
    return caption_;
}

void TIQGrap::SetCaption(const QString& caption) {
    if (caption == caption_) {
        return;
    }
    caption_ = caption;
    RepaintLater();
}

TColor TIQGrap::Color() const {
    return color_;
}

void TIQGrap::SetColor(TColor color) {
    color_ = color;
    RepaintNow();
}

TColor TIQGrap::RaiseCol() const {
    return raiseCol_;
}

void TIQGrap::SetRaiseCol(TColor color) {
    raiseCol_ = color;
    RepaintNow();
}

TColor TIQGrap::OverCol() const {
    return overCol_;
}

void TIQGrap::SetOverCol(TColor color) {
    overCol_ = color;
}

TColor TIQGrap::FontColor() const {
    return fontColor_;
}

void TIQGrap::SetFontColor(TColor color) {
    fontColor_ = color;
    RepaintNow();
}

TGlyphAlign TIQGrap::GlphyAlign() const {
    return glyphAlign_;
}

void TIQGrap::SetGlphyAlign(TGlyphAlign align) {
    if (align == glyphAlign_) {
        return;
    }
    glyphAlign_ = align;
    RepaintNow();
}

const QImage& TIQGrap::Glpyh() const {
    return glyph_;
}

void TIQGrap::SetGlpyh(const QImage& picture) {
    glyph_ = picture;
    glyphTransparent_.reset();
    RepaintLater();
}

void TIQGrap::SetGlpyh(const QImage& picture, TColor transparentColor) {
    glyph_ = picture;
    glyphTransparent_ = transparentColor;
    RepaintLater();
}

TImageList* TIQGrap::Images() const {
    return images_.data();
}

void TIQGrap::SetImages(TImageList* images) {
    QObject::disconnect(changeLink_);
    changeLink_ = {};
    images_ = images;
    if (images != nullptr) {
        changeLink_ = connect(images, &TImageList::Changed, this, [this] { RepaintNow(); });
    }
    RepaintNow();
}

int TIQGrap::ImageIndex() const {
    return imageIndex_;
}

void TIQGrap::SetImageIndex(int index) {
    if (index == imageIndex_) {
        return;
    }
    imageIndex_ = index;
    RepaintNow();
}

QMenu* TIQGrap::PopupMenu() const {
    return popupMenu_.data();
}

void TIQGrap::SetPopupMenu(QMenu* menu) {
    popupMenu_ = menu;
}

QString TIQGrap::Hint() const {
    return toolTip();
}

void TIQGrap::SetHint(const QString& hint) {
    setToolTip(hint);
}

bool TIQGrap::ShowHint() const {
    return showHint_;
}

void TIQGrap::SetShowHint(bool show) {
    showHint_ = show;
}

void TIQGrap::PrepareImage() {
    if (workingImage_.isNull()) {
        return;
    }
    workingImage_ = ReplaceTransparent(workingImage_, workingTransparent_, ToQColor(color_));
}

void TIQGrap::DrawDisabledImage(QPainter& painter, const TImageList& list, int x, int y,
                                int index, TColor highlight, TColor shadow, bool withHighlight) {
    const QImage mask = list.Mask(index);
    if (mask.isNull()) {
        return;
    }
    if (withHighlight) {
        painter.drawImage(x + 1, y + 1, MaskInColor(mask, ToQColor(highlight)));
    }
    painter.drawImage(x, y, MaskInColor(mask, ToQColor(shadow)));
}

// ---- events -------------------------------------------------------------------------------

bool TIQGrap::event(QEvent* event) {
    // Handled here, ahead of QWidget::event, because a disabled QWidget drops mouse input
    // while this button still reacts to it (a popup menu, clearing its pressed state).
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        HandlePress(static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::MouseMove:
        HandleMove(static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::MouseButtonRelease:
        HandleRelease(static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::ToolTip:
        if (!showHint_) {
            event->ignore();
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void TIQGrap::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled()) {
            unsetCursor();
        }
        RepaintNow();
    } else if (event->type() == QEvent::FontChange) {
        RepaintLater();
    }
}

void TIQGrap::enterEvent(QEnterEvent*) {
    if (!pointerInside_) {
        PointerEntered();
    }
}

void TIQGrap::leaveEvent(QEvent*) {
    if (pointerInside_) {
        PointerLeft();
    }
}

void TIQGrap::HandlePress(QMouseEvent* event) {
    const bool left = event->button() == Qt::LeftButton;
    if (left) {
        // The second press of a double click is no start of a click.
        clickPending_ = event->type() == QEvent::MouseButtonPress;
        pointerInside_ = true;
    }
    const QPoint at = event->position().toPoint();
    if (left && isEnabled()) {
        pressed_ = true;
        FirePress(TMouseButton::mbLeft, ToShiftState(*event), at.x(), at.y());
        ShowLook(Look::Pressed);
        return;
    }
    if (popupMenu_) {
        // Opens at the pointer, where a context menu is looked for.
        popupMenu_->popup(mapToGlobal(at));
    }
}

void TIQGrap::HandleMove(QMouseEvent* event) {
    // While a button is held the pointer is captured: no enter or leave notices come, so
    // crossing the border is seen here.
    if (event->buttons() == Qt::NoButton) {
        return;
    }
    const bool inside = rect().contains(event->position().toPoint());
    if (inside && !pointerInside_) {
        PointerEntered();
    } else if (!inside && pointerInside_) {
        PointerLeft();
    }
}

void TIQGrap::HandleRelease(QMouseEvent* event) {
    const bool left = event->button() == Qt::LeftButton;
    const QPoint at = event->position().toPoint();
    const bool click = left && clickPending_ && rect().contains(at);
    if (left) {
        clickPending_ = false;
    }
    if (click && isEnabled() && isVisible()) {
        ShowLook(Look::Normal);
        pressed_ = false;
        QPointer<TIQGrap> alive(this);
        if (OnClick) {
            OnClick(this);
        }
        if (!alive) {
            return;
        }
    }
    pressed_ = false;
    if (!isEnabled()) {
        return;
    }
    ShowLook(Look::Normal);
    if (OnMouseUp) {
        OnMouseUp(this, ToMouseButton(event->button()), ToShiftState(*event), at.x(), at.y());
    }
}

void TIQGrap::PointerEntered() {
    pointerInside_ = true;
    if (!isEnabled()) {
        return;
    }
    ShowLook(Look::Hovered);
    setCursor(Qt::PointingHandCursor);
    if (OnMouseEnter) {
        OnMouseEnter(this);
    }
    if (pressed_) {
        // Back over the button with the left button still down: pressed again.
        FirePress(TMouseButton::mbLeft, TShiftState(), 10, 10);
        ShowLook(Look::Pressed);
    }
}

void TIQGrap::PointerLeft() {
    pointerInside_ = false;
    if (!isEnabled()) {
        return;
    }
    unsetCursor();
    if (OnMouseLeave) {
        OnMouseLeave(this);
    }
    ShowLook(Look::Normal);
}

void TIQGrap::FirePress(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) {
        OnMouseDown(this, button, shift, x, y);
    }
}

// ---- painting -----------------------------------------------------------------------------

void TIQGrap::ShowLook(Look look) {
    look_ = look;
    repaint();
}

void TIQGrap::RepaintNow() {
    ShowLook(Look::Normal);
}

void TIQGrap::RepaintLater() {
    look_ = Look::Normal;
    update();
}

void TIQGrap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    switch (look_) {
    case Look::Normal:
        PaintNormal(painter);
        break;
    case Look::Hovered:
        PaintNormal(painter);
        PaintHoverCaption(painter);
        break;
    case Look::Pressed:
        PaintPressed(painter);
        break;
    }
}

void TIQGrap::PaintNormal(QPainter& painter) {
    const int W = width(), H = height();
    FillLTRB(painter, 1, 1, W - 1, H - 1, color_);
    FillLTRB(painter, 1, 1, 3, H - 1, raiseCol_);
    FillLTRB(painter, 1, 1, W - 1, 3, raiseCol_);
    FillLTRB(painter, W - 2, 1, W, H - 1, clBlack);
    FillLTRB(painter, 2, H - 2, W, H, clBlack);
    DrawContent(painter, 0, fontColor_);
    DrawBlackFrame(painter, W, H);
}

void TIQGrap::PaintHoverCaption(QPainter& painter) {
    const QFontMetrics metrics = fontMetrics();
    const QSize text(metrics.horizontalAdvance(caption_), metrics.height());
    const QSize picture = workingImage_.isNull() ? QSize() : workingImage_.size();
    DrawCaption(painter, HoverCaption(glyphAlign_, size(), text, picture), overCol_);
}

void TIQGrap::PaintPressed(QPainter& painter) {
    const int W = width(), H = height();
    FillLTRB(painter, 1, 1, W - 1, H - 1, color_);
    DrawContent(painter, 2, overCol_);
    DrawBlackFrame(painter, W, H);
}

bool TIQGrap::HasPicture() const {
    return !glyph_.isNull() || (images_ && imageIndex_ != -1);
}

void TIQGrap::UpdateWorkingImage() {
    if (!glyph_.isNull()) {
        workingImage_ = glyph_;
        workingTransparent_ = glyphTransparent_;
        PrepareImage();
        return;
    }
    if (!images_) {
        return;
    }
    workingImage_ = QImage();
    workingTransparent_.reset();
    if (imageIndex_ < 0 || imageIndex_ >= images_->Count()) {
        return;
    }
    workingImage_ = QImage(images_->Width(), images_->Height(), QImage::Format_RGB32);
    workingImage_.fill(ToQColor(color_));
    {
        QPainter onImage(&workingImage_);
        images_->Draw(onImage, 0, 0, imageIndex_);
    }
    workingTransparent_ = color_;
    PrepareImage();
}

void TIQGrap::DrawContent(QPainter& painter, int offset, TColor textColor) {
    const QFontMetrics metrics = fontMetrics();
    const QSize text(metrics.horizontalAdvance(caption_), metrics.height());
    UpdateWorkingImage();
    if (!HasPicture()) {
        DrawCaption(painter, CentredCaption(size(), text, offset), textColor);
        return;
    }
    const QSize picture = workingImage_.isNull() ? QSize(0, 0) : workingImage_.size();
    if (caption_.isEmpty()) {
        if (!workingImage_.isNull()) {
            painter.drawImage(CentredPicture(size(), picture, offset).topLeft(), workingImage_);
        }
        return;
    }
    const TContentPlaces places = ContentPlaces(glyphAlign_, size(), text, picture, offset);
    if (places.pictureFirst) {
        DrawPicture(painter, places.picture.x(), places.picture.y());
        DrawCaption(painter, places.caption, textColor);
    } else {
        DrawCaption(painter, places.caption, textColor);
        DrawPicture(painter, places.picture.x(), places.picture.y());
    }
}

void TIQGrap::DrawPicture(QPainter& painter, int x, int y) {
    if (!glyph_.isNull()) {
        painter.drawImage(x, y, workingImage_);
        return;
    }
    if (!images_) {
        return;
    }
    if (isEnabled()) {
        images_->Draw(painter, x, y, imageIndex_);
    } else {
        DrawDisabledImage(painter, *images_, x, y, imageIndex_, clBtnHighlight, clBtnShadow,
                          true);
    }
}

void TIQGrap::DrawCaption(QPainter& painter, QPoint at, TColor textColor) {
    // One line of plain text over its own cell in the face colour; '&' is just a character.
    const QFontMetrics metrics = fontMetrics();
    const QRect cell(at, QSize(metrics.horizontalAdvance(caption_), metrics.height()));
    if (cell.isEmpty()) {
        return;
    }
    painter.fillRect(cell, ToQColor(color_));
    painter.setPen(ToQColor(textColor));
    painter.drawText(QPoint(at.x(), at.y() + metrics.ascent()), caption_);
}

} // namespace onarim
