// CSV export of 100,000 subjects: time, file size and the peak memory of the
// export itself (the process's high-water mark is reset just before it).
#include "BenchTools.h"
#include "SubjectGenerator.h"

#include "data/Database.h"
#include "data/TableView.h"
#include "records/CsvExport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>


int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    printf("| subjects | export time | file size | memory before | peak during export |\n|---:|---:|---:|---:|---:|\n");
    for (int count : {10, 100000}) {
        QTemporaryDir dir;
        makeProgramFolder(dir.path(), QStringLiteral(MEHRSAN_PROGRAM_DIR));
        generateSubjects(dir.path() + "/DBTavor/DBTavor.mdb", count);
        Database::open(dir.path() + "/DBTavor/DBTavor.mdb");
        TableView view("IDE");
        const QString file = dir.path() + "/Back/all.csv";
        resetPeakMemory();
        const long before = processKilobytes("VmRSS:");
        QElapsedTimer t;
        t.start();
        qint64 rows = 0;
        if (!CsvExport::write(view, file, [](qint64, qint64) { return true; }, nullptr, &rows) || rows != count)
            qFatal("export failed");
        const double seconds = t.nsecsElapsed() / 1e9;
        printf("| %d | %.2f s | %.1f MB | %.1f MB | %.1f MB |\n", count, seconds, QFileInfo(file).size() / 1e6,
               before / 1024.0, processKilobytes("VmHWM:") / 1024.0);
        Database::close();
    }
    return 0;
}
