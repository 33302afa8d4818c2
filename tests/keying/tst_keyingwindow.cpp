#include "DesignedKey.h"
#include "PdfTools.h"
#include "ScriptedDialogs.h"
#include "SubjectRows.h"
#include "TestFolder.h"

#include "data/TableView.h"
#include "platform/Startup.h"
#include "platform/Twips.h"
#include "reports/ResultSheet.h"
#include "reports/SubjectTableReport.h"
#include "keying/KeyingWindow.h"
#include "reports/ProfileChart.h"
#include "reports/ReportPreview.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kNotGiven = QStringLiteral("شما بايد شماره آزمودني مورد نظر را وارد كنيد");
const QString kNotFound = QStringLiteral("فردي با اين مشخصات وجود ندارد");
const QString kStored = QStringLiteral("اطلاعات با موفقيت محاسبه و ذخيره شد");
const QString kKeyFirst =
    QStringLiteral("ابتدا روي انتخاب آزمودني کليک کرده سپس کد آزمودني را وارد کنيد بعد روي پرينت کليک کنيد ");

template <typename T>
QList<T *> openWindows()
{
    QList<T *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = qobject_cast<T *>(w); t && t->isVisible())
            out << t;
    return out;
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Closes every window a test left open, before its program folder goes away.
struct WindowsClosed {
    ~WindowsClosed()
    {
        for (ReportPreview *p : openWindows<ReportPreview>())
            p->close();
        for (KeyingWindow *k : openWindows<KeyingWindow>())
            k->close();
        for (MainWindow *m : openWindows<MainWindow>()) {
            m->setExitMode("1");
            m->close();
        }
        settle();
    }
};

// The sixteen stored values of a subject, subscales in legend order, then kol.
QStringList storedScores(const TestFolder &folder, const QString &code)
{
    QStringList out;
    for (const QString &column : DesignedKey::scoreColumns())
        out << folder.sql(QStringLiteral("SELECT %1 FROM IDE WHERE Code = ?").arg(column), {code}).value(0);
    return out;
}

QStringList wholeIde(const TestFolder &folder)
{
    return folder.sql("SELECT quote(Code) || '|' || group_concat(quote(khodagahi) || quote(kol) || quote(FName), ',') "
                      "FROM IDE GROUP BY Code ORDER BY rowid");
}

QStringList allScores(int subscale, int total)
{
    QStringList out(15, QString::number(subscale));
    out << QString::number(total);
    return out;
}
}  // namespace

class KeyingWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void keyingFromTheMainWindow();
    void everySubscaleItsOwnSum();
    void noSubjectNoKeyingWindow();
    void windowAsItOpens();
    void missingItemsAreListedThenCountZero();
    void emptyCodeAndCancelChangeNothing();
    void codeWithoutAnswersLeavesIdeUntouched();
    void answersWithoutSubjectAreNotStored();
    void failedCommitShowsAnErrorAndChangesNothing();
    void rekeyingStoresTheNewSums();
    void codesAreTakenAsTyped();
    void oneSubjectPrintRules();
    void oneSubjectPrintAfterACodeNotFound();
    void allSubjectsPrint();
    void chartFollowsTheKeying();
};

void KeyingWindowTest::initTestCase()
{
    setUpApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()));
}

