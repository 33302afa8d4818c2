// The standing of one subject among all subjects and the summary of a group
// (and of everyone), read from a database of 1,000 and of 100,000 subjects:
// median wall time of five runs, the CPU time of one more run (the machine is
// shared, so wall times spread), and the growth of the resident memory.
// usage: bench_standing
#include "BenchTools.h"
#include "SubjectGenerator.h"

#include "data/Database.h"
#include "scoring/GroupSummary.h"
#include "scoring/Standing.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

// Median wall time and the CPU time of one further run, in milliseconds.
static QString timed(const std::function<void()> &work)
{
    const double wall = medianSeconds(5, work);
    const std::clock_t start = std::clock();
    work();
    const double cpu = double(std::clock() - start) / CLOCKS_PER_SEC;
    return QStringLiteral("%1 ms (CPU %2 ms)").arg(wall * 1000, 0, 'f', 0).arg(cpu * 1000, 0, 'f', 0);
}

static void measure(int subjects)
{
    QTemporaryDir dir;
    if (!makeProgramFolder(dir.path(), QStringLiteral(MEHRSAN_PROGRAM_DIR)) ||
        !generateSubjects(dir.path() + QStringLiteral("/DBTavor/DBTavor.mdb"), subjects) ||
        !Database::open(dir.path() + QStringLiteral("/DBTavor/DBTavor.mdb"))) {
        printf("%7d subjects: could not make the database\n", subjects);
        return;
    }
    const QString last = QStringLiteral("S") + QString::number(subjects);
    Standing::Figures figures;
    resetPeakMemory();
    const long before = processKilobytes("VmRSS:");
    const QString standingAll = timed([&] { figures = Standing::standingOf(last, Standing::Reference::All); });
    const QString standingGroup = timed([&] { figures = Standing::standingOf(last, Standing::Reference::SameGroup); });
    GroupSummary::Summary summary;
    const QString groupSummary = timed([&] { GroupSummary::read(false, QStringLiteral("C"), &summary); });
    const QString everyone = timed([&] { GroupSummary::read(true, QString(), &summary); });
    const long grown = processKilobytes("VmHWM:") - before;
    printf("%7d subjects: standing among all %s, among the same group %s; summary of group C %s, of everyone %s; "
           "peak memory +%ld KB%s\n",
           subjects, qPrintable(standingAll), qPrintable(standingGroup), qPrintable(groupSummary), qPrintable(everyone),
           grown, figures.available && summary.keyed == subjects ? "" : " (FIGURES MISSING)");
    Database::close();
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    for (int subjects : {1000, 10000, 100000})
        measure(subjects);
    return 0;
}
