#include "FileDialogDriver.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include "calendar/SolarCalendar.h"
#include "data/TableView.h"
#include "records/CsvExport.h"
#include "records/SubjectListWindow.h"

#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

namespace {
// Reads a CSV file back with Python's csv module, independent of our writer.
QList<QStringList> readWithPython(const QString &file)
{
    QProcess python;
    python.start("python3", {"-c",
                             "import csv, json, sys\n"
                             "with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:\n"
                             "    print(json.dumps(list(csv.reader(f))))\n",
                             file});
    if (!python.waitForFinished(30000) || python.exitCode() != 0)
        qFatal("python3 could not read the CSV: %s", python.readAllStandardError().constData());
    QList<QStringList> rows;
    for (const QJsonValue &row : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
        QStringList cells;
        for (const QJsonValue &cell : row.toArray())
            cells << cell.toString();
        rows << cells;
    }
    return rows;
}

// The same row as the database holds it, read with the test's own SQL.
QStringList databaseRow(const TestFolder &folder, const QString &code)
{
    QStringList row;
    for (const QString &column : CsvExport::header()) {
        const QString sql = column.startsWith('Q')
                                ? QString("SELECT ifnull(\"%1\", '') FROM Answer WHERE Code = trim(?)").arg(column.mid(1))
                                : QString("SELECT ifnull(\"%1\", '') FROM IDE WHERE Code = ?").arg(column);
        row << folder.sql(sql, {code}).value(0);
    }
    return row;
}

void addAwkwardSubjects(TestFolder &folder)
{
    folder.addSubject("1", "A", "مريم, سارا", "احمدي");
    folder.addSubject("2", "B", "رضا \"کوچک\"", "کريمي");
    folder.addSubject(" 3 ", "B", "چند\nخطي", "O'Neil, Jr.");
    folder.addSubject("4", "C", "ساده", "نام\r\nدو خط");
    // An older file may hold the control characters the export packs rows with.
    folder.addSubject("5", "D", QStringLiteral("جدا\x1Fکننده\x1Eu"), "کريمي");
    folder.sql("UPDATE Answer SET \"7\"=? WHERE Code = '5'", {QStringLiteral("3\x1F")});
    folder.sql("UPDATE IDE SET khodagahi='21', kol='300' WHERE Code='1'");
    folder.sql("UPDATE Answer SET \"1\"='5', \"45\"='2', \"90\"='1' WHERE Code IN ('1', '3')");
}
}  // namespace

class CsvExportTest : public QObject
{
    Q_OBJECT
private slots:
    void quotingOfSingleFields();
    void formulaCellsBecomeText_data();
    void formulaCellsBecomeText();
    void exportReadsBackAsTheDatabase();
    void exportFollowsTheFilter();
    void cancelledOrFailedExportWritesNothing();
    void dialogAsksAboutTheFileWritten();
};

void CsvExportTest::quotingOfSingleFields()
{
    QCOMPARE(CsvExport::field("plain"), QStringLiteral("plain"));
    QCOMPARE(CsvExport::field("a,b"), QStringLiteral("\"a,b\""));
    QCOMPARE(CsvExport::field("say \"hi\""), QStringLiteral("\"say \"\"hi\"\"\""));
    QCOMPARE(CsvExport::field("two\nlines"), QStringLiteral("\"two\nlines\""));
    QCOMPARE(CsvExport::field(""), QString());
    QCOMPARE(CsvExport::header().size(), 10 + 16 + 90);
    QCOMPARE(CsvExport::header().last(), QStringLiteral("Q90"));
}

