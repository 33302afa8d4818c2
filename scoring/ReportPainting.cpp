#include "scoring/ReportPainting.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <QVarLengthArray>

namespace {
constexpr double kTwipsPerPoint = 20.0;
}

ReportCanvas::ReportCanvas(QPainter &painter, QPagedPaintDevice &device, int reportWidth)
    : m_painter(painter), m_device(device), m_reportWidth(reportWidth)
{
    setUp();
}

ReportCanvas::~ReportCanvas() = default;

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
    // Rules are one pixel at 96 DPI; text is black. Nothing else changes the
    // pen, so it is set once per page.
    m_painter.setPen(QPen(Qt::black, 15));
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
    bool clip = wrap;
    if (!wrap && used.pixelSize() > 0) {
        if (!m_metrics || m_metricsFont != used) {
            m_metricsFont = used;
            m_metrics = std::make_unique<QFontMetricsF>(used);
        }
        const double width = m_metrics->horizontalAdvance(text);
        if (width > inner.width() && width > 0) {
            const double scale = inner.width() / width;
            used.setPixelSize(qMax(1, int(used.pixelSize() * qMax(0.55, scale))));
            clip = scale < 0.55;
        }
    }
    int flags = int(alignment) | Qt::AlignAbsolute;
    if (wrap)
        flags |= Qt::TextWordWrap;
    // Most labels fit: they are drawn without saving the painter's state or
    // clipping, which keeps large reports small and quick.
    if (clip) {
        m_painter.save();
        m_painter.setClipRect(box);
    }
    if (m_painter.layoutDirection() != direction)
        m_painter.setLayoutDirection(direction);
    m_painter.setFont(used);
    m_painter.drawText(inner, flags, text);
    if (clip)
        m_painter.restore();
    if (direction != Qt::RightToLeft)
        m_painter.setLayoutDirection(Qt::RightToLeft);
}

void ReportCanvas::box(const QRect &area, const QColor &colour)
{
    m_painter.fillRect(area, colour);
}

void ReportCanvas::hLine(int left, int right, int y)
{
    m_painter.drawLine(QPoint(left, y), QPoint(right, y));
}

void ReportCanvas::vLine(int x, int top, int bottom)
{
    m_painter.drawLine(QPoint(x, top), QPoint(x, bottom));
}

void ReportCanvas::vLines(const int *xs, int count, int top, int bottom)
{
    QVarLengthArray<QLine, 32> lines;
    for (int i = 0; i < count; ++i)
        lines.append(QLine(xs[i], top, xs[i], bottom));
    m_painter.drawLines(lines.constData(), int(lines.size()));
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
