#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include "data/TableView.h"
#include "platform/Startup.h"
#include "platform/Twips.h"
#include "shell/MainWindow.h"
#include "testrun/TestRunWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <memory>
#include <set>

namespace {
const std::set<int> kAscending = {2,  11, 12, 15, 17, 18, 19, 20, 21, 22, 26, 27, 33, 34,
                                  35, 36, 37, 40, 41, 45, 48, 50, 52, 56, 58, 61, 63, 64,
                                  67, 71, 72, 75, 77, 78, 79, 80, 81, 82, 84, 86, 87, 90};

// What option k of an item must store.
QString coded(int item, int option) { return QString::number(kAscending.count(item) ? option : 6 - option); }

const QString kMustBeNumber = QStringLiteral("شما بايد عدد وارد كنيد");
const QString kStartNotice = QStringLiteral("شروع");
const QString kEndNotice = QStringLiteral("پايان");

template <typename T>
T *child(QWidget *w, const QString &name)
{
    T *c = w->findChild<T *>(name);
    if (!c)
        qFatal("no control %s", qPrintable(name));
    return c;
}
QLineEdit *counter(TestRunWindow *w) { return child<QLineEdit>(w, "Text6"); }
QRadioButton *option(TestRunWindow *w, int k) { return child<QRadioButton>(w, QStringLiteral("Option%1").arg(k)); }
QString itemText(TestRunWindow *w) { return child<QLabel>(w, "SkinLbl5")->text(); }
QString frameCaption(TestRunWindow *w) { return child<QGroupBox>(w, "Frame2")->title(); }
void click(TestRunWindow *w, const char *button) { QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton); }

// The option that is selected, 0 when none.
int selected(TestRunWindow *w)
{
    int found = 0;
    for (int k = 1; k <= 5; ++k)
        if (option(w, k)->isChecked()) {
            if (found)
                return -1;
            found = k;
        }
    return found;
}

// Types into the item-number field as a subject would: select all, then keys.
void typeItem(TestRunWindow *w, const QString &keys)
{
    counter(w)->setFocus();
    counter(w)->selectAll();
    QTest::keyClicks(counter(w), keys);
}
}  // namespace

class TestRunWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startNeedsSubjectAndKnownCode();
    void instructionPageThenStart();
    void itemTextIsShownAsWritten();
    void everyItemCodedBothDirections();
    void storedAnswersPreselected();
    void counterCases();
    void typedAndPastedItemNumbers();
    void fullRunByClicks();
    void secondRunStartsFromInstructionPage();
    void failedSaveIsReportedAndWindowStaysUsable();
    void closeBoxKeepsChoicesAndIdentity();
    void keyboardChoosesAndPages();
    void answerKeysOnlyWhileAnOptionHasFocus();
    void numberFieldsSwallowOtherKeys_data();
    void numberFieldsSwallowOtherKeys();
    void choicesThroughAccessibilityAreStored();
    void identityPanel();

private:
    // Clicks the main window's run button, answers the code box with `code`
    // and, while the test window is open, runs `body` on it. The window is
    // closed by its close box afterwards if the body left it open. False when
    // the window never opened.
    bool run(const QString &code, const std::function<void(TestRunWindow *)> &body);
    QString stored(const QString &code, int item) const;
    QString itemBank(int item) const;

    std::unique_ptr<TestFolder> m_folder;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    QPointer<MainWindow> m_main;
};

void TestRunWindowTest::initTestCase() { setUpApplication(*qApp); }

void TestRunWindowTest::init()
{
    m_folder = std::make_unique<TestFolder>();
    QVERIFY(m_folder->isValid());
    m_dialogs = std::make_unique<ScriptedDialogs>();
}

void TestRunWindowTest::cleanup()
{
    TestRunWindow::unload();
    delete m_main;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_dialogs.reset();
    m_folder.reset();
}

bool TestRunWindowTest::run(const QString &code, const std::function<void(TestRunWindow *)> &body)
{
    if (!m_main) {
        m_main = new MainWindow;
        m_main->show();
    }
    m_dialogs->inputAnswers.enqueue(code);
    bool opened = false;
    QTimer inside;
    inside.setSingleShot(true);
    connect(&inside, &QTimer::timeout, this, [&] {
        TestRunWindow *w = TestRunWindow::isLoaded() ? TestRunWindow::loaded() : nullptr;
        if (!w || !w->isVisible())
            return;
        opened = true;
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w))
            qWarning("the test window did not become active");
        body(w);
        if (w->isVisible())
            w->close();
    });
    inside.start(0);
    QTest::mouseClick(child<QPushButton>(m_main, "Command2"), Qt::LeftButton);
    return opened;
}

QString TestRunWindowTest::stored(const QString &code, int item) const
{
    return m_folder->sql(QStringLiteral("SELECT \"%1\" FROM Answer WHERE Code = ?").arg(item), {code}).value(0);
}

QString TestRunWindowTest::itemBank(int item) const
{
    return m_folder->sql(QStringLiteral("SELECT QUs FROM QU WHERE ID = ?"), {QString::number(item)}).value(0);
}

