#include "scoring/ReportPreview.h"

#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QVBoxLayout>

ReportPreview::ReportPreview(const QString &caption) : QWidget(nullptr, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(caption);
    setLayoutDirection(Qt::RightToLeft);
    resize(820, 700);

    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_view = new QPrintPreviewWidget(m_printer.get(), this);
    m_view->setObjectName(QStringLiteral("previewPages"));
    m_view->setLayoutDirection(Qt::LeftToRight);
    connect(m_view, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter *printer) {
        if (m_renderer)
            m_renderer(printer);
    });
    connect(m_view, &QPrintPreviewWidget::previewChanged, this, &ReportPreview::showPageNumber);

    auto *bar = new QHBoxLayout;
    auto addButton = [this, bar](const char *name, const QString &caption) {
        auto *button = new QPushButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        bar->addWidget(button);
        return button;
    };
    connect(addButton("cmdPrint", QStringLiteral("چاپ")), &QPushButton::clicked, this, &ReportPreview::printReport);
    connect(addButton("cmdSavePdf", QStringLiteral("ذخيره به صورت PDF")), &QPushButton::clicked, this,
            &ReportPreview::saveAsPdf);
    connect(addButton("cmdPrevious", QStringLiteral("صفحه قبل")), &QPushButton::clicked, this,
            [this] { m_view->setCurrentPage(m_view->currentPage() - 1); showPageNumber(); });
    connect(addButton("cmdNext", QStringLiteral("صفحه بعد")), &QPushButton::clicked, this,
            [this] { m_view->setCurrentPage(m_view->currentPage() + 1); showPageNumber(); });
    connect(addButton("cmdZoomIn", QStringLiteral("بزرگ نمايي")), &QPushButton::clicked, this,
            [this] { m_view->zoomIn(); });
    connect(addButton("cmdZoomOut", QStringLiteral("کوچک نمايي")), &QPushButton::clicked, this,
            [this] { m_view->zoomOut(); });
    connect(addButton("cmdFit", QStringLiteral("تمام صفحه")), &QPushButton::clicked, this,
            [this] { m_view->fitInView(); });
    m_pageLabel = new QLabel(this);
    m_pageLabel->setObjectName(QStringLiteral("lblPage"));
    bar->addWidget(m_pageLabel);
    bar->addStretch();
    connect(addButton("cmdClose", QStringLiteral("بستن")), &QPushButton::clicked, this, &QWidget::close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_view, 1);
}

ReportPreview::~ReportPreview() = default;

void ReportPreview::setReport(Renderer renderer, const QPageLayout &layout, const QString &proposedFileName)
{
    m_renderer = std::move(renderer);
    m_layout = layout;
    m_proposedFileName = proposedFileName;
    m_printer->setPageLayout(layout);
    m_view->updatePreview();
    m_view->setCurrentPage(1);
    m_view->fitToWidth();
    showPageNumber();
}

int ReportPreview::pageCount() const { return m_view->pageCount(); }
int ReportPreview::currentPage() const { return m_view->currentPage(); }

void ReportPreview::showPageNumber()
{
    m_pageLabel->setText(QStringLiteral("صفحه %1 از %2").arg(m_view->currentPage()).arg(m_view->pageCount()));
}

void ReportPreview::printReport()
{
    // The print dialog is modal to this preview only, so the window that
    // opened the preview stays usable.
    auto *dialog = new QPrintDialog(m_printer.get(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QDialog::accepted, this, [this] {
        if (m_renderer)
            m_renderer(m_printer.get());
    });
    dialog->open();
}

void ReportPreview::saveAsPdf()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    const QString file = Dialogs::current().saveFileName(this, QStringLiteral("ذخيره گزارش"), folder,
                                                         QStringLiteral("PDF |*.pdf"), m_proposedFileName);
    if (file.isEmpty())
        return;
    QString error;
    if (!writePdf(m_renderer, m_layout, file, windowTitle(), &error))
        showMessage(this, error, QStringLiteral("خطا"), QMessageBox::Warning);
}

bool ReportPreview::writePdf(const Renderer &renderer, const QPageLayout &layout, const QString &file,
                             const QString &title, QString *error)
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("فايل گزارش ساخته نشد:\n%1\n%2").arg(QDir::toNativeSeparators(file),
                                                                        out.errorString());
        return false;
    }
    {
        QPdfWriter writer(&out);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Mehrsan"));
        writer.setPageLayout(layout);
        if (renderer)
            renderer(&writer);
    }
    if (!out.commit()) {
        if (error)
            *error = QStringLiteral("فايل گزارش ذخيره نشد:\n%1\n%2").arg(QDir::toNativeSeparators(file),
                                                                        out.errorString());
        return false;
    }
    return true;
}
