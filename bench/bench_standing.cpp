// The standing of one subject among all subjects and the summary of a group
// (and of everyone), read from a database of 1,000 and of 100,000 subjects:
// median time of five runs and the growth of the resident memory.
// usage: bench_standing
#include "BenchTools.h"
#include "SubjectGenerator.h"

#include "data/Database.h"
#include "scoring/GroupSummary.h"
#include "scoring/Standing.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

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
    const double standingAll = medianSeconds(5, [&] { figures = Standing::standingOf(last, Standing::Reference::All); });
    const double standingGroup =
        medianSeconds(5, [&] { figures = Standing::standingOf(last, Standing::Reference::SameGroup); });
    GroupSummary::Summary summary;
    const double groupSummary = medianSeconds(5, [&] { GroupSummary::read(false, QStringLiteral("C"), &summary); });
    const double everyone = medianSeconds(5, [&] { GroupSummary::read(true, QString(), &summary); });
    const long grown = processKilobytes("VmHWM:") - before;
    printf("%7d subjects: standing (all) %.0f ms, standing (same group) %.0f ms, summary of group C %.0f ms, "
           "summary of everyone %.0f ms; peak memory +%ld KB%s\n",
           subjects, standingAll * 1000, standingGroup * 1000, groupSummary * 1000, everyone * 1000, grown,
           figures.available && summary.keyed == subjects ? "" : " (FIGURES MISSING)");
    Database::close();
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    for (int subjects : {1000, 100000})
        measure(subjects);
    return 0;
}
