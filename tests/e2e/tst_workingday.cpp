// A clinic's working day, from a fresh program folder to a restored backup,
// through the real windows, opened from the main window and driven by clicks
// and typing as an operator would. Only the boxes the windows show are
// answered from a script. The slots run in order and share one program folder.
#include "PdfTools.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"
#include "TypeText.h"

#include "backup/BackupWindow.h"
#include "backup/ProgramEnd.h"
#include "backup/ExitPrompt.h"
#include "data/Database.h"
#include "records/SubjectListWindow.h"
#include "keying/KeyingWindow.h"
#include "reports/ReportPreview.h"
#include "shell/MainWindow.h"
#include "shell/ThemeChangedNotice.h"
#include "shell/ProgramStart.h"
#include "testrun/TestRunWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <set>

namespace {
// The items whose first option ("completely agree") is stored as 1.
const std::set<int> kAscending = {2,  11, 12, 15, 17, 18, 19, 20, 21, 22, 26, 27, 33, 34,
                                  35, 36, 37, 40, 41, 45, 48, 50, 52, 56, 58, 61, 63, 64,
                                  67, 71, 72, 75, 77, 78, 79, 80, 81, 82, 84, 86, 87, 90};

// Each score column and the base item of its six items k, k+15, ..., k+75.
const QList<QPair<QString, int>> kScoreKey = {
    {"khodagahi", 6},   {"ebrazevojood", 15}, {"ezatenafs", 10}, {"khoodshkofaee", 5}, {"esteghlal", 3},
    {"hamdeli", 14},    {"masooliatpaz", 13}, {"ravabet", 8},    {"vaghegaraee", 7},    {"enetafpaz", 12},
    {"halemas", 1},     {"tahalol", 4},       {"control", 11},   {"khooshbini", 9},     {"shadmani", 2}};

struct Subject {
    QString code, firstName, familyName, sex, age, marital, group, education;
    int (*choice)(int item);  // the option the subject picks for an item; null: never tested
};

int firstPattern(int item) { return (item * 7 + item / 5) % 5 + 1; }
int secondPattern(int item) { return (item * 3 + item / 9 + 1) % 5 + 1; }

const Subject kFirst = {"101", "مريم", "احمدي", "زن", "34", "متأهل", "A", "ليسانس", firstPattern};
// A code with a single quote and Persian letters: it must be taken as typed everywhere.
const Subject kQuoted = {"نيک'رو7", "رضا", "کريمي", "مرد", "41", "مجرد", "B", "فوق ديپلم", secondPattern};
const Subject kThird = {"103", "سارا", "نوري", "زن", "27", "مجرد", "B", "ديپلم", nullptr};
// Registered on the next start under the code the deleted subject left free.
const Subject kFourth = {"103", "حسن", "موسوي", "مرد", "50", "متأهل", "C", "دکترا", secondPattern};

const QString kClinic = QStringLiteral("کلينيک آرامش");
const QString kItem7 = QStringLiteral("وقتي ناراحتم، مي دانم چه چيزي ناراحتم کرده است.");
const QString kSkin = QStringLiteral("Mehrsan skin: Mac");  // theme 6
const QString kAddress = QStringLiteral("تهران، خيابان آزادي، پلاک ۱۲");

QString storedFor(int item, int option) { return QString::number(kAscending.count(item) ? option : 6 - option); }

template <typename T>
QList<T *> visibleWindows()
{
    QList<T *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = qobject_cast<T *>(w); t && t->isVisible())
            out << t;
    return out;
}

template <typename T>
T *child(QWidget *w, const QString &name)
{
    T *c = w ? w->findChild<T *>(name) : nullptr;
    if (!c)
        qFatal("no control %s", qPrintable(name));
    return c;
}

void click(QWidget *w, const char *button) { QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton); }

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The report preview with that caption, as it stands open.
ReportPreview *preview(const QString &caption)
{
    for (ReportPreview *p : visibleWindows<ReportPreview>())
        if (p->windowTitle() == caption)
            return p;
    return nullptr;
}

// Every word of a PDF's text, made comparable.
QStringList pdfWords(const QString &file)
{
    return PdfTools::plain(PdfTools::text(file)).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}
}  // namespace

class WorkingDayTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    // Each step stands on the ones before: after a failure the rest are skipped.
    void init()
    {
        if (m_broken)
            QSKIP("an earlier step of the day failed");
    }
    void cleanup() { m_broken = m_broken || QTest::currentTestFailed(); }

    void setUpTheClinic();
    void rewordAnItem();
    void chooseTheTheme();
    void registerThreeSubjects();
    void runTheTestForTwo();
    void keyAllThreeAndPrint();
    void subjectListPrintsGroupAndDeletes();
    void leaveWithBackup();
    void startAgainAndRestore();
    void restoredProgramShowsTheBackedUpDay();

private:
    MainWindow *mainWindow();
    void registerSubject(const Subject &s);
    bool runTest(const Subject &s, int items = 90);
    QString savePdf(const QString &previewCaption, const QString &name);
    // Leaves the main window through the exit prompt with the backup box ticked.
    BackupWindow *leaveTickingBackup();
    // The whole of the subject tables, row by row, every column quoted.
    QStringList dump(const QString &table) const;
    QStringList subjectRow(const QString &code) const;
    QStringList scoresOf(const QString &code) const;
    QStringList expectedScores(const Subject &s) const;
    int count(const QString &table) const { return m_folder->sql("SELECT COUNT(*) FROM " + table).value(0).toInt(); }

    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    int m_ends = 0;
    bool m_broken = false;
    QString m_backupFile;
    QMap<QString, QStringList> m_backedUp;  // table -> rows at the moment of the backup
};

void WorkingDayTest::initTestCase()
{
    m_folder = std::make_unique<TestFolder>();
    QVERIFY(m_folder->isValid());
    m_dialogs = std::make_unique<ScriptedDialogs>();
    ProgramEnd::setQuitHook([this] { ++m_ends; });
    // A fresh program folder: the shipped database holds no subject.
    QCOMPARE(count("IDE"), 0);
    QCOMPARE(count("Answer"), 0);
    QCOMPARE(count("QU"), 90);
    QVERIFY(MainWindow::load());
}

void WorkingDayTest::setUpTheClinic()
{
    // Settings, then the clinic's name and address, typed over what the folder shipped with.
    MainWindow *main = mainWindow();
    click(main, "Command9");
    click(child<QWidget>(main, "Frame8"), "Command67");
    QWidget *panel = child<QWidget>(main, "Frame9");
    QVERIFY(panel->isVisible());
    for (const auto &[field, text] : {std::pair{"Text2", kClinic}, std::pair{"Text14", kAddress}}) {
        auto *edit = child<QLineEdit>(panel, field);
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        typeText(edit, text);
    }
    QCOMPARE(child<QLabel>(main, "SkinLabel1")->text(), kClinic);
    click(panel, "Command64");
    QVERIFY(!panel->isVisible());
    QCOMPARE(m_folder->sql("SELECT Name || '|' || Adress FROM Theme"), QStringList{kClinic + '|' + kAddress});
    click(child<QWidget>(main, "Frame8"), "Command69");
    QVERIFY(!child<QWidget>(main, "Frame8")->isVisible());
}

void WorkingDayTest::cleanupTestCase()
{
    ProgramEnd::setQuitHook([] {});
    ProgramEnd::end();
    TestRunWindow::unload();
    settle();
    m_dialogs.reset();
    m_folder.reset();
}

MainWindow *WorkingDayTest::mainWindow()
{
    MainWindow *main = MainWindow::current();
    if (!main || !main->isVisible())
        qFatal("the main window is not open");
    return main;
}

QStringList WorkingDayTest::dump(const QString &table) const
{
    QStringList quoted;
    for (const QString &column : m_folder->sql("SELECT name FROM pragma_table_info(?) ORDER BY cid", {table}))
        quoted << QStringLiteral("quote(\"%1\")").arg(column);
    return m_folder->sql(QStringLiteral("SELECT %1 FROM \"%2\" ORDER BY rowid").arg(quoted.join(" || '|' || "), table));
}

QStringList WorkingDayTest::subjectRow(const QString &code) const
{
    QStringList row;
    for (const char *column : {"Code", "FName", "LName", "Jens", "Sen", "Taahol", "Group", "Tahsil"})
        row << m_folder->sql(QStringLiteral("SELECT \"%1\" FROM IDE WHERE Code = ?").arg(column), {code}).value(0);
    return row;
}

QStringList WorkingDayTest::scoresOf(const QString &code) const
{
    QStringList out;
    for (const auto &[column, base] : kScoreKey)
        out << m_folder->sql(QStringLiteral("SELECT %1 FROM IDE WHERE Code = ?").arg(column), {code}).value(0);
    out << m_folder->sql("SELECT kol FROM IDE WHERE Code = ?", {code}).value(0);
    return out;
}

