#include "qt/window_icon.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace kelm9d {

QImage WindowIconImage() {
    QImage image(128, 128, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // The detector's housing.
    QLinearGradient housing(0, 8, 0, 112);
    housing.setColorAt(0, QColor(0x3d, 0x4f, 0x63));
    housing.setColorAt(1, QColor(0x1f, 0x2a, 0x36));
    p.setPen(QPen(QColor(0x12, 0x19, 0x21), 3));
    p.setBrush(housing);
    p.drawRoundedRect(QRectF(10, 10, 100, 100), 12, 12);

    // The sensitive area, with its pixel grid.
    QLinearGradient panel(20, 20, 100, 100);
    panel.setColorAt(0, QColor(0x9f, 0xd8, 0xf0));
    panel.setColorAt(1, QColor(0x3f, 0x8f, 0xc6));
    p.setPen(Qt::NoPen);
    p.setBrush(panel);
    p.drawRect(QRectF(22, 22, 76, 76));
    p.setPen(QPen(QColor(255, 255, 255, 70), 1));
    for (int k = 1; k < 8; ++k) {
        const double at = 22 + k * 76.0 / 8;
        p.drawLine(QPointF(at, 22), QPointF(at, 98));
        p.drawLine(QPointF(22, at), QPointF(98, at));
    }

    // An exposure: a soft bright spot.
    QRadialGradient spot(QPointF(52, 50), 26);
    spot.setColorAt(0, QColor(255, 255, 255, 200));
    spot.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(spot);
    p.drawEllipse(QPointF(52, 50), 26, 26);

    // The serial plug and its cable, bottom right.
    p.setBrush(QColor(0xe8, 0xa3, 0x3d));
    p.setPen(QPen(QColor(0x6b, 0x45, 0x10), 2));
    QPainterPath plug;
    plug.moveTo(86, 96);
    plug.lineTo(120, 96);
    plug.lineTo(114, 118);
    plug.lineTo(92, 118);
    plug.closeSubpath();
    p.drawPath(plug);
    p.setBrush(QColor(0x6b, 0x45, 0x10));
    p.setPen(Qt::NoPen);
    for (int pin = 0; pin < 4; ++pin) {
        p.drawEllipse(QPointF(94 + pin * 6.5, 104), 1.8, 1.8);
    }
    for (int pin = 0; pin < 3; ++pin) {
        p.drawEllipse(QPointF(97 + pin * 6.5, 111), 1.8, 1.8);
    }
    p.end();
    return image;
}

}  // namespace kelm9d
