#pragma once
#include <QPointer>
#include <QWidget>

#include <memory>

class PagedReport;
class QLabel;
class QPrinter;
class QScrollArea;

namespace ReportPreviewDetail {
class PageView;
}

// The preview window of a report: its pages one below the other as they will
// print, with commands to print them, save them as PDF, zoom, move between
// pages and leave. Pages are drawn only when they come into view, so a report
// of thousands of pages opens at once. It never blocks the window that
// opened it.
class ReportPreview : public QWidget
{
    Q_OBJECT
public:
    explicit ReportPreview(const QString &caption);
    ~ReportPreview() override;

    // Shows a (new) report in the window, from its first page.
    void setReport(std::shared_ptr<const PagedReport> report, const QString &proposedFileName);
    // Opens the preview a report keeps in `preview` (or brings the open one
    // back) with that report, and returns at once. The window is shown before
    // the report is set, so its pages are fitted to the window's real width;
    // the preview keeps its own copy: what it shows is what it prints.
    static void showReport(QPointer<ReportPreview> &preview, const QString &caption,
                           std::shared_ptr<const PagedReport> report, const QString &proposedFileName);
    std::shared_ptr<const PagedReport> report() const { return m_report; }
    int pageCount() const;
    // The page at the top of the view, from 1.
    int currentPage() const;
    // Screen pixels per twip.
    double zoom() const;

public slots:
    void printReport();
    void saveAsPdf();
    void showPage(int page);
    void zoomIn();
    void zoomOut();
    void fitWidth();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setZoom(double zoom);
    void showPageNumber();

    std::shared_ptr<const PagedReport> m_report;
    QString m_proposedFileName;
    std::unique_ptr<QPrinter> m_printer;
    QScrollArea *m_scroll = nullptr;
    ReportPreviewDetail::PageView *m_pages = nullptr;
    QLabel *m_pageLabel = nullptr;
    bool m_fitting = true;
};