// What keying must store, summed from the options the subject picked.
QStringList WorkingDayTest::expectedScores(const Subject &s) const
{
    QStringList out;
    int total = 0;
    for (const auto &[column, base] : kScoreKey) {
        int sum = 0;
        for (int item = base; item <= 90; item += 15)
            sum += s.choice ? storedFor(item, s.choice(item)).toInt() : 0;
        out << QString::number(sum);
        total += sum;
    }
    out << QString::number(total);
    return out;
}

void WorkingDayTest::rewordAnItem()
{
    // Settings, then the item editor: item 7 found by its number typed in Persian digits.
    MainWindow *main = mainWindow();
    click(main, "Command9");
    click(child<QWidget>(main, "Frame8"), "Command66");
    QWidget *panel = child<QWidget>(main, "Frame1");
    QVERIFY(panel->isVisible());
    auto *number = child<QLineEdit>(panel, "Text13");
    number->setFocus();
    QTest::keyClick(number, Qt::Key_A, Qt::ControlModifier);
    typeText(number, QStringLiteral("۷"));
    auto *text = child<QPlainTextEdit>(panel, "Text18");
    QCOMPARE(text->toPlainText(), m_folder->sql("SELECT QUs FROM QU WHERE ID = '7'").value(0));
    text->setFocus();
    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
    typeText(text, kItem7);
    m_dialogs->clear();
    click(panel, "Command16");
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("تغييرات ذخيره شد")});
    QCOMPARE(m_folder->sql("SELECT QUs FROM QU WHERE ID = '7'"), QStringList{kItem7});
    QCOMPARE(m_folder->sql("SELECT COUNT(*) FROM QU WHERE QUs = ?", {kItem7}), QStringList{"1"});
    click(panel, "Command15");
    QVERIFY(!panel->isVisible());
    click(child<QWidget>(main, "Frame8"), "Command69");
}

void WorkingDayTest::chooseTheTheme()
{
    MainWindow *main = mainWindow();
    click(main, "Command9");
    click(child<QWidget>(main, "Frame8"), "Command68");
    QVERIFY(child<QWidget>(main, "Frame6")->isVisible());
    click(child<QWidget>(main, "Frame6"), "Theme6");
    settle();
    QCOMPARE(m_folder->sql("SELECT TH FROM Theme"), QStringList{"6"});
    QCOMPARE(visibleWindows<MainWindow>().size(), 0);
    QCOMPARE(visibleWindows<ThemeChangedNotice>().size(), 1);
    // The confirmation picture lights up under the mouse and takes the click.
    ThemeChangedNotice *confirm = visibleWindows<ThemeChangedNotice>().first();
    auto *k1 = child<QLabel>(confirm, "k1");
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), k1->mapToGlobal(QPointF(3, 3)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(k1, &move);
    QTest::mouseClick(child<QLabel>(confirm, "k2"), Qt::LeftButton);
    settle();
    QCOMPARE(visibleWindows<ThemeChangedNotice>().size(), 0);
    QVERIFY(mainWindow()->styleSheet().contains(kSkin));
    QCOMPARE(mainWindow()->findChild<QLabel *>("SkinLabel1")->text(), kClinic);
}

void WorkingDayTest::registerSubject(const Subject &s)
{
    MainWindow *main = mainWindow();
    auto choose = [main](const char *name, const QString &item) {
        // By keyboard: Home to the first item, then down to the wanted one.
        auto *list = child<QComboBox>(main, name);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Home);
        for (int i = list->findText(item); i > 0; --i)
            QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentText(), item);
    };
    click(main, "Command1");
    QVERIFY(child<QWidget>(main, "Frame10")->isVisible());
    typeText(child<QLineEdit>(main, "Text11"), s.code);
    typeText(child<QLineEdit>(main, "Text6"), s.firstName);
    typeText(child<QLineEdit>(main, "Text4"), s.familyName);
    choose("Combo2", s.sex);
    typeText(child<QLineEdit>(main, "Text5"), s.age);
    choose("Combo1", s.marital);
    choose("Combo3", s.group);
    typeText(child<QLineEdit>(main, "Text7"), s.education);
    const QString date = child<QLineEdit>(main, "Text8")->text();
    const QString time = child<QLineEdit>(main, "Text9")->text();
    m_dialogs->clear();
    click(main, "Command8");
    QVERIFY2(m_dialogs->shown.isEmpty(), qPrintable(m_dialogs->texts().join(" / ")));
    QVERIFY(!child<QWidget>(main, "Frame10")->isVisible());

    QCOMPARE(subjectRow(s.code),
             (QStringList{s.code, s.firstName, s.familyName, s.sex, s.age, s.marital, s.group, s.education}));
    QVERIFY2(QRegularExpression("^1[34]\\d\\d/\\d\\d/\\d\\d$").match(date).hasMatch(), qPrintable(date));
    QCOMPARE(m_folder->sql("SELECT Date || ' ' || Time FROM IDE WHERE Code = ?", {s.code}),
             QStringList{date + ' ' + time});
    QCOMPARE(m_folder->sql("SELECT COUNT(*) FROM Answer WHERE Code = ?", {s.code}), QStringList{"1"});
    QStringList answers;
    for (int item = 1; item <= 90; ++item)
        answers << QStringLiteral("ifnull(\"%1\", '')").arg(item);
    QCOMPARE(m_folder->sql("SELECT " + answers.join(" || ") + " FROM Answer WHERE Code = ?", {s.code}),
             QStringList{QString()});
}

