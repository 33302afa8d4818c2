#include "reports/ReportPreview.h"

#include "platform/Dialogs.h"
#include "reports/ReportPainting.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace ReportPreviewDetail {

// The pages of a report at a zoom, each drawn when it is in view.
class PageView : public QWidget
{
public:
    static constexpr int kGap = 14;

    explicit PageView(QWidget *parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("previewPages"));
        setLayoutDirection(Qt::LeftToRight);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    void setReport(std::shared_ptr<const PagedReport> report)
    {
        m_report = std::move(report);
        const QPageLayout layout = m_report->pageLayout();
        m_paper = layout.fullRect(QPageLayout::Point).size() * 20.0;
        m_origin = layout.paintRect(QPageLayout::Point).topLeft() * 20.0;
        m_printable = printableTwips(layout);
        m_pageCount = m_report->pageCount(m_printable.height());
        setZoom(m_zoom);  // a long report may need a smaller one
    }

    int pageCount() const { return m_pageCount; }
    QSizeF paper() const { return m_paper; }
    double zoom() const { return m_zoom; }
    void setZoom(double zoom)
    {
        // The whole column of pages must stay within the largest widget Qt allows.
        // Each page takes its gap and up to a pixel of rounding besides.
        const double perPage = double(QWIDGETSIZE_MAX - kGap) / qMax(1, m_pageCount) - kGap - 1;
        m_zoom = qBound(0.01, qMin(zoom, perPage / qMax(1.0, m_paper.height())), 0.4);
        updateSize();
    }
    int pageStep() const { return pageHeight() + kGap; }
    int pageTop(int index) const { return kGap + index * pageStep(); }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        painter.fillRect(event->rect(), QColor(0x80, 0x80, 0x80));
        if (!m_report || m_pageCount == 0)
            return;
        const int first = qMax(0, (event->rect().top() - kGap) / pageStep());
        const int last = qMin(m_pageCount - 1, event->rect().bottom() / pageStep());
        const int left = qMax(kGap, (width() - pageWidth()) / 2);
        for (int i = first; i <= last; ++i) {
            const QRect page(left, pageTop(i), pageWidth(), pageHeight());
            painter.fillRect(page.translated(4, 4), QColor(0x50, 0x50, 0x50));
            painter.fillRect(page, Qt::white);
            painter.save();
            painter.setClipRect(page);
            painter.translate(page.topLeft() + QPointF(m_origin.x() * m_zoom, m_origin.y() * m_zoom));
            ReportCanvas canvas(painter, m_zoom * 1440, m_zoom * 1440, m_printable, m_report->reportWidth());
            m_report->paintPage(canvas, i);
            painter.restore();
        }
    }

private:
    int pageWidth() const { return qRound(m_paper.width() * m_zoom); }
    int pageHeight() const { return qRound(m_paper.height() * m_zoom); }
    void updateSize()
    {
        setFixedSize(pageWidth() + 2 * kGap, kGap + m_pageCount * pageStep());
        update();
    }

    std::shared_ptr<const PagedReport> m_report;
    QSizeF m_paper{11906, 16838};
    QPointF m_origin;
    QSizeF m_printable;
    int m_pageCount = 0;
    double m_zoom = 0.05;
};

}  // namespace ReportPreviewDetail

using ReportPreviewDetail::PageView;