void TestRunWindowTest::startNeedsSubjectAndKnownCode()
{
    // No subject at all: the button does nothing, not even ask.
    QVERIFY(!run("k1", [](TestRunWindow *) {}));
    QVERIFY(m_dialogs->shown.isEmpty());
    m_dialogs->inputAnswers.clear();

    m_folder->addSubject("k1");
    delete m_main;  // a main window that sees the new subject
    // Empty reply (also what Cancel gives).
    QVERIFY(!run("", [](TestRunWindow *) {}));
    QCOMPARE(m_dialogs->shown.size(), 2);
    QCOMPARE(m_dialogs->shown[0].kind, QStringLiteral("input"));
    QCOMPARE(m_dialogs->shown[0].text, QStringLiteral(" Plese Insert Code "));
    QCOMPARE(m_dialogs->shown[0].title, QStringLiteral("Enter Code "));
    QCOMPARE(m_dialogs->shown[1].kind, QStringLiteral("timed"));
    QCOMPARE(m_dialogs->shown[1].title, QStringLiteral("پيام"));
    QCOMPARE(m_dialogs->shown[1].text, QStringLiteral("شما بايد شماره آزمودني مورد نظر را وارد كنيد"));
    QCOMPARE(m_dialogs->shown[1].delayMs, 1000);

    // Unknown codes, blanks and quotes among them: a notice, no window, no harm.
    for (const QString code : {QStringLiteral("k2"), QStringLiteral(" "), QStringLiteral("k1 "),
                               QStringLiteral("k1' OR '1'='1"), QStringLiteral("'")}) {
        m_dialogs->clear();
        QVERIFY2(!run(code, [](TestRunWindow *) {}), qPrintable(code));
        QCOMPARE(m_dialogs->last().text, QStringLiteral("فردي با اين مشخصات وجود ندارد"));
    }
    QCOMPARE(m_folder->sql("SELECT COUNT(*) FROM Answer").value(0), QStringLiteral("1"));

    // A code with a quote in it is found like any other.
    m_folder->addSubject("o'neil");
    QVERIFY(run("o'neil", [](TestRunWindow *) {}));
}

// An item text is text: markup in it (from the item editor or a server's
// operator) is shown as written, never run as rich text.
void TestRunWindowTest::itemTextIsShownAsWritten()
{
    m_folder->addSubject("k1");
    const QString markup = QStringLiteral("<img src=\"x.png\"><span style=\"color:white\">پنهان</span> من <b>شادم</b>");
    m_folder->sql("UPDATE QU SET QUs = ? WHERE ID = '1'", {markup});
    QVERIFY(run("k1", [&](TestRunWindow *w) {
        click(w, "Command1");
        auto *label = child<QLabel>(w, "SkinLbl5");
        QCOMPARE(label->text(), markup);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        // Every other label of the window too, and the clinic's name on the main window.
        for (QLabel *other : w->findChildren<QLabel *>())
            QVERIFY2(other->textFormat() == Qt::PlainText, qPrintable(other->objectName()));
    }));
}

void TestRunWindowTest::instructionPageThenStart()
{
    m_folder->addSubject("k1");
    m_folder->sql("UPDATE Theme SET TH = '08'");
    QVERIFY(run("k1", [this](TestRunWindow *w) {
        QCOMPARE(w->windowTitle(), QStringLiteral("صفحه اجراي تست"));
        QCOMPARE(w->property("skinFile").toString(), QStringLiteral("metallic.skn"));
        QCOMPARE(w->pos(), twipsPoint(2340, 765));
        QVERIFY(w->isModal());
        for (const char *shown : {"SkinLabel3", "SkinLabel4", "SkinLabel5", "SkinLabel6", "Command1"})
            QVERIFY2(child<QWidget>(w, shown)->isVisible(), shown);
        for (const char *hidden : {"Frame1", "Frame2", "Text6", "SkinLbl5", "CmdBack", "CmdNext", "Command5", "Text12"})
            QVERIFY2(!child<QWidget>(w, hidden)->isVisible(), hidden);
        QCOMPARE(child<QLabel>(w, "SkinLabel6")->text(),
                 QStringLiteral("  كاملا موافقم  --- موافقم   ---  تاحدودي  ---   مخالف  --- كاملا مخالفم  "));

        click(w, "Command1");
        for (const char *shown : {"Frame1", "Frame2", "Text6", "SkinLbl5", "CmdBack", "CmdNext", "Command5"})
            QVERIFY2(child<QWidget>(w, shown)->isVisible(), shown);
        for (const char *hidden : {"SkinLabel3", "SkinLabel4", "SkinLabel5", "SkinLabel6", "Command1", "Text12"})
            QVERIFY2(!child<QWidget>(w, hidden)->isVisible(), hidden);
        QCOMPARE(counter(w)->text(), QStringLiteral("1"));
        QCOMPARE(frameCaption(w), QStringLiteral("1"));
        QCOMPARE(itemText(w), itemBank(1));
        QCOMPARE(selected(w), 0);
        QVERIFY(child<QLineEdit>(w, "TxtCode")->hasFocus());
        QCOMPARE(child<QPushButton>(w, "Command5")->geometry(), child<QPushButton>(w, "Command1")->geometry());

        // Item 1 is descending, item 2 ascending.
        QTest::mouseClick(option(w, 1), Qt::LeftButton);
        QCOMPARE(stored("k1", 1), QStringLiteral("5"));
        click(w, "CmdNext");
        QTest::mouseClick(option(w, 1), Qt::LeftButton);
        QCOMPARE(stored("k1", 2), QStringLiteral("1"));
        // A later choice overwrites, and nothing else in the row moves.
        QTest::mouseClick(option(w, 4), Qt::LeftButton);
        QCOMPARE(stored("k1", 2), QStringLiteral("4"));
        QCOMPARE(m_folder->sql("SELECT COUNT(*) FROM Answer WHERE \"3\" IS NOT NULL").value(0), QStringLiteral("0"));
        click(w, "Command5");
        QVERIFY(!w->isVisible());
    }));
    QVERIFY(m_dialogs->texts().filter(QStringLiteral("خطا")).isEmpty());
}

