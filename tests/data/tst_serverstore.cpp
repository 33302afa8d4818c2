// The program with its tables on a PostgreSQL server: many computers at once,
// backups that cross between the server and the file, the command-line tasks,
// and a server that is gone.
#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include "backup/Backup.h"
#include "data/Database.h"
#include "data/ServerSettings.h"
#include "data/StoreCopy.h"
#include "data/TableView.h"
#include "platform/ProgramFolder.h"
#include "shell/MainWindow.h"
#include "shell/ProgramStart.h"
#include "shell/Registration.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTcpServer>
#include <QtTest>

#include <unistd.h>

namespace {
const QString kTaken = QStringLiteral("فردديگري با اين کد ثبت شده");

// Every row of every table in stored order, each row as one line of text, read
// through a connection of the test's own choosing.
QStringList dump(QSqlDatabase db)
{
    QStringList out;
    for (const auto &[table, columns] : Database::tableColumns()) {
        QStringList names;
        for (const QString &c : columns)
            names << Database::quoted(c);
        QSqlQuery q(db);
        if (!q.exec("SELECT " + names.join(',') + " FROM " + Database::quoted(table) + " ORDER BY rowid"))
            qWarning("dump: %s", qPrintable(q.lastError().text()));
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < columns.size(); ++i)
                row << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
            out << table + ": " + row.join('|');
        }
    }
    return out;
}

QStringList dumpFile(const QString &file)
{
    QStringList out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("dump-file"));
        db.setDatabaseName(file);
        db.open();
        out = dump(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("dump-file"));
    return out;
}

struct Run {
    int exitCode = -1;
    QString out, err;
};

Run runProgram(const QString &home, const QStringList &arguments)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MEHRSAN_HOME"), home);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(MEHRSAN_EXE), arguments);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

// A port on 127.0.0.1 where nothing listens.
int deadPort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    return s.serverPort();
}

void cluster(const QString &action, const QString &state, const QStringList &more = {})
{
    QProcess p;
    p.start(QStringLiteral("bash"), QStringList{QStringLiteral(PGCLUSTER_SCRIPT), action, state} + more);
    QVERIFY(p.waitForFinished(60000));
    QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
}
}  // namespace

class ServerStoreTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void eightOperatorsAtOnce();
    void sameCodeByTwoAtOnce();
    void backupFromServerRestoresOnFileAndBack();
    void backupIsOneSnapshotWhileOthersRegister();
    void connectCommand();
    void copyCommands();
    void copyToServerTakesWhatTheWindowsTake_data();
    void copyToServerTakesWhatTheWindowsTake();
    void serverUnreachableAtStart();
    void sslModeForNetworkHosts_data();
    void sslModeForNetworkHosts();
    void certificateIsCheckedAgainstTheName();
    void serverStoppedMidSession_data();
    void serverStoppedMidSession();
    void serverRestartedBeforeSave_data();
    void serverRestartedBeforeSave();
    void commitAnswerLostIsNoDuplicate();

private:
    // Starts one operator process per prefix on this folder's store; returns their output lines.
    QList<QStringList> operators(const QStringList &prefixes, int subjects);
    QString answersOf(const QString &code)
    {
        QStringList items;
        for (int i = 1; i <= 90; ++i)
            items << QStringLiteral("COALESCE(\"%1\", '-')").arg(i);
        return m_folder->sql("SELECT " + items.join(" || ','|| ") + " FROM Answer WHERE Code = ?", {code}).value(0);
    }

    TestFolder *m_folder = nullptr;
};

void ServerStoreTest::init()
{
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    QVERIFY(Database::isServer());
}

void ServerStoreTest::cleanup()
{
    delete m_folder;
    m_folder = nullptr;
}

QList<QStringList> ServerStoreTest::operators(const QStringList &prefixes, int subjects)
{
    QList<QProcess *> processes;
    for (const QString &prefix : prefixes) {
        auto *p = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("MEHRSAN_HOME"), m_folder->path());
        p->setProcessEnvironment(env);
        p->start(QStringLiteral(STORE_OPERATOR), {prefix, QString::number(subjects)});
        processes << p;
    }
    QList<QStringList> out;
    for (QProcess *p : processes) {
        p->waitForFinished(180000);
        out << QString::fromUtf8(p->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        delete p;
    }
    return out;
}

