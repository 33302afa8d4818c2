#pragma once
#include <QPageLayout>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPagedPaintDevice;
class QPrinter;
class QPrintPreviewWidget;

// The preview window of a report: the pages as they will print, with commands
// to print them, save them as PDF, zoom and leave. It never blocks the window
// that opened it.
class ReportPreview : public QWidget
{
    Q_OBJECT
public:
    // Draws the whole report, page after page, on a printer or PDF writer.
    using Renderer = std::function<void(QPagedPaintDevice *)>;

    explicit ReportPreview(const QString &caption);
    ~ReportPreview() override;

    // Shows a (new) report in the window: the pages are drawn again.
    void setReport(Renderer renderer, const QPageLayout &layout, const QString &proposedFileName);
    int pageCount() const;
    int currentPage() const;

    // Writes the report to a PDF file; a half-written file never replaces an
    // existing one. On failure *error says why, in Persian.
    static bool writePdf(const Renderer &renderer, const QPageLayout &layout, const QString &file,
                         const QString &title, QString *error = nullptr);

public slots:
    void printReport();
    void saveAsPdf();

private:
    void showPageNumber();

    Renderer m_renderer;
    QPageLayout m_layout;
    QString m_proposedFileName;
    std::unique_ptr<QPrinter> m_printer;
    QPrintPreviewWidget *m_view = nullptr;
    QLabel *m_pageLabel = nullptr;
};
