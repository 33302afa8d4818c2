// The table of all subjects for 10,000 subjects, saved as PDF: time to read
// the rows, time to draw and write the file, pages, file size, peak memory.
// usage: bench_report [subjects] [output.pdf]
#include "BenchTools.h"
#include "PdfTools.h"
#include "SubjectRows.h"
#include "TestFolder.h"

#include "data/TableView.h"
#include "platform/Startup.h"
#include "reports/SubjectTableReport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>


int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpApplication(app);
    const int subjects = argc > 1 ? atoi(argv[1]) : 10000;
    QTemporaryDir out;
    const QString file = argc > 2 ? QString::fromLocal8Bit(argv[2]) : out.filePath(QStringLiteral("all.pdf"));

    TestFolder folder;
    SubjectRows::addMany(folder, subjects, QStringLiteral("B"), true);
    TableView all(QStringLiteral("IDE"));

    QElapsedTimer timer;
    timer.start();
    SubjectTableReport report;
    report.setDataSource(all);
    report.setClinicName(QStringLiteral("کلينيک روان شناسي مهرسان"));
    report.setAddress(QStringLiteral("تهران خيابان مهر شماره 12"));
    const qint64 readMs = timer.restart();
    QString error;
    const std::clock_t cpuStart = std::clock();
    if (!report.saveAsPdf(file, &error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const qint64 drawMs = timer.elapsed();
    const double drawCpuMs = double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
    const int pages = PdfTools::pageCount(file);
    const double height = SubjectTableReport::designedLayout().paintRect(QPageLayout::Point).height() * 20.0;
    printf("subjects            %d\n", report.rowCount());
    printf("read rows           %lld ms\n", readMs);
    printf("draw and write PDF  %lld ms (%.0f ms of CPU; the machine may be shared)\n", drawMs, drawCpuMs);
    printf("pages (pdfinfo)     %d (expected %lld)\n", pages, qlonglong(SubjectTableReport::paginate(subjects, height).size()));
    printf("file size           %.1f MB\n", QFileInfo(file).size() / 1048576.0);
    printf("peak memory         %.1f MB\n", processKilobytes("VmHWM:") / 1024.0);
    return 0;
}