void KeyingWindowTest::keyingFromTheMainWindow()
{
    TestFolder folder;
    WindowsClosed closed;
    folder.addSubject("S1");
    folder.addSubject("S2");
    SubjectRows::setAnswers(folder, "S1", SubjectRows::uniform("3"));
    ScriptedDialogs dialogs;
    dialogs.inputAnswers << "S1";

    MainWindow *main = MainWindow::load();
    QTest::mouseClick(main->findChild<QPushButton *>("Command3"), Qt::LeftButton);
    settle();
    QCOMPARE(openWindows<MainWindow>().size(), 0);
    QCOMPARE(openWindows<KeyingWindow>().size(), 1);
    KeyingWindow *window = openWindows<KeyingWindow>().first();
    QCOMPARE(window->pos(), twipsPoint(2340, 765));

    QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QCOMPARE(dialogs.shown.size(), 2);
    QCOMPARE(dialogs.shown[0].kind, QStringLiteral("input"));
    QCOMPARE(dialogs.shown[0].text, QStringLiteral(" Enter Number "));
    QCOMPARE(dialogs.shown[0].title, QStringLiteral(" کد آزمودني را وارد کنيد"));
    QCOMPARE(dialogs.shown[1].kind, QStringLiteral("timed"));
    QCOMPARE(dialogs.shown[1].text, kStored);
    QCOMPARE(dialogs.shown[1].delayMs, 1000);

    QCOMPARE(storedScores(folder, "S1"), allScores(18, 270));
    QCOMPARE(storedScores(folder, "S2"), QStringList(16, QString()));
    QCOMPARE(window->currentCode(), QStringLiteral("S1"));
    QVERIFY(window->findChild<QFrame *>("Frame2")->isVisible());
    QCOMPARE(window->findChild<QLineEdit *>("txtkol")->text(), QStringLiteral("270"));
    QCOMPARE(window->findChild<QLineEdit *>("txtkhodagahi")->text(), QStringLiteral("18"));
    QCOMPARE(window->findChild<QLineEdit *>("txtCode")->text(), QStringLiteral("S1"));

    // Leaving through the exit button brings the main window back.
    QTest::mouseClick(window->findChild<QPushButton *>("Command4"), Qt::LeftButton);
    settle();
    QCOMPARE(openWindows<KeyingWindow>().size(), 0);
    QCOMPARE(openWindows<MainWindow>().size(), 1);
    QCOMPARE(MainWindow::current(), openWindows<MainWindow>().first());

    // And closing it through its frame does too.
    MainWindow *again = openWindows<MainWindow>().first();
    QTest::mouseClick(again->findChild<QPushButton *>("Command3"), Qt::LeftButton);
    settle();
    QCOMPARE(openWindows<KeyingWindow>().size(), 1);
    openWindows<KeyingWindow>().first()->close();
    settle();
    QCOMPARE(openWindows<MainWindow>().size(), 1);
}

// Every subscale sums to a value of its own (6 + its legend position), so a
// subscale that reads another's items, or an item counted in the wrong
// subscale, changes what is stored.
void KeyingWindowTest::everySubscaleItsOwnSum()
{
    TestFolder folder;
    WindowsClosed closed;
    folder.addSubject("D1");
    folder.addSubject("D2");
    QStringList answers;
    for (int value : DesignedKey::distinctSumsPattern())
        answers << QString::number(value);
    SubjectRows::setAnswers(folder, "D1", answers);
    SubjectRows::setAnswers(folder, "D2", SubjectRows::uniform("3"));
    ScriptedDialogs dialogs;
    dialogs.inputAnswers << "D1";
    auto *window = new KeyingWindow;
    window->show();
    QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QCOMPARE(dialogs.texts().last(), kStored);

    QStringList expected;
    for (int p = 0; p < 15; ++p)
        expected << QString::number(6 + p);
    expected << QString::number(15 * 6 + 14 * 15 / 2);
    QCOMPARE(folder.sql("SELECT khodagahi || ',' || ebrazevojood || ',' || ezatenafs || ',' || khoodshkofaee || ',' || "
                        "esteghlal || ',' || hamdeli || ',' || masooliatpaz || ',' || ravabet || ',' || vaghegaraee "
                        "|| ',' || enetafpaz || ',' || halemas || ',' || tahalol || ',' || control || ',' || "
                        "khooshbini || ',' || shadmani || ',' || kol FROM IDE WHERE Code = 'D1'"),
             QStringList({expected.join(u',')}));
    // What the window shows is what it stored; the other subject is untouched.
    const QStringList columns = DesignedKey::scoreColumns();
    for (int i = 0; i < columns.size(); ++i)
        QCOMPARE(window->findChild<QLineEdit *>("txt" + columns[i])->text(), expected[i]);
    QCOMPARE(storedScores(folder, "D2"), QStringList(16, QString()));
}

