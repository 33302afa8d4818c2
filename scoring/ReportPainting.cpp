#include "scoring/ReportPainting.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>

namespace {
constexpr double kTwipsPerPoint = 20.0;
}

ReportCanvas::ReportCanvas(QPainter &painter, QPagedPaintDevice &device, int reportWidth)
    : m_painter(painter), m_device(device), m_reportWidth(reportWidth)
{
    setUp();
}

void ReportCanvas::setUp()
{
    // The painter starts at the top left of the printable area in device
    // pixels; from here on one unit is one twip.
    const QRectF printable = m_device.pageLayout().paintRect(QPageLayout::Point);
    const double width = printable.width() * kTwipsPerPoint;
    m_pageHeight = printable.height() * kTwipsPerPoint;
    m_painter.resetTransform();
    const double scale = m_device.logicalDpiX() / 1440.0;
    m_painter.scale(scale, m_device.logicalDpiY() / 1440.0);
    m_painter.translate(qMax(0.0, (width - m_reportWidth) / 2.0), 0);
    m_painter.setLayoutDirection(Qt::RightToLeft);
    m_painter.setRenderHint(QPainter::Antialiasing, true);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
}

bool ReportCanvas::newPage()
{
    const bool ok = m_device.newPage();
    setUp();
    return ok;
}

void ReportCanvas::label(const QRect &box, const QString &text, const QFont &font, Qt::Alignment alignment,
                         bool wrap, Qt::LayoutDirection direction)
{
    if (text.isEmpty())
        return;
    // A little room at the aligned edge, so that a caption and the value
    // beside it never touch.
    constexpr int kPadding = 45;
    QRect inner = box;
    if (alignment & (Qt::AlignLeft | Qt::AlignRight))
        inner.adjust(kPadding, 0, -kPadding, 0);
    // A one-line text wider than its box is set smaller to fit, down to a
    // little over half its size; beyond that it is clipped.
    QFont used = font;
    if (!wrap && used.pixelSize() > 0) {
        const double width = QFontMetricsF(used).horizontalAdvance(text);
        if (width > inner.width() && width > 0) {
            const double scale = qMax(0.55, inner.width() / width);
            used.setPixelSize(qMax(1, int(used.pixelSize() * scale)));
        }
    }
    m_painter.save();
    m_painter.setLayoutDirection(direction);
    m_painter.setFont(used);
    m_painter.setPen(Qt::black);
    m_painter.setClipRect(box);
    int flags = int(alignment) | Qt::AlignAbsolute;
    if (wrap)
        flags |= Qt::TextWordWrap;
    m_painter.drawText(inner, flags, text);
    m_painter.restore();
}

void ReportCanvas::box(const QRect &area, const QColor &colour)
{
    m_painter.fillRect(area, colour);
}

void ReportCanvas::hLine(int left, int right, int y)
{
    m_painter.save();
    m_painter.setPen(QPen(Qt::black, 15));  // one pixel at 96 DPI
    m_painter.drawLine(QPoint(left, y), QPoint(right, y));
    m_painter.restore();
}

void ReportCanvas::vLine(int x, int top, int bottom)
{
    m_painter.save();
    m_painter.setPen(QPen(Qt::black, 15));
    m_painter.drawLine(QPoint(x, top), QPoint(x, bottom));
    m_painter.restore();
}

QFont reportFont(const QString &family, double points, bool bold)
{
    QFont font(family);
    font.setPixelSize(qRound(points * kTwipsPerPoint));
    font.setBold(bold);
    return font;
}

QPageLayout reportPageLayout(int reportWidth, int topBottomMargin)
{
    const QPageSize a4(QPageSize::A4);
    const double sideTwips = qMax(0.0, (a4.size(QPageSize::Point).width() * kTwipsPerPoint - reportWidth) / 2.0);
    const double side = sideTwips / kTwipsPerPoint;
    const double topBottom = topBottomMargin / kTwipsPerPoint;
    return QPageLayout(a4, QPageLayout::Portrait, QMarginsF(side, topBottom, side, topBottom), QPageLayout::Point);
}
