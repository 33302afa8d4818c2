#include "backup/BackupWindow.h"
#include "backup/ProgramEnd.h"
#include "calendar/SolarCalendar.h"
#include "platform/Twips.h"
#include "data/Database.h"
#include "data/TableView.h"

#include "FileDialogDriver.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTimer>
#include <QtTest>

namespace {
QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// Runs statements on a database file of the test's own, outside the program's connection.
void runSql(const QString &file, const QStringList &statements)
{
    const QString name = QStringLiteral("frmbackup-test");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const QString &s : statements)
            QVERIFY2(q.exec(s), qPrintable(s));
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

const QString kError = QStringLiteral("خطا");
const QString kTitle = QStringLiteral("Mehrsan");
const QString kReplaceQuestion =
    QStringLiteral("فايل پشتيباني با اين نام قبلا ايجاد شده آيا ميخواهيد اين فايل را جايگزين کنيد؟");
const QString kRestoreQuestion = QStringLiteral("آيا ميخواهيد اطلاعات را بازيابي کنيد؟");
}  // namespace

class BackupWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void clockAndProposedName_data();
    void clockAndProposedName();
    void fileDialogsOfferTheBackFolder();
    void emptyPathsAreRefused();
    void backupToNewFileEndsTheProgram();
    void replaceAnsweredNoKeepsWindowAndPath();
    void replaceAnsweredYesLeavesExactCopy();
    void failedBackupIsReportedOnceThenEnds();
    void restoreAnsweredNoChangesNothing();
    void restoreReplacesTheDatabase();
    void restoreRefusesWhatIsNoBackup_data();
    void restoreRefusesWhatIsNoBackup();
    void restoreStopsBesideAJournal();
    void otherRestoreFailureTextRunsOn();
    void replaceIsAskedOnceWithTheRealDialog();
    void secondCopyCannotStartWhileOneRuns();
    void helpPanelAndExit();
    void loadPlacesSkinsAndRunsTheClock();

private:
    BackupWindow *openWindow();
    void click(const char *name) { m_window->findChild<QPushButton *>(name)->click(); }
    QLineEdit *edit(const char *name) { return m_window->findChild<QLineEdit *>(name); }

    TestFolder *m_folder = nullptr;
    ScriptedDialogs *m_dialogs = nullptr;
    QPointer<BackupWindow> m_window;
    int m_ends = 0;
};

void BackupWindowTest::init()
{
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    m_dialogs = new ScriptedDialogs;
    m_ends = 0;
    ProgramEnd::setQuitHook([this] { ++m_ends; });
    m_window = openWindow();
}

void BackupWindowTest::cleanup()
{
    if (m_window)
        delete m_window;
    delete m_dialogs;
    delete m_folder;
}

BackupWindow *BackupWindowTest::openWindow()
{
    auto *window = new BackupWindow;
    window->show();
    return window;
}

void BackupWindowTest::clockAndProposedName_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("name");
    QTest::newRow("afternoon") << QDate(2023, 8, 1) << QTime(14, 30, 59)
                               << QStringLiteral("در تاريخ1402.5.10 ساعت)14.30).mdbB");
    QTest::newRow("morning, one-digit hour") << QDate(2024, 3, 20) << QTime(9, 5)
                                             << QStringLiteral("در تاريخ1403.1.1 ساعت)9.05).mdbB");
    QTest::newRow("midnight") << QDate(2025, 3, 20) << QTime(0, 0)
                              << QStringLiteral("در تاريخ1403.12.30 ساعت)0.00).mdbB");
}

// The labels and the name the save dialog proposes are built from the same date and clock.
void BackupWindowTest::clockAndProposedName()
{
    QFETCH(QDate, date);
    QFETCH(QTime, time);
    QFETCH(QString, name);
    m_window->showDate(date);
    m_window->showClock(time);
    QCOMPARE(m_window->findChild<QLabel *>("Label2")->text(), BackupWindow::clockText(time));
    QCOMPARE(m_window->findChild<QLabel *>("Label3")->text(), m_window->findChild<QLabel *>("Label1")->text());
    click("b1");
    QCOMPARE(m_dialogs->last().kind, QStringLiteral("save"));
    QCOMPARE(m_dialogs->last().proposedName, name);
}