void WorkingDayTest::registerThreeSubjects()
{
    for (const Subject &s : {kFirst, kQuoted, kThird}) {
        registerSubject(s);
        if (QTest::currentTestFailed())
            return;
    }
    QCOMPARE(m_folder->sql("SELECT Code FROM IDE ORDER BY rowid"), (QStringList{kFirst.code, kQuoted.code, kThird.code}));
    QCOMPARE(count("Answer"), 3);
}

// Clicks the main window's run button, answers the code box and, while the
// modal test window is open, presses Start, answers the first `items` items by
// clicks on an option and Next, checking each item's number and text, and
// leaves by Exit. True when every one of those items was answered.
bool WorkingDayTest::runTest(const Subject &s, int items)
{
    QStringList bank;  // the item texts as stored now, item 1 first
    for (int item = 1; item <= 90; ++item)
        bank << m_folder->sql("SELECT QUs FROM QU WHERE ID = ?", {QString::number(item)}).value(0);
    m_dialogs->clear();
    m_dialogs->inputAnswers.enqueue(s.code);
    bool answeredAll = false;
    QTimer inside;
    inside.setSingleShot(true);
    connect(&inside, &QTimer::timeout, this, [&] {
        TestRunWindow *w = TestRunWindow::isLoaded() ? TestRunWindow::loaded() : nullptr;
        if (!w || !w->isVisible())
            return;
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w))
            qWarning("the test window did not become active");
        click(w, "Command1");  // Start, after the instructions
        for (int item = 1; item <= items; ++item) {
            if (child<QLineEdit>(w, "Text6")->text() != QString::number(item)) {
                qWarning("item %d expected, the window shows %s", item,
                         qPrintable(child<QLineEdit>(w, "Text6")->text()));
                break;
            }
            if (child<QLabel>(w, "SkinLbl5")->text() != bank[item - 1]) {
                qWarning("item %d shows another text", item);
                break;
            }
            QTest::mouseClick(child<QRadioButton>(w, QStringLiteral("Option%1").arg(s.choice(item))), Qt::LeftButton);
            click(w, "CmdNext");
            answeredAll = item == items;
        }
        click(w, "Command5");  // Exit
        if (w->isVisible())
            w->close();
    });
    inside.start(0);
    click(mainWindow(), "Command2");
    return answeredAll;
}

void WorkingDayTest::runTheTestForTwo()
{
    QStringList columns;
    for (int item = 1; item <= 90; ++item)
        columns << QStringLiteral("ifnull(\"%1\", '')").arg(item);
    const QString row = "SELECT " + columns.join(" || ',' || ") + " FROM Answer WHERE Code = ?";
    const QStringList identities = dump("IDE");

    for (const Subject &s : {kFirst, kQuoted}) {
        QVERIFY2(runTest(s), qPrintable(s.code));
        QCOMPARE(m_dialogs->shown.first().kind, QStringLiteral("input"));
        QCOMPARE(m_dialogs->texts().count(QStringLiteral("پايان")), 1);  // the last item was reached once
        QStringList expected;
        for (int item = 1; item <= 90; ++item)
            expected << storedFor(item, s.choice(item));
        QCOMPARE(m_folder->sql(row, {s.code}), QStringList{expected.join(',')});
        QVERIFY(mainWindow());
        QVERIFY(TestRunWindow::isLoaded() && TestRunWindow::loaded()->styleSheet().contains(kSkin));
    }
    // The third subject has answered nothing, and no identity changed.
    QCOMPARE(m_folder->sql(row, {kThird.code}), QStringList{QString(89, ',')});
    QCOMPARE(dump("IDE"), identities);
    QCOMPARE(count("Answer"), 3);
}

