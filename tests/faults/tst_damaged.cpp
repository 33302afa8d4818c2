// A damaged database file is never opened as an empty or shorter one: the
// start names the file, what is wrong and the newest sound backup, and either
// the program ends without writing to the file or, at the operator's word, a
// backup takes its place and the damaged file stays aside.
#include "calendar/SolarCalendar.h"
#include "FaultTools.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include "backup/Backup.h"
#include "data/Database.h"
#include "data/DatabaseLock.h"
#include "data/TableView.h"
#include "records/SubjectListWindow.h"
#include "shell/ProgramStart.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTableView>
#include <QtEndian>
#include <QSqlQuery>
#include <QtTest>

using namespace FaultTools;

class DamagedTest : public QObject
{
    Q_OBJECT
private slots:
    void damagedFileIsRefusedAtStart_data();
    void damagedFileIsRefusedAtStart();
    void restoreIsOfferedAtADamagedStart_data();
    void restoreIsOfferedAtADamagedStart();
    void damageFoundAfterTheWindowsAreUp_data();
    void damageFoundAfterTheWindowsAreUp();
    void pageDamagedWhileOpenIsAReadError();
    void restoreRefusesABrokenIndex();
};

void DamagedTest::damagedFileIsRefusedAtStart_data()
{
    QTest::addColumn<QString>("btree");
    QTest::addColumn<bool>("withBackups");
    QTest::newRow("page of IDE") << "IDE" << true;
    QTest::newRow("page of Answer") << "Answer" << false;
    QTest::newRow("page of the unique index on Answer.Code") << "sqlite_autoindex_Answer_1" << true;
    QTest::newRow("page of the index on IDE.LName") << "IDE_LName" << false;
}

void DamagedTest::damagedFileIsRefusedAtStart()
{
    QFETCH(QString, btree);
    QFETCH(bool, withBackups);
    TestFolder folder;
    // Enough subjects that every table and index spans several pages.
    folder.sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
               "INSERT INTO IDE (Code, FName, LName, \"Group\") SELECT 'c' || i, 'نام ' || i, 'خانواده ' || i, 'A' FROM n");
    folder.sql("INSERT INTO Answer (Code, \"1\", \"2\") SELECT Code, '3', '4' FROM IDE");
    Database::close();
    const QString file = folder.databaseFile();
    QCOMPARE(integrityOf(file), QStringLiteral("ok"));

    QString newest;
    if (withBackups) {
        const QString back = folder.path() + "/Back/";
        QVERIFY(QFile::copy(file, back + "older.mdbB"));
        QVERIFY(QFile::copy(file, back + "newer.mdbB"));
        QFile older(back + "older.mdbB");
        QVERIFY(older.open(QIODevice::ReadWrite));
        QVERIFY(older.setFileTime(QDateTime::currentDateTime().addDays(-3), QFileDevice::FileModificationTime));
        newest = QDir::toNativeSeparators(back + "newer.mdbB");
    }

    // Garbage over one page of the b-tree.
    const int page = rootPage(file, btree);
    QVERIFY(page > 1);
    const int size = pageSize(file);
    QByteArray garbage(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        garbage[i] = char((i * 7919 + 13) & 0xff);
    QVERIFY(overwrite(file, qint64(page - 1) * size, garbage));
    const QByteArray before = hashOf(file);

    ScriptedDialogs dialogs;  // the offer is answered No
    QVERIFY(!openProgramDatabase());
    QVERIFY(!Database::isOpen());
    QCOMPARE(dialogs.shown.size(), 1);
    const auto box = dialogs.last();
    // A question, titled as one; SQLite's own words only behind the details control.
    QCOMPARE(box.title, questionTitle());
    QCOMPARE(box.icon, QMessageBox::Critical);
    QVERIFY2(!box.details.isEmpty(), qPrintable(box.text));
    QVERIFY2(!box.text.contains(box.details), qPrintable(box.text));
    QVERIFY2(box.text.contains(file), qPrintable(box.text));
    QVERIFY2(box.text.contains(QStringLiteral("بانک اطلاعاتي آسيب ديده است")), qPrintable(box.text));
    if (withBackups) {
        QVERIFY2(box.text.contains(QStringLiteral("آخرين نسخه پشتيبان سالم:\n") + leftToRight(newest)), qPrintable(box.text));
        QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::Open | QMessageBox::No);
    } else {
        QVERIFY2(box.text.contains(QStringLiteral("در پوشه نسخه هاي پشتيبان نسخه سالمي نيست:\n") +
                                   leftToRight(QDir::toNativeSeparators(folder.path() + "/Back"))),
                 qPrintable(box.text));
        QCOMPARE(box.buttons, QMessageBox::Open | QMessageBox::No);
    }
    // The buttons the sentence names, by the captions they have.
    QVERIFY2(box.text.endsWith(buttonCaption(QMessageBox::Open) + QStringLiteral(": نسخه پشتيبان ديگري انتخاب شود.\n") +
                               buttonCaption(QMessageBox::No) + QStringLiteral(": برنامه بسته شود.")),
             qPrintable(box.text));

    // Nothing written: the file as it was, no journal, nothing beside it, and the lock let go.
    QCOMPARE(hashOf(file), before);
    QCOMPARE(QDir(folder.path() + "/DBTavor").entryList(QDir::Files | QDir::Hidden), QStringList{"DBTavor.mdb"});
}

