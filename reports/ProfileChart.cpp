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

void paint(QPainter &painter, const QStringList &scores, const QRectF &area, const QFont &font,
           const QList<double> &spreads)
{
    const Layout chart = layout(scores, area, font);
    const double rowHeight = chart.plot.height() / kRows;
    if (rowHeight <= 0)
        return;
    // Lines grow with the chart, so that it reads the same on a window and on paper.
    const double unit = qMax(rowHeight / 28.0, 0.5);
    const double pad = QFontMetricsF(chart.font).averageCharWidth();

    painter.save();
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
    painter.setPen(QPen(kText, 2 * unit));
    painter.drawLine(QPointF(chart.baseline, chart.plot.top()), QPointF(chart.baseline, chart.plot.bottom()));
    painter.setPen(kText);
    for (const Tick &tick : chart.ticks)
        painter.drawText(tick.labelBox, Qt::AlignHCenter | Qt::AlignTop | Qt::AlignAbsolute,
                         QString::number(tick.value));
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
