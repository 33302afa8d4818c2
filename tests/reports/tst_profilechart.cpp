#include "DesignedKey.h"

#include "platform/Startup.h"
#include "reports/ProfileChart.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QtTest>

namespace {
// A bar's fill: dark green, far from the white page and the light stripes.
bool isBar(QRgb pixel) { return qGreen(pixel) < 140 && qGreen(pixel) > qRed(pixel) + 30; }

QFont chartFont()
{
    QFont font(QStringLiteral("B Nazanin"));
    font.setPixelSize(13);
    return font;
}

QStringList scoresWith(const QList<QPair<int, QString>> &set)
{
    QStringList out(15, QString());
    for (const auto &[row, text] : set)
        out[row] = text;
    return out;
}
}  // namespace

class ProfileChartTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        setUpApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()));
    }
    void scoresOnTheScale();
    void barLengthsFollowTheScores();
    void readsRightToLeft();
    void paintsTheBarsItLaysOut();
    void smallAndEmptyAreas();
};

void ProfileChartTest::scoresOnTheScale()
{
    using ProfileChart::scaleValue;
    QVERIFY(!scaleValue(QString()).valid);
    QVERIFY(!scaleValue(QStringLiteral("  ")).valid);
    QVERIFY(!scaleValue(QStringLiteral("abc")).valid);
    QVERIFY(!scaleValue(QStringLiteral("12abc")).valid);
    QVERIFY(!scaleValue(QStringLiteral("nan")).valid);
    QVERIFY(!scaleValue(QStringLiteral("inf")).valid);
    QCOMPARE(scaleValue(QStringLiteral("0")).value, 0.0);
    QVERIFY(scaleValue(QStringLiteral("0")).valid);
    QCOMPARE(scaleValue(QStringLiteral(" 18 ")).value, 18.0);
    // Beyond the scale: held at its ends, still a score.
    QCOMPARE(scaleValue(QStringLiteral("31")).value, 30.0);
    QCOMPARE(scaleValue(QStringLiteral("450")).value, 30.0);
    QCOMPARE(scaleValue(QStringLiteral("99999999999999999999999")).value, 30.0);
    QCOMPARE(scaleValue(QStringLiteral("-4")).value, 0.0);
    QVERIFY(scaleValue(QStringLiteral("-4")).valid);
}

void ProfileChartTest::barLengthsFollowTheScores()
{
    const QStringList scores = scoresWith({{0, "0"},
                                           {1, "6"},
                                           {2, "15"},
                                           {3, "30"},
                                           {4, ""},
                                           {5, "abc"},
                                           {6, "45"},
                                           {7, "-3"},
                                           {8, " 12 "},
                                           {9, "24"}});
    for (const QRectF &area : {QRectF(0, 0, 340, 470), QRectF(330, 1500, 5670, 4800), QRectF(-50, 20, 900, 300)}) {
        const ProfileChart::Layout chart = ProfileChart::layout(scores, area, chartFont());
        const double full = chart.fullLength;
        QVERIFY(full > area.width() * 0.3);
        auto length = [&](int row) { return chart.rows[size_t(row)].bar.width(); };
        QCOMPARE(chart.rows[0].hasBar, true);
        QCOMPARE(length(0), 0.0);
        QCOMPARE(length(1), full / 5);
        QCOMPARE(length(2), full / 2);
        QCOMPARE(length(3), full);
        QCOMPARE(length(6), full);        // 45 held at 30
        QCOMPARE(length(7), 0.0);         // -3 held at 0
        QCOMPARE(length(8), full * 0.4);  // blanks around a number do not matter
        QCOMPARE(length(9), full * 0.8);
        // Empty, non-numeric and missing scores: no bar and no value.
        for (int row : {4, 5, 10, 11, 12, 13, 14}) {
            QVERIFY2(!chart.rows[size_t(row)].hasBar, qPrintable(QString::number(row)));
            QVERIFY(chart.rows[size_t(row)].bar.isNull());
        }
        // The value shown is the score as given, also beyond the scale.
        QCOMPARE(chart.rows[6].text, QStringLiteral("45"));
        QCOMPARE(chart.rows[7].text, QStringLiteral("-3"));
        // Bars stand on the common baseline and have one thickness.
        for (int row : {0, 1, 2, 3, 6, 7, 8, 9}) {
            const QRectF bar = chart.rows[size_t(row)].bar;
            QCOMPARE(bar.right(), chart.baseline);
            QCOMPARE(bar.height(), chart.rows[1].bar.height());
            QVERIFY(bar.height() > 0);
        }
        // All of it inside the area.
        QVERIFY(area.contains(chart.plot));
        for (const auto &row : chart.rows) {
            QVERIFY(area.contains(row.captionBox));
            if (row.hasBar)
                QVERIFY(area.contains(row.valueBox));
        }
        for (const auto &tick : chart.ticks)
            QVERIFY(area.contains(tick.labelBox));
    }
    // No scores at all: the scale without bars.
    const auto empty = ProfileChart::layout({}, QRectF(0, 0, 340, 470), chartFont());
    for (const auto &row : empty.rows)
        QVERIFY(!row.hasBar);
    QCOMPARE(empty.ticks.size(), 6);
}

