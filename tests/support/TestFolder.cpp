#include "TestFolder.h"

#include "data/Database.h"
#include "platform/Startup.h"

#include <QApplication>

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QtTest>

TestFolder::TestFolder()
{
    // The windows run as in the program: right to left, Persian fonts.
    static bool applicationSetUp = false;
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance()); app && !applicationSetUp) {
        setUpApplication(*app);
        applicationSetUp = true;
    }
    const QDir program(QStringLiteral(MEHRSAN_PROGRAM_DIR));
    QDir here(m_dir.path());
    here.mkpath(QStringLiteral("DBTavor"));
    here.mkpath(QStringLiteral("Back"));
    m_valid = QFile::copy(program.filePath(QStringLiteral("DBTavor/DBTavor.mdb")), databaseFile());
    QFile::setPermissions(databaseFile(), QFile::ReadOwner | QFile::WriteOwner);
    for (const QString &skin : program.entryList({QStringLiteral("*.skn")}, QDir::Files))
        QFile::copy(program.filePath(skin), here.filePath(skin));
    qputenv("MEHRSAN_HOME", m_dir.path().toUtf8());
    m_valid = m_valid && Database::open(databaseFile());
}

TestFolder::~TestFolder()
{
    // Only this folder's own database: a newer folder may already be open.
    if (Database::fileName() == databaseFile())
        Database::close();
}

QString TestFolder::databaseFile() const { return QDir(m_dir.path()).filePath(QStringLiteral("DBTavor/DBTavor.mdb")); }

QStringList TestFolder::sql(const QString &statement, const QVariantList &values) const
{
    QStringList out;
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(databaseFile());
        if (!db.open())
            qFatal("test database did not open");
        QSqlQuery q(db);
        q.prepare(statement);
        for (const QVariant &v : values)
            q.addBindValue(v);
        if (!q.exec())
            qWarning("test SQL failed: %s", qPrintable(q.lastError().text()));
        while (q.isSelect() && q.next())
            out << q.value(0).toString();
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}

void TestFolder::addSubject(const QString &code, const QString &group, const QString &fname, const QString &lname)
{
    sql(QStringLiteral("INSERT INTO IDE (Code, FName, LName, Sen, Jens, Taahol, Tahsil, \"Group\", Date, Time) "
                       "VALUES (?, ?, ?, '30', 'زن', 'مجرد', 'ليسانس', ?, '1405/09/17', '10:00:00')"),
        {code, fname, lname, group});
    sql(QStringLiteral("INSERT INTO Answer (Code) VALUES (?)"), {code.trimmed()});
}
