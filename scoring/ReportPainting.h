#pragma once
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QRect>
#include <QString>

#include <memory>

class QPagedPaintDevice;
class QPainter;

// Reports are laid out in twips (1/1440 inch), as their bands and controls are
// designed. A ReportCanvas puts a painter on a printer or PDF page so that one
// unit is one twip and the origin is where the report's left edge belongs.
class ReportCanvas
{
public:
    // Starts painting on the device; the report is `reportWidth` twips wide and
    // is centred across the printable width.
    ReportCanvas(QPainter &painter, QPagedPaintDevice &device, int reportWidth);
    ~ReportCanvas();

    // Printable height of a page, in twips.
    double pageHeight() const { return m_pageHeight; }
    bool newPage();

    // A label: its text in the box, right to left unless told otherwise (a
    // caption written ":آدرس" is laid out left to right so that its colon ends
    // up after the word). Alignment is taken literally (left means left); text
    // that does not fit the box is clipped to it.
    void label(const QRect &box, const QString &text, const QFont &font,
               Qt::Alignment alignment = Qt::AlignRight | Qt::AlignVCenter, bool wrap = false,
               Qt::LayoutDirection direction = Qt::RightToLeft);
    void box(const QRect &box, const QColor &colour);
    void hLine(int left, int right, int y);
    void vLine(int x, int top, int bottom);
    void vLines(const int *xs, int count, int top, int bottom);

    QPainter &painter() { return m_painter; }

private:
    void setUp();

    QPainter &m_painter;
    QPagedPaintDevice &m_device;
    int m_reportWidth;
    double m_pageHeight = 0;
    // Metrics of the font measured last: most labels share one font.
    QFont m_metricsFont;
    std::unique_ptr<QFontMetricsF> m_metrics;
};

// A report typeface at a point size given as designed (9.75, 14.25 ...),
// sized for the twip coordinates of a ReportCanvas.
QFont reportFont(const QString &family, double points, bool bold);

// A4 portrait with the given top and bottom margins and the side margins that
// centre a report of the given width (all in twips).
QPageLayout reportPageLayout(int reportWidth, int topBottomMargin);