// The operator takes the offer: the newest backup that passes the integrity
// check (not a newer damaged one), or one he picks, replaces the file; the
// damaged file stays beside it byte for byte under a dated name, and the
// program runs on the backup's rows.
void DamagedTest::restoreIsOfferedAtADamagedStart_data()
{
    QTest::addColumn<bool>("picked");
    QTest::newRow("newest sound backup") << false;
    QTest::newRow("a backup the operator picks") << true;
}

void DamagedTest::restoreIsOfferedAtADamagedStart()
{
    QFETCH(bool, picked);
    TestFolder folder;
    const QString file = folder.databaseFile();
    const QString back = folder.path() + "/Back/";
    folder.sql("INSERT INTO IDE (Code) VALUES ('older')");
    QVERIFY(QFile::copy(file, back + "older.mdbB"));
    folder.sql("INSERT INTO IDE (Code) VALUES ('sound')");
    QVERIFY(QFile::copy(file, back + "sound.mdbB"));
    folder.sql("INSERT INTO IDE (Code) VALUES ('later')");
    QVERIFY(QFile::copy(file, back + "newest.mdbB"));
    Database::close();
    QVERIFY(overwrite(back + "newest.mdbB", 2 * pageSize(file), QByteArray(pageSize(file), '\x5a')));
    const auto age = [&](const QString &name, int days) {
        QFile f(back + name);
        return f.open(QIODevice::ReadWrite) &&
               f.setFileTime(QDateTime::currentDateTime().addDays(-days), QFileDevice::FileModificationTime);
    };
    QVERIFY(age("older.mdbB", 3) && age("sound.mdbB", 2) && age("newest.mdbB", 1));
    QVERIFY(overwrite(file, qint64(rootPage(file, "IDE") - 1) * pageSize(file), QByteArray(pageSize(file), '\x33')));
    const QByteArray damaged = hashOf(file);

    ScriptedDialogs dialogs;
    if (picked) {
        dialogs.buttonAnswers << QMessageBox::Open << QMessageBox::Yes;
        dialogs.fileAnswers << back + "older.mdbB";
    } else {
        dialogs.buttonAnswers << QMessageBox::Yes;
    }
    QVERIFY(openProgramDatabase());
    QVERIFY(Database::isOpen());
    QVERIFY2(dialogs.shown.first().text.contains(leftToRight(QDir::toNativeSeparators(back + "sound.mdbB"))),
             qPrintable(dialogs.shown.first().text));
    QCOMPARE(dialogs.last().kind, QStringLiteral("timed"));
    QCOMPARE(folder.sql("SELECT Code FROM IDE"), picked ? QStringList{"older"} : QStringList({"older", "sound"}));
    QCOMPARE(integrityOf(file), QStringLiteral("ok"));
    const QStringList aside = QDir(folder.path() + "/DBTavor").entryList({"DBTavor.mdb.damaged-*"}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QCOMPARE(hashOf(folder.path() + "/DBTavor/" + aside.first()), damaged);
    // Named by today's solar date, in ASCII digits, and told by that name.
    const QString today = SolarCalendar::SolarDate(QDate::currentDate(), 0).replace(u'/', u'-');
    QVERIFY2(QRegularExpression("^DBTavor\\.mdb\\.damaged-" + today + "-[0-9]{6}$").match(aside.first()).hasMatch(),
             qPrintable(aside.first()));
    QVERIFY2(dialogs.last().text.contains(leftToRight(aside.first())), qPrintable(dialogs.last().text));
    Database::close();
    DatabaseLock::release();
}

// A large file is opened at once and checked while the windows come up:
// no write reaches it before the check answers, and damage found then gets
// the same offer as at a damaged start.
void DamagedTest::damageFoundAfterTheWindowsAreUp_data()
{
    QTest::addColumn<bool>("restore");
    QTest::newRow("the operator ends the program") << false;
    QTest::newRow("the operator restores the backup") << true;
}

void DamagedTest::damageFoundAfterTheWindowsAreUp()
{
    QFETCH(bool, restore);
    TestFolder folder;
    const QString file = folder.databaseFile();
    folder.sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
               "INSERT INTO IDE (Code, FName, LName) SELECT 'c' || i, 'نام ' || i, 'خانواده ' || i FROM n");
    QVERIFY(QFile::copy(file, folder.path() + "/Back/sound.mdbB"));
    Database::close();
    QVERIFY(overwrite(file, qint64(rootPage(file, "IDE_LName") - 1) * pageSize(file), QByteArray(pageSize(file), '\x33')));
    const QByteArray damaged = hashOf(file);

    Database::checkAfterOpeningFrom(0);
    ScriptedDialogs dialogs;
    if (restore)
        dialogs.buttonAnswers << QMessageBox::Yes;
    // The start goes on without waiting for the pages.
    QVERIFY(openProgramDatabase());
    QVERIFY(dialogs.shown.isEmpty());
    {
        // The first write waits for the check and is refused with its finding.
        Database::Transaction write;
        QVERIFY(!write.isActive());
        QVERIFY2(write.errorString().contains(QStringLiteral("بانک اطلاعاتي آسيب ديده است")), qPrintable(write.errorString()));
    }
    TableView items(QStringLiteral("QU"));
    QVERIFY(items.moveFirst());
    QVERIFY(!items.deleteCurrent());
    QCOMPARE(hashOf(file), damaged);
    // The window thread then hears of it and makes the offer.
    QTRY_COMPARE(dialogs.shown.size(), restore ? 2 : 1);
    QVERIFY2(dialogs.shown.first().text.contains(QStringLiteral("بانک اطلاعاتي آسيب ديده است")), qPrintable(dialogs.shown.first().text));
    QVERIFY(dialogs.shown.first().text.contains(buttonCaption(QMessageBox::No) + QStringLiteral(": برنامه بسته شود.")));
    if (restore) {
        // The program goes on with the backup; its writes wait for its own check and pass.
        QVERIFY(Database::isOpen());
        Database::Transaction write;
        QVERIFY2(write.isActive(), qPrintable(write.errorString()));
        QSqlQuery(Database::connection()).exec("INSERT INTO IDE (Code) VALUES ('after')");
        QVERIFY(write.commit());
        QCOMPARE(folder.sql("SELECT COUNT(*) FROM IDE").value(0), QStringLiteral("401"));
        const QStringList aside = QDir(folder.path() + "/DBTavor").entryList({"DBTavor.mdb.damaged-*"}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(hashOf(folder.path() + "/DBTavor/" + aside.first()), damaged);
    } else {
        QVERIFY(!Database::isOpen());
        QCOMPARE(hashOf(file), damaged);
        QCOMPARE(QDir(folder.path() + "/DBTavor").entryList(QDir::Files | QDir::Hidden), QStringList{"DBTavor.mdb"});
    }
    Database::checkAfterOpeningFrom(-1);
    Database::close();
    DatabaseLock::release();
}

// A page that goes bad while the program runs: the list and the CSV export
// report the failed read instead of taking it for the end of the table.
void DamagedTest::pageDamagedWhileOpenIsAReadError()
{
    TestFolder folder;
    folder.sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
               "INSERT INTO IDE (Code, FName, LName, \"Group\") SELECT 'c' || i, 'name' || i, 'family', 'A' FROM n");
    folder.sql("INSERT INTO Answer (Code) SELECT Code FROM IDE");
    QVERIFY(Database::isOpen());
    const QString file = folder.databaseFile();

    // The table page holding subject 1500 (a leaf page of IDE: type 13),
    // overwritten; the header's change counter moves on, as after any write
    // of another program, so the program reads the page anew.
    const int size = pageSize(file);
    const qint64 at = inTablePage(file, "name1500");
    QVERIFY(at > 0);
    QVERIFY(overwrite(file, at / size * size, QByteArray(size, char(0xA5))));
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray header = f.read(100);
    f.close();
    const quint32 counter = qFromBigEndian<quint32>(header.constData() + 24) + 1;
    QByteArray bytes(4, 0);
    qToBigEndian(counter, bytes.data());
    QVERIFY(overwrite(file, 24, bytes) && overwrite(file, 92, bytes));

    ScriptedDialogs dialogs;
    SubjectListWindow window;
    window.show();
    // The grid is read as it scrolls: down to the end.
    auto *grid = window.findChild<QTableView *>("DataGrid1");
    for (int i = 0; i < 100 && grid->model()->canFetchMore({}); ++i)
        grid->model()->fetchMore({});
    QTRY_VERIFY(!dialogs.shown.isEmpty());
    QCOMPARE(dialogs.last().title, QStringLiteral("خطا"));
    QVERIFY2(dialogs.last().text.startsWith(QStringLiteral("خواندن اطلاعات آزمودني ها از بانک اطلاعاتي ممکن نشد")),
             qPrintable(dialogs.last().text));
    QVERIFY(grid->model()->rowCount() < 2000);

    dialogs.clear();
    const QString csv = folder.path() + "/Back/all.csv";
    dialogs.fileAnswers << csv;
    QTest::mouseClick(window.findChild<QPushButton *>("CmdCsv"), Qt::LeftButton);
    QCOMPARE(dialogs.last().title, QStringLiteral("خطا"));
    QVERIFY2(dialogs.last().text.contains(QStringLiteral("خواندن اطلاعات آزمودني ها ممکن نشد")),
             qPrintable(dialogs.last().text));
    for (const auto &box : dialogs.shown)
        QVERIFY(!box.text.contains(QStringLiteral("ذخيره شد")));
    QVERIFY(!QFileInfo::exists(csv));
    window.close();
}