void KeyingWindowTest::noSubjectNoKeyingWindow()
{
    TestFolder folder;
    WindowsClosed closed;
    ScriptedDialogs dialogs;
    MainWindow *main = MainWindow::load();
    QTest::mouseClick(main->findChild<QPushButton *>("Command3"), Qt::LeftButton);
    settle();
    QCOMPARE(openWindows<KeyingWindow>().size(), 0);
    QCOMPARE(openWindows<MainWindow>().size(), 1);
    QVERIFY(dialogs.shown.isEmpty());
}

void KeyingWindowTest::windowAsItOpens()
{
    TestFolder folder;
    WindowsClosed closed;
    folder.addSubject("S1");
    folder.sql("UPDATE Theme SET TH = '9'");
    auto *window = new KeyingWindow;
    window->show();
    QCOMPARE(window->property("skinFile").toString(), QStringLiteral("Paper.skn"));
    QVERIFY(!window->findChild<QFrame *>("Frame2")->isVisible());
    QFrame *help = window->findChild<QFrame *>("Frame4");
    QVERIFY(!help->isVisible());
    QCOMPARE(help->geometry(), QRect(twipsPoint(1380, 1080), twipsSize(7635, 4935)));
    QCOMPARE(window->currentCode(), QString());

    QTest::mouseClick(window->findChild<QPushButton *>("Command2"), Qt::LeftButton);
    QVERIFY(help->isVisible());
    QTest::mouseClick(help->findChild<QPushButton *>("Command7"), Qt::LeftButton);
    QVERIFY(!help->isVisible());

    // The legend's lines stand in legend order, top to bottom.
    int lastY = -1;
    for (const auto &s : DesignedKey::kSubscales) {
        QLabel *line = window->findChild<QLabel *>(QStringLiteral("lblLegend") + QLatin1String(s.abbreviation));
        QVERIFY(line->y() > lastY);
        lastY = line->y();
    }

    // Three rows of five read from right to left, each caption right of its
    // value, the total below them in the middle.
    const char *rows[3][5] = {{"khodagahi", "khoodshkofaee", "masooliatpaz", "vaghegaraee", "control"},
                              {"ebrazevojood", "esteghlal", "ravabet", "enetafpaz", "khooshbini"},
                              {"ezatenafs", "hamdeli", "halemas", "tahalol", "shadmani"}};
    window->findChild<QFrame *>("Frame2")->show();
    QCoreApplication::processEvents();
    auto field = [window](const char *c) { return window->findChild<QLineEdit *>(QStringLiteral("txt") + c); };
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c) {
            QLineEdit *f = field(rows[r][c]);
            QVERIFY(f);
            auto *caption = qobject_cast<QLabel *>(
                [&]() -> QWidget * {
                    for (QLabel *l : window->findChildren<QLabel *>())
                        if (l->buddy() == f)
                            return l;
                    return nullptr;
                }());
            QVERIFY2(caption && caption->x() > f->x(), rows[r][c]);
            if (c > 0)
                QVERIFY(f->x() < field(rows[r][c - 1])->x());
            if (r > 0)
                QVERIFY(f->y() > field(rows[r - 1][c])->y());
        }
    QLineEdit *total = field("kol");
    QVERIFY(total->y() > field("shadmani")->y());
    const int middle = total->parentWidget()->width() / 2;
    QVERIFY(qAbs(total->x() - middle) < 80);
}

