#pragma once
#include <QPoint>
#include <QSize>

// Window positions and sizes are given in twips (1/1440 inch): 15 twips make
// one pixel at 96 DPI. Qt's logical pixels are already DPI-scaled, so the
// conversion is fixed.
constexpr int twips(int value) { return (value + 7) / 15; }
constexpr QPoint twipsPoint(int left, int top) { return QPoint(twips(left), twips(top)); }
constexpr QSize twipsSize(int width, int height) { return QSize(twips(width), twips(height)); }
