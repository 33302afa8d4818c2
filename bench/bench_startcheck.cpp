// What the checks against damage cost: the start (open read-write, tables,
// quick check), and a backup (copy under a read transaction, then the
// integrity check of the copy), with 10 and with 100,000 subjects.
#include "BenchTools.h"
#include "SubjectGenerator.h"

#include "backup/Backup.h"
#include "data/Database.h"
#include "data/DatabaseLock.h"
#include "shell/ProgramStart.h"

#include "ScriptedDialogs.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ScriptedDialogs dialogs;
    std::printf("| subjects | file | start: open and quick check | backup: copy and integrity check |\n");
    std::printf("|---:|---:|---:|---:|\n");
    for (int count : {10, 100000}) {
        QTemporaryDir dir;
        if (!makeProgramFolder(dir.path(), QStringLiteral(MEHRSAN_PROGRAM_DIR)))
            qFatal("no program folder");
        qputenv("MEHRSAN_HOME", dir.path().toUtf8());
        const QString database = dir.filePath(QStringLiteral("DBTavor/DBTavor.mdb"));
        if (!generateSubjects(database, count))
            qFatal("no subjects");
        const double start = medianSeconds(9, [] {
            if (!openProgramDatabase())
                qFatal("start refused");
            Database::close();
            DatabaseLock::release();
        });
        const double backup = medianSeconds(5, [&] {
            if (Backup::BackupDatabase(dir.filePath(QStringLiteral("Back/b.mdbB")), nullptr) != 1)
                qFatal("backup failed");
        });
        std::printf("| %d | %.1f MB | %.3f s | %.3f s |\n", count, QFileInfo(database).size() / 1e6, start, backup);
    }
    return 0;
}