QString WorkingDayTest::savePdf(const QString &previewCaption, const QString &name)
{
    ReportPreview *p = preview(previewCaption);
    if (!p)
        return QString();
    const QString file = m_folder->path() + "/" + name;
    m_dialogs->fileAnswers.enqueue(file);
    click(p, "cmdSavePdf");
    // To look at the pages: MEHRSAN_KEEP_PDF names a folder that keeps a copy.
    if (const QString keep = qEnvironmentVariable("MEHRSAN_KEEP_PDF"); !keep.isEmpty())
        QFile::copy(file, keep + "/" + name);
    return file;
}

void WorkingDayTest::keyAllThreeAndPrint()
{
    const QString sheetCaption = QStringLiteral("نتيجه آزمون آزمودني");
    const QString tableCaption = QStringLiteral("گزارش نتيجه تست آزمودني ها");
    const QString stored = QStringLiteral("اطلاعات با موفقيت محاسبه و ذخيره شد");

    click(mainWindow(), "Command3");
    settle();
    QCOMPARE(visibleWindows<MainWindow>().size(), 0);  // the keying window took its place
    QCOMPARE(visibleWindows<KeyingWindow>().size(), 1);
    KeyingWindow *keying = visibleWindows<KeyingWindow>().first();
    QVERIFY(keying->styleSheet().contains(kSkin));

    // Each tested subject is keyed and its result sheet saved from the preview.
    QStringList sheets;
    for (const Subject &s : {kFirst, kQuoted}) {
        m_dialogs->clear();
        m_dialogs->inputAnswers.enqueue(s.code);
        click(keying, "Command1");
        QCOMPARE(m_dialogs->texts(), (QStringList{QStringLiteral(" Enter Number "), stored}));
        QCOMPARE(scoresOf(s.code), expectedScores(s));
        QCOMPARE(keying->shownValue("kol"), expectedScores(s).last());

        click(keying, "Command6");
        QVERIFY(preview(sheetCaption));
        const QString pdf = savePdf(sheetCaption, "sheet-" + s.familyName + ".pdf");
        QCOMPARE(m_dialogs->last().kind, QStringLiteral("save"));
        QVERIFY2(m_dialogs->last().proposedName.startsWith("Mehrsan-"), qPrintable(m_dialogs->last().proposedName));
        QCOMPARE(PdfTools::pageCount(pdf), 1);  // one subject, one sheet, the chart below the band
        QCOMPARE(preview(sheetCaption)->pageCount(), 1);
        sheets << pdf;
        if (!PdfTools::canReadText)
            continue;
        const QStringList words = pdfWords(pdf);
        for (const QString &value : expectedScores(s))
            QVERIFY2(words.contains(value), qPrintable(value));
        QVERIFY2(words.contains(PdfTools::plain(s.age)), qPrintable(words.join(' ')));
        QVERIFY(words.contains(PdfTools::plain(s.sex)));
        QVERIFY(words.contains(PdfTools::plain(QStringLiteral("آزادي"))));  // from the clinic's address
    }
    // The quoted code is printed as typed.
    if (PdfTools::canReadText)
        QVERIFY2(PdfTools::plain(PdfTools::text(sheets[1])).contains(PdfTools::plain(kQuoted.code)) ||
                 PdfTools::plain(PdfTools::text(sheets[1])).contains(QStringLiteral("نيک'رو")),
             qPrintable(PdfTools::text(sheets[1])));
    QVERIFY(!PdfTools::canReadText || !pdfWords(sheets[0]).contains(PdfTools::plain(kQuoted.sex)));

    // The third subject has no answers: the warning lists every item, then all scores are 0.
    m_dialogs->clear();
    m_dialogs->inputAnswers.enqueue(kThird.code);
    click(keying, "Command1");
    QCOMPARE(m_dialogs->shown.size(), 3);
    QCOMPARE(m_dialogs->shown[1].kind, QStringLiteral("message"));
    QCOMPARE(m_dialogs->shown[1].title, QStringLiteral("خطا"));
    QString list;
    for (int item = 1; item <= 90; ++item)
        list += QStringLiteral(" %1  ").arg(item);
    QCOMPARE(m_dialogs->shown[1].text, QStringLiteral("شما به سوالات زير پاسخ نداده ايد \r\n\r\n") + list);
    QCOMPARE(m_dialogs->shown[2].text, stored);
    QCOMPARE(scoresOf(kThird.code), QStringList(16, "0"));
    QCOMPARE(scoresOf(kFirst.code), expectedScores(kFirst));  // the others are untouched

    // The table of all subjects, saved from its preview.
    click(keying, "Command3");
    const QString table = savePdf(tableCaption, "all-subjects.pdf");
    QVERIFY(!table.isEmpty());
    QCOMPARE(PdfTools::pageCount(table), 1);
    if (PdfTools::canReadText) {
        const QStringList words = pdfWords(table);
        for (const Subject &s : {kFirst, kThird})
            QVERIFY2(words.contains(s.code), qPrintable(s.code));
        for (const Subject &s : {kFirst, kQuoted})
            QVERIFY2(words.contains(expectedScores(s).last()), qPrintable(expectedScores(s).last()));
        QVERIFY(PdfTools::plain(PdfTools::text(table)).contains(PdfTools::plain(kClinic)));
        QCOMPARE(words.count(QStringLiteral("B")), 2);
        QCOMPARE(words.count(QStringLiteral("A")), 1);
    }

    for (ReportPreview *p : visibleWindows<ReportPreview>())
        click(p, "cmdClose");
    click(keying, "Command4");
    settle();
    QCOMPARE(visibleWindows<KeyingWindow>().size(), 0);
    QVERIFY(mainWindow());
}