void ServerStoreTest::eightOperatorsAtOnce()
{
    const QStringList prefixes = {"A-", "B-", "C-", "D-", "E-", "F-", "G-", "H-"};
    const QList<QStringList> outputs = operators(prefixes, 4);
    QStringList acknowledged, answered;
    for (const QStringList &lines : outputs) {
        for (const QString &line : lines) {
            QVERIFY2(!line.startsWith("error") && !line.startsWith("taken"), qPrintable(line));
            if (line.startsWith("ack "))
                acknowledged << line.section(' ', 1, 1);
            if (line.startsWith("answered "))
                answered << line.section(' ', 1, 1);
        }
    }
    QCOMPARE(acknowledged.size(), 8 * 4);
    QCOMPARE(answered.size(), 8 * 4);
    // Every acknowledged subject exactly once in both tables, nothing else.
    QCOMPARE(m_folder->sql("SELECT COUNT(*) FROM IDE"), QStringList{"32"});
    QCOMPARE(m_folder->sql("SELECT COUNT(*) FROM Answer"), QStringList{"32"});
    for (const QString &code : acknowledged) {
        QCOMPARE(m_folder->sql("SELECT COUNT(*) FROM IDE WHERE Code = ?", {code}), QStringList{"1"});
        // Every answer stored, each the one its operator gave.
        const int n = code.section('-', 1).toInt();
        QStringList expected;
        for (int item = 1; item <= 90; ++item)
            expected << QString::number(1 + (n + item) % 5);
        QCOMPARE(answersOf(code), expected.join(','));
    }
    // Each operator's subjects in the order that operator stored them.
    for (const QString &prefix : prefixes)
        QCOMPARE(m_folder->sql("SELECT Code FROM IDE WHERE \"Group\" = ? ORDER BY rowid", {prefix}),
                 (QStringList{prefix + "1", prefix + "2", prefix + "3", prefix + "4"}));
}

void ServerStoreTest::sameCodeByTwoAtOnce()
{
    // Both operators type the same thirty codes in the same order.
    const QList<QStringList> outputs = operators({"S", "S"}, 30);
    QHash<QString, int> acks, taken;
    for (const QStringList &lines : outputs) {
        for (const QString &line : lines) {
            QVERIFY2(!line.startsWith("error"), qPrintable(line));
            const QString code = line.section(' ', 1, 1);
            if (line.startsWith("ack "))
                ++acks[code];
            if (line.startsWith("taken "))
                ++taken[code];
        }
    }
    for (int n = 1; n <= 30; ++n) {
        const QString code = "S" + QString::number(n);
        QCOMPARE(acks.value(code), 1);
        QCOMPARE(taken.value(code), 1);
        QCOMPARE(m_folder->sql("SELECT COUNT(*) FROM IDE WHERE Code = ?", {code}), QStringList{"1"});
        QCOMPARE(m_folder->sql("SELECT COUNT(*) FROM Answer WHERE Code = ?", {code}), QStringList{"1"});
    }
}

void ServerStoreTest::backupFromServerRestoresOnFileAndBack()
{
    operators({"K-"}, 2);
    // Text that a careless copy would change: quotes, blanks, Persian, nothing at all.
    m_folder->sql("INSERT INTO IDE (Code, FName, LName, \"Group\") VALUES (' 7 ', 'O''Brien \"x\"', '', NULL)");
    m_folder->sql("INSERT INTO Answer (Code, \"5\") VALUES ('7', 'يك')");
    m_folder->sql("UPDATE Theme SET Name = 'مرکز مشاوره مهر'");
    const QStringList server = dump(Database::connection());
    QCOMPARE(server.size(), 90 + 1 + 3 + 3);

    const QString backup = m_folder->path() + "/Back/server.mdb";
    QString why;
    QVERIFY2(StoreCopy::writeServerToFile(backup, {}, &why), qPrintable(why));
    QVERIFY2(Backup::isRestorableBackup(backup, &why), qPrintable(why));
    QCOMPARE(dumpFile(backup), server);

    // On a single computer: restored over the file as any backup.
    QVERIFY(Database::open(ProgramFolder::databaseFile()));
    QVERIFY(!Database::isServer());
    QCOMPARE(Backup::RestoreDatabase(backup, nullptr, {}, &why), Backup::RestoreResult::Restored);
    QCOMPARE(dumpFile(ProgramFolder::databaseFile()), server);

    // A backup of that computer, with one subject more, restored on the server.
    {
        QSqlQuery q(Database::connection());
        QVERIFY(q.exec("INSERT INTO IDE (Code, FName) VALUES ('L-1', 'لادن')"));
        QVERIFY(q.exec("INSERT INTO Answer (Code, \"90\") VALUES ('L-1', '3')"));
    }
    const QString fileBackup = m_folder->path() + "/Back/file.mdb";
    QCOMPARE(Backup::CopyFileInChunks(ProgramFolder::databaseFile(), fileBackup), 1);
    const QStringList file = dumpFile(fileBackup);
    QCOMPARE(file.size(), server.size() + 2);

    QVERIFY(Database::openStore(&why));
    QVERIFY(Database::isServer());
    QCOMPARE(Backup::RestoreDatabase(fileBackup, nullptr, {}, &why), Backup::RestoreResult::Restored);
    QCOMPARE(dump(Database::connection()), file);
    // The windows' views read the restored rows.
    TableView view(QStringLiteral("IDE"));
    view.filter("Code='L-1'");
    QCOMPARE(view.field("FName"), QStringLiteral("لادن"));

    // A file that is no backup changes nothing on the server.
    QFile junk(m_folder->path() + "/Back/junk.mdb");
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(8192, 'x'));
    junk.close();
    QCOMPARE(Backup::RestoreDatabase(junk.fileName(), nullptr, {}, &why), Backup::RestoreResult::Refused);
    QCOMPARE(dump(Database::connection()), file);
}

