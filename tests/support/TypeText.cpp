#include "TypeText.h"

#include <QtTest>

void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80 && c.isPrint()) {
            QTest::keyClick(widget, c.toLatin1());
        } else {
            const auto key = Qt::Key(c.toUpper().unicode());
            QTest::sendKeyEvent(QTest::Click, widget, key, QString(c), Qt::NoModifier);
        }
    }
}