void KeyingWindowTest::missingItemsAreListedThenCountZero()
{
    TestFolder folder;
    WindowsClosed closed;
    folder.addSubject("M1");
    QStringList answers = SubjectRows::uniform("2");
    answers[4].clear();
    answers[11].clear();
    SubjectRows::setAnswers(folder, "M1", answers);
    ScriptedDialogs dialogs;
    auto *window = new KeyingWindow;
    window->show();
    bool panelShownDuringWarning = true;
    dialogs.onShow = [&](const ScriptedDialogs::Shown &s) {
        if (s.kind == QLatin1String("message"))
            panelShownDuringWarning = window->findChild<QFrame *>("Frame2")->isVisible();
    };
    window->key("M1");
    QCOMPARE(dialogs.shown.size(), 2);
    const auto warning = dialogs.shown[0];
    QCOMPARE(warning.kind, QStringLiteral("message"));
    QCOMPARE(warning.title, QStringLiteral("خطا"));
    QCOMPARE(warning.icon, QMessageBox::Warning);
    QCOMPARE(warning.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(warning.text, QStringLiteral("شما به سوالات زير پاسخ نداده ايد ") + "\r\n\r\n 5   12  ");
    QVERIFY(!panelShownDuringWarning);
    QCOMPARE(dialogs.shown[1].text, kStored);

    QStringList expected(16, QStringLiteral("12"));
    expected[DesignedKey::scoreColumns().indexOf("khoodshkofaee")] = "10";
    expected[DesignedKey::scoreColumns().indexOf("enetafpaz")] = "10";
    expected[15] = "176";
    QCOMPARE(storedScores(folder, "M1"), expected);
}

void KeyingWindowTest::emptyCodeAndCancelChangeNothing()
{
    TestFolder folder;
    WindowsClosed closed;
    folder.addSubject("C1");
    SubjectRows::setAnswers(folder, "C1", SubjectRows::uniform("4"));
    ScriptedDialogs dialogs;
    auto *window = new KeyingWindow;
    window->show();
    dialogs.inputAnswers << "C1";
    QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);
    const QStringList before = wholeIde(folder);

    // Cancel (the scripted box answers an empty text when nothing is queued),
    // then an empty code typed.
    for (int round = 0; round < 2; ++round) {
        dialogs.clear();
        if (round == 1)
            dialogs.inputAnswers << QString();
        QTest::mouseClick(window->findChild<QPushButton *>("Command1"), Qt::LeftButton);
        QCOMPARE(dialogs.shown.size(), 2);
        QCOMPARE(dialogs.shown[1].kind, QStringLiteral("timed"));
        QCOMPARE(dialogs.shown[1].text, kNotGiven);
        QCOMPARE(dialogs.shown[1].delayMs, 1000);
        QCOMPARE(wholeIde(folder), before);
        QCOMPARE(window->currentCode(), QStringLiteral("C1"));
        QVERIFY(window->findChild<QFrame *>("Frame2")->isVisible());
    }
}

void KeyingWindowTest::codeWithoutAnswersLeavesIdeUntouched()
{
    TestFolder folder;
    WindowsClosed closed;
    folder.addSubject("A1");
    SubjectRows::setAnswers(folder, "A1", SubjectRows::uniform("5"));
    // A subject whose answer row is gone.
    folder.addSubject("NoAns");
    folder.sql("DELETE FROM Answer WHERE Code = 'NoAns'");
    ScriptedDialogs dialogs;
    auto *window = new KeyingWindow;
    window->show();
    window->key("A1");
    const QStringList before = wholeIde(folder);

    dialogs.clear();
    window->key("NoAns");
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, QStringLiteral("timed"));
    QCOMPARE(dialogs.shown[0].text, kNotFound);
    QCOMPARE(wholeIde(folder), before);
    QCOMPARE(storedScores(folder, "NoAns"), QStringList(16, QString()));
    QVERIFY(!window->findChild<QFrame *>("Frame2")->isVisible());
    QCOMPARE(window->currentCode(), QStringLiteral("A1"));
    QCOMPARE(window->findChild<QLineEdit *>("txtkol")->text(), QStringLiteral("450"));
}

