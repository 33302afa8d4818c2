#include "platform/Pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>

QPixmap buttonPicture(const QString &caption, bool highlighted, QSize size, QColor base)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor top = highlighted ? base.lighter(160) : base.lighter(120);
    const QColor bottom = highlighted ? base.lighter(115) : base.darker(130);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setBrush(g);
    p.setPen(QPen(highlighted ? QColor(255, 215, 0) : base.darker(180), highlighted ? 2.5 : 1.2));
    p.drawRoundedRect(QRectF(1.5, 1.5, size.width() - 3, size.height() - 3), 8, 8);
    QFont font(QStringLiteral("B Nazanin"));
    font.setBold(true);
    font.setPixelSize(size.height() * 45 / 100);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter, caption);
    return pixmap;
}