void TestRunWindowTest::everyItemCodedBothDirections()
{
    m_folder->addSubject("k1");
    m_folder->addSubject("k2");
    QVERIFY(run("k1", [this](TestRunWindow *w) {
        click(w, "Command1");
        // Choosing: five rounds so that every item gets every option once.
        for (int round = 0; round < 5; ++round) {
            for (int item = 1; item <= 90; ++item) {
                counter(w)->setText(QString::number(item));
                QCOMPARE(w->currentItem(), item);
                const int k = (item + round) % 5 + 1;
                QTest::mouseClick(option(w, k), Qt::LeftButton);
                QCOMPARE(stored("k1", item), coded(item, k));
            }
        }
        // Showing: a value put in by SQL selects the option that stores it.
        for (int item = 1; item <= 90; ++item) {
            for (int k = 1; k <= 5; ++k) {
                m_folder->sql(QStringLiteral("UPDATE Answer SET \"%1\" = ? WHERE Code = 'k1'").arg(item),
                              {coded(item, k)});
                counter(w)->setText("0");
                counter(w)->setText(QString::number(item));
                QCOMPARE(selected(w), k);
                // Showing stores nothing new.
                QCOMPARE(stored("k1", item), coded(item, k));
            }
        }
    }));
    // The other subject's row never moved.
    QCOMPARE(m_folder->sql("SELECT COUNT(*) FROM Answer WHERE Code = 'k2' AND \"1\" IS NULL AND \"45\" IS NULL "
                           "AND \"90\" IS NULL").value(0), QStringLiteral("1"));
}

void TestRunWindowTest::storedAnswersPreselected()
{
    m_folder->addSubject("k1");
    // Item 2 ascending: "4" is option 4; item 3 descending: "4" is option 2;
    // item 5 holds a value no option stores.
    m_folder->sql("UPDATE Answer SET \"2\" = '4', \"3\" = '4', \"5\" = '9' WHERE Code = 'k1'");
    QVERIFY(run("k1", [this](TestRunWindow *w) {
        click(w, "Command1");
        QCOMPARE(selected(w), 0);
        QTest::mouseClick(option(w, 3), Qt::LeftButton);
        QCOMPARE(selected(w), 3);
        click(w, "CmdNext");
        QCOMPARE(selected(w), 4);
        click(w, "CmdNext");
        QCOMPARE(selected(w), 2);
        click(w, "CmdNext");
        QCOMPARE(counter(w)->text(), QStringLiteral("4"));
        QCOMPARE(selected(w), 0);  // unanswered: the selection of item 3 is gone
        click(w, "CmdNext");
        QCOMPARE(selected(w), 0);
        QCOMPARE(stored("k1", 5), QStringLiteral("9"));  // shown, not touched
        click(w, "CmdBack");
        click(w, "CmdBack");
        click(w, "CmdBack");
        click(w, "CmdBack");
        QCOMPARE(counter(w)->text(), QStringLiteral("1"));
        QCOMPARE(selected(w), 3);
    }));
    QCOMPARE(stored("k1", 1), QStringLiteral("3"));
    QCOMPARE(stored("k1", 2), QStringLiteral("4"));
    QCOMPARE(stored("k1", 3), QStringLiteral("4"));
    QVERIFY(stored("k1", 4).isEmpty());
}

