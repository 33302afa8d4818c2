#pragma once
#include <QHash>
#include <QPageLayout>
#include <QRectF>
#include <QString>
#include <QStringList>

#include "reports/ReportPainting.h"
#include "scoring/Standing.h"

// The result sheet of one subject, one page: code, group, age, sex, marital
// status and education, the fifteen scores and the total each beside its
// Persian name, and the clinic address in the band at the top; below it the
// profile chart of the fifteen scores, each row with the score's percentile
// rank and standard score among the clinic's own subjects, and the total.
//
// The sheet prints the captions of its value labels and the standing figures,
// set by the caller from what its window shows; it computes nothing.
class ResultSheet : public PagedReport
{
public:
    // Sets the caption of a value label ("Label15" the code, "Label12" ES ...).
    void setCaption(const QString &label, const QString &text);
    QString caption(const QString &label) const { return m_captions.value(label); }

    // The value label that shows an IDE column on the sheet ("Code" gives
    // "Label15", "kol" gives "Label48"); empty for a column not on the sheet.
    static QString valueLabelFor(const QString &column);
    // The 22 IDE columns whose values the sheet shows: Code, Group, Sen, Jens,
    // Taahol, Tahsil and the sixteen scores.
    static QStringList valueColumns();
    // The label that holds the clinic address.
    static QString addressLabel() { return QStringLiteral("Label29"); }

    // A4 portrait, the sheet centred across it near the top.
    static QPageLayout designedLayout();
    QPageLayout pageLayout() const override { return designedLayout(); }
    int reportWidth() const override;
    int pageCount(double) const override { return 1; }
    using PagedReport::pageCount;
    void paintPage(ReportCanvas &canvas, int page) const override;
    bool saveAsPdf(const QString &file, QString *error = nullptr) const;

    // The standing figures below the chart; until set, every figure is "—".
    void setStanding(const Standing::Figures &figures) { m_standing = figures; }
    const Standing::Figures &standing() const { return m_standing; }

    // The fifteen scores the chart shows, in legend order: the captions of
    // their value labels.
    QStringList chartScores() const;
    // Where the chart stands below the band, in twips, and its typeface.
    static QRectF chartArea();
    static QFont chartFont();

    // The sheet of this run: created at its first use and reused by every print.
    static ResultSheet &instance();
    // Opens the preview window with this sheet (or shows the open one again
    // with it) and returns at once.
    void show() const;

private:
    void paintChart(ReportCanvas &canvas) const;
    static void paintSiteLines(ReportCanvas &canvas, const QFont &font);

    QHash<QString, QString> m_captions;
    Standing::Figures m_standing = Standing::figures({}, false, QString(), Standing::Sample());
};
