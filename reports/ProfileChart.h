#pragma once
#include <QColor>
#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>

class QPainter;

// The profile of one subject: the fifteen subscale scores as horizontal bars
// on one common scale from 0 to 30, read from right to left. Each row has the
// subscale's caption at the right; its bar grows leftwards from a common
// baseline, with the score written at the bar's end. Rows follow the legend
// (ES at the top, HA at the bottom) and the scale's marks 0, 6, ... 30 stand
// below them. The same drawing serves the keying window and the result sheet.
namespace ProfileChart {

constexpr int kScaleMax = 30;
constexpr int kTickStep = 6;

// Where a score falls on the scale. Empty and non-numeric texts are not
// scores (`valid` false, no bar); values beyond the scale are held at its ends.
struct Score {
    bool valid = false;
    double value = 0;  // 0 to kScaleMax
};
Score scaleValue(const QString &text);

struct Row {
    QString caption;      // the subscale's caption in the keying window
    QString text;         // the score as given
    bool hasBar = false;  // a score: a bar (of length 0 for a score of 0) and its value
    double value = 0;     // on the scale, clamped
    QRectF captionBox;
    QRectF bar;           // right edge on the baseline; empty when there is no bar
    QRectF valueBox;      // left of the bar's end
};

struct Tick {
    int value = 0;
    double x = 0;
    QRectF labelBox;
};

struct Layout {
    QFont font;             // the font the captions fit in
    double baseline = 0;    // x of 0 on the scale
    double fullLength = 0;  // length of a bar of 30
    QRectF plot;            // from 30 (left) to 0 (right), over every row
    std::array<Row, 15> rows;
    QList<Tick> ticks;      // 0 first: right to left
};

// The chart's geometry in `area` for the fifteen score texts in legend
// order (missing entries count as empty). `font` is the largest the text may
// use; captions that do not fit are set smaller.
Layout layout(const QStringList &scores, const QRectF &area, const QFont &font);
// Draws the chart into `area` on any painter: a window, a page, an image.
// `spreads`, when given, are standard deviations in legend order: each bar
// then carries a mark from one below its value to one above it.
void paint(QPainter &painter, const QStringList &scores, const QRectF &area, const QFont &font,
           const QList<double> &spreads = {});

// A profile drawn as a line instead of bars: one mark per subscale at its
// score, joined from row to row; a missing score breaks the line. Lines told
// apart by their dashes and marks as well as their colour read the same
// printed in black and white.
struct Line {
    QStringList scores;  // legend order
    QColor colour;
    Qt::PenStyle style = Qt::SolidLine;
    bool squareMarks = false;  // open squares instead of filled dots
    QString name;              // in the key
};
// The chart with the lines over it, on any painter.
void paintLines(QPainter &painter, const QList<Line> &lines, const QRectF &area, const QFont &font);
// The lines' key in one row, right to left: a stretch of each line with its
// mark, then its name.
void paintKey(QPainter &painter, const QList<Line> &lines, const QRectF &area, const QFont &font);

}  // namespace ProfileChart

// The chart as a control of its own, drawn with the control's font.
class ProfileChartWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ProfileChartWidget(QWidget *parent = nullptr);

    // The fifteen score texts in legend order; an empty list clears the bars.
    void setScores(const QStringList &scores);
    QStringList scores() const { return m_scores; }
    // The geometry as it is drawn now.
    ProfileChart::Layout chartLayout() const;
    QRectF chartArea() const;

    QSize sizeHint() const override { return QSize(340, 480); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QStringList m_scores;
};
