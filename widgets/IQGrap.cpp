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
      m_color(kDefaultFace),
      m_raiseCol(kDefaultRaise),
      m_overCol(kDefaultOver),
      m_fontColor(kDefaultFontColor) {
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
    QObject::disconnect(m_changeLink);
}

QString TIQGrap::Caption() const {
    return m_caption;
}

void TIQGrap::SetCaption(const QString& caption) {
    if (caption == m_caption) {
        return;
    }
    m_caption = caption;
    RepaintLater();
}

TColor TIQGrap::Color() const {
    return m_color;
}

void TIQGrap::SetColor(TColor color) {
    m_color = color;
    RepaintNow();
}

TColor TIQGrap::RaiseCol() const {
    return m_raiseCol;
}

void TIQGrap::SetRaiseCol(TColor color) {
    m_raiseCol = color;
    RepaintNow();
}

TColor TIQGrap::OverCol() const {
    return m_overCol;
}

void TIQGrap::SetOverCol(TColor color) {
    m_overCol = color;
}

TColor TIQGrap::FontColor() const {
    return m_fontColor;
}

void TIQGrap::SetFontColor(TColor color) {
    m_fontColor = color;
    RepaintNow();
}

TGlyphAlign TIQGrap::GlphyAlign() const {
    return m_glyphAlign;
}

void TIQGrap::SetGlphyAlign(TGlyphAlign align) {
    if (align == m_glyphAlign) {
        return;
    }
    m_glyphAlign = align;
    RepaintNow();
}

const QImage& TIQGrap::Glpyh() const {
    return m_glyph;
}

void TIQGrap::SetGlpyh(const QImage& picture) {
    m_glyph = picture;
    m_glyphTransparent.reset();
    RepaintLater();
}

void TIQGrap::SetGlpyh(const QImage& picture, TColor transparentColor) {
    m_glyph = picture;
    m_glyphTransparent = transparentColor;
    RepaintLater();
}

TImageList* TIQGrap::Images() const {
    return m_images.data();
}

void TIQGrap::SetImages(TImageList* images) {
    QObject::disconnect(m_changeLink);
    m_changeLink = {};
    m_images = images;
    if (images != nullptr) {
        m_changeLink = connect(images, &TImageList::Changed, this, [this] { RepaintNow(); });
    }
    RepaintNow();
}

int TIQGrap::ImageIndex() const {
    return m_imageIndex;
}

void TIQGrap::SetImageIndex(int index) {
    if (index == m_imageIndex) {
        return;
    }
    m_imageIndex = index;
    RepaintNow();
}

QMenu* TIQGrap::PopupMenu() const {
    return m_popupMenu.data();
}

void TIQGrap::SetPopupMenu(QMenu* menu) {
    m_popupMenu = menu;
}

QString TIQGrap::Hint() const {
    return toolTip();
}

void TIQGrap::SetHint(const QString& hint) {
    setToolTip(hint);
}

bool TIQGrap::ShowHint() const {
    return m_showHint;
}

void TIQGrap::SetShowHint(bool show) {
    m_showHint = show;
}

