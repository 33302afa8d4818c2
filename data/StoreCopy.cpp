#include "data/StoreCopy.h"

#include "data/FieldRules.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"

#include "data/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace StoreCopy {
namespace {

bool fail(QString *why, const QString &text)
{
    if (why)
        *why = text;
    return false;
}

// A connection of its own to a database file, closed and removed with the object.
class FileConnection
{
public:
    explicit FileConnection(const QString &file, bool readOnly)
        : m_name(QStringLiteral("mehrsan-copy-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        db.open();
    }
    ~FileConnection()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
};

// The file's schema as the build makes the shipped database from it.
bool createFileTables(QSqlDatabase db, QString *why)
{
    QFile schema(QStringLiteral(":/data/schema.sql"));
    if (!schema.open(QIODevice::ReadOnly))
        return fail(why, schema.errorString());
    QStringList lines;
    for (const QString &line : QString::fromUtf8(schema.readAll()).split('\n'))
        if (!line.trimmed().startsWith(QLatin1String("--")))
            lines << line;
    QSqlQuery q(db);
    for (const QString &statement : lines.join('\n').split(';'))
        if (!statement.trimmed().isEmpty() && !q.exec(statement))
            return fail(why, q.lastError().text());
    return true;
}

QString insertStatement(const QString &table, const QStringList &columns)
{
    QStringList names, marks;
    for (const QString &c : columns) {
        names << Database::quoted(c);
        marks << QStringLiteral("?");
    }
    return "INSERT INTO " + Database::quoted(table) + " (" + names.join(',') + ") VALUES (" + marks.join(',') + ")";
}

QString selectStatement(const QString &table, const QStringList &columns)
{
    QStringList names;
    for (const QString &c : columns)
        names << Database::quoted(c);
    return "SELECT " + names.join(',') + " FROM " + Database::quoted(table) + " ORDER BY rowid";
}

qint64 totalRows(QSqlDatabase db, QString *why)
{
    qint64 total = 0;
    QSqlQuery q(db);
    for (const auto &table : Database::tableColumns()) {
        if (!q.exec("SELECT COUNT(*) FROM " + Database::quoted(table.first)) || !q.next()) {
            fail(why, q.lastError().text());
            return -1;
        }
        total += q.value(0).toLongLong();
    }
    return total;
}

// Every row of the tables from one connection to the other, in stored order.
bool copyRows(QSqlDatabase from, QSqlDatabase to, const Progress &progress, QString *why,
              const QStringList &only = {})
{
    const qint64 total = totalRows(from, why);
    if (total < 0)
        return false;
    qint64 done = 0;
    for (const auto &[table, columns] : Database::tableColumns()) {
        if (!only.isEmpty() && !only.contains(table))
            continue;
        QSqlQuery read(from);
        read.setForwardOnly(true);
        if (!read.exec(selectStatement(table, columns)))
            return fail(why, read.lastError().text());
        QSqlQuery write(to);
        if (!write.prepare(insertStatement(table, columns)))
            return fail(why, write.lastError().text());
        while (read.next()) {
            // Every column holds text on both stores.
            for (int i = 0; i < columns.size(); ++i) {
                const QVariant v = read.value(i);
                write.bindValue(i, v.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(v.toString()));
            }
            if (!write.exec())
                return fail(why, write.lastError().text());
            if (progress && (++done % 256 == 0 || done == total))
                progress(done, total);
        }
        if (read.lastError().isValid())
            return fail(why, read.lastError().text());
    }
    if (progress)
        progress(total, total);
    return true;
}

}  // namespace

bool writeServerToFile(const QString &destination, const Progress &progress, QString *why)
{
    const QFileInfo target(destination);
    if (target.isDir() || !QFileInfo(target.absolutePath()).isDir())
        return fail(why, QString::fromLocal8Bit(std::strerror(target.isDir() ? EISDIR : ENOENT)));
    QTemporaryFile temp(QDir(target.absolutePath()).filePath('.' + target.fileName() + QStringLiteral(".XXXXXX")));
    if (!temp.open())
        return fail(why, temp.errorString());
    temp.close();

    QSqlDatabase server = Database::connection();
    QSqlQuery snapshot(server);
    // One snapshot for all four tables: rows stored by others meanwhile are
    // either wholly in the file or wholly not.
    if (!snapshot.exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")))
        return fail(why, snapshot.lastError().text());
    bool ok = false;
    {
        FileConnection file(temp.fileName(), false);
        QSqlDatabase db = file.db();
        QSqlQuery q(db);
        ok = db.isOpen() && createFileTables(db, why) && q.exec(QStringLiteral("BEGIN")) &&
             copyRows(server, db, progress, why) && q.exec(QStringLiteral("COMMIT"));
        if (!ok && why && why->isEmpty())
            *why = db.isOpen() ? q.lastError().text() : db.lastError().text();
        q.finish();
    }
    snapshot.exec(QStringLiteral("ROLLBACK"));
    if (!ok)
        return false;
    if (!FileSystem::syncFile(temp.fileName()))
        return fail(why, QString::fromLocal8Bit(std::strerror(errno)));
    QString replaceError;
    if (!FileSystem::replace(temp.fileName(), destination, &replaceError))
        return fail(why, replaceError);
    temp.setAutoRemove(false);  // it is the destination now
    FileSystem::syncFolder(target.absolutePath());
    return true;
}

namespace {
// The rows of a file the server cannot hold (a NUL, a name too long for its
// index) or that no window would have taken (a control or hidden character, a
// value longer than its field), named by table, subject code and column;
// empty when there are none.
QStringList unstorableValues(QSqlDatabase file, QString *why)
{
    QStringList found;
    for (const auto &[table, columns] : Database::tableColumns()) {
        QSqlQuery read(file);
        read.setForwardOnly(true);
        if (!read.exec(selectStatement(table, columns))) {
            *why = read.lastError().text();
            return {QStringLiteral("?")};
        }
        const int key = int(columns.indexOf(QStringLiteral("Code")));
        qint64 row = 0;
        while (read.next()) {
            ++row;
            for (int i = 0; i < columns.size(); ++i) {
                const QString value = read.value(i).toString();
                QString problem = FieldRules::serverProblem(table, columns[i], value);
                if (problem.isEmpty())
                    problem = FieldRules::problem(table, columns[i], value);
                if (problem.isEmpty())
                    continue;
                const QString which = key >= 0 ? QStringLiteral("کد %1").arg(leftToRight(read.value(key).toString().left(40)))
                                               : QStringLiteral("رديف %1").arg(row);
                found << QStringLiteral("%1، %2: %3").arg(table, which, problem);
            }
        }
    }
    return found;
}
}  // namespace

bool replaceServerRows(const QString &file, bool refuseIfSubjects, const Progress &progress, QString *why,
                       const InTransaction &beforeRows, const InTransaction &afterRows)
{
    FileConnection source(file, true);
    if (!source.db().isOpen())
        return fail(why, source.db().lastError().text());
    // Looked at before anything is written: the server is left as it was.
    QString readError;
    const QStringList unstorable = unstorableValues(source.db(), &readError);
    if (!readError.isEmpty())
        return fail(why, readError);
    if (!unstorable.isEmpty()) {
        QStringList shown = unstorable.mid(0, 20);
        if (unstorable.size() > shown.size())
            shown << QStringLiteral("و %1 مورد ديگر").arg(unstorable.size() - shown.size());
        return fail(why, QStringLiteral("اين مقدارها روي سرور نگه داشته نمي شوند؛ چيزي روي سرور نوشته نشد:\n") +
                             shown.join('\n'));
    }
    Database::Transaction transaction;
    if (!transaction.isActive())
        return fail(why, Database::connection().lastError().text());
    QSqlDatabase server = Database::connection();
    QSqlQuery q(server);
    if (refuseIfSubjects) {
        // Taken first, so no one registers a subject between the look and the copy.
        if (!q.exec(QStringLiteral("LOCK TABLE \"IDE\" IN EXCLUSIVE MODE")) ||
            !q.exec(QStringLiteral("SELECT 1 FROM \"IDE\" LIMIT 1")))
            return fail(why, q.lastError().text());
        if (q.next())
            return fail(why, QStringLiteral("سرور از پيش آزمودني دارد؛ چيزي روي آن نوشته نشد"));
    }
    if (beforeRows && !beforeRows(why))
        return false;
    for (const auto &table : Database::tableColumns())
        if (!q.exec("DELETE FROM " + Database::quoted(table.first)))
            return fail(why, q.lastError().text());
    if (!copyRows(source.db(), server, progress, why) || (afterRows && !afterRows(why)))
        return false;
    if (!transaction.commit())
        return fail(why, QStringLiteral("تغييرات روي سرور ذخيره نشد"));
    return true;
}

bool fillNewServer(QSqlDatabase server, const QString &localFile, QString *why)
{
    FileConnection source(localFile, true);
    if (!source.db().isOpen())
        return fail(why, source.db().lastError().text());
    QSqlQuery q(server);
    if (!q.exec(QStringLiteral("BEGIN")))
        return fail(why, q.lastError().text());
    if (!Database::createServerTables(server, why) ||
        !copyRows(source.db(), server, {}, why, {QStringLiteral("Theme"), QStringLiteral("QU")}) ||
        !q.exec(QStringLiteral("COMMIT"))) {
        if (why && why->isEmpty())
            *why = q.lastError().text();
        q.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return true;
}

}  // namespace StoreCopy
