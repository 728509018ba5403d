#include "gui/MainIcon.h"

#include <QPainter>
#include <QPixmap>

namespace onarim {

namespace {

const QColor kDrum(0, 122, 244);
const QColor kDrumTop(120, 190, 255);
const QColor kOutline(0, 40, 110);
const QColor kCross(220, 30, 30);

// The drum: a cylinder filling the left three quarters of the square.
void DrawDrum(QPainter& painter, qreal unit) {
    const QRectF body(1 * unit, 3 * unit, 10 * unit, 11 * unit);
    const qreal lid = 3 * unit;
    painter.setPen(QPen(kOutline, unit * 0.75));
    painter.setBrush(kDrum);
    painter.drawEllipse(QRectF(body.left(), body.bottom() - lid, body.width(), lid));
    painter.setPen(Qt::NoPen);
    painter.drawRect(QRectF(body.left(), body.top() + lid / 2, body.width(), body.height() - lid));
    painter.setPen(QPen(kOutline, unit * 0.75));
    painter.drawLine(QPointF(body.left(), body.top() + lid / 2),
                     QPointF(body.left(), body.bottom() - lid / 2));
    painter.drawLine(QPointF(body.right(), body.top() + lid / 2),
                     QPointF(body.right(), body.bottom() - lid / 2));
    painter.setBrush(kDrumTop);
    painter.drawEllipse(QRectF(body.left(), body.top(), body.width(), lid));
}

// The cross: white disc with a red plus, at the lower right.
void DrawCross(QPainter& painter, qreal unit) {
    const QPointF centre(11.5 * unit, 11.5 * unit);
    painter.setPen(QPen(kOutline, unit * 0.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, 3.9 * unit, 3.9 * unit);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kCross);
    painter.drawRect(QRectF(centre.x() - 1 * unit, centre.y() - 3 * unit, 2 * unit, 6 * unit));
    painter.drawRect(QRectF(centre.x() - 3 * unit, centre.y() - 1 * unit, 6 * unit, 2 * unit));
}

} // namespace

QImage DrawMainIcon(int size) {
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    DrawDrum(painter, unit);
    DrawCross(painter, unit);
    return icon;
}

QIcon MainIcon() {
    QIcon icon;
    for (const int size : {16, 32}) {
        icon.addPixmap(QPixmap::fromImage(DrawMainIcon(size)));
    }
    return icon;
}

} // namespace onarim
