#include "TestFolder.h"

#include "data/Database.h"
#include "scoring/ScoreTally.h"
#include "data/ServerSettings.h"
#include "data/StoreCopy.h"
#include "platform/Startup.h"

#include <QApplication>

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QRegularExpression>
#include <QSet>
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
    // The built program folder, or an installed one the test is pointed at.
    const QString installed = qEnvironmentVariable("MEHRSAN_TEST_PROGRAM_DIR");
    const QDir program(installed.isEmpty() ? QStringLiteral(MEHRSAN_PROGRAM_DIR) : installed);
    QDir here(m_dir.path());
    here.mkpath(QStringLiteral("DBTavor"));
    here.mkpath(QStringLiteral("Back"));
    m_valid = QFile::copy(program.filePath(QStringLiteral("DBTavor/DBTavor.mdb")), databaseFile());
    QFile::setPermissions(databaseFile(), QFile::ReadOwner | QFile::WriteOwner);
    for (const QString &skin : program.entryList({QStringLiteral("*.skn")}, QDir::Files))
        QFile::copy(program.filePath(skin), here.filePath(skin));
    qputenv("MEHRSAN_HOME", m_dir.path().toUtf8());
    if (onServer()) {
        QString why;
        m_valid = m_valid && prepareServer() && Database::openStore(&why);
        if (!why.isEmpty())
            qWarning("test server: %s", qPrintable(why));
    } else {
        m_valid = m_valid && Database::open(databaseFile());
    }
    // As the program's start does.
    QString why;
    if (m_valid && !ScoreTally::ensure(&why))
        qWarning("score counts: %s", qPrintable(why));
}

TestFolder::~TestFolder()
{
    // Only this folder's own database: a newer folder may already be open.
    if (Database::fileName() == databaseFile() ||
        (Database::isServer() && qEnvironmentVariable("MEHRSAN_HOME") == m_dir.path()))
        Database::close();
}

bool TestFolder::onServer() { return qEnvironmentVariable("MEHRSAN_TEST_STORE") == QLatin1String("server"); }

QString TestFolder::serverUrl()
{
    QFile url(QDir(qEnvironmentVariable("MEHRSAN_TEST_SERVER_STATE")).filePath(QStringLiteral("url")));
    if (!url.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(url.readAll()).trimmed();
}

namespace {
const QString kTestConnection = QStringLiteral("mehrsan-test-server");
const QString kOperatorRole = QStringLiteral("mehrsan_operator");

// This test program's own database on the cluster, so test programs run side by side.
QString testDatabaseName()
{
    QString name = QCoreApplication::applicationName().toLower();
    name.replace(QRegularExpression(QStringLiteral("[^a-z0-9_]")), QStringLiteral("_"));
    return QStringLiteral("t_") + name;
}

QSqlDatabase serverConnection(const QString &name, const ServerSettings &s)
{
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    s.applyTo(db);
    return db;
}

// The test's SQL is written for the file, where names are matched without
// regard to case; on the server the program's names keep their case, so the
// bare names of tables and columns are quoted here.
QString forServer(const QString &sql)
{
    static QSet<QString> names;
    if (names.isEmpty()) {
        for (const auto &[table, columns] : Database::tableColumns()) {
            names << table;
            for (const QString &c : columns)
                names << c;
        }
    }
    QString out;
    for (qsizetype i = 0; i < sql.size();) {
        const QChar c = sql[i];
        if (c == '\'' || c == '"') {
            const qsizetype end = sql.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? sql.size() : end + 1;
            out += sql.mid(i, stop - i);
            i = stop;
        } else if (c.isLetter() || c == '_') {
            qsizetype j = i;
            while (j < sql.size() && (sql[j].isLetterOrNumber() || sql[j] == '_'))
                ++j;
            const QString word = sql.mid(i, j - i);
            if (names.contains(word))
                out += Database::quoted(word);
            else
                out += word.compare(QLatin1String("ifnull"), Qt::CaseInsensitive) == 0 ? QStringLiteral("coalesce") : word;
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}
// Runs the statement with its values; the first column of every row.
QStringList firstColumn(QSqlQuery &q, const QString &statement, const QVariantList &values)
{
    QStringList out;
    // Without values the statement runs as it is: a server prepares no CREATE TABLE.
    bool ok = false;
    if (values.isEmpty()) {
        ok = q.exec(statement);
    } else {
        q.prepare(statement);
        for (const QVariant &v : values)
            q.addBindValue(v);
        ok = q.exec();
    }
    if (!ok)
        qWarning("test SQL failed: %s\n%s", qPrintable(q.lastError().text()), qPrintable(statement));
    while (q.isSelect() && q.next())
        out << q.value(0).toString();
    return out;
}
}  // namespace

bool TestFolder::prepareServer()
{
    ServerSettings settings;
    QString why;
    if (!ServerSettings::fromUrl(serverUrl(), &settings, &why)) {
        qWarning("no test server (MEHRSAN_TEST_SERVER_STATE): %s", qPrintable(why));
        return false;
    }
    {
        QSqlDatabase admin = serverConnection(QStringLiteral("mehrsan-test-admin"), settings);
        if (!admin.open())
            qFatal("test server unreachable: %s", qPrintable(admin.lastError().text()));
        QSqlQuery q(admin);
        q.exec(QStringLiteral("CREATE DATABASE ") + testDatabaseName());  // fails harmlessly when it is there
        admin.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("mehrsan-test-admin"));
    settings.database = testDatabaseName();
    QSqlDatabase db = serverConnection(kTestConnection, settings);
    if (!db.isOpen() && !db.open())
        return false;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("DROP TABLE IF EXISTS \"IDE\", \"Answer\", \"QU\", \"Theme\", \"Tally\", \"TallyPending\", \"TallyState\"")) ||
        !q.exec(QStringLiteral("DROP FUNCTION IF EXISTS \"Tally_IDE\"(), \"Tally_Answer\"(), \"Tally_Fold\"(), "
                               "\"Tally_Recount\"(boolean), \"Tally_Suspend\"(), \"Tally_Measures\"(bigint[]) CASCADE")) ||
        !StoreCopy::fillNewServer(db, databaseFile(), &why)) {
        qWarning("test server tables: %s %s", qPrintable(q.lastError().text()), qPrintable(why));
        return false;
    }
    // The program works as a clinic's computers do: as an operator that may
    // read and change the rows of the four tables and nothing else (no
    // owner's right to drop or alter them). The test's own SQL stays the owner's.
    q.exec(QStringLiteral("CREATE ROLE %1 LOGIN").arg(kOperatorRole));  // fails harmlessly when it is there
    // The owner makes the score counts, as its first connection does.
    if (!Database::openServer(settings, &why) || !ScoreTally::ensure(&why)) {
        qWarning("test server counts: %s", qPrintable(why));
        return false;
    }
    Database::close();
    // As the clinic's IT person grants them: the rows, and reading the counts.
    const QStringList grants = {
        QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON \"IDE\", \"Answer\", \"QU\", \"Theme\" TO %1"),
        QStringLiteral("GRANT SELECT ON \"Tally\", \"TallyPending\", \"TallyState\" TO %1"),
        QStringLiteral("GRANT EXECUTE ON FUNCTION \"Tally_Recount\"(boolean), \"Tally_Suspend\"() TO %1")};
    bool granted = true;
    for (const QString &grant : grants)
        granted = granted && q.exec(grant.arg(kOperatorRole));
    if (!granted) {
        qWarning("test server operator: %s", qPrintable(q.lastError().text()));
        return false;
    }
    settings.user = kOperatorRole;
    return settings.write(&why);
}