ReportPreview::ReportPreview(const QString &caption) : QWidget(nullptr, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(caption);
    setLayoutDirection(Qt::RightToLeft);
    resize(860, 720);

    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("previewArea"));
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_scroll->setBackgroundRole(QPalette::Dark);
    // The vertical bar stays, so fitting the page to the width never makes it
    // appear and take that width away again.
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pages = new PageView(m_scroll);
    m_scroll->setWidget(m_pages);
    connect(m_scroll->verticalScrollBar(), &QScrollBar::valueChanged, this, &ReportPreview::showPageNumber);

    auto *bar = new QHBoxLayout;
    auto addButton = [this, bar](const char *name, const QString &text) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(QString::fromLatin1(name));
        bar->addWidget(button);
        return button;
    };
    connect(addButton("cmdPrint", QStringLiteral("چاپ")), &QPushButton::clicked, this, &ReportPreview::printReport);
    connect(addButton("cmdSavePdf", QStringLiteral("ذخيره PDF")), &QPushButton::clicked, this,
            &ReportPreview::saveAsPdf);
    connect(addButton("cmdPrevious", QStringLiteral("صفحه قبل")), &QPushButton::clicked, this,
            [this] { showPage(currentPage() - 1); });
    connect(addButton("cmdNext", QStringLiteral("صفحه بعد")), &QPushButton::clicked, this,
            [this] { showPage(currentPage() + 1); });
    connect(addButton("cmdZoomIn", QStringLiteral("بزرگ نمايي")), &QPushButton::clicked, this,
            &ReportPreview::zoomIn);
    connect(addButton("cmdZoomOut", QStringLiteral("کوچک نمايي")), &QPushButton::clicked, this,
            &ReportPreview::zoomOut);
    connect(addButton("cmdFit", QStringLiteral("هم عرض پنجره")), &QPushButton::clicked, this,
            &ReportPreview::fitWidth);
    m_pageLabel = new QLabel(this);
    m_pageLabel->setObjectName(QStringLiteral("lblPage"));
    bar->addWidget(m_pageLabel);
    bar->addStretch();
    connect(addButton("cmdClose", QStringLiteral("بستن")), &QPushButton::clicked, this, &QWidget::close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_scroll, 1);
}

ReportPreview::~ReportPreview() = default;

void ReportPreview::setReport(std::shared_ptr<const PagedReport> report, const QString &proposedFileName)
{
    m_report = std::move(report);
    m_proposedFileName = proposedFileName;
    m_printer->setPageLayout(m_report->pageLayout());
    m_pages->setReport(m_report);
    if (m_fitting)
        fitWidth();
    showPage(1);
}

int ReportPreview::pageCount() const { return m_pages->pageCount(); }

int ReportPreview::currentPage() const
{
    if (pageCount() == 0)
        return 0;
    const int top = m_scroll->verticalScrollBar()->value();
    return qBound(1, top / m_pages->pageStep() + 1, pageCount());
}

double ReportPreview::zoom() const { return m_pages->zoom(); }

void ReportPreview::showPage(int page)
{
    page = qBound(1, page, qMax(1, pageCount()));
    m_scroll->verticalScrollBar()->setValue(m_pages->pageTop(page - 1) - PageView::kGap / 2);
    showPageNumber();
}

void ReportPreview::setZoom(double zoom)
{
    const int page = currentPage();
    m_pages->setZoom(zoom);
    showPage(page);
}

void ReportPreview::zoomIn()
{
    m_fitting = false;
    setZoom(zoom() * 1.25);
}

void ReportPreview::zoomOut()
{
    m_fitting = false;
    setZoom(zoom() / 1.25);
}

void ReportPreview::fitWidth()
{
    m_fitting = true;
    const int room = m_scroll->viewport()->width() - 2 * PageView::kGap - 4;
    setZoom(qMax(100, room) / m_pages->paper().width());
}

void ReportPreview::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_fitting && m_report)
        fitWidth();
}

void ReportPreview::showPageNumber()
{
    m_pageLabel->setText(QStringLiteral("صفحه %1 از %2").arg(currentPage()).arg(pageCount()));
}

void ReportPreview::printReport()
{
    if (!m_report)
        return;
    // The print dialog is modal to this preview only, so the window that
    // opened the preview stays usable.
    auto *dialog = new QPrintDialog(m_printer.get(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    const std::shared_ptr<const PagedReport> report = m_report;
    connect(dialog, &QDialog::accepted, this, [this, report] { report->render(m_printer.get()); });
    dialog->open();
}

void ReportPreview::saveAsPdf()
{
    if (!m_report)
        return;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    const QString file = Dialogs::current().saveFileName(this, QStringLiteral("ذخيره گزارش"), folder,
                                                         QStringLiteral("PDF |*.pdf"), m_proposedFileName);
    if (file.isEmpty())
        return;
    QString error;
    if (!m_report->saveAsPdf(file, windowTitle(), &error))
        showMessage(this, error, QStringLiteral("خطا"), QMessageBox::Warning);
}

void ReportPreview::showReport(QPointer<ReportPreview> &preview, const QString &caption,
                               std::shared_ptr<const PagedReport> report, const QString &proposedFileName)
{
    if (!preview)
        preview = new ReportPreview(caption);
    preview->show();
    preview->setReport(std::move(report), proposedFileName);
    preview->raise();
    preview->activateWindow();
}