void ServerStoreTest::backupIsOneSnapshotWhileOthersRegister()
{
    QProcess writer;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MEHRSAN_HOME"), m_folder->path());
    writer.setProcessEnvironment(env);
    writer.start(QStringLiteral(STORE_OPERATOR), {QStringLiteral("W-"), QStringLiteral("40")});
    QVERIFY(writer.waitForStarted());
    int backups = 0;
    QString why;
    while (writer.state() != QProcess::NotRunning || backups == 0) {
        const QString backup = m_folder->path() + QStringLiteral("/Back/b%1.mdb").arg(backups++);
        QVERIFY2(StoreCopy::writeServerToFile(backup, {}, &why), qPrintable(why));
        // Every subject of the backup has its answer row and every answer row its subject.
        QStringList subjects, answerRows;
        for (const QString &row : dumpFile(backup)) {
            if (row.startsWith("IDE: "))
                subjects << row.section('|', 0, 0).mid(5);
            if (row.startsWith("Answer: "))
                answerRows << row.section('|', 0, 0).mid(8);
        }
        QCOMPARE(answerRows, subjects);
        QFile::remove(backup);
        writer.waitForFinished(50);
    }
    QVERIFY(backups > 3);
    QVERIFY(!QString::fromUtf8(writer.readAllStandardOutput()).contains("error"));
}

void ServerStoreTest::connectCommand()
{
    ServerSettings cluster;
    QString why;
    QVERIFY(ServerSettings::fromUrl(TestFolder::serverUrl(), &cluster, &why));
    {
        // As the server's owner: the program's own role may not make databases.
        QSqlDatabase owner = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("owner"));
        cluster.applyTo(owner);
        QVERIFY2(owner.open(), qPrintable(owner.lastError().text()));
        QSqlQuery q(owner);
        q.exec("DROP DATABASE IF EXISTS t_connect_command");
        QVERIFY2(q.exec("CREATE DATABASE t_connect_command"), qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("owner"));
    QFile::remove(ServerSettings::file());
    const QString url = QStringLiteral("postgresql://%1@%2:%3/t_connect_command?sslmode=disable")
                            .arg(cluster.user, cluster.host)
                            .arg(cluster.port);

    // A password in the address is refused and goes nowhere.
    Run run = runProgram(m_folder->path(), {"--connect", url.left(url.indexOf('@')) + ":Secret99" + url.mid(url.indexOf('@'))});
    QCOMPARE(run.exitCode, 2);
    QVERIFY(!run.err.contains("Secret99") && !run.out.contains("Secret99"));
    QVERIFY(!ServerSettings::exists());

    // Nobody there: the host named, exit status 3, no file.
    run = runProgram(m_folder->path(), {"--connect", QStringLiteral("postgresql://x@127.0.0.1:%1/db").arg(deadPort())});
    QCOMPARE(run.exitCode, 3);
    QVERIFY2(run.err.contains("127.0.0.1") && run.err.contains("در دسترس نيست"), qPrintable(run.err));
    QVERIFY(!ServerSettings::exists());

    // An empty database: the four tables made, with the settings row and the item texts.
    run = runProgram(m_folder->path(), {"--connect", url});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QFile file(ServerSettings::file());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY(text.contains("database=t_connect_command") && text.contains("sslmode=disable"));
    QVERIFY(!text.contains("password=", Qt::CaseInsensitive));
    ServerSettings written;
    QVERIFY(ServerSettings::read(&written, &why));
    QVERIFY2(Database::openServer(written, &why), qPrintable(why));
    QCOMPARE(TableView(QStringLiteral("QU")).rowCount(), 90);
    QCOMPARE(TableView(QStringLiteral("Theme")).rowCount(), 1);
    QCOMPARE(TableView(QStringLiteral("IDE")).rowCount(), 0);
    Database::close();

    // Once more on the same database: its tables are taken as they are.
    run = runProgram(m_folder->path(), {"--connect", url});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
}

