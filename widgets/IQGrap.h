#pragma once

#include <cstdint>
#include <optional>

#include <QImage>
#include <QMenu>
#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include "widgets/Color.h"
#include "widgets/Events.h"
#include "widgets/ImageList.h"

namespace onarim {

// Where the picture stands relative to the caption.
enum class TGlyphAlign : std::uint8_t { poLeft = 0, poRight = 1, poTop = 2, poBottom = 3 };
using TPicPos = TGlyphAlign;

// The owner-drawn push button: a flat face, a light edge along the top and left, a dark edge
// along the right and bottom, a one-pixel black frame, and the caption with an optional
// picture. Hovered, the caption turns OverCol and the pointer a hand; held down, the edges go
// and the content moves two pixels right and down. OnClick fires when the left button, pressed
// on the button, is released over it.
//
// The button has no native window of its own (it paints on its parent's surface), never takes
// the keyboard focus and so cannot be worked from the keyboard. A disabled button
// (QWidget::setEnabled(false)) still receives the mouse: it keeps its normal look, shows no
// hover or press, fires nothing, and offers its PopupMenu on any press.
class TIQGrap : public QWidget {
public:
    // 100 x 30 pixels, face 0xFF8000, white light edge, yellow hover caption, font "Arial"
    // (or the system's sans font) bold 10 points in white, ShowHint on, ImageIndex -1.
    explicit TIQGrap(QWidget* owner = nullptr);
    ~TIQGrap() override;

    // Plain one-line text: an ampersand is drawn as it is. A change repaints later.
    QString Caption() const;
    void SetCaption(const QString& caption);

    // Face colour; repaints at once, also when unchanged.
    TColor Color() const;
    void SetColor(TColor color);

    // Colour of the light top and left edges; repaints at once, also when unchanged.
    TColor RaiseCol() const;
    void SetRaiseCol(TColor color);

    // Caption colour while hovered and pressed; shows at the next hover or press.
    TColor OverCol() const;
    void SetOverCol(TColor color);

    // Caption colour of the normal look (the font's colour); repaints at once.
    TColor FontColor() const;
    void SetFontColor(TColor color);

    // Where the picture stands; repaints at once when it changes.
    TGlyphAlign GlphyAlign() const;
    void SetGlphyAlign(TGlyphAlign align);

    // The picture shown with the caption; a copy is kept. Its transparent colour is the given
    // one, else the colour of its bottom-left pixel (white for a two-colour picture); those
    // pixels show in the face colour. A null image removes the picture. Repaints later.
    const QImage& Glpyh() const;
    void SetGlpyh(const QImage& picture);
    void SetGlpyh(const QImage& picture, TColor transparentColor);

    // Second source of the picture, used while Glpyh is empty; not owned. Any change of the
    // list repaints the button; a destroyed list counts as none. Repaints at once.
    TImageList* Images() const;
    void SetImages(TImageList* images);

    // Entry of Images to show; -1 for none. Repaints at once when it changes.
    int ImageIndex() const;
    void SetImageIndex(int index);

    // Menu offered at the pointer on a press of another button than the left one, or on any
    // press while disabled; not owned; a destroyed menu counts as none.
    QMenu* PopupMenu() const;
    void SetPopupMenu(QMenu* menu);

    // The tooltip text, shown while ShowHint is on and the text is not empty.
    QString Hint() const;
    void SetHint(const QString& hint);
    bool ShowHint() const;
    void SetShowHint(bool show);

    // Replaces the transparent colour of the working picture (the one actually drawn) by the
    // face colour, so that its background shows as face when it is copied unchanged.
    void PrepareImage();

    // Draws the list's entry at (x, y) in the embossed disabled look: the entry's opaque
    // pixels in the highlight colour one pixel down and right (only withHighlight), then in
    // the shadow colour at (x, y). An index out of range draws nothing.
    static void DrawDisabledImage(QPainter& painter, const TImageList& list, int x, int y,
                                  int index, TColor highlight, TColor shadow, bool withHighlight);

    // Enabled: QWidget::setEnabled; font: QWidget::setFont; place: setGeometry.
    TNotifyEvent OnClick;
    TMouseEvent OnMouseDown; // left press while enabled; again at (10, 10) on re-entering held
    TMouseEvent OnMouseUp;   // every button release while enabled, after the click
    TNotifyEvent OnMouseEnter, OnMouseLeave; // pointer enters / leaves while enabled

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    enum class Look { Normal, Hovered, Pressed };

    void HandlePress(QMouseEvent* event);
    void HandleMove(QMouseEvent* event);
    void HandleRelease(QMouseEvent* event);
    void PointerEntered();
    void PointerLeft();
    void ShowLook(Look look);
    void RepaintNow();
    void RepaintLater();
    void FirePress(TMouseButton button, TShiftState shift, int x, int y);
    void PaintNormal(QPainter& painter);
    void PaintHoverCaption(QPainter& painter);
    void PaintPressed(QPainter& painter);
    void DrawContent(QPainter& painter, int offset, TColor textColor);
    void UpdateWorkingImage();
    void DrawPicture(QPainter& painter, int x, int y);
    void DrawCaption(QPainter& painter, QPoint at, TColor textColor);
    bool HasPicture() const;

    QString caption_;
    TColor color_;
    TColor raiseCol_;
    TColor overCol_;
    TColor fontColor_;
    QPointer<QMenu> popupMenu_;
    QImage glyph_;
    std::optional<TColor> glyphTransparent_;
    TGlyphAlign glyphAlign_ = TGlyphAlign::poLeft;
    bool pressed_ = false;       // left press while enabled, until release or click
    bool clickPending_ = false;  // a left press (not a double click's second) on the button
    bool pointerInside_ = false;
    QImage workingImage_;                     // the picture actually drawn
    std::optional<TColor> workingTransparent_; // its transparent colour, when given
    QPointer<TImageList> images_;
    int imageIndex_ = -1;
    QMetaObject::Connection changeLink_;
    bool showHint_ = true;
    Look look_ = Look::Normal;
};

} // namespace onarim