void ProfileChartTest::readsRightToLeft()
{
    QStringList scores;
    for (int i = 0; i < 15; ++i)
        scores << QString::number(2 * i);
    const QRectF area(10, 10, 400, 500);
    const ProfileChart::Layout chart = ProfileChart::layout(scores, area, chartFont());
    const QFontMetricsF metrics(chart.font);

    // The scale's marks from 0 at the baseline leftwards to 30.
    QList<int> values;
    for (const auto &tick : chart.ticks)
        values << tick.value;
    QCOMPARE(values, QList<int>({0, 6, 12, 18, 24, 30}));
    QCOMPARE(chart.ticks.first().x, chart.baseline);
    QCOMPARE(chart.ticks.last().x, chart.plot.left());
    for (int i = 1; i < chart.ticks.size(); ++i) {
        QVERIFY(chart.ticks[i].x < chart.ticks[i - 1].x);
        QCOMPARE(chart.ticks[i].labelBox.center().y(), chart.ticks[0].labelBox.center().y());
        QVERIFY(chart.ticks[i].labelBox.top() >= chart.plot.bottom());
    }

    // Rows in legend order, top to bottom, each caption at the right of the
    // baseline and wide enough for its text, its bar and value to the left.
    for (int i = 0; i < 15; ++i) {
        const auto &row = chart.rows[size_t(i)];
        QCOMPARE(row.caption, QString::fromUtf8(DesignedKey::kSubscales[size_t(i)].caption));
        QCOMPARE(row.captionBox.left(), chart.baseline);
        QCOMPARE(row.captionBox.right(), area.right());
        QVERIFY(metrics.horizontalAdvance(row.caption) < row.captionBox.width());
        QVERIFY(row.bar.right() <= chart.baseline);
        QVERIFY(row.valueBox.right() <= row.bar.left());
        QVERIFY(row.valueBox.right() > row.bar.left() - metrics.averageCharWidth());
        if (i > 0) {
            QVERIFY(row.captionBox.top() > chart.rows[size_t(i - 1)].captionBox.top());
            QVERIFY(row.bar.left() < chart.rows[size_t(i - 1)].bar.left());  // scores rise down the list
        }
        // A bar's end stands over its value on the scale.
        QCOMPARE(row.bar.left(), chart.baseline - chart.fullLength * (2 * i) / 30.0);
    }
}

void ProfileChartTest::paintsTheBarsItLaysOut()
{
    const QStringList scores = scoresWith({{0, "30"}, {1, "6"}, {2, ""}, {3, "x"}, {4, "15"}});
    QImage image(360, 480, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QRectF area(5, 5, 350, 470);
    {
        QPainter painter(&image);
        ProfileChart::paint(painter, scores, area, chartFont());
    }
    const ProfileChart::Layout chart = ProfileChart::layout(scores, area, chartFont());
    auto at = [&](double x, int row) {
        const QRectF caption = chart.rows[size_t(row)].captionBox;
        return image.pixel(qRound(x), qRound(caption.center().y()));
    };
    const double full = chart.fullLength;
    // A full bar from the baseline to the end of the scale.
    for (double f : {0.05, 0.5, 0.95})
        QVERIFY2(isBar(at(chart.baseline - full * f, 0)), qPrintable(QString::number(f)));
    // A bar of 6 ends a fifth of the way.
    QVERIFY(isBar(at(chart.baseline - full * 0.1, 1)));
    QVERIFY(!isBar(at(chart.baseline - full * 0.35, 1)));
    // A bar of 15 ends half way.
    QVERIFY(isBar(at(chart.baseline - full * 0.45, 4)));
    QVERIFY(!isBar(at(chart.baseline - full * 0.6, 4)));
    // No score, no bar.
    for (int row : {2, 3, 5, 14})
        for (double f : {0.1, 0.5, 0.9})
            QVERIFY(!isBar(at(chart.baseline - full * f, row)));
    // Nothing of a bar right of the baseline, where the captions are.
    for (int x = qRound(chart.baseline) + 3; x < area.right(); x += 2)
        QVERIFY(!isBar(at(x, 0)));
}

void ProfileChartTest::smallAndEmptyAreas()
{
    QStringList scores(15, QStringLiteral("20"));
    // Too small for the font: the captions are set smaller to fit.
    QFont big = chartFont();
    big.setPixelSize(40);
    const QRectF small(0, 0, 200, 260);
    const auto chart = ProfileChart::layout(scores, small, big);
    QVERIFY(chart.font.pixelSize() < 40);
    const QFontMetricsF metrics(chart.font);
    for (const auto &row : chart.rows)
        QVERIFY2(metrics.horizontalAdvance(row.caption) <= row.captionBox.width(), qPrintable(row.caption));
    QVERIFY(metrics.height() <= chart.rows[0].captionBox.height() * 1.25);

    // Degenerate areas draw nothing harmful.
    QImage image(50, 50, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (const QRectF &area : {QRectF(), QRectF(0, 0, 1, 1), QRectF(0, 0, 40, 0), QRectF(10, 10, -5, -5)}) {
        const auto l = ProfileChart::layout(scores, area, chartFont());
        for (const auto &row : l.rows)
            QVERIFY(row.bar.width() >= 0);
        ProfileChart::paint(painter, scores, area, chartFont());
    }
}

QTEST_MAIN(ProfileChartTest)
#include "tst_profilechart.moc"