void ServerStoreTest::copyCommands()
{
    // A single computer's database with three subjects, in an order that is not the codes' order.
    const QString local = m_folder->path() + "/local.mdb";
    QVERIFY(QFile::copy(ProgramFolder::databaseFile(), local));
    QFile::setPermissions(local, QFile::ReadOwner | QFile::WriteOwner);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("local"));
        db.setDatabaseName(local);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const char *code : {"30", "4", "200"}) {
            QVERIFY(q.exec(QStringLiteral("INSERT INTO IDE (Code, FName) VALUES ('%1', 'نام %1')").arg(code)));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO Answer (Code, \"1\") VALUES ('%1', '2')").arg(code)));
        }
        q.exec("UPDATE QU SET QUs = 'عبارت تازه' WHERE ID = '3'");
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("local"));
    const QStringList localRows = dumpFile(local);
    Database::close();

    // An older file holding what the server cannot (a NUL in a name, a code
    // too long for its index) is refused whole, naming subject and column.
    const QString older = m_folder->path() + "/older.mdb";
    QVERIFY(QFile::copy(local, older));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("older"));
        db.setDatabaseName(older);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("UPDATE IDE SET FName = 'نا' || char(0) || 'م' WHERE Code = '4'"));
        QVERIFY(q.exec("INSERT INTO IDE (Code) VALUES ('long' || printf('%.700c', 'x'))"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("older"));
    Run run = runProgram(m_folder->path(), {"--copy-to-server", older});
    QCOMPARE(run.exitCode, 4);
    for (const QString &part : {QStringLiteral("IDE، کد \u20664\u2069: FName نويسه NUL دارد"),
                                QStringLiteral("Code بيش از 600 نويسه است")})
        QVERIFY2(run.err.contains(part), qPrintable(run.err));
    QCOMPARE(m_folder->sql("SELECT COUNT(*) FROM IDE"), QStringList{"0"});

    run = runProgram(m_folder->path(), {"--copy-to-server", local});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(m_folder->sql("SELECT Code FROM IDE ORDER BY rowid"), (QStringList{"30", "4", "200"}));
    QCOMPARE(m_folder->sql("SELECT QUs FROM QU WHERE ID = '3'"), QStringList{"عبارت تازه"});

    // The server holds subjects now: a second copy is refused and changes nothing.
    m_folder->sql("UPDATE IDE SET FName = 'تغيير' WHERE Code = '4'");
    run = runProgram(m_folder->path(), {"--copy-to-server", local});
    QCOMPARE(run.exitCode, 4);
    QVERIFY(!run.err.isEmpty());
    QCOMPARE(m_folder->sql("SELECT COUNT(*) FROM IDE"), QStringList{"3"});
    QCOMPARE(m_folder->sql("SELECT FName FROM IDE WHERE Code = '4'"), QStringList{"تغيير"});

    // Back into a new file: the server's rows, in their order; an existing file is kept.
    const QString back = m_folder->path() + "/from-server.mdb";
    run = runProgram(m_folder->path(), {"--copy-from-server", back});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QStringList expected = localRows;
    expected.replaceInStrings("IDE: 4|نام 4|", "IDE: 4|تغيير|");
    QCOMPARE(dumpFile(back), expected);
    const QByteArray before = [&] { QFile f(back); f.open(QIODevice::ReadOnly); return f.readAll(); }();
    run = runProgram(m_folder->path(), {"--copy-from-server", back});
    QCOMPARE(run.exitCode, 4);
    QFile f(back);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);

    // Without a connection file there is no server to copy to.
    QFile::remove(ServerSettings::file());
    run = runProgram(m_folder->path(), {"--copy-to-server", local});
    QCOMPARE(run.exitCode, 2);
}

void ServerStoreTest::copyToServerTakesWhatTheWindowsTake_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("named");  // empty: copied as it is
    QTest::newRow("clinic name of 1,000,000") << "UPDATE Theme SET Name = printf('%.1000000c', 'x')"
                                              << "Theme، رديف 1: Name بيش از 100 نويسه است";
    QTest::newRow("address of 201") << "UPDATE Theme SET Adress = printf('%.201c', 'x')" << "Adress بيش از 200 نويسه است";
    QTest::newRow("name of 51") << "UPDATE IDE SET FName = printf('%.51c', 'x') WHERE Code = '4'"
                                << "IDE، کد \u20664\u2069: FName بيش از 50 نويسه است";
    QTest::newRow("item of 501") << "UPDATE QU SET QUs = printf('%.501c', 'x') WHERE ID = '3'" << "QUs بيش از 500 نويسه است";
    QTest::newRow("override in a name") << "UPDATE IDE SET FName = 'a' || char(0x202E) || 'b' WHERE Code = '4'"
                                        << "FName نويسه نامرئي U+202E";
    QTest::newRow("zero-width space in a family name") << "UPDATE IDE SET LName = char(0x200B) || 'b' WHERE Code = '4'"
                                                       << "LName نويسه نامرئي U+200B";
    QTest::newRow("isolate in the address") << "UPDATE Theme SET Adress = 'a' || char(0x2066)" << "Adress نويسه نامرئي U+2066";
    QTest::newRow("paragraph separator in an item") << "UPDATE QU SET QUs = 'a' || char(0x2029) WHERE ID = '3'"
                                                    << "QUs نويسه نامرئي U+2029";
    QTest::newRow("line separator in a code") << "UPDATE IDE SET Code = '4' || char(0x2028) WHERE Code = '4'"
                                              << "Code نويسه نامرئي U+2028";
    QTest::newRow("joiners and marks") << "UPDATE IDE SET FName = 'مهر' || char(0x200C) || 'ناز' || char(0x200D) || "
                                          "char(0x200E) || char(0x200F) WHERE Code = '4'"
                                       << "";
    QTest::newRow("clinic name of 100") << "UPDATE Theme SET Name = printf('%.100c', 'x')" << "";
}

// What --copy-to-server reads is held to what the windows take: the same
// lengths, no character that hides or turns text. A file with anything else
// is refused whole, naming the table, the row and the column; the server
// keeps what it held.
void ServerStoreTest::copyToServerTakesWhatTheWindowsTake()
{
    QFETCH(QString, change);
    QFETCH(QString, named);
    const QString file = m_folder->path() + "/older.mdb";
    QVERIFY(QFile::copy(ProgramFolder::databaseFile(), file));
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("older"));
        db.setDatabaseName(file);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("INSERT INTO IDE (Code, FName) VALUES ('4', 'نام')"));
        QVERIFY(q.exec("INSERT INTO Answer (Code) VALUES ('4')"));
        QVERIFY2(q.exec(change), qPrintable(q.lastError().text()));
        QCOMPARE(q.numRowsAffected(), 1);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("older"));
    const QStringList before = m_folder->sql("SELECT Name || '|' || Adress FROM Theme");
    const QStringList rowsInFile = dumpFile(file);
    Database::close();

    const Run run = runProgram(m_folder->path(), {"--copy-to-server", file});
    if (named.isEmpty()) {
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY(Database::openStore());
        QCOMPARE(dump(Database::connection()), rowsInFile);
        return;
    }
    QCOMPARE(run.exitCode, 4);
    QVERIFY2(run.err.contains(named), qPrintable(run.err));
    QVERIFY(run.err.size() < 4000);
    QVERIFY(Database::openStore());
    QCOMPARE(m_folder->sql("SELECT COUNT(*) FROM IDE"), QStringList{"0"});
    QCOMPARE(m_folder->sql("SELECT Name || '|' || Adress FROM Theme"), before);
}