void BackupWindowTest::fileDialogsOfferTheBackFolder()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Back up ...  Reastor"));
    edit("Text1")->setText("typed by hand");
    click("b1");  // cancelled: the path stays
    QCOMPARE(edit("Text1")->text(), QStringLiteral("typed by hand"));
    const QString chosen = m_folder->path() + "/Back/mine.mdbB";
    m_dialogs->fileAnswers << chosen;
    click("b1");
    QCOMPARE(edit("Text1")->text(), chosen);

    m_dialogs->fileAnswers << chosen;
    click("b2");
    QCOMPARE(edit("Text2")->text(), chosen);
    for (const auto &shown : m_dialogs->shown) {
        QCOMPARE(QDir(shown.folder).canonicalPath(), QDir(m_folder->path() + "/Back").canonicalPath());
        QCOMPARE(shown.filter, QStringLiteral("Database Backup |*.mdbB"));
    }
    QCOMPARE(m_dialogs->shown.last().kind, QStringLiteral("open"));
    QCOMPARE(m_ends, 0);
}

void BackupWindowTest::emptyPathsAreRefused()
{
    click("VisualButtonEx2");
    QCOMPARE(m_dialogs->last().text, QStringLiteral("لطفا مسير تهيه نسخه پشتيبان را وارد کنيد"));
    QCOMPARE(m_dialogs->last().title, kError);
    QCOMPARE(m_dialogs->last().icon, QMessageBox::Warning);
    click("VisualButtonEx3");
    QCOMPARE(m_dialogs->last().text, QStringLiteral("لطفا مسير فايل مربوطه را وارد کنيد"));
    QCOMPARE(m_dialogs->last().title, kError);
    QCOMPARE(m_dialogs->shown.size(), 2);
    QCOMPARE(m_ends, 0);
    QVERIFY(m_window->isVisible());
}

void BackupWindowTest::backupToNewFileEndsTheProgram()
{
    const QString target = m_folder->path() + "/Back/" + BackupWindow::proposedFileName("1402.5.10", "14.30");
    edit("Text1")->setText(target);
    const QByteArray database = readFile(m_folder->databaseFile());

    // The bar is up while the copy runs.
    bool barShown = false;
    QTimer::singleShot(0, this, [&] { barShown = m_window->findChild<QProgressBar *>("ProgressBar1")->isVisible(); });
    click("VisualButtonEx2");
    QVERIFY(barShown);
    QCOMPARE(readFile(target), database);
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("نسخه پشتيبان تهيه گرديد")});
    QCOMPARE(m_dialogs->last().title, kTitle);
    QCOMPARE(m_ends, 1);
    QVERIFY(!Database::isOpen());
    QTRY_VERIFY(!m_window);  // closed and gone
}

void BackupWindowTest::replaceAnsweredNoKeepsWindowAndPath()
{
    const QString target = m_folder->path() + "/Back/old.mdbB";
    QVERIFY(writeFile(target, QByteArray(200000, 'o')));
    edit("Text1")->setText(target);
    m_dialogs->buttonAnswers << QMessageBox::No;
    click("VisualButtonEx2");
    QCOMPARE(m_dialogs->texts(),
             (QStringList{kReplaceQuestion, QStringLiteral("عدم موفقيت در تهيه نسخه پشتيبان")}));
    QCOMPARE(m_dialogs->shown[0].title, kTitle);
    QCOMPARE(m_dialogs->shown[1].icon, QMessageBox::Information);
    QCOMPARE(readFile(target), QByteArray(200000, 'o'));
    QCOMPARE(edit("Text1")->text(), target);
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_ends, 0);
}

void BackupWindowTest::replaceAnsweredYesLeavesExactCopy()
{
    const QString target = m_folder->path() + "/Back/old.mdbB";
    QVERIFY(writeFile(target, QByteArray(200000, 'o')));
    edit("Text1")->setText(target);
    m_dialogs->buttonAnswers << QMessageBox::Yes;
    click("VisualButtonEx2");
    QCOMPARE(m_dialogs->texts(), (QStringList{kReplaceQuestion, QStringLiteral("نسخه پشتيبان تهيه گرديد")}));
    QCOMPARE(readFile(target), readFile(m_folder->databaseFile()));
    QCOMPARE(m_ends, 1);
}