void KeyingWindowTest::answersWithoutSubjectAreNotStored()
{
    TestFolder folder;
    WindowsClosed closed;
    folder.addSubject("B1");
    folder.sql("INSERT INTO Answer (Code) VALUES ('Orphan')");
    SubjectRows::setAnswers(folder, "Orphan", SubjectRows::uniform("3"));
    const QStringList before = wholeIde(folder);
    ScriptedDialogs dialogs;
    auto *window = new KeyingWindow;
    window->show();
    window->key("Orphan");
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, QStringLiteral("message"));
    QCOMPARE(dialogs.shown[0].title, QStringLiteral("خطا"));
    QVERIFY(!dialogs.texts().contains(kStored));
    QCOMPARE(wholeIde(folder), before);
    QCOMPARE(folder.sql("SELECT COUNT(*) FROM IDE").value(0), QStringLiteral("1"));
    QVERIFY(!window->findChild<QFrame *>("Frame2")->isVisible());
    QCOMPARE(window->currentCode(), QString());
}

void KeyingWindowTest::failedCommitShowsAnErrorAndChangesNothing()
{
    TestFolder folder;
    WindowsClosed closed;
    folder.addSubject("F1");
    SubjectRows::setAnswers(folder, "F1", SubjectRows::uniform("3"));
    folder.sql("UPDATE IDE SET kol = '99', khodagahi = '7' WHERE Code = 'F1'");
    // The store refuses every change of a subject row.
    folder.sql("CREATE TRIGGER refuse BEFORE UPDATE ON IDE BEGIN SELECT RAISE(ABORT, 'refused'); END");
    const QStringList before = wholeIde(folder);
    ScriptedDialogs dialogs;
    auto *window = new KeyingWindow;
    window->show();
    window->key("F1");
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, QStringLiteral("message"));
    QCOMPARE(dialogs.shown[0].title, QStringLiteral("خطا"));
    QCOMPARE(dialogs.shown[0].icon, QMessageBox::Warning);
    QVERIFY(!dialogs.texts().contains(kStored));
    QCOMPARE(wholeIde(folder), before);
    // The fields show what is stored, not the values that were refused.
    QCOMPARE(window->findChild<QLineEdit *>("txtkol")->text(), QStringLiteral("99"));
    QCOMPARE(window->findChild<QLineEdit *>("txtkhodagahi")->text(), QStringLiteral("7"));
    QVERIFY(!window->scoreView->hasPending());

    // Once the store accepts again, keying stores the scores.
    folder.sql("DROP TRIGGER refuse");
    dialogs.clear();
    window->key("F1");
    QCOMPARE(dialogs.texts(), QStringList({kStored}));
    QCOMPARE(storedScores(folder, "F1"), allScores(18, 270));
}

void KeyingWindowTest::rekeyingStoresTheNewSums()
{
    TestFolder folder;
    WindowsClosed closed;
    folder.addSubject("R1");
    QStringList answers(90, QString());
    for (int i = 0; i < 45; ++i)
        answers[i] = "5";
    SubjectRows::setAnswers(folder, "R1", answers);
    ScriptedDialogs dialogs;
    auto *window = new KeyingWindow;
    window->key("R1");
    const QStringList first = storedScores(folder, "R1");
    QCOMPARE(first.last(), QStringLiteral("225"));
    window->key("R1");
    QCOMPARE(storedScores(folder, "R1"), first);

    // The subject answers the rest in a later test run while this window is open.
    for (int i = 45; i < 90; ++i)
        answers[i] = "1";
    SubjectRows::setAnswers(folder, "R1", answers);
    dialogs.clear();
    window->key("R1");
    QCOMPARE(dialogs.texts(), QStringList({kStored}));  // nothing unanswered any more
    QCOMPARE(storedScores(folder, "R1").last(), QStringLiteral("270"));
    // Items 1..45 are 5 and 46..90 are 1: each subscale has three of each.
    QCOMPARE(storedScores(folder, "R1"), allScores(18, 270));
    // Also in a window never shown the chart carries the new sums.
    QCOMPARE(window->findChild<ProfileChartWidget *>("chartProfile")->scores(), QStringList(15, QStringLiteral("18")));
    delete window;
}

