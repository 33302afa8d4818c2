// Ten, a hundred thousand and a million subjects side by side: every
// operation whose time could grow with the database, each against what it is
// measured with. Medians of several runs; CPU time where the machine is shared.
// usage: bench_million [SUBJECTS...]        (default: 10 100000 1000000)
//        bench_million --start FOLDER | --bare   (one start, for the parent to time)
//        bench_million --compare SUBJECTS        (only the comparison of two administrations)
//        bench_million --starts SUBJECTS...      (only the first start and the start)
#include "BenchTools.h"
#include "SubjectGenerator.h"

#include "ScriptedDialogs.h"
#include "data/Database.h"
#include "data/DatabaseLock.h"
#include "data/TableView.h"
#include "keying/KeyingWindow.h"
#include "platform/Startup.h"
#include "records/ComparisonWindow.h"
#include "records/CsvExport.h"
#include "records/StatFileExport.h"
#include "reports/ReportPreview.h"
#include "reports/SubjectTableReport.h"
#include "scoring/AdministrationComparison.h"
#include "scoring/GroupSummary.h"
#include "scoring/ScoreTally.h"
#include "scoring/Standing.h"
#include "shell/ProgramStart.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Ends the process as soon as a top-level window has been painted once.
class FirstPaint : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow())
            // Not Database::close(), which would wait for the page check.
            QTimer::singleShot(0, [] {
                DatabaseLock::release();
                _exit(0);
            });
        return false;
    }
};

// The program's start, a bare Qt window, or the least a Persian Qt program
// shows: a window with one right-to-left line in the title typeface.
enum class Start { Program, Bare, PersianLine };

int startOnce(int argc, char *argv[], Start start)
{
    if (start == Start::Program)
        keepFilesPrivate();
    QApplication app(argc, argv);
    FirstPaint painted;
    app.installEventFilter(&painted);
    if (start != Start::Program) {
        QWidget window;
        window.resize(800, 600);
        QLabel line(QStringLiteral("آزمون هوش هيجاني"), &window);
        line.setFont(QFont(QStringLiteral("B Titr"), 16));
        window.setLayoutDirection(Qt::RightToLeft);
        line.setVisible(start == Start::PersianLine);
        window.show();
        return app.exec();
    }
    return startProgram(app) ? app.exec() : 1;
}

// The first start of a version on a file whose counts are of another layout:
// prints when the first window was painted, the longest time the window
// thread was busy while the subjects were counted on their own thread, and
// when the counting ended (ms since the process began).
int firstStart(int argc, char *argv[])
{
    QElapsedTimer since;
    since.start();
    keepFilesPrivate();
    QApplication app(argc, argv);
    double firstWindow = -1, stall = 0, last = -1;
    struct Painted : QObject {
        std::function<void()> seen;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow() && seen)
                seen();
            return false;
        }
    } painted;
    painted.seen = [&] {
        if (firstWindow < 0)
            firstWindow = since.nsecsElapsed() / 1e6;
    };
    app.installEventFilter(&painted);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const double now = since.nsecsElapsed() / 1e6;
        if (last >= 0 && firstWindow >= 0)
            stall = std::max(stall, now - last);
        last = now;
        // Asked now and then: a read waits for a counting step's commit.
        static int ticks = 0;
        if (firstWindow >= 0 && ++ticks % 200 == 0 && !ScoreTally::isCounting()) {
            std::printf("%.1f %.1f %.1f\n", firstWindow, stall, now);
            std::fflush(stdout);
            DatabaseLock::release();
            _exit(0);
        }
    });
    tick.start(1);
    return startProgram(app) ? app.exec() : 1;
}

// One start of this program again with `arguments`: wall and CPU ms.
bool timeOneStart(const QString &argument, const QString &home, double *wall, double *cpu)
{
    rusage before{}, after{};
    getrusage(RUSAGE_CHILDREN, &before);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MEHRSAN_HOME"), home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    child.start(QCoreApplication::applicationFilePath(), {argument});
    child.waitForFinished(120000);
    *wall = t.nsecsElapsed() / 1e6;
    getrusage(RUSAGE_CHILDREN, &after);
    auto ms = [](const timeval &v) { return v.tv_sec * 1e3 + v.tv_usec / 1e3; };
    *cpu = ms(after.ru_utime) + ms(after.ru_stime) - ms(before.ru_utime) - ms(before.ru_stime);
    return child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
}

