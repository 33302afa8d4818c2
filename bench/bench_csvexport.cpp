// CSV export of 100,000 subjects: time, file size and the peak memory of the
// export itself (the process's high-water mark is reset just before it).
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

namespace {
long peakKilobytes()
{
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

long residentKilobytes()
{
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

void resetPeak()
{
    QFile clear("/proc/self/clear_refs");
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}
}  // namespace

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
        resetPeak();
        const long before = residentKilobytes();
        QElapsedTimer t;
        t.start();
        qint64 rows = 0;
        if (!CsvExport::write(view, file, [](qint64, qint64) { return true; }, nullptr, &rows) || rows != count)
            qFatal("export failed");
        const double seconds = t.nsecsElapsed() / 1e9;
        printf("| %d | %.2f s | %.1f MB | %.1f MB | %.1f MB |\n", count, seconds, QFileInfo(file).size() / 1e6,
               before / 1024.0, peakKilobytes() / 1024.0);
        Database::close();
    }
    return 0;
}
