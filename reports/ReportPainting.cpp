#include "reports/ReportPainting.h"

#include <QDir>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>
#include "platform/SafeFile.h"

#include <QIODevice>
#include <QVarLengthArray>

namespace {
constexpr double kTwipsPerPoint = 20.0;
}

ReportCanvas::ReportCanvas(QPainter &painter, double dpiX, double dpiY, const QSizeF &printable, int reportWidth)
    : m_painter(painter), m_printable(printable)
{
    m_painter.scale(dpiX / 1440.0, dpiY / 1440.0);
    m_painter.translate(qMax(0.0, (printable.width() - reportWidth) / 2.0), 0);
    m_painter.setLayoutDirection(Qt::RightToLeft);
    m_painter.setRenderHint(QPainter::Antialiasing, true);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
    // Rules are one pixel at 96 DPI; text is black. Nothing else changes the
    // pen, so it is set once per page.
    m_painter.setPen(QPen(Qt::black, 15));
}

ReportCanvas::~ReportCanvas() = default;

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
        m_painter.setClipRect(box, Qt::IntersectClip);
    }
    if (direction != Qt::RightToLeft)
        m_painter.setLayoutDirection(direction);
    m_painter.setFont(used);
    m_painter.drawText(inner, flags, text);
    if (direction != Qt::RightToLeft)
        m_painter.setLayoutDirection(Qt::RightToLeft);
    if (clip)
        m_painter.restore();
}

void ReportCanvas::box(const QRect &area, const QColor &colour) { m_painter.fillRect(area, colour); }

void ReportCanvas::hLine(int left, int right, int y) { m_painter.drawLine(QPoint(left, y), QPoint(right, y)); }

void ReportCanvas::vLines(const int *xs, int count, int top, int bottom)
{
    QVarLengthArray<QLine, 32> lines;
    for (int i = 0; i < count; ++i)
        lines.append(QLine(xs[i], top, xs[i], bottom));
    m_painter.drawLines(lines.constData(), int(lines.size()));
}

int PagedReport::pageCount() const { return pageCount(printableTwips(pageLayout()).height()); }

void PagedReport::render(QPagedPaintDevice *device) const
{
    if (!device)
        return;
    QPainter painter(device);
    if (!painter.isActive())
        return;
    // The painter starts at the top left of the printable area, in device pixels.
    const QSizeF printable = printableTwips(device->pageLayout());
    const int pages = pageCount(printable.height());
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            device->newPage();
        painter.save();
        ReportCanvas canvas(painter, device->logicalDpiX(), device->logicalDpiY(), printable, reportWidth());
        paintPage(canvas, page);
        painter.restore();
    }
}

namespace {
// The PDF writer's output straight into a SafeFile, in the order it comes:
// whole or not at all, and a link at the name is replaced, never followed.
class SafeFileDevice : public QIODevice
{
public:
    explicit SafeFileDevice(SafeFile &file) : m_file(file) {}
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        if (!m_file.write(data, size)) {
            setErrorString(m_file.errorString());
            return -1;
        }
        return size;
    }

private:
    SafeFile &m_file;
};
}  // namespace

bool PagedReport::saveAsPdf(const QString &file, const QString &title, QString *error) const
{
    // A report of named subjects is its owner's alone, wherever it is saved (SafeFile makes it 0600).
    SafeFile out(file);
    SafeFileDevice device(out);
    if (!out.open() || !device.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("فايل گزارش ساخته نشد:\n%1\n%2").arg(QDir::toNativeSeparators(file),
                                                                        out.errorString());
        return false;
    }
    {
        QPdfWriter writer(&device);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Mehrsan"));
        writer.setPageLayout(pageLayout());
        render(&writer);
    }
    device.close();
    if (!out.commit()) {
        if (error)
            *error = QStringLiteral("فايل گزارش ذخيره نشد:\n%1\n%2").arg(QDir::toNativeSeparators(file),
                                                                        out.errorString());
        return false;
    }
    return true;
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

QSizeF printableTwips(const QPageLayout &layout)
{
    return layout.paintRect(QPageLayout::Point).size() * kTwipsPerPoint;
}