void TIQGrap::PrepareImage() {
    if (m_workingImage.isNull()) {
        return;
    }
    m_workingImage = ReplaceTransparent(m_workingImage, m_workingTransparent, ToQColor(m_color));
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
        if (!m_showHint) {
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
    if (!m_pointerInside) {
        PointerEntered();
    }
}

void TIQGrap::leaveEvent(QEvent*) {
    if (m_pointerInside) {
        PointerLeft();
    }
}

void TIQGrap::HandlePress(QMouseEvent* event) {
    const bool left = event->button() == Qt::LeftButton;
    if (left) {
        // The second press of a double click is no start of a click.
        m_clickPending = event->type() == QEvent::MouseButtonPress;
        m_pointerInside = true;
    }
    const QPoint at = event->position().toPoint();
    if (left && isEnabled()) {
        m_pressed = true;
        FirePress(TMouseButton::mbLeft, ToShiftState(*event), at.x(), at.y());
        ShowLook(Look::Pressed);
        return;
    }
    if (m_popupMenu) {
        // Opens at the pointer, where a context menu is looked for.
        m_popupMenu->popup(mapToGlobal(at));
    }
}

void TIQGrap::HandleMove(QMouseEvent* event) {
    // While a button is held the pointer is captured: no enter or leave notices come, so
    // crossing the border is seen here.
    if (event->buttons() == Qt::NoButton) {
        return;
    }
    const bool inside = rect().contains(event->position().toPoint());
    if (inside && !m_pointerInside) {
        PointerEntered();
    } else if (!inside && m_pointerInside) {
        PointerLeft();
    }
}

void TIQGrap::HandleRelease(QMouseEvent* event) {
    const bool left = event->button() == Qt::LeftButton;
    const QPoint at = event->position().toPoint();
    const bool click = left && m_clickPending && rect().contains(at);
    if (left) {
        m_clickPending = false;
    }
    if (click && isEnabled() && isVisible()) {
        ShowLook(Look::Normal);
        m_pressed = false;
        QPointer<TIQGrap> alive(this);
        if (OnClick) {
            OnClick(this);
        }
        if (!alive) {
            return;
        }
    }
    m_pressed = false;
    if (!isEnabled()) {
        return;
    }
    ShowLook(Look::Normal);
    if (OnMouseUp) {
        OnMouseUp(this, ToMouseButton(event->button()), ToShiftState(*event), at.x(), at.y());
    }
}

void TIQGrap::PointerEntered() {
    m_pointerInside = true;
    if (!isEnabled()) {
        return;
    }
    ShowLook(Look::Hovered);
    setCursor(Qt::PointingHandCursor);
    if (OnMouseEnter) {
        OnMouseEnter(this);
    }
    if (m_pressed) {
        // Back over the button with the left button still down: pressed again.
        FirePress(TMouseButton::mbLeft, TShiftState(), 10, 10);
        ShowLook(Look::Pressed);
    }
}

void TIQGrap::PointerLeft() {
    m_pointerInside = false;
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
    m_look = look;
    repaint();
}

void TIQGrap::RepaintNow() {
    ShowLook(Look::Normal);
}

void TIQGrap::RepaintLater() {
    m_look = Look::Normal;
    update();
}

void TIQGrap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    switch (m_look) {
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
    FillLTRB(painter, 1, 1, W - 1, H - 1, m_color);
    FillLTRB(painter, 1, 1, 3, H - 1, m_raiseCol);
    FillLTRB(painter, 1, 1, W - 1, 3, m_raiseCol);
    FillLTRB(painter, W - 2, 1, W, H - 1, clBlack);
    FillLTRB(painter, 2, H - 2, W, H, clBlack);
    DrawContent(painter, 0, m_fontColor);
    DrawBlackFrame(painter, W, H);
}

void TIQGrap::PaintHoverCaption(QPainter& painter) {
    const QFontMetrics metrics = fontMetrics();
    const QSize text(metrics.horizontalAdvance(m_caption), metrics.height());
    const QSize picture = m_workingImage.isNull() ? QSize() : m_workingImage.size();
    DrawCaption(painter, HoverCaption(m_glyphAlign, size(), text, picture), m_overCol);
}

void TIQGrap::PaintPressed(QPainter& painter) {
    const int W = width(), H = height();
    FillLTRB(painter, 1, 1, W - 1, H - 1, m_color);
    DrawContent(painter, 2, m_overCol);
    DrawBlackFrame(painter, W, H);
}

bool TIQGrap::HasPicture() const {
    return !m_glyph.isNull() || (m_images && m_imageIndex != -1);
}

void TIQGrap::UpdateWorkingImage() {
    if (!m_glyph.isNull()) {
        m_workingImage = m_glyph;
        m_workingTransparent = m_glyphTransparent;
        PrepareImage();
        return;
    }
    if (!m_images) {
        return;
    }
    m_workingImage = QImage();
    m_workingTransparent.reset();
    if (m_imageIndex < 0 || m_imageIndex >= m_images->Count()) {
        return;
    }
    m_workingImage = QImage(m_images->Width(), m_images->Height(), QImage::Format_RGB32);
    m_workingImage.fill(ToQColor(m_color));
    {
        QPainter onImage(&m_workingImage);
        m_images->Draw(onImage, 0, 0, m_imageIndex);
    }
    m_workingTransparent = m_color;
    PrepareImage();
}

void TIQGrap::DrawContent(QPainter& painter, int offset, TColor textColor) {
    const QFontMetrics metrics = fontMetrics();
    const QSize text(metrics.horizontalAdvance(m_caption), metrics.height());
    UpdateWorkingImage();
    if (!HasPicture()) {
        DrawCaption(painter, CentredCaption(size(), text, offset), textColor);
        return;
    }
    const QSize picture = m_workingImage.isNull() ? QSize(0, 0) : m_workingImage.size();
    if (m_caption.isEmpty()) {
        if (!m_workingImage.isNull()) {
            painter.drawImage(CentredPicture(size(), picture, offset).topLeft(), m_workingImage);
        }
        return;
    }
    const TContentPlaces places = ContentPlaces(m_glyphAlign, size(), text, picture, offset);
    if (places.pictureFirst) {
        DrawPicture(painter, places.picture.x(), places.picture.y());
        DrawCaption(painter, places.caption, textColor);
    } else {
        DrawCaption(painter, places.caption, textColor);
        DrawPicture(painter, places.picture.x(), places.picture.y());
    }
}

void TIQGrap::DrawPicture(QPainter& painter, int x, int y) {
    if (!m_glyph.isNull()) {
        painter.drawImage(x, y, m_workingImage);
        return;
    }
    if (!m_images) {
        return;
    }
    if (isEnabled()) {
        m_images->Draw(painter, x, y, m_imageIndex);
    } else {
        DrawDisabledImage(painter, *m_images, x, y, m_imageIndex, clBtnHighlight, clBtnShadow,
                          true);
    }
}

void TIQGrap::DrawCaption(QPainter& painter, QPoint at, TColor textColor) {
    // One line of plain text over its own cell in the face colour; '&' is just a character.
    const QFontMetrics metrics = fontMetrics();
    const QRect cell(at, QSize(metrics.horizontalAdvance(m_caption), metrics.height()));
    if (cell.isEmpty()) {
        return;
    }
    painter.fillRect(cell, ToQColor(m_color));
    painter.setPen(ToQColor(textColor));
    painter.drawText(QPoint(at.x(), at.y() + metrics.ascent()), m_caption);
}

} // namespace onarim