// The program's start, one Persian line and a bare window, taken in turn in
// each of 15 rounds, so that a machine that slows down meanwhile slows all
// three alike: median wall and CPU ms of each.
struct StartTimes {
    double wall[3] = {}, cpu[3] = {};
    bool ok = true;
};
StartTimes startTimes(const QString &home)
{
    const QString arguments[3] = {QStringLiteral("--start"), QStringLiteral("--persian-line"), QStringLiteral("--bare")};
    std::vector<double> walls[3], cpus[3];
    StartTimes times;
    for (int round = 0; round < 15; ++round)
        for (int which = 0; which < 3; ++which) {
            double wall = 0, cpu = 0;
            times.ok = timeOneStart(arguments[which], home, &wall, &cpu) && times.ok;
            walls[which].push_back(wall);
            cpus[which].push_back(cpu);
        }
    for (int which = 0; which < 3; ++which) {
        std::sort(walls[which].begin(), walls[which].end());
        std::sort(cpus[which].begin(), cpus[which].end());
        times.wall[which] = walls[which][walls[which].size() / 2];
        times.cpu[which] = cpus[which][cpus[which].size() / 2];
    }
    return times;
}

QString ms(double seconds, int decimals = 1) { return QStringLiteral("%1 ms").arg(seconds * 1e3, 0, 'f', decimals); }

void row(const char *what, const QString &figure, const QString &reference = QString())
{
    std::printf("| %s | %s | %s |\n", what, qPrintable(figure), qPrintable(reference));
}

// Two administrations compared: the first subject and the last, against
// each reference, and where the time goes; then the window, from the
// subject list's button to its first paint.
void measureComparison(const QString &last)
{
    const char *references[] = {"comparison of two administrations among all", "comparison among the same sex",
                                "comparison among the same group"};
    AdministrationComparison::Comparison comparison;
    for (int r = 0; r < 3; ++r)
        row(references[r], ms(medianSeconds(9, [&] {
                AdministrationComparison::compareCodes(QStringLiteral("S1"), last, Standing::Reference(r), &comparison);
            }), 2));
    AdministrationComparison::Administration one;
    AdministrationComparison::ReferenceFigures figures;
    row("comparison: one administration read", ms(medianSeconds(9, [&] {
            AdministrationComparison::readAdministration(last, &one);
        }), 2),
        QStringLiteral("the reference's n, SD and alpha from the kept counts: %1")
            .arg(ms(medianSeconds(9, [&] { AdministrationComparison::readReference(Standing::Reference::All, QString(), &figures); }), 2)));
    std::vector<double> opened;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer t;
        t.start();
        AdministrationComparison::compareCodes(QStringLiteral("S1"), last, Standing::Reference::All, &comparison);
        auto *window = new ComparisonWindow(comparison, QStringLiteral("1"));
        window->show();
        window->repaint();
        opened.push_back(t.nsecsElapsed() / 1e9);
        delete window;
    }
    std::sort(opened.begin(), opened.end());
    row("comparison window: the button to the window painted", ms(opened[3]),
        QStringLiteral("worst of 7: %1; one frame 16 ms").arg(ms(opened.back())));
}

void measureStart(const QString &home)
{
    const StartTimes t = startTimes(home);
    auto figure = [&](int which) {
        return QStringLiteral("%1 ms (CPU %2)").arg(t.wall[which], 0, 'f', 0).arg(t.cpu[which], 0, 'f', 0);
    };
    row("start to the main window shown", t.ok ? figure(0) : QStringLiteral("FAILED"),
        QStringLiteral("a window with one Persian line in B Titr %1: %2× by wall, %3× by CPU; bare Qt window %4 (%5×)")
            .arg(figure(1))
            .arg(t.wall[0] / t.wall[1], 0, 'f', 2)
            .arg(t.cpu[0] / t.cpu[1], 0, 'f', 2)
            .arg(figure(2))
            .arg(t.wall[0] / t.wall[2], 0, 'f', 1));
}