void TestRunWindowTest::counterCases()
{
    m_folder->addSubject("k1");
    QVERIFY(run("k1", [this](TestRunWindow *w) {
        click(w, "Command1");
        QTest::mouseClick(option(w, 2), Qt::LeftButton);
        m_dialogs->clear();

        // Back on item 1: the counter shows 0 and nothing else changes.
        click(w, "CmdBack");
        QCOMPARE(counter(w)->text(), QStringLiteral("0"));
        QCOMPARE(itemText(w), itemBank(1));
        QCOMPARE(frameCaption(w), QStringLiteral("1"));
        QCOMPARE(selected(w), 2);
        QVERIFY(m_dialogs->shown.isEmpty());
        // A choice made now still belongs to item 1, the item on screen.
        QTest::mouseClick(option(w, 5), Qt::LeftButton);
        QCOMPARE(stored("k1", 1), QStringLiteral("1"));

        // Back once more: "شروع", and item 1 again.
        click(w, "CmdBack");
        QCOMPARE(m_dialogs->texts(), QStringList{kStartNotice});
        QCOMPARE(counter(w)->text(), QStringLiteral("1"));
        QCOMPARE(itemText(w), itemBank(1));
        QCOMPARE(selected(w), 5);

        // Next on item 90: committed, "پايان", item 90 stays.
        counter(w)->setText("90");
        QTest::mouseClick(option(w, 1), Qt::LeftButton);
        m_dialogs->clear();
        click(w, "CmdNext");
        QCOMPARE(m_dialogs->texts(), QStringList{kEndNotice});
        QCOMPARE(m_dialogs->last().delayMs, 1000);
        QCOMPARE(counter(w)->text(), QStringLiteral("90"));
        QCOMPARE(frameCaption(w), QStringLiteral("90"));
        QCOMPARE(itemText(w), itemBank(90));
        QCOMPARE(selected(w), 1);
        QCOMPARE(stored("k1", 90), QStringLiteral("1"));

        // Typing 4 then 5 shows item 4, then item 45.
        counter(w)->setFocus();
        counter(w)->selectAll();
        QTest::keyClick(counter(w), '4');
        QCOMPARE(itemText(w), itemBank(4));
        QCOMPARE(frameCaption(w), QStringLiteral("4"));
        QTest::keyClick(counter(w), '5');
        QCOMPARE(itemText(w), itemBank(45));
        QCOMPARE(w->currentItem(), 45);

        // 100 ends on item 90 with "پايان".
        m_dialogs->clear();
        typeItem(w, "100");
        QCOMPARE(m_dialogs->texts(), QStringList{kEndNotice});
        QCOMPARE(counter(w)->text(), QStringLiteral("90"));
        QCOMPARE(itemText(w), itemBank(90));

        // Clearing the field returns to item 1.
        counter(w)->selectAll();
        QTest::keyClick(counter(w), Qt::Key_Backspace);
        QCOMPARE(counter(w)->text(), QStringLiteral("1"));
        QCOMPARE(itemText(w), itemBank(1));
        QCOMPARE(frameCaption(w), QStringLiteral("1"));

        // A letter is refused, the field keeps its text.
        typeItem(w, "12");
        m_dialogs->clear();
        QTest::keyClick(counter(w), 'a');
        QTest::keyClick(counter(w), '-');
        QCOMPARE(counter(w)->text(), QStringLiteral("12"));
        QCOMPARE(m_dialogs->texts(), (QStringList{kMustBeNumber, kMustBeNumber}));
        QCOMPARE(itemText(w), itemBank(12));
    }));
}

void TestRunWindowTest::typedAndPastedItemNumbers()
{
    m_folder->addSubject("k1");
    m_folder->sql("UPDATE Answer SET \"5\" = '5' WHERE Code = 'k1'");
    QVERIFY(run("k1", [this](TestRunWindow *w) {
        click(w, "Command1");
        // A leading zero: "0" stops, "05" is item 5.
        typeItem(w, "0");
        QCOMPARE(itemText(w), itemBank(1));
        QTest::keyClick(counter(w), '5');
        QCOMPARE(counter(w)->text(), QStringLiteral("5"));
        QCOMPARE(itemText(w), itemBank(5));
        QCOMPARE(selected(w), 1);  // item 5 is descending: "5" is option 1

        // Persian digits typed on a Persian keyboard go in as plain digits.
        counter(w)->selectAll();
        for (const QString digit : {QStringLiteral("۳"), QStringLiteral("۷")}) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, digit);
            QApplication::sendEvent(counter(w), &press);
        }
        QCOMPARE(counter(w)->text(), QStringLiteral("37"));
        QCOMPARE(itemText(w), itemBank(37));

        // Pasted text: a number is taken in its plain form, anything else refused.
        m_dialogs->clear();
        QApplication::clipboard()->setText(QStringLiteral(" 08 "));
        counter(w)->selectAll();
        counter(w)->paste();
        QCOMPARE(counter(w)->text(), QStringLiteral("8"));
        QCOMPARE(itemText(w), itemBank(8));
        QVERIFY(m_dialogs->shown.isEmpty());
        for (const QString bad : {QStringLiteral("4a"), QStringLiteral("5' OR '1'='1"), QStringLiteral("1.5")}) {
            QApplication::clipboard()->setText(bad);
            counter(w)->selectAll();
            counter(w)->paste();
            QCOMPARE(counter(w)->text(), QStringLiteral("8"));
            QCOMPARE(m_dialogs->last().text, kMustBeNumber);
            QCOMPARE(itemText(w), itemBank(8));
            QCOMPARE(w->currentItem(), 8);
        }
        // And choosing afterwards still lands on item 8.
        QTest::mouseClick(option(w, 2), Qt::LeftButton);
        QCOMPARE(stored("k1", 8), QStringLiteral("4"));
    }));
    // Nothing but the answers chosen reached the row.
    const QStringList filled = m_folder->sql(
        "SELECT COUNT(*) FROM Answer WHERE Code = 'k1' AND \"5\" = '5' AND \"8\" = '4'");
    QCOMPARE(filled.value(0), QStringLiteral("1"));
}

