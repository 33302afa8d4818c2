#include "data/DatabaseLock.h"

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>

#include <memory>

namespace DatabaseLock {
namespace {
struct State {
    std::unique_ptr<QLockFile> lock;
    QString databaseFile;  // the real file the OS lock is on
    FileSystem::LockHandle osLock = FileSystem::NoLock;  // the database file, open and locked
    bool tookOver = false;
    Holder holder;
};

State &state()
{
    static State s;
    return s;
}

void dropOsLock()
{
    FileSystem::unlockFile(state().osLock);
    state().osLock = FileSystem::NoLock;
}

// False only when another open file holds it; a file that cannot be opened is
// for the database's own open to report.
bool takeOsLock(const QString &file, bool *blocked)
{
    dropOsLock();
    state().osLock = FileSystem::lockFile(file, blocked);
    return !*blocked;
}

// What a lock file says of its holder, as QLockFile writes it: process
// number, program, computer name, machine id.
struct LockInfo {
    bool readable = false;
    bool otherComputer = false;
    Holder holder;
};

LockInfo readLock(const QString &path)
{
    LockInfo info;
    const QFileInfo fi(path);
    if (!fi.isFile() || fi.isSymLink())
        return info;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > 4096)
        return info;
    const QList<QByteArray> lines = f.readAll().split('\n');
    bool ok = false;
    info.holder.pid = lines.value(0).toLongLong(&ok);
    if (!ok || info.holder.pid <= 0 || lines.size() < 3)
        return info;
    info.readable = true;
    info.holder.host = QString::fromUtf8(lines.value(2));
    info.holder.since = fi.lastModified();
    const QByteArray theirId = lines.value(3);
    const QByteArray ourId = QSysInfo::machineUniqueId();
    info.otherComputer = !theirId.isEmpty() && !ourId.isEmpty()
                             ? theirId != ourId
                             : !info.holder.host.isEmpty() && info.holder.host != QSysInfo::machineHostName();
    return info;
}

// A lock file nobody can be holding goes out of the way: a file is removed, a
// folder removed when empty or else moved aside under a dated name.
bool clearBrokenLock(const QString &path)
{
    const QFileInfo fi(path);
    if (fi.isDir() && !fi.isSymLink()) {
        if (QDir().rmdir(path))
            return true;
        return QFile::rename(path, path + QStringLiteral(".broken-") +
                                       QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    }
    return QFile::remove(path);
}

Result failed(const QString &path, QLockFile::LockError error, QString *why)
{
    if (why)
        *why = error == QLockFile::PermissionError ? QStringLiteral("اجازه ساختن فايل قفل %1 نيست").arg(leftToRight(path))
                                                   : QStringLiteral("فايل قفل %1 ساخته نشد").arg(leftToRight(path));
    dropOsLock();
    return Result::Failed;
}

Result lock(const QString &databaseFile, bool overrideOtherComputer, QString *why)
{
    const QString real = realFile(databaseFile);
    const QString path = lockFileFor(databaseFile);
    if (state().lock && state().lock->fileName() == path)
        return Result::Taken;
    release();

    bool blocked = false;
    if (!takeOsLock(real, &blocked)) {
        const LockInfo info = readLock(path);
        state().holder = info.holder;
        if (why)
            *why = info.readable ? QStringLiteral("%1 (%2)").arg(info.holder.host).arg(info.holder.pid)
                                 : QStringLiteral("%1 (?)").arg(QSysInfo::machineHostName());
        return Result::HeldElsewhere;
    }

    QFileInfo before(path);
    const bool leftBehind = before.exists() || before.isSymLink();
    auto lock = std::make_unique<QLockFile>(path);
    // Never count a lock as stale by its age: a program left open for a day
    // still holds it. A lock whose process is gone is taken over by QLockFile.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        const LockInfo info = readLock(path);
        state().holder = info.holder;
        const bool broken = !info.readable;
        if (!broken && info.otherComputer && !overrideOtherComputer) {
            dropOsLock();
            return Result::OtherComputer;
        }
        if (!broken && !info.otherComputer) {
            if (why)
                *why = QStringLiteral("%1 (%2)").arg(info.holder.host).arg(info.holder.pid);
            dropOsLock();
            return Result::HeldElsewhere;
        }
        // Unreadable, or the operator said the other computer's program is
        // closed: no live program holds it.
        if (!clearBrokenLock(path) || !lock->tryLock(0))
            return failed(path, lock->error(), why);
    }
    // It names this computer and process: its owner's alone, like the records.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    state().lock = std::move(lock);
    state().databaseFile = real;
    state().tookOver = leftBehind;
    return Result::Taken;
}
}  // namespace

QString realFile(const QString &databaseFile)
{
    const QFileInfo fi(databaseFile);
    const QString canonical = fi.canonicalFilePath();
    return canonical.isEmpty() ? fi.absoluteFilePath() : canonical;
}

QString lockFileFor(const QString &databaseFile) { return realFile(databaseFile) + QStringLiteral(".lock"); }

Result take(const QString &databaseFile, QString *why) { return lock(databaseFile, false, why); }

Result takeOver(const QString &databaseFile, QString *why) { return lock(databaseFile, true, why); }

Holder holder() { return state().holder; }

bool tookOverLeftLock() { return state().lock && state().tookOver; }

bool followReplacedFile()
{
    if (!state().lock)
        return false;
    bool blocked = false;
    return takeOsLock(state().databaseFile, &blocked) && state().osLock != FileSystem::NoLock;
}

void release()
{
    if (state().lock)
        state().lock->unlock();
    state().lock.reset();
    dropOsLock();
    state().databaseFile.clear();
    state().tookOver = false;
}

}  // namespace DatabaseLock
