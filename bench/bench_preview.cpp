// Opening the preview of the table of all subjects: time until the pages are
// ready and the memory they take.
// usage: bench_preview [subjects]
#include "BenchTools.h"
#include "SubjectRows.h"
#include "TestFolder.h"

#include "data/TableView.h"
#include "platform/Startup.h"
#include "reports/SubjectTableReport.h"
#include "reports/ReportPreview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>


int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpApplication(app);
    const int subjects = argc > 1 ? atoi(argv[1]) : 10000;
    TestFolder folder;
    SubjectRows::addMany(folder, subjects, QStringLiteral("V"), true);
    TableView all(QStringLiteral("IDE"));
    const long before = processKilobytes("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    showSubjectTable(all, QStringLiteral("کلينيک"), QStringLiteral("تهران"));
    QCoreApplication::processEvents();
    const qint64 ms = timer.elapsed();
    int pages = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *p = qobject_cast<ReportPreview *>(w))
            pages = p->pageCount();
    printf("%d subjects: preview of %d pages ready in %lld ms, %.1f MB more memory (peak %.1f MB)\n", subjects, pages,
           ms, (processKilobytes("VmRSS:") - before) / 1024.0, processKilobytes("VmHWM:") / 1024.0);
    return 0;
}