void TestRunWindowTest::fullRunByClicks()
{
    m_folder->addSubject("k7", "C", "سارا", "كريمي");
    m_folder->addSubject("k8");
    const QStringList ideBefore = m_folder->sql("SELECT FName || LName || Sen || Date FROM IDE ORDER BY Code");
    // A pattern of choices that uses every option on both kinds of item.
    auto choice = [](int item) { return (item * 7 + item / 5) % 5 + 1; };
    QVERIFY(run("k7", [&](TestRunWindow *w) {
        click(w, "Command1");
        for (int item = 1; item <= 90; ++item) {
            QCOMPARE(counter(w)->text(), QString::number(item));
            QCOMPARE(itemText(w), itemBank(item));
            QCOMPARE(selected(w), 0);
            QTest::mouseClick(option(w, choice(item)), Qt::LeftButton);
            click(w, "CmdNext");
        }
        QCOMPARE(counter(w)->text(), QStringLiteral("90"));
        QCOMPARE(m_dialogs->texts().count(kEndNotice), 1);
        click(w, "Command5");
    }));
    QStringList columns;
    for (int item = 1; item <= 90; ++item)
        columns << QStringLiteral("\"%1\"").arg(item);
    const QString row =
        m_folder->sql("SELECT " + columns.join(" || ',' || ") + " FROM Answer WHERE Code = 'k7'").value(0);
    QStringList expected;
    for (int item = 1; item <= 90; ++item)
        expected << coded(item, choice(item));
    QCOMPARE(row, expected.join(','));
    QVERIFY(m_folder->sql("SELECT " + columns.join(" || ") + " FROM Answer WHERE Code = 'k8'").value(0).isEmpty());
    QCOMPARE(m_folder->sql("SELECT FName || LName || Sen || Date FROM IDE ORDER BY Code"), ideBefore);
    QVERIFY(m_main && m_main->isVisible());
}

void TestRunWindowTest::secondRunStartsFromInstructionPage()
{
    m_folder->addSubject("k1", "A", "علي", "رضايي");
    m_folder->addSubject("k2", "B", "زهرا", "موسوي");
    m_folder->sql("UPDATE Answer SET \"1\" = '2' WHERE Code = 'k2'");
    QVERIFY(run("k1", [this](TestRunWindow *w) {
        click(w, "Command1");
        typeItem(w, "30");
        QTest::mouseClick(option(w, 3), Qt::LeftButton);
        click(w, "Command5");
    }));
    QVERIFY(run("k2", [this](TestRunWindow *w) {
        // The page the main window set up: the instructions and Start, the
        // subject's identity where the title was, the items not yet shown.
        QVERIFY(child<QPushButton>(w, "Command1")->isVisible());
        QVERIFY(child<QLabel>(w, "SkinLabel4")->isVisible());
        QVERIFY(!child<QLabel>(w, "SkinLabel3")->isVisible());
        QVERIFY(child<QWidget>(w, "Frame1")->isVisible());
        QCOMPARE(child<QLineEdit>(w, "TxtCode")->text(), QStringLiteral("k2"));
        QCOMPARE(child<QLineEdit>(w, "TxtFName")->text(), QStringLiteral("زهرا"));
        for (const char *hidden : {"Frame2", "Text6", "CmdBack", "CmdNext", "Command5"})
            QVERIFY2(!child<QWidget>(w, hidden)->isVisible(), hidden);
        QCOMPARE(counter(w)->text(), QStringLiteral("0"));
        QVERIFY(itemText(w).isEmpty());

        click(w, "Command1");
        QCOMPARE(counter(w)->text(), QStringLiteral("1"));
        QCOMPARE(itemText(w), itemBank(1));
        QCOMPARE(selected(w), 4);  // k2's own answer, item 1 descending
        typeItem(w, "30");
        QCOMPARE(selected(w), 0);  // k1's answer is not k2's
        QTest::mouseClick(option(w, 1), Qt::LeftButton);
        click(w, "Command5");
    }));
    QCOMPARE(stored("k1", 30), QStringLiteral("3"));
    QCOMPARE(stored("k2", 30), QStringLiteral("5"));
    QCOMPARE(stored("k2", 1), QStringLiteral("2"));
    QVERIFY(stored("k1", 1).isEmpty());
}

