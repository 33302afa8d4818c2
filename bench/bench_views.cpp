// Opening the main window's views, counting and finding a subject by code,
// with 10 and with 100,000 subjects. Prints the median of repeated runs.
#include "BenchTools.h"
#include "SubjectGenerator.h"

#include "data/Database.h"
#include "data/TableView.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>


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
        const double open = 1e6 * medianSeconds(200, [] {
            TableView theme("Theme"), ide("IDE"), answers("Answer"), answers2("Answer"), items("QU");
            (void)ide.field("Code");
        });
        TableView ide("IDE");
        const double rows = 1e6 * medianSeconds(200, [&] { (void)ide.rowCount(); });
        const double empty = 1e6 * medianSeconds(200, [&] { (void)ide.isEmpty(); });
        const QString code = "S" + QString::number(count);
        const double find = 1e6 * medianSeconds(200, [&] {
            ide.filter("code='" + code + "'");
            if (ide.field("kol").isEmpty())
                qFatal("subject not found");
        });
        printf("| %d | %.0f µs | %.0f µs | %.0f µs | %.0f µs |\n", count, open, empty, rows, find);
        Database::close();
    }
    return 0;
}