void ServerStoreTest::serverUnreachableAtStart()
{
    Database::close();
    ServerSettings settings;
    settings.host = QStringLiteral("127.0.0.1");
    settings.port = deadPort();
    settings.database = QStringLiteral("mehrsan");
    settings.user = QStringLiteral("clinic");
    QString why;
    QVERIFY(settings.write(&why));
    ScriptedDialogs dialogs;
    QVERIFY(!openProgramDatabase());
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.last().title, QStringLiteral("خطا"));
    const QString text = dialogs.last().text;
    QVERIFY2(text.contains("127.0.0.1") && text.contains(QString::number(settings.port)) &&
                 text.contains(QStringLiteral("در دسترس نيست")) && !text.contains("Connection refused") &&
                 dialogs.last().details.contains("Connection refused") &&
                 text.contains(QStringLiteral("برنامه بسته مي شود")),
             qPrintable(text));
    QVERIFY(!Database::isOpen());
}

// A host that is not this computer gets verify-full against the system's CA
// store (or the named CA file); a loopback host keeps what it had; a weaker
// mode written out is kept.
void ServerStoreTest::sslModeForNetworkHosts_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("rootCert");
    QTest::addColumn<bool>("unverified");
    const QString system = ServerSettings::systemCertificates();
    QTest::newRow("network name") << "postgresql://m@db.clinic.example/mehrsan" << "verify-full" << system << false;
    QTest::newRow("network address") << "postgresql://m@192.0.2.7:5433/mehrsan" << "verify-full" << system << false;
    QTest::newRow("CA named") << "postgresql://m@db.clinic.example/mehrsan?sslrootcert=/etc/clinic/ca.pem"
                              << "verify-full" << "/etc/clinic/ca.pem" << false;
    QTest::newRow("require written out") << "postgresql://m@db.clinic.example/mehrsan?sslmode=require" << "require" << ""
                                         << true;
    QTest::newRow("disable written out") << "postgresql://m@10.0.0.5/mehrsan?sslmode=disable" << "disable" << "" << true;
    QTest::newRow("127.0.0.1") << "postgresql://m@127.0.0.1:5432/mehrsan" << "prefer" << "" << false;
    QTest::newRow("localhost") << "postgresql://m@localhost/mehrsan" << "prefer" << "" << false;
    QTest::newRow("::1") << "postgresql://m@[::1]/mehrsan" << "prefer" << "" << false;
    // What counts is the address dialled, not the name beside it.
    QTest::newRow("localhost at a network address") << "postgresql://m@localhost/mehrsan?hostaddr=192.0.2.7"
                                                    << "verify-full" << system << false;
    QTest::newRow("127.0.0.1 at a network address") << "postgresql://m@127.0.0.1/mehrsan?hostaddr=10.1.2.3"
                                                        << "verify-full" << system << false;
    QTest::newRow("loopback at loopback") << "postgresql://m@localhost/mehrsan?hostaddr=127.0.0.1" << "prefer" << ""
                                          << false;
    QTest::newRow("localhost at a network address, prefer written out")
        << "postgresql://m@localhost/mehrsan?hostaddr=192.0.2.7&sslmode=prefer" << "prefer" << "" << true;
}

void ServerStoreTest::sslModeForNetworkHosts()
{
    QFETCH(QString, url);
    QFETCH(QString, mode);
    QFETCH(QString, rootCert);
    QFETCH(bool, unverified);
    ServerSettings s;
    QString why;
    QVERIFY2(ServerSettings::fromUrl(url, &s, &why), qPrintable(why));
    QCOMPARE(s.sslMode, mode);
    QCOMPARE(s.sslRootCert, rootCert);
    QCOMPARE(s.isUnverified(), unverified);
    // As written to the connection file and read back.
    QVERIFY(s.write(&why));
    ServerSettings back;
    // A loopback name sent unchecked to a network address is refused on reading, with the reason.
    if (ServerSettings::isLoopback(s.host) && s.isUnverified()) {
        QVERIFY(!ServerSettings::read(&back, &why));
        QVERIFY2(why.contains(s.hostAddress) && why.contains(QLatin1String("verify-full")), qPrintable(why));
        return;
    }
    QVERIFY2(ServerSettings::read(&back, &why), qPrintable(why));
    QCOMPARE(back.sslMode, mode);
    QCOMPARE(back.sslRootCert, rootCert);
    QCOMPARE(back.connectOptions(), s.connectOptions());
}