void TestRunWindowTest::failedSaveIsReportedAndWindowStaysUsable()
{
    m_folder->addSubject("k1");
    m_folder->sql("UPDATE Answer SET \"2\" = '3' WHERE Code = 'k1'");
    QVERIFY(run("k1", [this](TestRunWindow *w) {
        click(w, "Command1");
        typeItem(w, "2");
        QCOMPARE(selected(w), 3);
        // The store refuses every change of an answer row from now on.
        m_folder->sql("CREATE TRIGGER refuse BEFORE UPDATE ON Answer BEGIN SELECT RAISE(ABORT, 'disk is full'); END");
        m_dialogs->clear();
        QTest::mouseClick(option(w, 5), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->last().kind, QStringLiteral("message"));
        QCOMPARE(m_dialogs->last().title, QStringLiteral("خطا"));
        QCOMPARE(m_dialogs->last().icon, QMessageBox::Critical);
        QVERIFY(m_dialogs->last().text.contains(QStringLiteral("2")));
        QCOMPARE(stored("k1", 2), QStringLiteral("3"));
        QCOMPARE(selected(w), 3);  // the screen shows what is stored
        QVERIFY(w->isVisible());

        // Still usable: paging shows items, and once the store takes
        // changes again a choice is saved.
        click(w, "CmdNext");
        QCOMPARE(itemText(w), itemBank(3));
        QTest::mouseClick(option(w, 1), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown.size(), 2);
        QVERIFY(stored("k1", 3).isEmpty());
        QCOMPARE(selected(w), 0);
        m_folder->sql("DROP TRIGGER refuse");
        QTest::mouseClick(option(w, 1), Qt::LeftButton);
        QCOMPARE(stored("k1", 3), QStringLiteral("5"));
        click(w, "CmdBack");
        QTest::mouseClick(option(w, 5), Qt::LeftButton);
        QCOMPARE(stored("k1", 2), QStringLiteral("5"));
        QCOMPARE(m_dialogs->shown.size(), 2);
    }));
}

void TestRunWindowTest::closeBoxKeepsChoicesAndIdentity()
{
    m_folder->addSubject("k1");
    QVERIFY(run("k1", [this](TestRunWindow *w) {
        click(w, "Command1");
        QTest::mouseClick(option(w, 4), Qt::LeftButton);
        typeItem(w, "77");
        QTest::mouseClick(option(w, 2), Qt::LeftButton);
        auto *name = child<QLineEdit>(w, "TxtFName");
        name->selectAll();
        QTest::keyClicks(name, "Nima");
        // Leave by the close box, not by Exit.
        w->close();
        QVERIFY(!w->isVisible());
    }));
    QCOMPARE(stored("k1", 1), QStringLiteral("2"));
    QCOMPARE(stored("k1", 77), QStringLiteral("2"));
    QCOMPARE(m_folder->sql("SELECT FName FROM IDE WHERE Code = 'k1'").value(0), QStringLiteral("Nima"));
    // The main window got control back and can start the next run.
    QVERIFY(run("k1", [](TestRunWindow *w) { QVERIFY(child<QPushButton>(w, "Command1")->isVisible()); }));
}