void WorkingDayTest::subjectListPrintsGroupAndDeletes()
{
    const QStringList firstBefore = dump("IDE").filter(QRegularExpression("^'101'"));
    click(mainWindow(), "Command4");
    settle();
    QCOMPARE(visibleWindows<SubjectListWindow>().size(), 1);
    QCOMPARE(visibleWindows<MainWindow>().size(), 0);
    SubjectListWindow *codes = visibleWindows<SubjectListWindow>().first();
    QVERIFY(codes->styleSheet().contains(kSkin));
    auto *grid = child<QTableView>(codes, "DataGrid1");
    auto gridCodes = [grid] {
        QStringList out;
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            out << grid->model()->index(row, 0).data().toString();
        return out;
    };
    QCOMPARE(gridCodes(), (QStringList{kFirst.code, kQuoted.code, kThird.code}));

    // Group B, typed into the group selector.
    auto *group = child<QComboBox>(codes, "Combo3");
    group->lineEdit()->setFocus();
    group->lineEdit()->selectAll();
    typeText(group->lineEdit(), "B");
    QCOMPARE(gridCodes(), (QStringList{kQuoted.code, kThird.code}));

    m_dialogs->clear();
    click(codes, "Command1");
    const QString pdf = savePdf(QStringLiteral("گزارش نتيجه تست آزمودني ها"), "group-B.pdf");
    QVERIFY(!pdf.isEmpty());
    QCOMPARE(PdfTools::pageCount(pdf), 1);
    if (PdfTools::canReadText) {
        const QStringList words = pdfWords(pdf);
        QVERIFY(words.contains(kThird.code));
        QVERIFY(!words.contains(kFirst.code));
        QVERIFY(words.contains(expectedScores(kQuoted).last()));
        QCOMPARE(words.count(QStringLiteral("B")), 2);
        QCOMPARE(words.count(QStringLiteral("A")), 0);
        QVERIFY(words.contains(PdfTools::plain(QStringLiteral("آزادي"))));
    }
    for (ReportPreview *p : visibleWindows<ReportPreview>())
        click(p, "cmdClose");

    // The third subject goes, with its answers; nobody else changes.
    m_dialogs->clear();
    m_dialogs->buttonAnswers.enqueue(QMessageBox::Yes);
    typeText(child<QLineEdit>(codes, "Text5"), kThird.code);
    click(codes, "Command2");
    QCOMPARE(m_dialogs->texts(),
             (QStringList{QStringLiteral("آيا براي حذف کردن مطمئن هستيد؟"), QStringLiteral("حذف با موفقيت انجام گرفت")}));
    QCOMPARE(m_folder->sql("SELECT Code FROM IDE ORDER BY rowid"), (QStringList{kFirst.code, kQuoted.code}));
    QCOMPARE(m_folder->sql("SELECT Code FROM Answer ORDER BY rowid"), (QStringList{kFirst.code, kQuoted.code}));
    QCOMPARE(dump("IDE").filter(QRegularExpression("^'101'")), firstBefore);
    QCOMPARE(scoresOf(kQuoted.code), expectedScores(kQuoted));
    QCOMPARE(gridCodes(), (QStringList{kFirst.code, kQuoted.code}));  // the re-read drops the group filter

    click(codes, "Command6");
    settle();
    QCOMPARE(visibleWindows<SubjectListWindow>().size(), 0);
    QVERIFY(mainWindow());
}

