#include "data/Database.h"

#include "platform/Dialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

namespace Database {
namespace {
const QString kConnection = QStringLiteral("mehrsan");
const QString kCheckConnection = QStringLiteral("mehrsan-check");

// The columns each table must have for the windows to work.
QList<QPair<QString, QStringList>> requiredTables()
{
    QStringList ide = {"Code", "FName", "LName", "Sen", "Jens", "Taahol", "Tahsil", "Group", "Date", "Time"};
    ide += scoreColumns();
    QStringList answer = {"Code"};
    for (int i = 1; i <= 90; ++i)
        answer << QString::number(i);
    return {{"Theme", {"TH", "Name", "Adress", "tafsir"}},
            {"IDE", ide},
            {"Answer", answer},
            {"QU", {"ID", "QUs"}}};
}

bool checkTables(QSqlDatabase &db, QString *why)
{
    for (const auto &[table, columns] : requiredTables()) {
        const QSqlRecord record = db.record(table);
        if (record.isEmpty()) {
            if (why)
                *why = QStringLiteral("جدول %1 در بانک اطلاعاتي نيست").arg(table);
            return false;
        }
        for (const QString &column : columns) {
            if (record.indexOf(column) < 0) {
                if (why)
                    *why = QStringLiteral("ستون %1 در جدول %2 نيست").arg(column, table);
                return false;
            }
        }
    }
    return true;
}

bool hasSqliteHeader(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return f.read(16) == QByteArray("SQLite format 3\0", 16);
}
}  // namespace

QStringList scoreColumns()
{
    return {"khodagahi", "ebrazevojood", "ezatenafs", "khoodshkofaee", "esteghlal",
            "hamdeli", "masooliatpaz", "ravabet", "halemas", "vaghegaraee",
            "enetafpaz", "tahalol", "control", "khooshbini", "shadmani", "kol"};
}

QString quoted(const QString &name)
{
    QString n = name;
    n.replace('"', "\"\"");
    return '"' + n + '"';
}

namespace {
bool fail(QString *why, const QString &text)
{
    if (why)
        *why = text;
    return false;
}

// What the file looks like before SQLite is asked: there, and a SQLite file.
bool looksLikeDatabase(const QString &file, QString *why)
{
    if (!QFileInfo(file).isFile())
        return fail(why, QStringLiteral("فايل پيدا نشد"));
    if (!hasSqliteHeader(file))
        return fail(why, QStringLiteral("اين فايل بانک اطلاعاتي اين برنامه نيست"));
    return true;
}

// The first line of a check pragma's answer: "ok" or the first fault found.
QString runCheck(QSqlDatabase &db, Check check)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(check == Check::Quick ? QStringLiteral("PRAGMA quick_check") : QStringLiteral("PRAGMA integrity_check")))
        return q.lastError().text();
    if (!q.next())
        return q.lastError().isValid() ? q.lastError().text() : QStringLiteral("no answer");
    return q.value(0).toString();
}

QString damagedText(const QString &detail)
{
    return QStringLiteral("بانک اطلاعاتي آسيب ديده است:\n%1").arg(leftToRight(detail));
}

// Runs `work` on a read-only connection of its own to the file.
template<typename Work>
void withReadOnlyConnection(const QString &name, const QString &file, Work work)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(file);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}
}  // namespace

bool isProgramDatabase(const QString &file, QString *why)
{
    if (!looksLikeDatabase(file, why))
        return false;
    bool ok = false;
    withReadOnlyConnection(kCheckConnection, file, [&](QSqlDatabase &db) {
        if (!db.open())
            fail(why, QStringLiteral("بانک اطلاعاتي باز نشد"));
        else
            ok = checkTables(db, why);
    });
    return ok;
}

QString checkFile(const QString &file, Check check)
{
    QString result = QStringLiteral("the file did not open");
    withReadOnlyConnection(kCheckConnection, file, [&](QSqlDatabase &db) {
        if (db.open())
            result = runCheck(db, check);
    });
    return result;
}

bool open(const QString &file, QString *error)
{
    close();
    QString why;
    if (looksLikeDatabase(file, &why)) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", kConnection);
        db.setDatabaseName(file);
        // Read-write from the first read on: a journal a crash left beside the
        // file is rolled back by SQLite before anything is read, which a
        // read-only connection cannot do.
        if (!db.open()) {
            why = db.lastError().text();
        } else {
            QSqlQuery q(db);
            q.exec("PRAGMA busy_timeout=5000");
            if (checkTables(db, &why)) {
                // A damaged page must never pass for an empty or shorter table.
                const QString check = runCheck(db, Check::Quick);
                if (check == QLatin1String("ok")) {
                    // At rest the one file is the whole database, so a byte
                    // copy of it is a backup.
                    q.exec("PRAGMA journal_mode=DELETE");
                    q.exec("PRAGMA synchronous=FULL");
                    return true;
                }
                why = damagedText(check);
            }
        }
    }
    close();
    return fail(error, QStringLiteral("بانک اطلاعاتي برنامه قابل استفاده نيست:\n%1\n%2").arg(leftToRight(file), why));
}

ReadSnapshot::ReadSnapshot(const QString &file)
    : m_connection(QStringLiteral("mehrsan-snapshot-%1").arg(quintptr(this), 0, 16))
{
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", m_connection);
    db.setDatabaseName(file);
    db.setConnectOptions("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=30000");
    if (!db.open()) {
        m_error = db.lastError().text();
        return;
    }
    // BEGIN alone takes no lock; the first read takes the shared lock that
    // keeps every writer from committing until it is released.
    QSqlQuery q(db);
    if (!q.exec("BEGIN") || !q.exec("SELECT count(*) FROM sqlite_master") || !q.next()) {
        m_error = q.lastError().text();
        return;
    }
    q.finish();
    m_held = true;
}

ReadSnapshot::~ReadSnapshot()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (m_held) {
            QSqlQuery q(db);
            q.exec("COMMIT");
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

bool isOpen() { return QSqlDatabase::contains(kConnection) && connection().isOpen(); }

void close()
{
    if (!QSqlDatabase::contains(kConnection))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(kConnection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(kConnection);
}

QSqlDatabase connection() { return QSqlDatabase::database(kConnection, false); }

QString fileName() { return isOpen() ? connection().databaseName() : QString(); }

Transaction::Transaction()
{
    QSqlQuery q(connection());
    m_active = q.exec("BEGIN IMMEDIATE");
    if (!m_active)
        m_error = q.lastError().text();
}

Transaction::~Transaction()
{
    if (m_active) {
        QSqlQuery q(connection());
        q.exec("ROLLBACK");
    }
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    QSqlQuery q(connection());
    if (!q.exec("COMMIT")) {
        m_error = q.lastError().text();
        q.exec("ROLLBACK");
        m_active = false;
        return false;
    }
    m_active = false;
    return true;
}

}  // namespace Database