void TestRunWindowTest::keyboardChoosesAndPages()
{
    m_folder->addSubject("k1");
    QVERIFY(run("k1", [this](TestRunWindow *w) {
        click(w, "Command1");
        // With the focus on an option a digit chooses.
        option(w, 1)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), '2');
        QCOMPARE(selected(w), 2);
        QCOMPARE(stored("k1", 1), QStringLiteral("4"));
        QVERIFY(option(w, 2)->hasFocus());
        // Down and Up move the choice, each move stored at once.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(selected(w), 3);
        QCOMPARE(stored("k1", 1), QStringLiteral("3"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(selected(w), 1);
        QCOMPARE(stored("k1", 1), QStringLiteral("5"));
        // A Persian digit chooses too; 0 and 6 do not.
        QKeyEvent persianFour(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("۴"));
        QApplication::sendEvent(QApplication::focusWidget(), &persianFour);
        QCOMPARE(selected(w), 4);
        QTest::keyClick(QApplication::focusWidget(), '6');
        QTest::keyClick(QApplication::focusWidget(), '0');
        QCOMPARE(selected(w), 4);
        QCOMPARE(stored("k1", 1), QStringLiteral("2"));

        // The digits of the number pad choose too.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_5, Qt::KeypadModifier);
        QCOMPARE(selected(w), 5);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_4, Qt::KeypadModifier);
        QCOMPARE(selected(w), 4);
        // Arrows pressed while typing a name leave the answer alone.
        auto *name = child<QLineEdit>(w, "TxtFName");
        name->setFocus();
        QTest::keyClick(name, Qt::Key_Down);
        QTest::keyClick(name, Qt::Key_Up);
        QCOMPARE(selected(w), 4);
        QCOMPARE(stored("k1", 1), QStringLiteral("2"));

        // Page Down is Next, Page Up is Back, also from the item-number field.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
        QCOMPARE(counter(w)->text(), QStringLiteral("2"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
        QCOMPARE(counter(w)->text(), QStringLiteral("3"));
        counter(w)->setFocus();
        QTest::keyClick(counter(w), Qt::Key_PageUp);
        QCOMPARE(counter(w)->text(), QStringLiteral("2"));
        // Digits typed into the item-number field go to the field, not to the options.
        counter(w)->selectAll();
        QTest::keyClick(counter(w), '3');
        QCOMPARE(counter(w)->text(), QStringLiteral("3"));
        QCOMPARE(selected(w), 0);
        QVERIFY(stored("k1", 3).isEmpty());
        // Enter passes the field's key filter without a notice.
        m_dialogs->clear();
        QTest::keyClick(counter(w), Qt::Key_Return);
        QVERIFY(m_dialogs->shown.isEmpty());
        // Tab leaves the field as usual.
        QTest::keyClick(counter(w), Qt::Key_Tab);
        QVERIFY(!counter(w)->hasFocus());
        QVERIFY(m_dialogs->shown.isEmpty());
        // Space chooses the option that has the focus.
        option(w, 5)->setFocus();
        QTest::keyClick(option(w, 5), Qt::Key_Space);
        QCOMPARE(stored("k1", 3), QStringLiteral("1"));
    }));
    // Before Start the digits do nothing.
    QVERIFY(run("k1", [this](TestRunWindow *w) {
        QTest::keyClick(w, '3');
        QTest::keyClick(w, Qt::Key_PageDown);
        QCOMPARE(counter(w)->text(), QStringLiteral("0"));
        QVERIFY(child<QPushButton>(w, "Command1")->isVisible());
    }));
    QCOMPARE(stored("k1", 1), QStringLiteral("2"));
}

// A subject who types an item number without first clicking the item-number
// field must not overwrite the answer on screen.
void TestRunWindowTest::answerKeysOnlyWhileAnOptionHasFocus()
{
    m_folder->addSubject("k1");
    QVERIFY(run("k1", [this](TestRunWindow *w) {
        click(w, "Command1");
        QTest::mouseClick(option(w, 2), Qt::LeftButton);
        QCOMPARE(stored("k1", 1), QStringLiteral("4"));
        // Start put the focus on the read-only code field.
        child<QWidget>(w, "TxtCode")->setFocus();
        for (QWidget *focus : {child<QWidget>(w, "TxtCode"), static_cast<QWidget *>(child<QPushButton>(w, "CmdNext")),
                               static_cast<QWidget *>(child<QPushButton>(w, "Command5")), static_cast<QWidget *>(w)}) {
            focus->setFocus();
            QTest::keyClick(focus, '4');
            QTest::keyClick(focus, '5');
            QTest::keyClick(focus, Qt::Key_Down);
            QTest::keyClick(focus, Qt::Key_Up);
            QTest::keyClick(focus, Qt::Key_Up);
            QVERIFY2(w->isVisible(), qPrintable(focus->objectName()));
            QCOMPARE(selected(w), 2);
            QCOMPARE(stored("k1", 1), QStringLiteral("4"));
            QCOMPARE(counter(w)->text(), QStringLiteral("1"));
        }
        // On the options the same keys answer.
        option(w, 2)->setFocus();
        QTest::keyClick(option(w, 2), '5');
        QCOMPARE(stored("k1", 1), QStringLiteral("1"));
    }));
}

void TestRunWindowTest::numberFieldsSwallowOtherKeys_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("swallowed");
    // The texts a real keyboard sends with each key.
    const struct {
        const char *name;
        int key;
        const char *text;
        Qt::KeyboardModifiers modifiers;
        bool swallowed;
    } keys[] = {
        {"Escape", Qt::Key_Escape, "\x1b", {}, true},
        {"Ctrl+V", Qt::Key_V, "\x16", Qt::ControlModifier, true},
        {"Ctrl+A", Qt::Key_A, "\x01", Qt::ControlModifier, true},
        {"Ctrl+Z", Qt::Key_Z, "\x1a", Qt::ControlModifier, true},
        {"Ctrl+5", Qt::Key_5, "5", Qt::ControlModifier, true},
        {"Alt+5", Qt::Key_5, "5", Qt::AltModifier, true},
        {"Alt+X", Qt::Key_X, "x", Qt::AltModifier, true},
        {"Ctrl+G bell", Qt::Key_G, "\x07", Qt::ControlModifier, true},
        {"F5", Qt::Key_F5, "", {}, true},
        {"letter", Qt::Key_A, "a", {}, true},
        {"Delete", Qt::Key_Delete, "\x7f", {}, false},
        {"Home", Qt::Key_Home, "", {}, false},
        {"End", Qt::Key_End, "", {}, false},
        {"Left", Qt::Key_Left, "", {}, false},
        {"Shift+Home", Qt::Key_Home, "", Qt::ShiftModifier, false},
        {"Shift alone", Qt::Key_Shift, "", Qt::ShiftModifier, false},
        {"Ctrl alone", Qt::Key_Control, "", Qt::ControlModifier, false},
    };
    for (const char *field : {"Text6", "TxtSen"})
        for (const auto &k : keys)
            QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(field, k.name)))
                << QString::fromLatin1(field) << k.key << QString::fromLatin1(k.text) << int(k.modifiers)
                << k.swallowed;
}

