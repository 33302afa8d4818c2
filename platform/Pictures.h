#pragma once
#include <QColor>
#include <QPixmap>
#include <QString>

// The picture buttons the windows show in two states: a rounded plate with a
// caption, lighter and ringed when highlighted.
QPixmap buttonPicture(const QString &caption, bool highlighted, QSize size = QSize(96, 35),
                      QColor base = QColor(0x2e, 0x7d, 0x32));
