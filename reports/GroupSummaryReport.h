#pragma once
#include <QPageLayout>
#include <QString>

#include "reports/ReportPainting.h"
#include "scoring/GroupSummary.h"

// The summary of a group on one page: how many subjects it has and how many
// were keyed; for each subscale and the total the count, mean, standard
// deviation, minimum, median and maximum, and each subscale's Cronbach's
// alpha; then the group's mean profile with a mark of one standard deviation
// either side of each mean. Drawn from a summary read beforehand.
class GroupSummaryReport : public PagedReport
{
public:
    explicit GroupSummaryReport(GroupSummary::Summary summary) : m_summary(std::move(summary)) {}

    // The texts of a row of the table: the count, mean, SD, minimum, median,
    // maximum and alpha of column `column` (legend order, then the total);
    // "—" where a figure is not defined.
    QStringList rowTexts(int column) const;
    static QStringList headings();
    const GroupSummary::Summary &summary() const { return m_summary; }

    static QPageLayout designedLayout();
    QPageLayout pageLayout() const override { return designedLayout(); }
    int reportWidth() const override;
    int pageCount(double) const override { return 1; }
    using PagedReport::pageCount;
    void paintPage(ReportCanvas &canvas, int page) const override;
    bool saveAsPdf(const QString &file, QString *error = nullptr) const;

    // Opens the preview window with this summary (or shows the open one
    // again with it) and returns at once.
    void show() const;

private:
    GroupSummary::Summary m_summary;
};
