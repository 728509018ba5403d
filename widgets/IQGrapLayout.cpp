#include "widgets/IQGrapLayout.h"

namespace onarim {

QPoint CentredCaption(QSize button, QSize text, int offset) {
    return {Half(button.width()) - Half(text.width()) + offset,
            Half(button.height()) - Half(text.height()) + offset};
}

QRect CentredPicture(QSize button, QSize picture, int offset) {
    const int left = Half(button.width()) - Half(picture.width()) + offset;
    const int top = Half(button.height()) - Half(picture.height()) + offset;
    return {left, top, picture.width(), picture.height()};
}

TContentPlaces ContentPlaces(TGlyphAlign align, QSize button, QSize text, QSize picture,
                             int offset) {
    const int W = button.width(), H = button.height();
    const int tw = text.width(), th = text.height();
    const int bw = picture.width(), bh = picture.height();
    const int o = offset;
    switch (align) {
    case TGlyphAlign::poLeft:
        return {{Half(bw - tw) + Half(W) + 4 + o, Half(H) - Half(th) + o},
                {Half(W) - Half(tw + bw) - 1 + o, Half(H) - Half(bh) + o},
                false};
    case TGlyphAlign::poRight: {
        const int L = Half(W) - Half(bw + tw) - 1;
        return {{L + o, Half(H) - Half(th) + o}, {L + tw + 5 + o, Half(H) - Half(bh) + o}, false};
    }
    case TGlyphAlign::poTop: {
        const int T = Half(H) - Half(bh + th) - 1;
        const int X = Half(W) - Half(bw);
        return {{Half(W) - Half(tw) + o, T + bh + o}, {X + o, T + o}, true};
    }
    case TGlyphAlign::poBottom:
    default: {
        const int T = Half(H) - Half(bh + th) - 1;
        const int X = Half(W) - Half(bw);
        return {{Half(W) - Half(tw) + o, T + o}, {X + o, T + th + o}, true};
    }
    }
}

QPoint HoverCaption(TGlyphAlign align, QSize button, QSize text, QSize workingPicture) {
    if (workingPicture.isEmpty()) {
        return CentredCaption(button, text, 0);
    }
    return ContentPlaces(align, button, text, workingPicture, 0).caption;
}

} // namespace onarim