BackupWindow *WorkingDayTest::leaveTickingBackup()
{
    click(mainWindow(), "Command6");
    settle();
    ExitPrompt *prompt = ExitPrompt::current();
    if (!prompt || !prompt->isVisible())
        return nullptr;
    // A click on the tick box itself, at the reading side of its wide line.
    auto *tick = child<QCheckBox>(prompt, "Check1");
    QStyleOptionButton option;
    option.initFrom(tick);
    const QRect box = tick->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, tick);
    QTest::mouseClick(tick, Qt::LeftButton, {}, box.center());
    if (!tick->isChecked()) {
        qWarning("the backup box is not ticked");
        return nullptr;
    }
    // The "yes" picture lights up under the mouse and takes the click.
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(child<QLabel>(prompt, "k1"), &enter);
    QTest::mouseClick(child<QLabel>(prompt, "k2"), Qt::LeftButton);
    settle();
    const auto backups = visibleWindows<BackupWindow>();
    if (backups.size() != 1)
        qWarning("%d backup windows are open", int(backups.size()));
    return backups.size() == 1 ? backups.first() : nullptr;
}

void WorkingDayTest::leaveWithBackup()
{
    // First a change of mind: the prompt's "no" brings back a main window that works.
    click(mainWindow(), "Command6");
    settle();
    QVERIFY(!MainWindow::current());
    ExitPrompt *prompt = ExitPrompt::current();
    QVERIFY(prompt && prompt->isVisible());
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(child<QLabel>(prompt, "C1"), &enter);
    QTest::mouseClick(child<QLabel>(prompt, "C2"), Qt::LeftButton);
    settle();
    QVERIFY(!ExitPrompt::current());
    QCOMPARE(visibleWindows<MainWindow>().size(), 1);
    QCOMPARE(mainWindow()->exitMode(), QStringLiteral("2"));
    QCOMPARE(m_ends, 0);

    for (const QString &table : {"IDE", "Answer", "Theme", "QU"})
        m_backedUp.insert(table, dump(table));
    BackupWindow *backup = leaveTickingBackup();
    QVERIFY(backup);
    QVERIFY(backup->styleSheet().contains(kSkin));
    QCOMPARE(visibleWindows<MainWindow>().size(), 0);
    QCOMPARE(m_ends, 0);

    // The operator takes the name the save dialog proposes, in the folder it opens on.
    m_dialogs->clear();
    m_dialogs->onShow = [this](const ScriptedDialogs::Shown &shown) {
        if (shown.kind == QLatin1String("save"))
            m_dialogs->fileAnswers.enqueue(QDir(shown.folder).filePath(shown.proposedName));
    };
    click(backup, "b1");
    m_dialogs->onShow = nullptr;
    m_backupFile = child<QLineEdit>(backup, "Text1")->text();
    QCOMPARE(QFileInfo(m_backupFile).dir().canonicalPath(), QDir(m_folder->path() + "/Back").canonicalPath());
    QVERIFY2(QRegularExpression(QStringLiteral("^در تاريخ1[34]\\d\\d\\.\\d+\\.\\d+ ساعت\\)\\d+\\.\\d\\d\\)\\.mdbB$"))
                 .match(QFileInfo(m_backupFile).fileName())
                 .hasMatch(),
             qPrintable(m_backupFile));
    click(backup, "VisualButtonEx2");
    QCOMPARE(m_dialogs->texts().last(), QStringLiteral("نسخه پشتيبان تهيه گرديد"));
    QCOMPARE(m_ends, 1);
    settle();
    QVERIFY(visibleWindows<QWidget>().isEmpty());
    QVERIFY(!Database::isOpen());

    QFile copy(m_backupFile), database(m_folder->databaseFile());
    QVERIFY(copy.open(QIODevice::ReadOnly) && database.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), database.readAll());
    QCOMPARE(dump("IDE"), m_backedUp["IDE"]);
}

