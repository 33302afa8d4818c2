#include "backup/ExitPictures.h"

#include "platform/Pictures.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr QSize kSize(96, 35);

// The plate of the common picture buttons, with the word on the right (where a
// Persian reader starts) and the sign in a round badge on the left.
void plateWithWord(const QString &word, bool highlighted, QColor base, QPainter &p, QPixmap &pixmap)
{
    pixmap = buttonPicture(QString(), highlighted, kSize, base);
    p.begin(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font(QStringLiteral("B Nazanin"));
    font.setBold(true);
    font.setPixelSize(16);
    p.setFont(font);
    p.setPen(highlighted ? QColor(255, 248, 200) : Qt::white);
    p.drawText(QRect(34, 0, kSize.width() - 40, kSize.height()), Qt::AlignCenter, word);
}

QRectF badge() { return QRectF(7, 6.5, 22, 22); }
}  // namespace

QPixmap confirmPicture(bool highlighted)
{
    QPixmap pixmap;
    QPainter p;
    plateWithWord(QStringLiteral("تاييد"), highlighted, QColor(0x2e, 0x7d, 0x32), p, pixmap);
    p.setPen(QPen(QColor(0x1b, 0x5e, 0x20), 1));
    p.setBrush(highlighted ? QColor(255, 255, 255) : QColor(240, 244, 240));
    p.drawEllipse(badge());
    QPainterPath tick;
    tick.moveTo(12.5, 18);
    tick.lineTo(16.5, 22.5);
    tick.lineTo(24, 12);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(highlighted ? QColor(0x00, 0xa0, 0x2c) : QColor(0x2e, 0x7d, 0x32), 3.2, Qt::SolidLine,
                  Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(tick);
    p.end();
    return pixmap;
}

QPixmap cancelPicture(bool highlighted)
{
    QPixmap pixmap;
    QPainter p;
    plateWithWord(QStringLiteral("انصراف"), highlighted, QColor(0x9a, 0x1b, 0x1b), p, pixmap);
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(highlighted ? QColor(0xff, 0x2a, 0x2a) : QColor(0xd3, 0x2f, 0x2f));
    p.drawEllipse(badge());
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    const QRectF b = badge();
    p.drawRoundedRect(QRectF(b.left() + 4.5, b.center().y() - 2.2, b.width() - 9, 4.4), 1, 1);
    p.end();
    return pixmap;
}