// A real server with TLS, its certificate for mehrsan-db.test from a CA of
// the test's own, reached at 127.0.0.1 through hostaddr: the right name and CA
// connect; another name, or no CA file (the system's store), is refused; a
// weaker mode written out connects with a warning.
void ServerStoreTest::certificateIsCheckedAgainstTheName()
{
    if (::geteuid() != 0)
        QSKIP("the test server runs as the user postgres, which needs root to give it its certificate");
    QTemporaryDir certs;
    QProcess openssl;
    openssl.setWorkingDirectory(certs.path());
    openssl.start("bash", {"-c",
                           "set -e; openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -days 2 "
                           "-subj '/CN=Mehrsan test CA' 2>/dev/null; "
                           "openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr "
                           "-subj '/CN=mehrsan-db.test' 2>/dev/null; "
                           "printf 'subjectAltName=DNS:mehrsan-db.test\n' >ext; "
                           "openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out server.crt "
                           "-days 2 -extfile ext 2>/dev/null; "
                           "chmod 755 .; chmod 600 server.key; chown postgres: server.key server.crt"});
    QVERIFY(openssl.waitForFinished(60000));
    QCOMPARE(openssl.exitCode(), 0);
    QTemporaryDir state;
    qputenv("PGCLUSTER_OPTIONS", QStringLiteral("-c ssl=on -c ssl_cert_file=%1/server.crt -c ssl_key_file=%1/server.key")
                                     .arg(certs.path()).toUtf8());
    cluster("start", state.path());
    qunsetenv("PGCLUSTER_OPTIONS");
    auto stopCluster = qScopeGuard([&] { cluster("stop", state.path()); });
    ServerSettings local;
    QString why;
    QFile urlFile(state.filePath("url"));
    QVERIFY(urlFile.open(QIODevice::ReadOnly));
    QVERIFY(ServerSettings::fromUrl(QString::fromUtf8(urlFile.readAll()).trimmed(), &local, &why));
    const auto url = [&](const QString &host, const QString &query) {
        return QStringLiteral("postgresql://%1@%2:%3/postgres?hostaddr=127.0.0.1").arg(local.user, host).arg(local.port) +
               query;
    };
    const QString ca = "&sslrootcert=" + certs.filePath("ca.crt");
    QFile::remove(ServerSettings::file());

    // Another name than the certificate's, or a CA the system does not know: refused, nothing written.
    for (const QString &refused : {url("other-db.test", ca), url("mehrsan-db.test", "")}) {
        const Run run = runProgram(m_folder->path(), {"--connect", refused});
        QVERIFY2(run.exitCode == 3, qPrintable(refused + "\n" + run.err));
        QVERIFY(!ServerSettings::exists());
    }
    // The name and the CA: verify-full, written down with the CA file.
    Run run = runProgram(m_folder->path(), {"--connect", url("mehrsan-db.test", ca)});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY(run.err.isEmpty());
    ServerSettings written;
    QVERIFY(ServerSettings::read(&written, &why));
    QCOMPARE(written.sslMode, QStringLiteral("verify-full"));
    QCOMPARE(written.sslRootCert, certs.filePath("ca.crt"));
    QVERIFY2(Database::openStore(&why), qPrintable(why));  // the program itself connects so
    Database::close();

    // A weaker mode written out connects, with a warning.
    QFile::remove(ServerSettings::file());
    run = runProgram(m_folder->path(), {"--connect", url("other-db.test", "&sslmode=require")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QVERIFY2(run.err.contains(QStringLiteral("هشدار: با sslmode=require")), qPrintable(run.err));
}

void ServerStoreTest::serverStoppedMidSession_data()
{
    QTest::addColumn<QString>("stop");
    QTest::addColumn<bool>("tryWhileDown");
    QTest::newRow("stopped") << "stop-server" << true;
    QTest::newRow("crashed (-m immediate)") << "crash-server" << true;
    QTest::newRow("stopped, back before the next operation") << "stop-server" << false;
    QTest::newRow("crashed, back before the next operation") << "crash-server" << false;
}

void ServerStoreTest::serverStoppedMidSession()
{
    QFETCH(QString, stop);
    QFETCH(bool, tryWhileDown);
    // A cluster of this test's own, so that stopping it disturbs no other test;
    // with its commits on disk, as a real server keeps them through a crash.
    QTemporaryDir state;
    cluster("start", state.path(), {"fsync"});
    auto stopCluster = qScopeGuard([&] { cluster("stop", state.path()); });
    QFile urlFile(state.filePath("url"));
    QVERIFY(urlFile.open(QIODevice::ReadOnly));
    const Run connected = runProgram(m_folder->path(), {"--connect", QString::fromUtf8(urlFile.readAll()).trimmed()});
    QVERIFY2(connected.exitCode == 0, qPrintable(connected.err));
    QString why;
    QVERIFY2(Database::openStore(&why), qPrintable(why));

    ScriptedDialogs dialogs;
    MainWindow window;
    window.show();
    auto registerSubject = [&](const QString &code) {
        QTest::mouseClick(window.findChild<QPushButton *>("Command1"), Qt::LeftButton);
        const QList<QPair<const char *, QString>> typed = {
            {"Text11", code}, {"Text6", "مينا"}, {"Text4", "کريمي"}, {"Text5", "31"}, {"Text7", "ديپلم"}};
        for (const auto &[name, value] : typed)
            window.findChild<QLineEdit *>(name)->setText(value);
        for (const char *list : {"Combo1", "Combo2", "Combo3"})
            window.findChild<QComboBox *>(list)->setCurrentIndex(1);
        QTest::mouseClick(window.findChild<QPushButton *>("Command8"), Qt::LeftButton);
    };

    registerSubject("M-1");
    QVERIFY(dialogs.shown.isEmpty());

    cluster(stop, state.path());
    if (tryWhileDown) {
        registerSubject("M-2");
        // The failure says so, with the server's reason; never the taken-code text, never stored.
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.last().title, QStringLiteral("خطا"));
        QVERIFY(!dialogs.last().text.contains(kTaken));
        QVERIFY2(!dialogs.last().text.section('\n', 1).trimmed().isEmpty(), qPrintable(dialogs.last().text));
        QVERIFY(window.findChild<QFrame *>("Frame10")->isVisible());
        cluster("start-server", state.path());
        // The next operation finds the server again: the same subject is stored, once.
        dialogs.clear();
        QTest::mouseClick(window.findChild<QPushButton *>("Command8"), Qt::LeftButton);
    } else {
        // The connection died unseen; the next operation notices before it
        // speaks and connects again.
        cluster("start-server", state.path());
        registerSubject("M-2");
    }
    QVERIFY2(dialogs.shown.isEmpty(), qPrintable(dialogs.texts().join('\n')));
    TableView view(QStringLiteral("IDE"));
    QCOMPARE(view.rows(0, 10, {"Code"}).size(), 2);
    view.filter("Code='M-2'");
    QCOMPARE(view.rowCount(), 1);
    QCOMPARE(TableView(QStringLiteral("Answer")).rowCount(), 2);
    Database::close();
}

void ServerStoreTest::serverRestartedBeforeSave_data()
{
    QTest::addColumn<QString>("stop");
    QTest::newRow("restart -m immediate") << "crash-server";
    QTest::newRow("restart -m fast") << "stop-server";
}

// The operator fills the panel, the server restarts meanwhile, the operator
// saves: the first write after the restart finds the old connection dead and
// is run again on a new one. Stored once, nothing shown.
void ServerStoreTest::serverRestartedBeforeSave()
{
    QFETCH(QString, stop);
    QTemporaryDir state;
    cluster("start", state.path(), {"fsync"});
    auto stopCluster = qScopeGuard([&] { cluster("stop", state.path()); });
    QFile urlFile(state.filePath("url"));
    QVERIFY(urlFile.open(QIODevice::ReadOnly));
    const Run connected = runProgram(m_folder->path(), {"--connect", QString::fromUtf8(urlFile.readAll()).trimmed()});
    QVERIFY2(connected.exitCode == 0, qPrintable(connected.err));
    QString why;
    QVERIFY2(Database::openStore(&why), qPrintable(why));

    ScriptedDialogs dialogs;
    MainWindow window;
    window.show();
    auto fillPanel = [&](const QString &code) {
        QTest::mouseClick(window.findChild<QPushButton *>("Command1"), Qt::LeftButton);
        const QList<QPair<const char *, QString>> typed = {
            {"Text11", code}, {"Text6", "مينا"}, {"Text4", "کريمي"}, {"Text5", "31"}, {"Text7", "ديپلم"}};
        for (const auto &[name, value] : typed)
            window.findChild<QLineEdit *>(name)->setText(value);
        for (const char *list : {"Combo1", "Combo2", "Combo3"})
            window.findChild<QComboBox *>(list)->setCurrentIndex(1);
    };
    auto save = [&] { QTest::mouseClick(window.findChild<QPushButton *>("Command8"), Qt::LeftButton); };

    fillPanel("R-1");
    save();
    QVERIFY2(dialogs.shown.isEmpty(), qPrintable(dialogs.texts().join('\n')));
    fillPanel("R-2");
    cluster(stop, state.path());
    cluster("start-server", state.path());
    save();
    QVERIFY2(dialogs.shown.isEmpty(), qPrintable(dialogs.texts().join('\n')));
    QVERIFY(!window.findChild<QFrame *>("Frame10")->isVisible());
    TableView view(QStringLiteral("IDE"));
    QCOMPARE(view.rows(0, 10, {"Code"}).size(), 2);
    view.filter("Code='R-2'");
    QCOMPARE(view.rowCount(), 1);
    QCOMPARE(view.field("FName"), QStringLiteral("مينا"));
    TableView answers(QStringLiteral("Answer"));
    answers.filter("Code='R-2'");
    QCOMPARE(answers.rowCount(), 1);

    // A save of the clinic's name, a commit of its own, likewise.
    QTest::mouseClick(window.findChild<QPushButton *>("Command9"), Qt::LeftButton);
    QTest::mouseClick(window.findChild<QPushButton *>("Command67"), Qt::LeftButton);
    window.findChild<QLineEdit *>("Text2")->setText(QStringLiteral("کلينيک پس از راه اندازي دوباره"));
    cluster(stop, state.path());
    cluster("start-server", state.path());
    QTest::mouseClick(window.findChild<QPushButton *>("Command64"), Qt::LeftButton);
    QVERIFY2(dialogs.shown.isEmpty(), qPrintable(dialogs.texts().join('\n')));
    QCOMPARE(TableView(QStringLiteral("Theme")).field("Name"), QStringLiteral("کلينيک پس از راه اندازي دوباره"));
    QTest::mouseClick(window.findChild<QPushButton *>("Command69"), Qt::LeftButton);

    // Down for good: one Persian reason naming the server, no English text of
    // the driver, and the panel keeps what was typed.
    fillPanel("R-3");
    cluster("stop-server", state.path());
    save();
    QCOMPARE(dialogs.shown.size(), 1);
    QVERIFY2(dialogs.last().text.contains(QStringLiteral("ارتباط با سرور بانک اطلاعاتي")), qPrintable(dialogs.last().text));
    QVERIFY2(!dialogs.last().text.contains(QStringLiteral("server")), qPrintable(dialogs.last().text));
    QVERIFY(window.findChild<QFrame *>("Frame10")->isVisible());
    QCOMPARE(window.findChild<QLineEdit *>("Text11")->text(), QStringLiteral("R-3"));
    QCOMPARE(window.findChild<QLineEdit *>("Text6")->text(), QStringLiteral("مينا"));
    Database::close();
}

// The connection breaks after the server stored the registration and before
// its answer came back. The program cannot know whether it was stored: it
// looks, finds the subject stored as it was sent, and says nothing; the code
// is not refused as taken by the subject itself.
void ServerStoreTest::commitAnswerLostIsNoDuplicate()
{
    QTemporaryDir state;
    cluster("start", state.path(), {"fsync"});
    auto stopCluster = qScopeGuard([&] { cluster("stop", state.path()); });
    QFile urlFile(state.filePath("url"));
    QVERIFY(urlFile.open(QIODevice::ReadOnly));
    const QString url = QString::fromUtf8(urlFile.readAll()).trimmed();
    QFile portFile(state.filePath("port"));
    QVERIFY(portFile.open(QIODevice::ReadOnly));
    const QString serverPort = QString::fromUtf8(portFile.readAll()).trimmed();

    QProcess cutter;
    cutter.start(QStringLiteral("python3"), {QStringLiteral(COMMIT_CUTTER), serverPort, state.filePath("cutter-port"),
                                             state.filePath("armed")});
    QVERIFY(cutter.waitForStarted());
    auto stopCutter = qScopeGuard([&] {
        cutter.kill();
        cutter.waitForFinished();
    });
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(state.filePath("cutter-port")), 20000);
    QFile cutterPort(state.filePath("cutter-port"));
    QVERIFY(cutterPort.open(QIODevice::ReadOnly));
    const QString throughCutter = QString(url).replace(':' + serverPort + '/', ':' + QString::fromUtf8(cutterPort.readAll()) + '/');
    const Run connected = runProgram(m_folder->path(), {"--connect", throughCutter});
    QVERIFY2(connected.exitCode == 0, qPrintable(connected.err));
    QString why;
    QVERIFY2(Database::openStore(&why), qPrintable(why));

    ScriptedDialogs dialogs;
    MainWindow window;
    window.show();
    QTest::mouseClick(window.findChild<QPushButton *>("Command1"), Qt::LeftButton);
    const QList<QPair<const char *, QString>> typed = {
        {"Text11", "C-1"}, {"Text6", "مينا"}, {"Text4", "کريمي"}, {"Text5", "31"}, {"Text7", "ديپلم"}};
    for (const auto &[name, value] : typed)
        window.findChild<QLineEdit *>(name)->setText(value);
    for (const char *list : {"Combo1", "Combo2", "Combo3"})
        window.findChild<QComboBox *>(list)->setCurrentIndex(1);
    QFile armed(state.filePath("armed"));
    QVERIFY(armed.open(QIODevice::WriteOnly));
    armed.close();
    QTest::mouseClick(window.findChild<QPushButton *>("Command8"), Qt::LeftButton);
    QVERIFY2(!QFile::exists(state.filePath("armed")), "the cutter cut no COMMIT");
    QVERIFY2(dialogs.shown.isEmpty(), qPrintable(dialogs.texts().join('\n')));
    QVERIFY(!window.findChild<QFrame *>("Frame10")->isVisible());
    Database::close();

    // Straight to the server, past the cutter: stored once, both rows.
    QSqlDatabase direct = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("direct"));
    auto removeDirect = qScopeGuard([] { QSqlDatabase::removeDatabase(QStringLiteral("direct")); });
    const QUrl parsed(url);
    direct.setHostName(parsed.host());
    direct.setPort(parsed.port());
    direct.setUserName(parsed.userName());
    direct.setDatabaseName(parsed.path().mid(1));
    QVERIFY2(direct.open(), qPrintable(direct.lastError().text()));
    QSqlQuery q(direct);
    QVERIFY(q.exec("SELECT (SELECT count(*) FROM \"IDE\" WHERE \"Code\" = 'C-1'), "
                   "(SELECT count(*) FROM \"Answer\" WHERE \"Code\" = 'C-1')"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 1);
    QCOMPARE(q.value(1).toInt(), 1);
    q.finish();
    direct.close();
}

QTEST_MAIN(ServerStoreTest)
#include "tst_serverstore.moc"
