#include "backup/Backup.h"

#include "data/Database.h"
#include "data/StoreCopy.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"
#include "shell/MainWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QtEndian>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace Backup {
namespace {

QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

// A rename is only durable once the folder that holds the name is on disk too.
void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

// The size the database's own header gives (page size times page count), or
// -1 when the header does not say.
qint64 sizeFromHeader(const QByteArray &header)
{
    if (header.size() < 100)
        return -1;
    const auto *bytes = reinterpret_cast<const uchar *>(header.constData());
    qint64 pageSize = qFromBigEndian<quint16>(bytes + 16);
    if (pageSize == 1)
        pageSize = 65536;
    const quint32 pages = qFromBigEndian<quint32>(bytes + 28);
    const quint32 changeCounter = qFromBigEndian<quint32>(bytes + 24);
    const quint32 validFor = qFromBigEndian<quint32>(bytes + 92);
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0)
        return -1;
    if (pages == 0 || changeCounter != validFor)
        return -1;
    return pageSize * pages;
}

// The copy moves 4048 bytes a step; underneath, the files are read and
// written in blocks of sixteen chunks, since the disk is far slower with
// requests of 4 KB than of 64 KB. Memory stays two blocks and one chunk.
constexpr qint64 kBlock = 16 * kChunk;

class BlockReader
{
public:
    explicit BlockReader(QFile &file) : m_file(file), m_block(kBlock, Qt::Uninitialized) {}
    // Up to `want` bytes; fewer only at the end of the file, -1 on an error.
    qint64 read(char *into, qint64 want)
    {
        qint64 done = 0;
        while (done < want) {
            if (m_at == m_size) {
                m_size = m_file.read(m_block.data(), kBlock);
                m_at = 0;
                if (m_size <= 0)
                    return m_size < 0 ? -1 : done;
            }
            const qint64 take = qMin(want - done, m_size - m_at);
            std::memcpy(into + done, m_block.constData() + m_at, size_t(take));
            m_at += take;
            done += take;
        }
        return done;
    }

private:
    QFile &m_file;
    QByteArray m_block;
    qint64 m_at = 0;
    qint64 m_size = 0;
};

class BlockWriter
{
public:
    explicit BlockWriter(QFileDevice &file) : m_file(file), m_block(kBlock, Qt::Uninitialized) {}
    bool append(const char *data, qint64 size)
    {
        if (m_size + size > kBlock && !flush())
            return false;
        std::memcpy(m_block.data() + m_size, data, size_t(size));
        m_size += size;
        return true;
    }
    bool flush()
    {
        if (m_size > 0 && m_file.write(m_block.constData(), m_size) != m_size)
            return false;
        m_size = 0;
        return m_file.flush();
    }

private:
    QFileDevice &m_file;
    QByteArray m_block;
    qint64 m_size = 0;
};

}  // namespace

bool copyFile(const QString &source, const QString &destination, const Progress &progress, QString *error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fail(error, in.errorString());

    const QFileInfo target(destination);
    if (target.isDir())
        return fail(error, systemError(EISDIR));
    if (target.exists() && !target.isWritable())
        return fail(error, systemError(EACCES));
    const QString folder = target.absolutePath();
    if (!QFileInfo(folder).isDir())
        return fail(error, systemError(ENOENT));

    // The bytes go to a hidden file beside the destination, so that the final
    // rename stays on one file system and replaces the destination at once.
    // Such files left by a copy that was cut off (power loss, killed) go first.
    const QString tempPrefix = '.' + target.fileName() + '.';
    QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden))
        if (name.size() == tempPrefix.size() + 6 && name.startsWith(tempPrefix))
            dir.remove(name);
    QTemporaryFile out(dir.filePath(tempPrefix + QStringLiteral("XXXXXX")));
    if (!out.open())
        return fail(error, out.errorString());
    if (target.exists())
        out.setPermissions(target.permissions());

    const qint64 n = in.size();
    BlockReader reader(in);
    BlockWriter writer(out);
    QByteArray buffer(kChunk, Qt::Uninitialized);
    qint64 copied = 0;
    qint64 chunk = kChunk;
    while (copied < n) {
        QCoreApplication::processEvents();
        if (n - copied < chunk)
            chunk = n - copied;
        const qint64 got = reader.read(buffer.data(), chunk);
        if (got != chunk)
            return fail(error, got < 0 ? in.errorString() : systemError(EIO));
        if (!writer.append(buffer.constData(), chunk))
            return fail(error, out.errorString());
        copied += chunk;
        if (progress)
            progress(copied, n);
    }
    if (!writer.flush())
        return fail(error, out.errorString());

    if (!out.flush())
        return fail(error, out.errorString());
    if (::fsync(out.handle()) != 0)
        return fail(error, systemError(errno));
    out.close();
    in.close();

    if (std::rename(QFile::encodeName(out.fileName()).constData(), QFile::encodeName(destination).constData()) != 0)
        return fail(error, systemError(errno));
    out.setAutoRemove(false);  // it is the destination now
    syncFolder(folder);
    return true;
}