void CsvExportTest::formulaCellsBecomeText_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("written");
    QTest::newRow("=") << "=1+1" << "'=1+1";
    QTest::newRow("+") << "+98 21" << "'+98 21";
    QTest::newRow("-") << "-2" << "'-2";
    QTest::newRow("@") << "@SUM(A1)" << "'@SUM(A1)";
    QTest::newRow("tab") << "\tx" << "'\tx";
    QTest::newRow("CR, quoted as well") << "\r=x" << "\"'\r=x\"";
    QTest::newRow("= with a comma") << "=HYPERLINK(\"a\",1)" << "\"'=HYPERLINK(\"\"a\"\",1)\"";
    QTest::newRow("inside is left") << "a=b-c" << "a=b-c";
    QTest::newRow("blank first") << " =HYPERLINK(\"h\")" << "\"' =HYPERLINK(\"\"h\"\")\"";
    QTest::newRow("no-break space first") << QStringLiteral("\u00A0=1") << QStringLiteral("'\u00A0=1");
    QTest::newRow("newline, then +") << "\n+1" << "\"'\n+1\"";
    QTest::newRow("full-width =") << QStringLiteral("\uFF1D1") << QStringLiteral("'\uFF1D1");
    QTest::newRow("full-width +") << QStringLiteral("\uFF0B1") << QStringLiteral("'\uFF0B1");
    QTest::newRow("full-width -") << QStringLiteral("\uFF0D1") << QStringLiteral("'\uFF0D1");
    QTest::newRow("full-width @") << QStringLiteral("\uFF20A1") << QStringLiteral("'\uFF20A1");
    QTest::newRow("zero-width space first") << QStringLiteral("\u200B=1+1") << QStringLiteral("'\u200B=1+1");
    QTest::newRow("zero-width space and blank first") << QStringLiteral("\u200B =1") << QStringLiteral("'\u200B =1");
    QTest::newRow("direction mark first") << QStringLiteral("\u200F-2") << QStringLiteral("'\u200F-2");
    QTest::newRow("zero-width space before a word") << QStringLiteral("\u200Bx=1") << QStringLiteral("\u200Bx=1");
    QTest::newRow("blanks only") << "   " << "   ";
    QTest::newRow("blank, then a word") << " x=1" << " x=1";
    QTest::newRow("Persian") << QStringLiteral("علي") << QStringLiteral("علي");
}

void CsvExportTest::formulaCellsBecomeText()
{
    QFETCH(QString, value);
    QFETCH(QString, written);
    QCOMPARE(CsvExport::field(value), written);
    // The file's rows take another road to the file, byte by byte: the same
    // cell must come out of it, quotes doubled and the quote-mark guard kept.
    TestFolder folder;
    folder.addSubject("X", "A", value, "L");
    folder.sql("UPDATE Answer SET \"1\" = ? WHERE Code = 'X'", {value});
    TableView subjects("IDE");
    const QString file = folder.path() + "/Back/one.csv";
    QVERIFY(CsvExport::write(subjects, file));
    QFile raw(file);
    QVERIFY(raw.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(raw.readAll());
    const QString row = text.mid(text.indexOf(QStringLiteral("\r\nX,")) + 2);
    QVERIFY2(row.startsWith("X," + written + ",L,A,"), qPrintable(row.left(40)));
    QVERIFY2(row.contains("," + written + ",,"), qPrintable(row));  // Q1, then Q2 empty
}

void CsvExportTest::exportReadsBackAsTheDatabase()
{
    TestFolder folder;
    addAwkwardSubjects(folder);
    ScriptedDialogs dialogs;
    SubjectListWindow window;
    const QString file = folder.path() + "/Back/all.csv";
    dialogs.fileAnswers << file;
    QTest::mouseClick(window.findChild<QPushButton *>("CmdCsv"), Qt::LeftButton);
    const auto &asked = dialogs.shown.first();
    QCOMPARE(asked.kind, QStringLiteral("save"));
    QCOMPARE(asked.folder, folder.path() + "/Back");
    QCOMPARE(asked.proposedName, "Mehrsan-" + SolarCalendar::SolarDate(QDate::currentDate(), 4) + ".csv");
    QCOMPARE(asked.saveOptions.defaultSuffix, QStringLiteral("csv"));  // the dialog adds it, then asks
    QVERIFY(asked.saveOptions.confirmOverwrite);
    QCOMPARE(dialogs.last().text, QStringLiteral("5 آزمودني در فايل ذخيره شد"));

    QFile raw(file);
    QVERIFY(raw.open(QIODevice::ReadOnly));
    QVERIFY(raw.read(3) == QByteArray("\xEF\xBB\xBF"));
    const QList<QStringList> rows = readWithPython(raw.fileName());
    QCOMPARE(rows.size(), 6);
    QCOMPARE(rows[0], CsvExport::header());
    for (int i = 1; i < rows.size(); ++i)
        QCOMPARE(rows[i], databaseRow(folder, rows[i][0]));
    QCOMPARE(rows[3][0], QStringLiteral(" 3 "));
    QCOMPARE(rows[3][1], QStringLiteral("چند\nخطي"));
    QCOMPARE(rows[3][10 + 16], QStringLiteral("5"));  // Q1 of the subject stored with blanks
    QCOMPARE(rows[4][2], QStringLiteral("نام\r\nدو خط"));
    QCOMPARE(rows[5][1], QStringLiteral("جدا\x1Fکننده\x1Eu"));
    QVERIFY(!window.findChild<QWidget *>("ProgressCsv")->isVisible());
}

void CsvExportTest::exportFollowsTheFilter()
{
    TestFolder folder;
    addAwkwardSubjects(folder);
    ScriptedDialogs dialogs;
    SubjectListWindow window;
    auto *group = window.findChild<QComboBox *>("Combo3");
    group->setCurrentIndex(group->findText("B"));
    dialogs.fileAnswers << folder.path() + "/Back/b.csv";
    window.exportCsv();
    const QList<QStringList> rows = readWithPython(folder.path() + "/Back/b.csv");
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[1][0], QStringLiteral("2"));
    QCOMPARE(rows[2][0], QStringLiteral(" 3 "));
    QCOMPARE(rows[2][3], QStringLiteral("B"));

    group->setCurrentIndex(group->findText("G"));
    dialogs.fileAnswers << folder.path() + "/Back/g.csv";
    window.exportCsv();
    QCOMPARE(readWithPython(folder.path() + "/Back/g.csv").size(), 1);  // the header alone
}

