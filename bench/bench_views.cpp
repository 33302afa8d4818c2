// Opening the main window's views, counting and finding a subject by code,
// with 10 and with 100,000 subjects. Prints the median of repeated runs.
#include "SubjectGenerator.h"

#include "data/Database.h"
#include "data/TableView.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
double medianMicroseconds(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(t.nsecsElapsed() / 1000.0);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    printf("| subjects | open the 5 views | any subject? | exact row count | filter by code + read |\n"
           "|---:|---:|---:|---:|---:|\n");
    for (int count : {10, 100000}) {
        QTemporaryDir dir;
        makeProgramFolder(dir.path(), QStringLiteral(MEHRSAN_PROGRAM_DIR));
        generateSubjects(dir.path() + "/DBTavor/DBTavor.mdb", count);
        Database::open(dir.path() + "/DBTavor/DBTavor.mdb");
        const double open = medianMicroseconds(200, [] {
            TableView theme("Theme"), ide("IDE"), answers("Answer"), answers2("Answer"), items("QU");
            (void)ide.field("Code");
        });
        TableView ide("IDE");
        const double rows = medianMicroseconds(200, [&] { (void)ide.rowCount(); });
        const double empty = medianMicroseconds(200, [&] { (void)ide.isEmpty(); });
        const QString code = "S" + QString::number(count);
        const double find = medianMicroseconds(200, [&] {
            ide.filter("code='" + code + "'");
            if (ide.field("kol").isEmpty())
                qFatal("subject not found");
        });
        printf("| %d | %.0f µs | %.0f µs | %.0f µs | %.0f µs |\n", count, open, empty, rows, find);
        Database::close();
    }
    return 0;
}