int CopyFileInChunks(const QString &source, const QString &destination, QWidget *owner, const Progress &progress)
{
    QString error;
    if (copyFile(source, destination, progress, &error))
        return 1;
    showMessage(owner, QStringLiteral("اشکال در ايجاد نسخه پشتيباني") + '\n' + error, MainWindow::programTitle(),
                QMessageBox::Critical);
    return 0;
}

int BackupServer(const QString &destination, QWidget *owner, const Progress &progress)
{
    QString error;
    if (StoreCopy::writeServerToFile(destination, progress, &error))
        return 1;
    showMessage(owner, QStringLiteral("اشکال در ايجاد نسخه پشتيباني") + '\n' + error, MainWindow::programTitle(),
                QMessageBox::Critical);
    return 0;
}

bool isRestorableBackup(const QString &file, QString *why)
{
    QString reason;
    if (!Database::isProgramDatabase(file, &reason))
        return fail(why, reason);

    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return fail(why, f.errorString());
    const qint64 expected = sizeFromHeader(f.read(100));
    if (expected >= 0 && expected != f.size())
        return fail(why, QStringLiteral("اين فايل ناقص است"));
    f.close();

    // Pages that the header or the schema point at must be there and sound.
    static const QString kConnection = QStringLiteral("mehrsan-restore-check");
    bool sound = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(file);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            sound = q.exec(QStringLiteral("PRAGMA quick_check")) && q.next() &&
                    q.value(0).toString() == QLatin1String("ok");
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(kConnection);
    if (!sound)
        return fail(why, QStringLiteral("اين فايل آسيب ديده است"));
    return true;
}

RestoreResult RestoreDatabase(const QString &source, QWidget *owner, const Progress &progress, QString *why)
{
    if (!isRestorableBackup(source, why))
        return RestoreResult::Refused;
    // On a server the four tables' rows are replaced in one transaction.
    if (Database::isServer())
        return StoreCopy::replaceServerRows(source, false, progress, why) ? RestoreResult::Restored
                                                                         : RestoreResult::OtherFailure;

    const QString database = ProgramFolder::databaseFile();
    // No connection may hold the old file while it is replaced; the table
    // views of the windows read nothing until it is open again.
    Database::close();

    // A journal beside the database would be played back into the new file.
    for (const char *suffix : {"-journal", "-wal"}) {
        if (QFileInfo(database + QLatin1String(suffix)).size() > 0) {
            Database::open(database);
            fail(why, QStringLiteral("بانک اطلاعاتي در حال استفاده است"));
            return RestoreResult::OtherFailure;
        }
    }

    const int copied = CopyFileInChunks(source, database, owner, progress);
    QString openError;
    if (!Database::open(database, &openError)) {
        fail(why, openError);
        return RestoreResult::OtherFailure;
    }
    return copied == 1 ? RestoreResult::Restored : RestoreResult::CopyFailed;
}

}  // namespace Backup