void BackupWindowTest::failedBackupIsReportedOnceThenEnds()
{
    edit("Text1")->setText(m_folder->path() + "/no/such/folder/x.mdbB");
    click("VisualButtonEx2");
    QCOMPARE(m_dialogs->shown.size(), 1);
    QVERIFY(m_dialogs->last().text.startsWith(QStringLiteral("اشکال در ايجاد نسخه پشتيباني")));
    QCOMPARE(m_dialogs->last().icon, QMessageBox::Critical);
    QCOMPARE(m_ends, 1);
}

void BackupWindowTest::restoreAnsweredNoChangesNothing()
{
    const QString backup = m_folder->path() + "/Back/b.mdbB";
    QVERIFY(QFile::copy(m_folder->databaseFile(), backup));
    runSql(backup, {"INSERT INTO IDE (Code) VALUES ('R1')"});
    const QByteArray before = readFile(m_folder->databaseFile());
    edit("Text2")->setText(backup);
    m_dialogs->buttonAnswers << QMessageBox::No;
    click("VisualButtonEx3");
    QCOMPARE(m_dialogs->texts(), (QStringList{kRestoreQuestion, QStringLiteral("عدم موفقيت در بازيابي اطلاعات ")}));
    QCOMPARE(readFile(m_folder->databaseFile()), before);
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_ends, 0);
}

// A round trip: back up, change the database, restore, and the change is gone;
// a view opened before the restore reads the restored file afterwards.
void BackupWindowTest::restoreReplacesTheDatabase()
{
    m_folder->addSubject("kept");
    const QString backup = m_folder->path() + "/Back/round.mdbB";
    edit("Text1")->setText(backup);
    click("VisualButtonEx2");
    QCOMPARE(m_ends, 1);
    const QByteArray backedUp = readFile(backup);
    QCOMPARE(backedUp, readFile(m_folder->databaseFile()));

    // The program starts again, and a subject is added after the backup.
    QVERIFY(Database::open(m_folder->databaseFile()));
    m_folder->addSubject("later");
    QVERIFY(readFile(m_folder->databaseFile()) != backedUp);
    ProgramEnd::setQuitHook([this] { ++m_ends; });
    m_dialogs->shown.clear();
    m_window = openWindow();
    TableView ide(QStringLiteral("IDE"));
    ide.filter("Code='later'");
    QVERIFY(ide.hasCurrent());

    edit("Text2")->setText(backup);
    m_dialogs->buttonAnswers << QMessageBox::Yes;
    bool barShown = false;
    QTimer::singleShot(0, this, [&] { barShown = m_window->findChild<QProgressBar *>("ProgressBar1")->isVisible(); });
    click("VisualButtonEx3");
    QVERIFY(barShown);
    QCOMPARE(m_dialogs->texts(), (QStringList{kRestoreQuestion, QStringLiteral("بازيابي اطلاعات انجام شد")}));
    QCOMPARE(m_ends, 2);
    QCOMPARE(readFile(m_folder->databaseFile()), backedUp);
    QCOMPARE(m_folder->sql("SELECT Code FROM IDE ORDER BY rowid"), QStringList{"kept"});
    QCOMPARE(m_folder->sql("PRAGMA integrity_check"), QStringList{"ok"});
    QStringList leftovers = QDir(m_folder->path() + "/DBTavor").entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(leftovers, QStringList{"DBTavor.mdb"});

    // The program would end here; opened again, the old view sees the restored rows.
    QVERIFY(Database::open(m_folder->databaseFile()));
    ide.filter("Code='later'");
    QVERIFY(!ide.hasCurrent());
    ide.filter("Code='kept'");
    QVERIFY(ide.hasCurrent());
}

void BackupWindowTest::restoreRefusesWhatIsNoBackup_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing file") << "missing";
    QTest::newRow("empty file") << "empty";
    QTest::newRow("text file") << "text";
    QTest::newRow("truncated database") << "truncated";
    QTest::newRow("database cut at a page") << "page-cut";
    QTest::newRow("damaged page") << "damaged";
    QTest::newRow("another program's database") << "other";
    QTest::newRow("a folder") << "folder";
}