void CsvExportTest::cancelledOrFailedExportWritesNothing()
{
    TestFolder folder;
    addAwkwardSubjects(folder);
    ScriptedDialogs dialogs;
    SubjectListWindow window;
    window.exportCsv();  // the dialog is cancelled
    QCOMPARE(dialogs.shown.size(), 1);
    QVERIFY(QDir(folder.path() + "/Back").entryList(QDir::Files).isEmpty());

    dialogs.fileAnswers << folder.path() + "/no/such/folder/x.csv";
    window.exportCsv();
    QCOMPARE(dialogs.last().title, QStringLiteral("خطا"));
    QVERIFY(!QFile::exists(folder.path() + "/no/such/folder/x.csv"));

    // A cancel from the progress leaves an existing file as it was.
    const QString existing = folder.path() + "/Back/keep.csv";
    QFile keep(existing);
    QVERIFY(keep.open(QIODevice::WriteOnly));
    keep.write("old");
    keep.close();
    folder.sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1200) "
               "INSERT INTO IDE (Code) SELECT 'x' || i FROM n");
    window.listView()->reread();
    QString error;
    QVERIFY(!CsvExport::write(*window.listView(), existing, [](qint64, qint64) { return false; }, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(keep.open(QIODevice::ReadOnly));
    QCOMPARE(keep.readAll(), QByteArray("old"));
}

// Typing "results" where results.csv exists: Qt's save dialog asks about
// results.csv before anything is written.
void CsvExportTest::dialogAsksAboutTheFileWritten()
{
    TestFolder folder;
    addAwkwardSubjects(folder);
    const QString existing = folder.path() + "/Back/results.csv";
    {
        QFile f(existing);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    ScriptedDialogs dialogs;
    dialogs.realSaveDialogs = true;
    SubjectListWindow window;
    {
        FileDialogDriver driver(QStringLiteral("results"), QMessageBox::No);
        QTest::mouseClick(window.findChild<QPushButton *>("CmdCsv"), Qt::LeftButton);
        QCOMPARE(driver.questions.size(), 1);
        QVERIFY2(driver.questions.first().contains("results.csv"), qPrintable(driver.questions.first()));
    }
    QFile kept(existing);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("keep me"));
    kept.close();
    QVERIFY(!QFile::exists(folder.path() + "/Back/results"));

    FileDialogDriver driver(QStringLiteral("results"), QMessageBox::Yes);
    QTest::mouseClick(window.findChild<QPushButton *>("CmdCsv"), Qt::LeftButton);
    QCOMPARE(driver.questions.size(), 1);
    QCOMPARE(readWithPython(existing).size(), 6);
    QVERIFY(!QFile::exists(folder.path() + "/Back/results"));
}

QTEST_MAIN(CsvExportTest)
#include "tst_csvexport.moc"
