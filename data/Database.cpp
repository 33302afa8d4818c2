#include "data/Database.h"

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

bool isProgramDatabase(const QString &file, QString *why)
{
    if (!QFileInfo(file).isFile()) {
        if (why)
            *why = QStringLiteral("فايل پيدا نشد");
        return false;
    }
    if (!hasSqliteHeader(file)) {
        if (why)
            *why = QStringLiteral("اين فايل بانک اطلاعاتي اين برنامه نيست");
        return false;
    }
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", kCheckConnection);
        db.setDatabaseName(file);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (!db.open()) {
            if (why)
                *why = QStringLiteral("بانک اطلاعاتي باز نشد");
        } else {
            ok = checkTables(db, why);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(kCheckConnection);
    return ok;
}

bool open(const QString &file, QString *error)
{
    close();
    QString why;
    if (!isProgramDatabase(file, &why)) {
        if (error)
            *error = QStringLiteral("بانک اطلاعاتي برنامه قابل استفاده نيست:\n%1\n%2").arg(file, why);
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", kConnection);
    db.setDatabaseName(file);
    if (!db.open()) {
        if (error)
            *error = QStringLiteral("بانک اطلاعاتي برنامه باز نشد:\n%1\n%2").arg(file, db.lastError().text());
        QSqlDatabase::removeDatabase(kConnection);
        return false;
    }
    // At rest the one file is the whole database, so a byte copy is a backup.
    QSqlQuery q(db);
    q.exec("PRAGMA journal_mode=DELETE");
    q.exec("PRAGMA synchronous=FULL");
    q.exec("PRAGMA busy_timeout=5000");
    return true;
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
        q.exec("ROLLBACK");
        m_active = false;
        return false;
    }
    m_active = false;
    return true;
}

}  // namespace Database
