#include "updater/VerifiedCopy.h"

#include "platform/Dialogs.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace VerifiedCopy {
namespace {
constexpr qint64 kBlock = 64 * 1024;

bool fail(QString *why, const QString &text)
{
    if (why)
        *why = text;
    return false;
}

// Only its user may add, rename or remove what is in the folder.
bool isUsersAlone(const QString &folder)
{
#ifndef Q_OS_WIN
    struct stat st;
    return ::lstat(QFile::encodeName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
#else
    return QFileInfo(folder).isDir();
#endif
}

// Copies `from` into `to` (made new, 0700), returning the SHA-256 of the
// bytes written; stops one block past `size`, which cannot match then.
bool copyHashing(const QString &from, const QString &to, qint64 size, QByteArray *sha256, qint64 *copied,
                 QString *why)
{
    QFile source(from);
#ifndef Q_OS_WIN
    // A link, a pipe or a device put in its place is not read.
    const int fd = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        return fail(why, QStringLiteral("not a plain file"));
    }
    if (!source.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return fail(why, source.errorString());
#else
    if (!source.open(QIODevice::ReadOnly))
        return fail(why, source.errorString());
#endif
    QFile target(to);
    if (!target.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                     QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))
        return fail(why, target.errorString());
    QCryptographicHash hash(QCryptographicHash::Sha256);
    *copied = 0;
    QByteArray block(kBlock, Qt::Uninitialized);
    for (;;) {
        const qint64 n = source.read(block.data(), kBlock);
        if (n < 0)
            return fail(why, source.errorString());
        if (n == 0)
            break;
        if (target.write(block.constData(), n) != n)
            return fail(why, target.errorString());
        hash.addData(QByteArrayView(block.constData(), n));
        *copied += n;
        if (*copied > size)
            break;
    }
    if (!target.flush())
        return fail(why, target.errorString());
    target.close();
    *sha256 = hash.result();
    return true;
}
}  // namespace

QString changedAfterCheckText(const QString &file)
{
    return QStringLiteral("فايل نصب %1 پس از بررسي امضا تغيير کرده است و آن فايلي نيست که ناشر امضا کرده بود.\n"
                          "چيزي اجرا نشد. دوباره دانلود کنيد و اگر باز هم چنين شد، به مسئول رايانه خبر دهيد.")
        .arg(leftToRight(QDir::toNativeSeparators(file)));
}

QString parentFolder()
{
#ifndef Q_OS_WIN
    // Qt makes it, or checks it is, the user's alone (0700).
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
#else
    return QStandardPaths::writableLocation(QStandardPaths::TempLocation);
#endif
}

QString make(const QString &file, qint64 size, const QByteArray &sha256, QString *why)
{
    const QString name = QFileInfo(file).fileName();
    const QString parent = parentFolder();
    if (parent.isEmpty() || !isUsersAlone(parent)) {
        fail(why, QStringLiteral("پوشه اي که فقط مال کاربر باشد براي اجراي برنامه نصب پيدا نشد (%1).\n"
                                 "چيزي اجرا نشد. برنامه نصب را خودتان از پوشه برنامه اجرا کنيد.")
                      .arg(leftToRight(QDir::toNativeSeparators(parent))));
        return QString();
    }
    // A new folder, 0700: nothing in it but what is put there now.
    QTemporaryDir folder(QDir(parent).filePath(QStringLiteral("Zelqupdate-XXXXXX")));
    if (!folder.isValid()) {
        fail(why, QStringLiteral("پوشه اجراي برنامه نصب ساخته نشد: %1\nچيزي اجرا نشد.").arg(folder.errorString()));
        return QString();
    }
    const QString copy = folder.filePath(name);
    QByteArray hash;
    qint64 copied = 0;
    QString error;
    if (!copyHashing(file, copy, size, &hash, &copied, &error)) {
        fail(why, QStringLiteral("فايل نصب %1 براي اجرا خوانده نشد: %2\nچيزي اجرا نشد. دوباره دانلود کنيد.")
                      .arg(leftToRight(QDir::toNativeSeparators(file)), error));
        return QString();
    }
    if (copied != size || hash != sha256) {
        fail(why, changedAfterCheckText(file));
        return QString();
    }
    // The setup runs from here after this program has ended.
    folder.setAutoRemove(false);
    return copy;
}

}  // namespace VerifiedCopy
