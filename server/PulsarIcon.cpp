#include "server/PulsarIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace
{

QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 32.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1b, 0x7f, 0x3b));
    painter.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    QPainterPath pulse;
    pulse.moveTo(5 * unit, 17 * unit);
    pulse.lineTo(11 * unit, 17 * unit);
    pulse.lineTo(14 * unit, 8 * unit);
    pulse.lineTo(18 * unit, 25 * unit);
    pulse.lineTo(21 * unit, 15 * unit);
    pulse.lineTo(27 * unit, 15 * unit);
    painter.setPen(QPen(Qt::white, 2.5 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(pulse);
    return pixmap;
}

} // namespace

QIcon PulsarIcon()
{
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64})
        icon.addPixmap(drawIcon(size));
    return icon;
}