void KeyingWindowTest::codesAreTakenAsTyped()
{
    TestFolder folder;
    WindowsClosed closed;
    folder.addSubject("O'Neil");
    SubjectRows::setAnswers(folder, "O'Neil", SubjectRows::uniform("1"));
    folder.addSubject("Q1");
    SubjectRows::setAnswers(folder, "Q1", SubjectRows::uniform("2"));
    ScriptedDialogs dialogs;
    auto *window = new KeyingWindow;
    window->key("O'Neil");
    QCOMPARE(dialogs.texts().last(), kStored);
    QCOMPARE(storedScores(folder, "O'Neil"), allScores(6, 90));

    // Blanks around the code are part of it: nothing matches.
    dialogs.clear();
    window->key(" Q1");
    QCOMPARE(dialogs.texts(), QStringList({kNotFound}));
    QCOMPARE(storedScores(folder, "Q1"), QStringList(16, QString()));
    window->key("q1' OR '1'='1");
    QCOMPARE(dialogs.texts().last(), kNotFound);
    QCOMPARE(storedScores(folder, "Q1"), QStringList(16, QString()));
    delete window;
}

void KeyingWindowTest::oneSubjectPrintRules()
{
    TestFolder folder;
    WindowsClosed closed;
    folder.addSubject("P1", "G", QStringLiteral("سارا"), QStringLiteral("کريمي"));
    SubjectRows::setAnswers(folder, "P1", SubjectRows::uniform("4"));
    folder.sql("UPDATE Theme SET Adress = ?", {QStringLiteral("شيراز")});
    ScriptedDialogs dialogs;
    auto *window = new KeyingWindow;
    window->show();

    QPushButton *print = window->findChild<QPushButton *>("Command6");
    QTest::mouseClick(print, Qt::LeftButton);
    QCOMPARE(dialogs.shown.size(), 1);
    QCOMPARE(dialogs.shown[0].kind, QStringLiteral("timed"));
    QCOMPARE(dialogs.shown[0].text, kKeyFirst);
    QCOMPARE(dialogs.shown[0].delayMs, 2000);
    QCOMPARE(openWindows<ReportPreview>().size(), 0);

    window->key("P1");
    dialogs.clear();
    QTest::mouseClick(print, Qt::LeftButton);
    QVERIFY(dialogs.shown.isEmpty());
    QCOMPARE(openWindows<ReportPreview>().size(), 1);
    // One sheet: the band and, below it, the profile chart.
    QCOMPARE(openWindows<ReportPreview>().first()->pageCount(), 1);
    QCOMPARE(window->currentCode(), QString());
    // The preview does not block the keying window.
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY(window->isEnabled());

    // The sheet carries what the window shows, and the subject's group.
    const ResultSheet &sheet = ResultSheet::instance();
    QCOMPARE(sheet.caption("Label15"), QStringLiteral("P1"));
    QCOMPARE(sheet.caption("Label16"), QStringLiteral("G"));
    QCOMPARE(sheet.caption("Label19"), QStringLiteral("30"));
    QCOMPARE(sheet.caption("Label20"), QStringLiteral("زن"));
    QCOMPARE(sheet.caption("Label21"), QStringLiteral("مجرد"));
    QCOMPARE(sheet.caption("Label22"), QStringLiteral("ليسانس"));
    for (const QString &column : DesignedKey::scoreColumns())
        QCOMPARE(sheet.caption(ResultSheet::valueLabelFor(column)), window->shownValue(column));
    QCOMPARE(sheet.caption("Label48"), QStringLiteral("360"));
    QCOMPARE(sheet.caption(ResultSheet::addressLabel()), QStringLiteral("شيراز"));
    QCOMPARE(sheet.chartScores(), QStringList(15, QStringLiteral("24")));

    // Printing again at once asks for a new keying first.
    dialogs.clear();
    QTest::mouseClick(print, Qt::LeftButton);
    QCOMPARE(dialogs.texts(), QStringList({kKeyFirst}));

    // The keying window stays usable beside the open preview.
    dialogs.clear();
    window->key("P1");
    QCOMPARE(dialogs.texts(), QStringList({kStored}));
    QTest::mouseClick(print, Qt::LeftButton);
    QCOMPARE(openWindows<ReportPreview>().size(), 1);
}