// Whatever the file, the current database stays byte for byte and open, the
// window stays for another try, and the program goes on.
void BackupWindowTest::restoreRefusesWhatIsNoBackup()
{
    QFETCH(QString, kind);
    const QString file = m_folder->path() + "/Back/bad.mdbB";
    const QByteArray database = readFile(m_folder->databaseFile());
    if (kind == "empty") {
        QVERIFY(writeFile(file, QByteArray()));
    } else if (kind == "text") {
        QVERIFY(writeFile(file, QStringLiteral("اين يک فايل متني است\n").toUtf8().repeated(500)));
    } else if (kind == "truncated") {
        QVERIFY(writeFile(file, database.left(database.size() / 2 + 100)));
    } else if (kind == "page-cut") {
        QVERIFY(writeFile(file, database.left(database.size() - 4096)));
    } else if (kind == "damaged") {
        QByteArray damaged = database;
        for (int i = damaged.size() - 4096; i < damaged.size(); ++i)
            damaged[i] = char(i * 7 + 3);
        QVERIFY(writeFile(file, damaged));
    } else if (kind == "other") {
        runSql(file, {"CREATE TABLE Customers (Id INTEGER, Name TEXT)", "INSERT INTO Customers VALUES (1, 'x')"});
    } else if (kind == "folder") {
        QVERIFY(QDir().mkpath(file));
    }
    edit("Text2")->setText(file);
    m_dialogs->buttonAnswers << QMessageBox::Yes;
    click("VisualButtonEx3");
    QCOMPARE(m_dialogs->shown.size(), 2);
    QCOMPARE(m_dialogs->last().title, kError);
    QVERIFY(m_dialogs->last().text.startsWith(QStringLiteral("اين فايل نسخه پشتيبان اين برنامه نيست")));
    QCOMPARE(readFile(m_folder->databaseFile()), database);
    QVERIFY(Database::isOpen());
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_ends, 0);
    QCOMPARE(QDir(m_folder->path() + "/DBTavor").entryList(QDir::Files | QDir::Hidden), QStringList{"DBTavor.mdb"});
}

// A journal file beside the database would be played back into a restored file:
// the old database stays, and the program ends as after any restore attempt.
void BackupWindowTest::restoreStopsBesideAJournal()
{
    const QString backup = m_folder->path() + "/Back/b.mdbB";
    QVERIFY(QFile::copy(m_folder->databaseFile(), backup));
    runSql(backup, {"INSERT INTO IDE (Code) VALUES ('R1')"});
    QVERIFY(writeFile(m_folder->databaseFile() + "-journal", QByteArray(512, '\0')));
    const QByteArray before = readFile(m_folder->databaseFile());
    edit("Text2")->setText(backup);
    m_dialogs->buttonAnswers << QMessageBox::Yes;
    bool openAfterwards = false;
    ProgramEnd::setQuitHook([&] { ++m_ends; });
    m_dialogs->onShow = [&](const ScriptedDialogs::Shown &) { openAfterwards = Database::isOpen(); };
    click("VisualButtonEx3");
    QCOMPARE(m_dialogs->shown.size(), 2);
    QCOMPARE(m_dialogs->last().title, kError);
    QVERIFY(m_dialogs->last().text.endsWith(QStringLiteral("تمامي فرم ها را ببندبد به جز فرم اصلي و اين پنجره")));
    QVERIFY(openAfterwards);
    QCOMPARE(readFile(m_folder->databaseFile()), before);
    QCOMPARE(m_ends, 1);
}

// The system's description and the request to close the other windows stand
// directly together in one text.
void BackupWindowTest::otherRestoreFailureTextRunsOn()
{
    const QString backup = m_folder->path() + "/Back/b.mdbB";
    QVERIFY(QFile::copy(m_folder->databaseFile(), backup));
    QVERIFY(writeFile(m_folder->databaseFile() + "-journal", QByteArray(512, '\0')));
    edit("Text2")->setText(backup);
    m_dialogs->buttonAnswers << QMessageBox::Yes;
    click("VisualButtonEx3");
    QCOMPARE(m_dialogs->last().title, kError);
    QCOMPARE(m_dialogs->last().icon, QMessageBox::Warning);
    const QString tail = QStringLiteral("تمامي فرم ها را ببندبد به جز فرم اصلي و اين پنجره");
    const QString text = m_dialogs->last().text;
    QVERIFY(text.endsWith(tail));
    const QString description = text.chopped(tail.size());
    QVERIFY(!description.isEmpty());
    QVERIFY2(!description.contains('\n') && !description.endsWith(' '), qPrintable(text));
}

