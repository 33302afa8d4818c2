#include "data/DatabaseLock.h"

#include <QFileInfo>
#include <QLockFile>

#include <memory>

namespace DatabaseLock {
namespace {
std::unique_ptr<QLockFile> &held()
{
    static std::unique_ptr<QLockFile> lock;
    return lock;
}
}  // namespace

QString lockFileFor(const QString &databaseFile)
{
    return QFileInfo(databaseFile).absoluteFilePath() + QStringLiteral(".lock");
}

Result take(const QString &databaseFile, QString *why)
{
    const QString path = lockFileFor(databaseFile);
    if (held() && held()->fileName() == path)
        return Result::Taken;
    release();
    auto lock = std::make_unique<QLockFile>(path);
    // Never count a lock as stale by its age: a program left open for a day
    // still holds it. A lock whose process is gone is taken over by QLockFile.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        held() = std::move(lock);
        return Result::Taken;
    }
    if (lock->error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host, application;
        lock->getLockInfo(&pid, &host, &application);
        if (why)
            *why = QStringLiteral("%1 (%2)").arg(host, QString::number(pid));
        return Result::HeldElsewhere;
    }
    if (why)
        *why = lock->error() == QLockFile::PermissionError
                   ? QStringLiteral("اجازه ساختن فايل قفل %1 نيست").arg(path)
                   : QStringLiteral("فايل قفل %1 ساخته نشد").arg(path);
    return Result::Failed;
}

void release()
{
    if (held())
        held()->unlock();
    held().reset();
}

}  // namespace DatabaseLock
