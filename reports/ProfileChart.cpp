#include "reports/ProfileChart.h"

#include "scoring/ScoringKey.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>

#include <cmath>

namespace {
const QColor kText(0x22, 0x22, 0x22);
const QColor kBar(0x2e, 0x6b, 0x5c);
const QColor kBarEdge(0x1d, 0x4a, 0x3f);
const QColor kGrid(0xc4, 0xcc, 0xc8);
const QColor kStripe(0x2e, 0x6b, 0x5c, 0x14);

QFont scaled(QFont font, double factor)
{
    if (font.pixelSize() > 0)
        font.setPixelSize(qMax(1, int(font.pixelSize() * factor)));
    else
        font.setPointSizeF(qMax(1.0, font.pointSizeF() * factor));
    return font;
}

constexpr int kRows = ScoringKey::kSubscaleCount;
}  // namespace

namespace ProfileChart {

Score scaleValue(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    // "nan" and "inf" read as numbers but are no score.
    if (!ok || !std::isfinite(v))
        return {};
    return {true, qBound(0.0, v, double(kScaleMax))};
}

Layout layout(const QStringList &scores, const QRectF &area, const QFont &font)
{
    Layout out;
    const auto &subscales = ScoringKey::subscales();

    // The text must fit a row: the rows share the height left above the
    // scale's numbers, which take about one and a half lines. (Persian
    // typefaces keep room above and below their letters: a line may fill a
    // row to the brim.)
    QFont used = font;
    {
        const double lineHeight = QFontMetricsF(used).height();
        const double rowHeight = area.height() / (kRows + 1.5);
        if (lineHeight > rowHeight * 1.1 && lineHeight > 0)
            used = scaled(used, rowHeight * 1.1 / lineHeight);
    }
    // The captions take at most two fifths of the width.
    {
        const QFontMetricsF metrics(used);
        const double pad = metrics.averageCharWidth();
        double widest = 0;
        for (const auto &s : subscales)
            widest = qMax(widest, metrics.horizontalAdvance(QString::fromUtf8(s.caption)));
        const double room = area.width() * 0.4 - 2 * pad;
        if (widest > room && widest > 0)
            used = scaled(used, qMax(0.3, room / widest));
    }
    out.font = used;

    const QFontMetricsF metrics(used);
    const double pad = metrics.averageCharWidth();
    double widest = 0;
    for (const auto &s : subscales)
        widest = qMax(widest, metrics.horizontalAdvance(QString::fromUtf8(s.caption)));
    const double captionWidth = qMin(widest + 2 * pad, area.width() * 0.4);
    const double axisHeight = metrics.height() * 1.5;
    const double rowHeight = qMax(0.0, (area.height() - axisHeight) / kRows);
    // Room at the left for the value beside a full bar and for half of "30".
    const double valueWidth = metrics.horizontalAdvance(QStringLiteral("000"));
    const double margin = valueWidth + pad / 2;

    out.baseline = area.right() - captionWidth;
    const double plotLeft = area.left() + margin;
    out.fullLength = qMax(0.0, out.baseline - plotLeft);
    out.plot = QRectF(out.baseline - out.fullLength, area.top(), out.fullLength, rowHeight * kRows);

    const double barHeight = rowHeight * 0.62;
    for (int i = 0; i < kRows; ++i) {
        Row &row = out.rows[size_t(i)];
        const double top = area.top() + i * rowHeight;
        row.caption = QString::fromUtf8(subscales[size_t(i)].caption);
        row.text = i < scores.size() ? scores[i].trimmed() : QString();
        row.captionBox = QRectF(out.baseline, top, captionWidth, rowHeight);
        const Score score = scaleValue(row.text);
        row.hasBar = score.valid;
        row.value = score.value;
        if (!score.valid)
            continue;
        const double length = out.fullLength * score.value / kScaleMax;
        const double end = out.baseline - length;
        row.bar = QRectF(end, top + (rowHeight - barHeight) / 2, length, barHeight);
        const double width = qMax(valueWidth, metrics.horizontalAdvance(row.text));
        row.valueBox = QRectF(end - pad / 3 - width, top, width, rowHeight);
    }
    for (int value = 0; value <= kScaleMax; value += kTickStep) {
        Tick tick;
        tick.value = value;
        tick.x = out.baseline - out.fullLength * value / kScaleMax;
        const double width = metrics.horizontalAdvance(QString::number(value)) + pad;
        tick.labelBox = QRectF(tick.x - width / 2, out.plot.bottom() + metrics.height() * 0.2, width,
                               metrics.height() * 1.2);
        out.ticks << tick;
    }
    return out;
}

namespace {
// Lines grow with the chart, so that it reads the same on a window and on paper.
double lineUnit(const Layout &chart) { return qMax(chart.plot.height() / kRows / 28.0, 0.5); }

// The striped rows, the scale's lines and the axis below them; the painter
// is left set up for the chart (antialiased, right to left, its font).
void paintScale(QPainter &painter, const Layout &chart, const QRectF &area)
{
    const double rowHeight = chart.plot.height() / kRows;
    const double unit = lineUnit(chart);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setLayoutDirection(Qt::RightToLeft);
    painter.setFont(chart.font);

    // Every other row lightly shaded, captions included, to guide the eye.
    for (int i = 1; i < kRows; i += 2) {
        const QRectF band(area.left(), chart.plot.top() + i * rowHeight, area.width(), rowHeight);
        painter.fillRect(band, kStripe);
    }
    // The scale's lines, then the baseline of 0 over them.
    painter.setPen(QPen(kGrid, unit, Qt::DotLine));
    for (const Tick &tick : chart.ticks)
        if (tick.value != 0)
            painter.drawLine(QPointF(tick.x, chart.plot.top()), QPointF(tick.x, chart.plot.bottom()));
    painter.setPen(QPen(kText, unit));
    painter.drawLine(chart.plot.bottomLeft(), chart.plot.bottomRight());
    for (const Tick &tick : chart.ticks)
        painter.drawLine(QPointF(tick.x, chart.plot.bottom()), QPointF(tick.x, chart.plot.bottom() + 3 * unit));
}

// The baseline of 0 and the numbers of the scale, over whatever the rows hold.
void paintBaseline(QPainter &painter, const Layout &chart)
{
    painter.setPen(QPen(kText, 2 * lineUnit(chart)));
    painter.drawLine(QPointF(chart.baseline, chart.plot.top()), QPointF(chart.baseline, chart.plot.bottom()));
    painter.setPen(kText);
    for (const Tick &tick : chart.ticks)
        painter.drawText(tick.labelBox, Qt::AlignHCenter | Qt::AlignTop | Qt::AlignAbsolute,
                         QString::number(tick.value));
}

void paintMark(QPainter &painter, const QPointF &at, double size, bool square)
{
    const QRectF box(at.x() - size / 2, at.y() - size / 2, size, size);
    if (square)
        painter.drawRect(box);
    else
        painter.drawEllipse(box);
}
}  // namespace

void paint(QPainter &painter, const QStringList &scores, const QRectF &area, const QFont &font,
           const QList<double> &spreads)
{
    const Layout chart = layout(scores, area, font);
    const double rowHeight = chart.plot.height() / kRows;
    if (rowHeight <= 0)
        return;
    const double unit = lineUnit(chart);
    const double pad = QFontMetricsF(chart.font).averageCharWidth();

    painter.save();
    paintScale(painter, chart, area);

    for (const Row &row : chart.rows) {
        if (row.hasBar && row.bar.width() > 0) {
            painter.setPen(QPen(kBarEdge, unit * 0.8));
            painter.setBrush(kBar);
            painter.drawRect(row.bar);
        }
        painter.setPen(kText);
        painter.drawText(row.captionBox.adjusted(0, 0, -pad, 0),
                         Qt::AlignRight | Qt::AlignVCenter | Qt::AlignAbsolute, row.caption);
        if (row.hasBar)
            painter.drawText(row.valueBox, Qt::AlignRight | Qt::AlignVCenter | Qt::AlignAbsolute, row.text);
    }
    // ±1 SD under each bar, held within the scale.
    painter.setPen(QPen(kText, unit * 1.2));
    for (int i = 0; i < kRows; ++i) {
        const Row &row = chart.rows[size_t(i)];
        if (!row.hasBar || i >= spreads.size() || !(spreads[i] > 0))
            continue;
        auto x = [&](double v) { return chart.baseline - chart.fullLength * qBound(0.0, v, double(kScaleMax)) / kScaleMax; };
        const double y = row.bar.bottom() + (rowHeight - row.bar.height()) / 4;
        const double low = x(row.value - spreads[i]);
        const double high = x(row.value + spreads[i]);
        const double cap = rowHeight * 0.12;
        painter.drawLine(QPointF(low, y), QPointF(high, y));
        painter.drawLine(QPointF(low, y - cap), QPointF(low, y + cap));
        painter.drawLine(QPointF(high, y - cap), QPointF(high, y + cap));
    }
    paintBaseline(painter, chart);
    painter.restore();
}

void paintLines(QPainter &painter, const QList<Line> &lines, const QRectF &area, const QFont &font)
{
    // The geometry does not depend on the scores: the first line's will do.
    const Layout chart = layout(lines.isEmpty() ? QStringList() : lines.first().scores, area, font);
    const double rowHeight = chart.plot.height() / kRows;
    if (rowHeight <= 0)
        return;
    const double unit = lineUnit(chart);
    const double pad = QFontMetricsF(chart.font).averageCharWidth();

    painter.save();
    paintScale(painter, chart, area);
    painter.setPen(kText);
    for (const Row &row : chart.rows)
        painter.drawText(row.captionBox.adjusted(0, 0, -pad, 0), Qt::AlignRight | Qt::AlignVCenter | Qt::AlignAbsolute,
                         row.caption);
    paintBaseline(painter, chart);

    for (const Line &line : lines) {
        const Layout points = layout(line.scores, area, font);
        QPen pen(line.colour, 2.4 * unit, line.style, Qt::FlatCap, Qt::RoundJoin);
        // A dashed line's pattern is in widths of the pen: kept the same on paper and screen.
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        // A missing score breaks the line.
        QPolygonF run;
        auto flush = [&] {
            if (run.size() > 1)
                painter.drawPolyline(run);
            run.clear();
        };
        QList<QPointF> marks;
        for (const Row &row : points.rows) {
            if (!row.hasBar) {
                flush();
                continue;
            }
            const QPointF at(chart.baseline - chart.fullLength * row.value / kScaleMax, row.captionBox.center().y());
            run << at;
            marks << at;
        }
        flush();
        painter.setPen(QPen(line.colour, 1.2 * unit));
        painter.setBrush(line.squareMarks ? QBrush(Qt::white) : QBrush(line.colour));
        for (const QPointF &at : marks)
            paintMark(painter, at, rowHeight * 0.34, line.squareMarks);
    }
    painter.restore();
}

void paintKey(QPainter &painter, const QList<Line> &lines, const QRectF &area, const QFont &font)
{
    if (lines.isEmpty() || area.width() <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const double unit = qMax(area.height() / 14.0, 0.5);
    const double stretch = metrics.horizontalAdvance(QStringLiteral("0000000"));
    const double gap = metrics.averageCharWidth() * 2;
    // Right to left: the stretch of line, then its name at its left.
    double right = area.right();
    const double y = area.center().y();
    for (const Line &line : lines) {
        painter.setPen(QPen(line.colour, 2.4 * unit, line.style, Qt::FlatCap));
        painter.drawLine(QPointF(right - stretch, y), QPointF(right, y));
        painter.setPen(QPen(line.colour, 1.2 * unit));
        painter.setBrush(line.squareMarks ? QBrush(Qt::white) : QBrush(line.colour));
        paintMark(painter, QPointF(right - stretch / 2, y), area.height() * 0.45, line.squareMarks);
        right -= stretch + gap / 2;
        const double width = metrics.horizontalAdvance(line.name);
        painter.setPen(kText);
        painter.drawText(QRectF(right - width, area.top(), width, area.height()),
                         Qt::AlignRight | Qt::AlignVCenter | Qt::AlignAbsolute, line.name);
        right -= width + gap * 2;
    }
    painter.restore();
}

}  // namespace ProfileChart

ProfileChartWidget::ProfileChartWidget(QWidget *parent) : QWidget(parent)
{
    setLayoutDirection(Qt::RightToLeft);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ProfileChartWidget::setScores(const QStringList &scores)
{
    if (scores == m_scores)
        return;
    m_scores = scores;
    update();
}

QRectF ProfileChartWidget::chartArea() const { return QRectF(rect()).adjusted(8, 8, -8, -6); }

ProfileChart::Layout ProfileChartWidget::chartLayout() const
{
    return ProfileChart::layout(m_scores, chartArea(), font());
}

void ProfileChartWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // A light card of its own, whatever the window's skin.
    painter.fillRect(rect(), QColor(0xfd, 0xfb, 0xf5));
    ProfileChart::paint(painter, m_scores, chartArea(), font());
}