void KeyingWindowTest::oneSubjectPrintAfterACodeNotFound()
{
    TestFolder folder;
    WindowsClosed closed;
    folder.addSubject("K1", "D");
    SubjectRows::setAnswers(folder, "K1", SubjectRows::uniform("2"));
    ScriptedDialogs dialogs;
    auto *window = new KeyingWindow;
    window->show();
    window->key("K1");
    window->key("nobody");
    QCOMPARE(dialogs.texts().last(), kNotFound);
    window->printSelectedSubject();
    // The sheet is the subject keyed last, whole: details and scores.
    const ResultSheet &sheet = ResultSheet::instance();
    QCOMPARE(sheet.caption("Label15"), QStringLiteral("K1"));
    QCOMPARE(sheet.caption("Label16"), QStringLiteral("D"));
    QCOMPARE(sheet.caption("Label48"), QStringLiteral("180"));
    QCOMPARE(window->findChild<QLineEdit *>("txtCode")->text(), QStringLiteral("K1"));
}

void KeyingWindowTest::allSubjectsPrint()
{
    TestFolder folder;
    WindowsClosed closed;
    folder.sql("UPDATE Theme SET Name = ?, Adress = ?",
               {QStringLiteral("کلينيک مهر"), QStringLiteral("اصفهان خيابان مهر شماره 5")});
    folder.addSubject("W1", "A");
    folder.addSubject("W2", "B");
    SubjectRows::setAnswers(folder, "W2", SubjectRows::uniform("5"));
    ScriptedDialogs dialogs;
    auto *window = new KeyingWindow;
    window->show();
    // Settings changed after the window opened are not what it prints.
    folder.sql("UPDATE Theme SET Name = 'later', Adress = 'later'");
    window->key("W2");  // keyed during this visit: shown with its scores
    const QString codeBefore = window->currentCode();

    dialogs.clear();
    QTest::mouseClick(window->findChild<QPushButton *>("Command3"), Qt::LeftButton);
    QVERIFY(dialogs.shown.isEmpty());
    QCOMPARE(openWindows<ReportPreview>().size(), 1);
    QCOMPARE(window->currentCode(), codeBefore);
    const SubjectTableReport &report = SubjectTableReport::instance();
    QCOMPARE(report.rowCount(), 2);
    QCOMPARE(report.value(0, "Code"), QStringLiteral("W1"));
    QCOMPARE(report.value(0, "kol"), QString());
    QCOMPARE(report.value(1, "kol"), QStringLiteral("450"));
    QCOMPARE(report.clinicName(), QStringLiteral("کلينيک مهر"));
    QCOMPARE(report.address(), QStringLiteral("اصفهان خيابان مهر شماره 5"));

    // Saved from the preview, the PDF holds the codes and the scores.
    QTemporaryDir out;
    const QString file = out.filePath("all.pdf");
    dialogs.fileAnswers << file;
    ReportPreview *preview = openWindows<ReportPreview>().first();
    QTest::mouseClick(preview->findChild<QPushButton *>("cmdSavePdf"), Qt::LeftButton);
    QCOMPARE(PdfTools::pageCount(file), 1);
    if (!PdfTools::canReadText)
        return;
    const QString text = PdfTools::text(file);
    QVERIFY(text.contains("W1") && text.contains("W2"));
    QVERIFY(text.contains("450"));
    QVERIFY(text.contains("30"));
    const QString plain = PdfTools::plain(text);
    QVERIFY(plain.contains(PdfTools::plain(QStringLiteral("کلينيک مهر"))));
    QVERIFY(plain.contains(PdfTools::plain(QStringLiteral("اصفهان خيابان مهر شماره 5"))));
    QVERIFY(!text.contains("later"));
}