// Choosing an existing file in the save dialog: only the window's own question
// about replacing it, none from the file dialog before.
void BackupWindowTest::replaceIsAskedOnceWithTheRealDialog()
{
    const QString existing = m_folder->path() + "/Back/old.mdbB";
    QVERIFY(writeFile(existing, "older backup, longer than nothing"));
    m_dialogs->realSaveDialogs = true;
    FileDialogDriver driver(QStringLiteral("old.mdbB"));
    click("b1");
    QVERIFY(driver.sawDialog);
    QCOMPARE(driver.questions, QStringList());
    QCOMPARE(QFileInfo(edit("Text1")->text()).canonicalFilePath(), QFileInfo(existing).canonicalFilePath());

    m_dialogs->buttonAnswers << QMessageBox::Yes;
    click("VisualButtonEx2");
    QCOMPARE(m_dialogs->texts().count(kReplaceQuestion), 1);
    QCOMPARE(readFile(existing), readFile(m_folder->databaseFile()));
    QCOMPARE(m_ends, 1);
}

// Clicks that arrive while a copy runs (the copy lets events through) start nothing.
void BackupWindowTest::secondCopyCannotStartWhileOneRuns()
{
    // A database large enough for several chunks.
    for (int i = 0; i < 300; ++i)
        m_folder->addSubject(QStringLiteral("s%1").arg(i));
    const QString target = m_folder->path() + "/Back/one.mdbB";
    const QString source = m_folder->path() + "/Back/two.mdbB";
    QVERIFY(QFile::copy(m_folder->databaseFile(), source));
    edit("Text1")->setText(target);
    edit("Text2")->setText(source);
    bool clickedDuringCopy = false;
    QTimer::singleShot(0, this, [&] {
        clickedDuringCopy = m_window->isCopying();
        QVERIFY(!m_window->findChild<QPushButton *>("VisualButtonEx3")->isEnabled());
        m_window->makeBackup();
        m_window->restore();
        m_window->close();
        QVERIFY(m_window->isVisible());
    });
    click("VisualButtonEx2");
    QVERIFY(clickedDuringCopy);
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("نسخه پشتيبان تهيه گرديد")});
    QCOMPARE(readFile(target), readFile(m_folder->databaseFile()));
    QCOMPARE(m_ends, 1);
}

void BackupWindowTest::helpPanelAndExit()
{
    auto *help = m_window->findChild<QFrame *>("Frame1");
    QVERIFY(!help->isVisible());
    click("Command3");
    QVERIFY(help->isVisible());
    QVERIFY(m_window->findChild<QPlainTextEdit *>()->toPlainText().contains("REASTOR"));
    help->findChild<QPushButton *>("Command2")->click();
    QVERIFY(!help->isVisible());
    QCOMPARE(m_ends, 0);

    const QStringList backFolder = QDir(m_folder->path() + "/Back").entryList(QDir::Files);
    click("Command1");
    QCOMPARE(m_ends, 1);
    QVERIFY(m_dialogs->shown.isEmpty());
    QCOMPARE(QDir(m_folder->path() + "/Back").entryList(QDir::Files), backFolder);
    QTRY_VERIFY(!m_window);
}

void BackupWindowTest::loadPlacesSkinsAndRunsTheClock()
{
    QCOMPARE(m_window->property("skinFile").toString(), QStringLiteral("chizh.skn"));  // shipped theme 1
    delete m_window;
    m_folder->sql("UPDATE Theme SET TH = '8'");
    m_window = openWindow();
    QCOMPARE(m_window->property("skinFile").toString(), QStringLiteral("metallic.skn"));
    QCOMPARE(m_window->pos(), twipsPoint(2340, 765));

    const QString today = SolarCalendar::SolarDate(QDate::currentDate(), 4);
    QVERIFY(!today.isEmpty());
    QCOMPARE(m_window->findChild<QLabel *>("Label1")->text(), today);
    QCOMPARE(m_window->findChild<QLabel *>("Label3")->text(), today);
    const QRegularExpression clockForm(QStringLiteral("^\\d{1,2}\\.\\d\\d$"));
    auto *clock = m_window->findChild<QLabel *>("Label2");
    QVERIFY(clockForm.match(clock->text()).hasMatch());
    clock->setText("x");
    QTRY_VERIFY_WITH_TIMEOUT(clock->text() != "x", 3000);
    QVERIFY(clockForm.match(clock->text()).hasMatch());
}

QTEST_MAIN(BackupWindowTest)
#include "tst_backupwindow.moc"
