#pragma once
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QRect>
#include <QSizeF>
#include <QString>
#include <QTransform>

#include <memory>

class QPagedPaintDevice;
class QPainter;

// Reports are laid out in twips (1/1440 inch), as their bands and controls are
// designed. A ReportCanvas sets a painter up for one page so that one unit is
// one twip and the origin is where the report's left edge belongs, whether
// the page goes to a printer, a PDF file or the screen.
class ReportCanvas
{
public:
    // `painter` stands at the top left of the printable area; `dpiX`/`dpiY`
    // are its device's pixels per inch; `printable` is the printable area in
    // twips. The report, `reportWidth` twips wide, is centred across it.
    ReportCanvas(QPainter &painter, double dpiX, double dpiY, const QSizeF &printable, int reportWidth);
    ~ReportCanvas();

    // Printable height of the page, in twips.
    double pageHeight() const { return m_printable.height(); }

    // A label: its text in the box, right to left unless told otherwise (a
    // caption written ":آدرس" is laid out left to right so that its colon ends
    // up after the word). Alignment is taken literally (left means left); a
    // one-line text too wide for its box is set smaller, and clipped when
    // even that is not enough.
    void label(const QRect &box, const QString &text, const QFont &font,
               Qt::Alignment alignment = Qt::AlignRight | Qt::AlignVCenter, bool wrap = false,
               Qt::LayoutDirection direction = Qt::RightToLeft);
    void box(const QRect &box, const QColor &colour);
    void hLine(int left, int right, int y);
    void vLines(const int *xs, int count, int top, int bottom);

    QPainter &painter() { return m_painter; }

private:
    QPainter &m_painter;
    QSizeF m_printable;
    // Metrics of the font measured last: most labels share one font.
    QFont m_metricsFont;
    std::unique_ptr<QFontMetricsF> m_metrics;
};

// A report that can draw any one of its pages: printed or saved page after
// page, previewed page by page as the operator scrolls.
class PagedReport
{
public:
    virtual ~PagedReport() = default;

    virtual QPageLayout pageLayout() const = 0;
    virtual int reportWidth() const = 0;
    // Number of pages for a printable height (twips).
    virtual int pageCount(double pageHeight) const = 0;
    // Draws page `page` (0-based) on a canvas set up for it.
    virtual void paintPage(ReportCanvas &canvas, int page) const = 0;

    // Pages on this report's own page layout.
    int pageCount() const;
    // Draws every page on a printer or PDF writer, with the device's own
    // page layout.
    void render(QPagedPaintDevice *device) const;
    // Writes the report to a PDF file; a half-written file never replaces an
    // existing one. On failure *error says why, in Persian.
    bool saveAsPdf(const QString &file, const QString &title, QString *error = nullptr) const;
};

// A report typeface at a point size given as designed (9.75, 14.25 ...),
// sized for the twip coordinates of a ReportCanvas.
QFont reportFont(const QString &family, double points, bool bold);

// A4 portrait with the given top and bottom margins and the side margins that
// centre a report of the given width (all in twips).
QPageLayout reportPageLayout(int reportWidth, int topBottomMargin);
// The printable area of a page layout, in twips.
QSizeF printableTwips(const QPageLayout &layout);
