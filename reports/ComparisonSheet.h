#pragma once
#include <QPageLayout>
#include <QString>

#include "reports/ProfileChart.h"
#include "reports/ReportPainting.h"
#include "scoring/AdministrationComparison.h"

// Two administrations compared on one page, in the result sheet's colours:
// both registration lines, the warnings, the table of the fifteen subscales
// and the total (before, after, difference, reliable-change index, verdict),
// which way is better, both profiles on one chart, and at the foot the
// formula with the reference's n, SD and alpha of every scale and the notes
// of every "—". Drawn from a comparison made beforehand.
class ComparisonSheet : public PagedReport
{
public:
    explicit ComparisonSheet(AdministrationComparison::Comparison comparison) : m_comparison(std::move(comparison)) {}
    const AdministrationComparison::Comparison &comparison() const { return m_comparison; }

    // The two profiles as the sheet and the window draw them: before solid
    // with dots, after dashed with open squares.
    static QList<ProfileChart::Line> profileLines(const AdministrationComparison::Comparison &comparison);
    static QString title() { return QStringLiteral("مقايسه دو اجرا"); }
    // "Mehrsan-compare-A1-A2.pdf" (suffix given), codes made safe for a file name.
    static QString proposedFileName(const AdministrationComparison::Comparison &comparison, const QString &suffix);

    static QPageLayout designedLayout();
    QPageLayout pageLayout() const override { return designedLayout(); }
    int reportWidth() const override;
    int pageCount(double) const override { return 1; }
    using PagedReport::pageCount;
    void paintPage(ReportCanvas &canvas, int page) const override;
    bool saveAsPdf(const QString &file, QString *error = nullptr) const;

    // Opens the preview window with this sheet (or shows the open one again
    // with it) and returns at once.
    void show() const;

private:
    AdministrationComparison::Comparison m_comparison;
};