// A backup whose pages are all sound but whose unique index on IDE.Code no
// longer matches the table (what a journal deleted by hand can leave): the
// quick check passes it, the integrity check a restore runs does not.
void DamagedTest::restoreRefusesABrokenIndex()
{
    TestFolder folder;
    folder.sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
               "INSERT INTO IDE (Code, FName) SELECT 'code' || (1000 + i), 'x' FROM n");
    const QString backup = folder.path() + "/Back/broken.mdbB";
    QVERIFY(QFile::copy(folder.databaseFile(), backup));
    // 'code1150' becomes 'code1151' in the table's row only: two rows with
    // one code, and an index entry pointing at nothing.
    const qint64 at = inTablePage(backup, "code1150");
    QVERIFY(at > 0);
    QVERIFY(overwrite(backup, at, "code1151"));
    QCOMPARE(Database::checkFile(backup, Database::Check::Quick), QStringLiteral("ok"));
    QVERIFY(integrityOf(backup) != QStringLiteral("ok"));

    const QByteArray live = hashOf(folder.databaseFile());
    ScriptedDialogs dialogs;
    QString why;
    QCOMPARE(Backup::RestoreDatabase(backup, nullptr, {}, &why), Backup::RestoreResult::Refused);
    QVERIFY2(why.startsWith(QStringLiteral("اين فايل آسيب ديده است")), qPrintable(why));
    QCOMPARE(hashOf(folder.databaseFile()), live);
    QVERIFY(Database::isOpen());
}

QTEST_MAIN(DamagedTest)
#include "tst_damaged.moc"
