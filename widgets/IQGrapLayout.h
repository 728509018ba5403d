#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include "widgets/IQGrap.h"

namespace onarim {

// Where the graphic push button puts its caption and picture. Positions are relative to the
// button's top-left corner; offset is 0 for the normal look and 2 for the pressed one. Sizes
// may make intermediate values negative: halving drops the fraction toward zero.

// v / 2 with the fraction dropped toward zero: Half(-5) == -2.
constexpr int Half(int v) {
    return v / 2;
}

// Top-left corner of a caption of the given size shown alone, centred.
QPoint CentredCaption(QSize button, QSize text, int offset);

// The rectangle of a picture shown alone (empty caption), centred.
QRect CentredPicture(QSize button, QSize picture, int offset);

// Caption and picture together, placed by align; pictureFirst tells the drawing order.
struct TContentPlaces {
    QPoint caption;
    QPoint picture;
    bool pictureFirst;
};
TContentPlaces ContentPlaces(TGlyphAlign align, QSize button, QSize text, QSize picture,
                             int offset);

// Where the hover look redraws the caption: centred when the working picture is empty (even
// when an image list entry is expected), else as ContentPlaces with offset 0.
QPoint HoverCaption(TGlyphAlign align, QSize button, QSize text, QSize workingPicture);

} // namespace onarim