void measure(int subjects, bool onlyTheStarts = false)
{
    QTemporaryDir dir(QStringLiteral("/var/tmp/bench_million-XXXXXX"));
    const QString database = dir.filePath(QStringLiteral("DBTavor/DBTavor.mdb"));
    if (!makeProgramFolder(dir.path(), QStringLiteral(MEHRSAN_PROGRAM_DIR)) || !generateSubjects(database, subjects))
        qFatal("no database");
    qputenv("MEHRSAN_HOME", dir.path().toUtf8());
    std::printf("\n### %d subjects (%.0f MB)\n\n| operation | time | against |\n|---|---:|---|\n", subjects,
                QFileInfo(database).size() / 1e6);
    // The program's first start counts every subject once for the standing,
    // on a thread of its own while the windows are up. A database of the
    // version before has the index of trimmed codes already (made the first
    // time otherwise, once, at the counting's first step).
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("index"));
        db.setDatabaseName(database);
        if (!db.open() || !QSqlQuery(db).exec(QStringLiteral("CREATE INDEX IF NOT EXISTS \"IDE_TrimmedCode\" ON \"IDE\" ((TRIM(\"Code\")))")))
            qFatal("no index");
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("index"));
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MEHRSAN_HOME"), dir.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--first")});
        child.waitForFinished(600000);
        const QStringList figures = QString::fromUtf8(child.readAllStandardOutput()).split(u' ');
        if (figures.size() != 3)
            qFatal("the first start did not count");
        row("first start after the update: first window shown", figures[0] + QStringLiteral(" ms"));
        row("first start: longest time the window is busy while the subjects are counted", figures[1] + QStringLiteral(" ms"),
            QStringLiteral("one frame 16 ms"));
        row("first start: every subject counted, on its own thread", figures[2].trimmed() + QStringLiteral(" ms"));
    }
    measureStart(dir.path());
    if (onlyTheStarts)
        return;

    ScriptedDialogs dialogs;
    if (!Database::open(database) || !ScoreTally::ensure())
        qFatal("no database");
    const QString last = QStringLiteral("S%1").arg(subjects);
    // Keying the last subject: the keying itself, then the standing the
    // window reads when the event loop comes round.
    {
        KeyingWindow window;
        window.show();
        QCoreApplication::processEvents();
        std::vector<double> total, stall;
        for (int run = 0; run < 9; ++run) {
            QElapsedTimer t;
            t.start();
            window.key(last);
            const double keyed = t.nsecsElapsed() / 1e9;
            QCoreApplication::processEvents();
            const double shown = t.nsecsElapsed() / 1e9;
            total.push_back(shown);
            stall.push_back(std::max(keyed, shown - keyed));
        }
        std::sort(total.begin(), total.end());
        std::sort(stall.begin(), stall.end());
        row("keying until the standing shows", ms(total[4]),
            QStringLiteral("longest time the window is busy: %1 (worst of 9: %2); one frame 16 ms")
                .arg(ms(stall[4]), ms(stall.back())));
    }
    const char *captions[] = {"standing among all", "standing among the same sex", "standing among the same group"};
    for (int r = 0; r < 3; ++r)
        row(captions[r], ms(medianSeconds(9, [&] { Standing::standingOf(last, Standing::Reference(r)); }), 2));
    GroupSummary::Summary summary;
    row("group summary of one group", ms(medianSeconds(9, [&] { GroupSummary::read(false, QStringLiteral("C"), &summary); }), 2));
    row("group summary of everyone", ms(medianSeconds(9, [&] { GroupSummary::read(true, QString(), &summary); }), 2));
    measureComparison(last);
    {
        TableView all(QStringLiteral("IDE"));
        QSqlQuery q(Database::connection());
        q.exec(QStringLiteral("SELECT rowid FROM IDE ORDER BY rowid DESC LIMIT 1 OFFSET 100"));
        const qint64 key = q.next() ? q.value(0).toLongLong() : -1;
        const QStringList columns = {"Code", "FName", "LName", "Group"};
        row("a page of the grid at the end of the list",
            ms(medianSeconds(15, [&] { all.rowsAfter(key, 100, columns); }), 2),
            QStringLiteral("a page at the top: %1").arg(ms(medianSeconds(15, [&] { all.rowsAfter(-1, 100, columns); }), 2)));
    }
    if (subjects <= 1000000) {
        TableView all(QStringLiteral("IDE"));
        const long before = processKilobytes("VmRSS:");
        QElapsedTimer t;
        t.start();
        showSubjectTable(all, QStringLiteral("کلينيک"), QStringLiteral("تهران"));
        QCoreApplication::processEvents();
        const double opened = t.nsecsElapsed() / 1e9;
        const long grown = processKilobytes("VmRSS:") - before;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<ReportPreview *>(w))
                w->deleteLater();
        QCoreApplication::processEvents();
        row("preview of the table of all subjects", QStringLiteral("%1 s").arg(opened, 0, 'f', 2),
            QStringLiteral("+%1 MB of memory").arg(grown / 1024.0, 0, 'f', 0));
    }
    {
        // By CPU, this process's for the export and the child's for sqlite3,
        // each with its wall time beside.
        auto cpuSeconds = [](int who) {
            rusage use{};
            getrusage(who, &use);
            return use.ru_utime.tv_sec + use.ru_stime.tv_sec + (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
        };
        TableView view(QStringLiteral("IDE"));
        struct Export {
            const char *what;
            StatFileExport::Format format;
            const char *name;
        };
        double csvCpu = 0;
        for (const Export &e : {Export{"CSV export", StatFileExport::Format::Csv, "all.csv"},
                                Export{"SPSS export (.sav)", StatFileExport::Format::Sav, "all.sav"},
                                Export{"Stata export (.dta)", StatFileExport::Format::Dta, "all.dta"}}) {
            const QString file = dir.filePath(QStringLiteral("Back/") + QLatin1String(e.name));
            QElapsedTimer t;
            t.start();
            const double cpuBefore = cpuSeconds(RUSAGE_SELF);
            QString why;
            if (!StatFileExport::write(e.format, view, file, [](qint64, qint64) { return true; }, &why))
                qFatal("export failed: %s", qPrintable(why));
            const double cpu = cpuSeconds(RUSAGE_SELF) - cpuBefore;
            const double wall = t.nsecsElapsed() / 1e9;
            if (e.format == StatFileExport::Format::Csv) {
                csvCpu = cpu;
                // sqlite3 writes the same table's columns in the same order.
                QProcess sqlite;
                sqlite.setStandardOutputFile(dir.filePath(QStringLiteral("Back/sqlite.csv")));
                const double childBefore = cpuSeconds(RUSAGE_CHILDREN);
                t.restart();
                sqlite.start(QStringLiteral("sqlite3"),
                             {QStringLiteral("-csv"), QStringLiteral("-header"), database,
                              QStringLiteral("SELECT * FROM IDE JOIN Answer ON Answer.Code = TRIM(IDE.Code)")});
                sqlite.waitForFinished(-1);
                const double toolWall = t.nsecsElapsed() / 1e9;
                const double toolCpu = cpuSeconds(RUSAGE_CHILDREN) - childBefore;
                row(e.what, QStringLiteral("CPU %1 s (wall %2 s)").arg(cpu, 0, 'f', 2).arg(wall, 0, 'f', 2),
                    QStringLiteral("sqlite3 -csv CPU %1 s (wall %2 s): %3× its speed by CPU")
                        .arg(toolCpu, 0, 'f', 2)
                        .arg(toolWall, 0, 'f', 2)
                        .arg(cpu > 0 ? toolCpu / cpu : 0, 0, 'f', 2));
            } else {
                row(e.what, QStringLiteral("CPU %1 s (wall %2 s)").arg(cpu, 0, 'f', 2).arg(wall, 0, 'f', 2),
                    QStringLiteral("%1× the CSV's CPU").arg(csvCpu > 0 ? cpu / csvCpu : 0, 0, 'f', 2));
            }
            QFile::remove(file);
        }
    }
    Database::close();
}

}  // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && QByteArray(argv[1]) == "--first")
        return firstStart(argc, argv);
    if (argc > 1 && (QByteArray(argv[1]) == "--start" || QByteArray(argv[1]) == "--bare" ||
                     QByteArray(argv[1]) == "--persian-line"))
        return startOnce(argc, argv, QByteArray(argv[1]) == "--start"  ? Start::Program
                                     : QByteArray(argv[1]) == "--bare" ? Start::Bare
                                                                       : Start::PersianLine);
    QApplication app(argc, argv);
    setUpApplication(app);
    // Only the comparison, on a database of the given size.
    if (argc > 2 && QByteArray(argv[1]) == "--compare") {
        const int subjects = atoi(argv[2]);
        QTemporaryDir dir(QStringLiteral("/var/tmp/bench_million-XXXXXX"));
        const QString database = dir.filePath(QStringLiteral("DBTavor/DBTavor.mdb"));
        if (!makeProgramFolder(dir.path(), QStringLiteral(MEHRSAN_PROGRAM_DIR)) || !generateSubjects(database, subjects))
            qFatal("no database");
        qputenv("MEHRSAN_HOME", dir.path().toUtf8());
        ScriptedDialogs dialogs;
        if (!Database::open(database) || !ScoreTally::ensure())
            qFatal("no database");
        std::printf("\n### %d subjects, the comparison\n\n| operation | time | against |\n|---|---:|---|\n", subjects);
        measureComparison(QStringLiteral("S%1").arg(subjects));
        Database::close();
        return 0;
    }
    // Only the first start and the start, on a database of each size.
    const bool onlyTheStarts = argc > 1 && QByteArray(argv[1]) == "--starts";
    QList<int> sizes;
    for (int i = onlyTheStarts ? 2 : 1; i < argc; ++i)
        sizes << atoi(argv[i]);
    if (sizes.isEmpty())
        sizes = {10, 100000, 1000000};
    for (int subjects : sizes)
        measure(subjects, onlyTheStarts);
    return 0;
}
