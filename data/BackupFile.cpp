#include "data/BackupFile.h"

#include "data/Database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtEndian>

#include <cerrno>
#include <cstring>

namespace Backup {
namespace {

QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

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
// written in blocks of 256 steps (about 1 MB), since the system is far slower
// with requests of 4 KB, and the bytes are not copied in memory on the way.
// Memory stays one block.
constexpr qint64 kBlock = 256 * kChunk;
// Window events run between steps this often at the most: enough for a
// smooth bar, without a pass of the event loop for every 4 KB.
constexpr int kEventsEveryMs = 16;

// Reads exactly `want` bytes unless the file ends first; -1 on an error.
qint64 readFully(QFile &file, char *into, qint64 want)
{
    qint64 done = 0;
    while (done < want) {
        const qint64 got = file.read(into + done, want - done);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += got;
    }
    return done;
}
}  // namespace

bool copyFile(const QString &source, const QString &destination, const Progress &progress, QString *error,
              const SafeFile::Verify &verify)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return fail(error, in.errorString());

    // The bytes go to a hidden file beside the destination, which replaces
    // the destination in one step once it is whole, on disk and checked.
    SafeFile out(destination);
    if (!out.open())
        return fail(error, out.errorString());

    const qint64 n = in.size();
    QByteArray block(kBlock, Qt::Uninitialized);
    qint64 copied = 0;
    QElapsedTimer sinceEvents;
    while (copied < n) {
        if (!sinceEvents.isValid() || sinceEvents.elapsed() >= kEventsEveryMs) {
            QCoreApplication::processEvents();
            sinceEvents.start();
        }
        const qint64 want = qMin(kBlock, n - copied);
        const qint64 got = readFully(in, block.data(), want);
        if (got != want)
            return fail(error, got < 0 ? in.errorString() : systemError(EIO));
        if (!out.write(block.constData(), want))
            return fail(error, out.errorString());
        // The block's steps of 4048 bytes, the last one the rest of the file.
        for (qint64 step = copied + kChunk;; step += kChunk) {
            const qint64 at = qMin(step, copied + want);
            if (progress)
                progress(at, n);
            if (at == copied + want)
                break;
        }
        copied += want;
    }
    // A source that changed length meanwhile was not copied whole.
    if (in.size() != n)
        return fail(error, systemError(EIO));
    in.close();
    if (!out.commit(verify))
        return fail(error, out.errorString());
    return true;
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

    // Every page, and every index against its table: a backup with a broken
    // index would break the live database's unique codes once restored.
    return isSoundDatabase(file, why);
}

bool isSoundDatabase(const QString &file, QString *why)
{
    const QString check = Database::checkFile(file, Database::Check::Full);
    if (check != QLatin1String("ok"))
        return fail(why, QStringLiteral("اين فايل آسيب ديده است (%1)").arg(check));
    return true;
}

namespace {
// Each object of a database's schema as one text: type, name and definition.
QStringList schemaOf(QSqlDatabase db)
{
    QStringList objects;
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("SELECT type, name, tbl_name, coalesce(sql, '') FROM sqlite_master")))
        while (q.next())
            objects << q.value(0).toString() + '\n' + q.value(1).toString() + '\n' + q.value(3).toString();
    return objects;
}
}  // namespace

QStringList ownSchema() { return Database::isOpen() && !Database::isServer() ? schemaOf(Database::connection()) : QStringList(); }

bool keepOnlyOwnSchema(const QString &file, const QStringList &kept, QString *why)
{
    // A backup is anybody's file: triggers and views in it would run or be
    // read as the program's own once it is the database. The program's tables
    // keep their rows and their indexes; the score counts, whose triggers are
    // kept only as the program made them, are made anew when they are missing.
    QStringList own;
    for (const auto &table : Database::tableColumns())
        own << table.first;
    const QString connection = QStringLiteral("mehrsan-restore-schema");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(file);
        QSqlQuery q(db);
        QStringList drops;
        if (db.open() && q.exec(QStringLiteral("SELECT type, name, tbl_name, coalesce(sql, '') FROM sqlite_master "
                                                "WHERE name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                                                "ORDER BY type = 'table', type = 'index'"))) {
            // The score counts are kept only whole, every table and trigger
            // of theirs as the program made them: one of them missing or
            // changed would stop every save, so then they all go and are
            // made and counted anew.
            struct Object {
                QString type, name, table, text;  // text: as schemaOf() gives it
            };
            const auto isCount = [](const QString &name) { return name.startsWith(QLatin1String("Tally")); };
            QList<Object> objects;
            while (q.next())
                objects << Object{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                                  q.value(0).toString() + '\n' + q.value(1).toString() + '\n' + q.value(3).toString()};
            qsizetype countsKept = 0, countsInFile = 0;
            for (const QString &object : kept)
                countsKept += isCount(object.section(u'\n', 1, 1));
            bool countsWhole = true;
            for (const Object &o : objects)
                if (isCount(o.name)) {
                    ++countsInFile;
                    countsWhole = countsWhole && kept.contains(o.text);
                }
            countsWhole = countsWhole && countsInFile == countsKept;
            for (const Object &o : objects) {
                const bool ownTable = own.contains(o.table);
                const bool keep = isCount(o.name) ? countsWhole
                                                  : kept.contains(o.text) || (o.type == QLatin1String("table") && ownTable) ||
                                                        (o.type == QLatin1String("index") && ownTable &&
                                                         o.name.startsWith(QLatin1String("IDE_")));
                if (!keep)
                    drops << QStringLiteral("DROP %1 IF EXISTS %2").arg(o.type.toUpper(), Database::quoted(o.name));
            }
            ok = true;
            if (!drops.isEmpty()) {
                ok = q.exec(QStringLiteral("BEGIN"));
                for (const QString &drop : drops)
                    ok = ok && q.exec(drop);
                ok = ok && q.exec(QStringLiteral("COMMIT"));
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (!ok)
        return fail(why, QStringLiteral("جدول هاي برنامه در اين فايل جدا نشدند"));
    return isSoundDatabase(file, why);
}

}  // namespace Backup