void WorkingDayTest::startAgainAndRestore()
{
    // A new start: nothing is left of the last run but the program folder.
    TestRunWindow::unload();
    settle();
    QVERIFY(QApplication::topLevelWidgets().isEmpty() || visibleWindows<QWidget>().isEmpty());
    QVERIFY(!MainWindow::current());
    QVERIFY(!ExitPrompt::current());
    ProgramEnd::setQuitHook([this] { ++m_ends; });
    m_dialogs->clear();
    QVERIFY(openProgramDatabase());
    QVERIFY(MainWindow::load()->styleSheet().contains(kSkin));

    // The day goes on: one more subject, who answers a few items; the test
    // window stays loaded, hidden, as after every run.
    registerSubject(kFourth);
    QCOMPARE(count("IDE"), 3);
    QVERIFY(runTest(kFourth, 5));
    QCOMPARE(m_folder->sql("SELECT \"1\" || \"5\" || ifnull(\"6\", '-') FROM Answer WHERE Code = ?", {kFourth.code}),
             QStringList{storedFor(1, secondPattern(1)) + storedFor(5, secondPattern(5)) + '-'});
    QVERIFY(TestRunWindow::isLoaded());
    QVERIFY(dump("IDE") != m_backedUp["IDE"]);

    BackupWindow *backup = leaveTickingBackup();
    QVERIFY(backup);
    m_dialogs->clear();
    m_dialogs->fileAnswers.enqueue(m_backupFile);
    click(backup, "b2");
    QCOMPARE(m_dialogs->last().kind, QStringLiteral("open"));
    QCOMPARE(child<QLineEdit>(backup, "Text2")->text(), m_backupFile);
    m_dialogs->buttonAnswers.enqueue(QMessageBox::Yes);
    click(backup, "VisualButtonEx3");
    QCOMPARE(m_dialogs->texts().mid(1),
             (QStringList{QStringLiteral("آيا ميخواهيد اطلاعات را بازيابي کنيد؟"), QStringLiteral("بازيابي اطلاعات انجام شد")}));
    QCOMPARE(m_ends, 2);
    settle();
    QVERIFY(visibleWindows<QWidget>().isEmpty());

    // Exactly the data that was backed up, to the byte: nothing was written
    // after the restore, and the fourth subject is gone again.
    QFile copy(m_backupFile), database(m_folder->databaseFile());
    QVERIFY(copy.open(QIODevice::ReadOnly) && database.open(QIODevice::ReadOnly));
    QVERIFY(copy.readAll() == database.readAll());
    for (auto it = m_backedUp.cbegin(); it != m_backedUp.cend(); ++it)
        QCOMPARE(dump(it.key()), it.value());
    QCOMPARE(m_folder->sql("SELECT COUNT(*) FROM IDE WHERE Code = ?", {kFourth.code}), QStringList{"0"});
    QCOMPARE(m_folder->sql("PRAGMA integrity_check"), QStringList{"ok"});
}

void WorkingDayTest::restoredProgramShowsTheBackedUpDay()
{
    TestRunWindow::unload();
    settle();
    ProgramEnd::setQuitHook([this] { ++m_ends; });
    QVERIFY(openProgramDatabase());
    QVERIFY(MainWindow::load());

    // The subject-code window lists the two subjects of the backup.
    click(mainWindow(), "Command4");
    settle();
    QCOMPARE(visibleWindows<SubjectListWindow>().size(), 1);
    auto *grid = child<QTableView>(visibleWindows<SubjectListWindow>().first(), "DataGrid1");
    QCOMPARE(grid->model()->rowCount(), 2);
    QCOMPARE(grid->model()->index(1, 0).data().toString(), kQuoted.code);
    click(visibleWindows<SubjectListWindow>().first(), "Command6");
    settle();

    // Keying the restored quoted subject again stores the same scores.
    click(mainWindow(), "Command3");
    settle();
    QCOMPARE(visibleWindows<KeyingWindow>().size(), 1);
    m_dialogs->clear();
    m_dialogs->inputAnswers.enqueue(kQuoted.code);
    click(visibleWindows<KeyingWindow>().first(), "Command1");
    QCOMPARE(m_dialogs->texts().last(), QStringLiteral("اطلاعات با موفقيت محاسبه و ذخيره شد"));
    QCOMPARE(scoresOf(kQuoted.code), expectedScores(kQuoted));
    click(visibleWindows<KeyingWindow>().first(), "Command4");
    settle();
    for (auto it = m_backedUp.cbegin(); it != m_backedUp.cend(); ++it)
        QCOMPARE(dump(it.key()), it.value());
    QVERIFY(mainWindow());
}

QTEST_MAIN(WorkingDayTest)
#include "tst_workingday.moc"