void TestRunWindowTest::numberFieldsSwallowOtherKeys()
{
    QFETCH(QString, field);
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(int, modifiers);
    QFETCH(bool, swallowed);
    m_folder->addSubject("k1");
    QVERIFY(run("k1", [&](TestRunWindow *w) {
        click(w, "Command1");
        typeItem(w, "12");
        auto *edit = child<QLineEdit>(w, field);
        edit->setFocus();
        edit->setText(field == "Text6" ? QStringLiteral("12") : QStringLiteral("34"));
        const QString before = edit->text();
        edit->setCursorPosition(1);
        m_dialogs->clear();
        QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
        QApplication::sendEvent(edit, &press);
        if (swallowed) {
            QCOMPARE(m_dialogs->texts(), QStringList{kMustBeNumber});
            QCOMPARE(m_dialogs->last().delayMs, 1000);
            QCOMPARE(edit->text(), before);
            QCOMPARE(edit->cursorPosition(), 1);
        } else {
            QVERIFY(m_dialogs->shown.isEmpty());
        }
        QVERIFY(w->isVisible());
    }));
}

// A screen reader checks an option through the accessibility interface: the
// choice counts like a click. Showing stored answers writes nothing.
void TestRunWindowTest::choicesThroughAccessibilityAreStored()
{
    m_folder->addSubject("k1");
    m_folder->sql("UPDATE Answer SET \"3\" = '2', \"4\" = '5' WHERE Code = 'k1'");
    m_folder->sql("CREATE TABLE writes (item TEXT)");
    m_folder->sql("CREATE TRIGGER count_writes AFTER UPDATE ON Answer BEGIN INSERT INTO writes VALUES ('w'); END");
    auto writes = [this] { return m_folder->sql("SELECT COUNT(*) FROM writes").value(0).toInt(); };
    QVERIFY(run("k1", [&](TestRunWindow *w) {
        click(w, "Command1");
        // Showing items with and without stored answers, back and forth.
        for (const char *item : {"3", "4", "5", "3", "1"})
            typeItem(w, QString::fromLatin1(item));
        QCOMPARE(writes(), 0);

        for (int k : {3, 5}) {
            QAccessibleInterface *access = QAccessible::queryAccessibleInterface(option(w, k));
            QVERIFY(access && access->actionInterface());
            QVERIFY(access->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction()));
            access->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
            QCOMPARE(selected(w), k);
            QCOMPARE(stored("k1", 1), coded(1, k));
        }
        QCOMPARE(writes(), 2);
        // Going back to an answered item shows it without writing.
        typeItem(w, "4");
        QCOMPARE(selected(w), 1);
        typeItem(w, "1");
        QCOMPARE(selected(w), 5);
        QCOMPARE(writes(), 2);
    }));
    QCOMPARE(stored("k1", 1), coded(1, 5));
    QCOMPARE(stored("k1", 3), QStringLiteral("2"));
    QCOMPARE(stored("k1", 4), QStringLiteral("5"));
}

void TestRunWindowTest::identityPanel()
{
    m_folder->addSubject("k1", "A", "علي", "رضايي");
    // A code that is in Answer but not in IDE still starts; the panel is empty.
    m_folder->sql("INSERT INTO Answer (Code) VALUES ('lone')");
    QVERIFY(run("k1", [this](TestRunWindow *w) {
        click(w, "Command1");
        auto *code = child<QLineEdit>(w, "TxtCode");
        QVERIFY(code->isReadOnly());
        QCOMPARE(child<QLineEdit>(w, "TxtLName")->text(), QStringLiteral("رضايي"));
        auto *age = child<QLineEdit>(w, "TxtSen");
        QCOMPARE(age->text(), QStringLiteral("30"));
        QCOMPARE(age->maxLength(), 3);
        age->setFocus();
        age->selectAll();
        m_dialogs->clear();
        QTest::keyClicks(age, "4x");
        QCOMPARE(age->text(), QStringLiteral("4"));
        QCOMPARE(m_dialogs->texts(), QStringList{kMustBeNumber});
        QKeyEvent persianTwo(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("۲"));
        QApplication::sendEvent(age, &persianTwo);
        QTest::keyClicks(age, "13");
        QCOMPARE(age->text(), QStringLiteral("421"));
        // Pasted letters do not get in either.
        QApplication::clipboard()->setText(QStringLiteral("ab"));
        age->selectAll();
        age->paste();
        QCOMPARE(age->text(), QStringLiteral("421"));
        click(w, "Command5");
    }));
    QCOMPARE(m_folder->sql("SELECT Sen FROM IDE WHERE Code = 'k1'").value(0), QStringLiteral("421"));
    QCOMPARE(m_folder->sql("SELECT Code FROM IDE WHERE Code = 'k1'").value(0), QStringLiteral("k1"));

    QVERIFY(run("lone", [this](TestRunWindow *w) {
        click(w, "Command1");
        for (QLineEdit *field : child<QWidget>(w, "Frame1")->findChildren<QLineEdit *>())
            QVERIFY2(field->text().isEmpty(), qPrintable(field->objectName()));
        QTest::keyClicks(child<QLineEdit>(w, "TxtFName"), "x");
        QTest::mouseClick(option(w, 1), Qt::LeftButton);
    }));
    QCOMPARE(stored("lone", 1), QStringLiteral("5"));
    QCOMPARE(m_folder->sql("SELECT COUNT(*) FROM IDE").value(0), QStringLiteral("1"));
}

QTEST_MAIN(TestRunWindowTest)
#include "tst_testrunwindow.moc"