void KeyingWindowTest::chartFollowsTheKeying()
{
    TestFolder folder;
    WindowsClosed closed;
    // Item k + 15j answered 1 + (k + j) % 5: the subscales differ (sums 12 to 18).
    folder.addSubject("H1");
    QStringList answers;
    for (int i = 0; i < 90; ++i)
        answers << QString::number(1 + (i % 15 + i / 15) % 5);
    // Subscale ES (items 6, 21, ...) answered 5 throughout: 30, a full bar.
    for (int item : DesignedKey::kSubscales[0].items)
        answers[item - 1] = "5";
    SubjectRows::setAnswers(folder, "H1", answers);
    folder.addSubject("H2");
    SubjectRows::setAnswers(folder, "H2", SubjectRows::uniform("1"));
    folder.sql("UPDATE IDE SET kol = '99', khodagahi = '30', shadmani = '8' WHERE Code = 'H2'");
    ScriptedDialogs dialogs;
    auto *window = new KeyingWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    auto *chart = window->findChild<ProfileChartWidget *>("chartProfile");
    QVERIFY(chart);
    QVERIFY(chart->isVisible());
    // Before any keying the scale stands empty, though the score view has a row.
    QVERIFY(chart->scores().isEmpty());

    window->key("H1");
    const QStringList stored = storedScores(folder, "H1").mid(0, 15);
    QCOMPARE(stored[0], QStringLiteral("30"));
    QCOMPARE(chart->scores(), stored);
    const ProfileChart::Layout layout = chart->chartLayout();
    for (int i = 0; i < 15; ++i) {
        QVERIFY(layout.rows[size_t(i)].hasBar);
        QCOMPARE(layout.rows[size_t(i)].bar.width(), layout.fullLength * stored[i].toInt() / 30.0);
    }
    // Its captions are those of the results panel, in legend order.
    for (int i = 0; i < 15; ++i)
        QCOMPARE(layout.rows[size_t(i)].caption, QString::fromUtf8(DesignedKey::kSubscales[size_t(i)].caption));
    // What is drawn: the full bar of ES in the top row, and its value.
    const QImage picture = chart->grab().toImage();
    const double y = layout.rows[0].bar.center().y();
    for (double f : {0.1, 0.5, 0.9}) {
        const QRgb pixel = picture.pixel(qRound(layout.baseline - layout.fullLength * f), qRound(y));
        QVERIFY2(qGreen(pixel) < 140 && qGreen(pixel) > qRed(pixel) + 30, qPrintable(QString::number(f)));
    }

    // Beside the other panels, inside the window, overlapping none.
    auto *panel = window->findChild<QFrame *>("Frame5");
    QVERIFY(panel && panel->isAncestorOf(chart));
    QVERIFY(window->rect().contains(panel->geometry()));
    for (const char *other : {"Frame1", "Frame2", "Frame3", "buttons"}) {
        QWidget *w = window->findChild<QWidget *>(other);
        QVERIFY(!w->geometry().intersects(panel->geometry()));
        QVERIFY(window->rect().contains(w->geometry()));
        QVERIFY(w->x() > panel->geometry().right());
    }
    QVERIFY(panel->height() >= window->findChild<QFrame *>("Frame2")->geometry().bottom() - 20);

    // Another subject: the chart follows.
    window->key("H2");
    QCOMPARE(chart->scores(), QStringList(15, QStringLiteral("6")));

    // A code not found hides the results, and the bars with them.
    window->key("nobody");
    QVERIFY(chart->scores().isEmpty());

    // A refused commit: the fields show what the row still holds, so does the chart.
    folder.sql("UPDATE IDE SET khodagahi = '30', shadmani = '8' WHERE Code = 'H2'");
    folder.sql("CREATE TRIGGER refuse BEFORE UPDATE ON IDE BEGIN SELECT RAISE(ABORT, 'refused'); END");
    window->key("H2");
    QCOMPARE(chart->scores().value(0), QStringLiteral("30"));
    QCOMPARE(chart->scores().value(14), QStringLiteral("8"));
    QCOMPARE(chart->scores().value(1), QStringLiteral("6"));
}

QTEST_MAIN(KeyingWindowTest)
#include "tst_keyingwindow.moc"
