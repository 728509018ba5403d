#include "gui/PasswordBanner.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace onarim {

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 59;

// A key lying along the x axis with its bow at the origin, `length` long.
QPainterPath KeyShape(qreal length) {
    const qreal bow = length * 0.22;
    QPainterPath key;
    key.addEllipse(QPointF(0, 0), bow, bow);
    QPainterPath hole;
    hole.addEllipse(QPointF(-bow * 0.2, 0), bow * 0.4, bow * 0.4);
    key = key.subtracted(hole);
    const qreal shaft = bow * 0.35;
    key.addRect(QRectF(bow * 0.8, -shaft / 2, length - bow, shaft));
    key.addRect(QRectF(length - bow * 0.9, shaft / 2, bow * 0.3, bow * 0.6));
    key.addRect(QRectF(length - bow * 0.4, shaft / 2, bow * 0.3, bow * 0.8));
    return key.simplified();
}

void DrawKey(QPainter& painter, QPointF at, qreal angle, qreal length, QColor fill, QColor edge) {
    painter.save();
    painter.translate(at);
    painter.rotate(angle);
    painter.setPen(QPen(edge, 1));
    painter.setBrush(fill);
    painter.drawPath(KeyShape(length));
    painter.restore();
}

} // namespace

QImage DrawPasswordBanner() {
    QImage banner(kWidth, kHeight, QImage::Format_RGB888);
    QPainter painter(&banner);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient gradient(0, 0, kWidth, 0);
    gradient.setColorAt(0.0, QColor(250, 250, 255));
    gradient.setColorAt(1.0, QColor(30, 60, 200));
    painter.fillRect(banner.rect(), gradient);

    DrawKey(painter, QPointF(240, 28), -20, 90, QColor(255, 255, 255, 40),
            QColor(255, 255, 255, 60));
    DrawKey(painter, QPointF(16, 20), 25, 46, QColor(230, 180, 40), QColor(120, 80, 0));
    DrawKey(painter, QPointF(22, 40), -15, 44, QColor(200, 200, 210), QColor(80, 80, 90));

    painter.fillRect(QRect(0, kHeight - 2, kWidth, 2), QColor(255, 140, 0));
    painter.fillRect(QRect(0, kHeight - 1, 1, 1), Qt::white);
    painter.end();
    return banner;
}

} // namespace onarim
