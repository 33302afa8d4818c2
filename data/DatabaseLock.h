#pragma once
#include <QDateTime>
#include <QString>

// One program per database: a lock file beside the database, held for as long
// as the program runs, and an OS lock on the database file itself (flock;
// LockFileEx on Windows, see platform/FileSystem). A second start, on this
// machine or on another one that shares the folder, finds one of them held
// and must end without touching the database. Both follow the real file: a
// path through a symbolic link names the same lock file, and a hard link
// meets the same OS lock.
//
// A lock file that no live program holds is taken over: one left by a
// program that crashed on this machine, and one that cannot be read at all
// (empty, garbage, a folder), which a power cut or a sync tool can leave. A
// lock naming another computer is left alone until the operator says that the
// program is closed there (takeOver).
namespace DatabaseLock {

enum class Result {
    Taken,          // this process holds the lock now (or already did)
    HeldElsewhere,  // another running program on this machine holds it: *why names it
    OtherComputer,  // the lock names another computer: see holder()
    Failed,         // the lock file could not be made: *why says why
};
Result take(const QString &databaseFile, QString *why = nullptr);
// After the operator confirmed that the program is closed on the computer the
// lock names: the lock is taken, counting as left behind.
Result takeOver(const QString &databaseFile, QString *why = nullptr);

// Who holds a lock that take() did not get: computer, process and since when.
struct Holder {
    QString host;
    qint64 pid = 0;
    QDateTime since;
};
Holder holder();

// True when the lock taken was left by a program that no longer runs, so that
// a journal beside the database may be that program's own.
bool tookOverLeftLock();

// The database was replaced by another file under the same name (a restore):
// the OS lock moves to the new file.
bool followReplacedFile();

// Lets the lock go (the program is ending).
void release();
// The database file with symbolic links resolved (as it is when it does not exist).
QString realFile(const QString &databaseFile);
// The lock file of a database: beside the real file, with ".lock" appended.
QString lockFileFor(const QString &databaseFile);

}  // namespace DatabaseLock