bool TestFolder::reopenAsOwner()
{
    ServerSettings settings;
    QString why;
    if (!ServerSettings::fromUrl(serverUrl(), &settings, &why))
        return false;
    settings.database = testDatabaseName();
    return Database::openServer(settings, &why);
}

QString TestFolder::databaseFile() const { return QDir(m_dir.path()).filePath(QStringLiteral("DBTavor/DBTavor.mdb")); }

QStringList TestFolder::sql(const QString &statement, const QVariantList &values) const
{
    QStringList out;
    if (onServer()) {
        QSqlQuery q(QSqlDatabase::database(kTestConnection));
        // The tests plant triggers the way the file has them; the server's way is a trigger function.
        static const QRegularExpression trigger(QStringLiteral(
            R"(^CREATE TRIGGER (\w+) (BEFORE|AFTER) (\w+) ON (\w+) BEGIN (.*); END$)"));
        static const QRegularExpression refusal(QStringLiteral(R"(^SELECT RAISE\(ABORT, '([^']*)'\)$)"));
        static const QRegularExpression dropTrigger(QStringLiteral(R"(^DROP TRIGGER (\w+)$)"));
        static QHash<QString, QString> triggerTables;
        if (const auto m = trigger.match(statement); m.hasMatch()) {
            triggerTables.insert(m.captured(1), m.captured(4));
            const auto raise = refusal.match(m.captured(5));
            const QString body = raise.hasMatch()
                                     ? QStringLiteral("RAISE EXCEPTION '%1';").arg(raise.captured(1))
                                     : forServer(m.captured(5)) + (m.captured(2) == "AFTER" ? "; RETURN NULL;" : "; RETURN NEW;");
            // The test's trigger works with the owner's rights (its tables are the
            // test's), while the program's statements that fire it stay the operator's.
            if (!q.exec(QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql "
                                       "SECURITY DEFINER AS $$BEGIN %2 END$$").arg(m.captured(1), body)) ||
                !q.exec(QStringLiteral("CREATE TRIGGER %1 %2 %3 ON %4 FOR EACH ROW EXECUTE FUNCTION %1()")
                            .arg(m.captured(1), m.captured(2), m.captured(3), Database::quoted(m.captured(4)))))
                qWarning("test SQL failed: %s\n%s", qPrintable(q.lastError().text()), qPrintable(q.lastQuery()));
            return out;
        }
        if (const auto m = dropTrigger.match(statement); m.hasMatch()) {
            if (!q.exec(QStringLiteral("DROP TRIGGER %1 ON %2").arg(m.captured(1), Database::quoted(triggerTables.value(m.captured(1))))))
                qWarning("test SQL failed: %s", qPrintable(q.lastError().text()));
            return out;
        }
        return firstColumn(q, forServer(statement), values);
    }
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(databaseFile());
        if (!db.open())
            qFatal("test database did not open");
        QSqlQuery q(db);
        out = firstColumn(q, statement, values);
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
