#include "ScriptedDialogs.h"
#include "TestFolder.h"
#include "TypeText.h"

#include "data/TableView.h"
#include "shell/MainWindow.h"
#include "shell/Registration.h"

#include <QClipboard>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
const QString kDuplicate = QStringLiteral("فردديگري با اين کد ثبت شده");
const QString kNotANumber = QStringLiteral("شما بايد عدد وارد كنيد");
}  // namespace

class RegistrationTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    // Rules without a window.
    void ageKeys();
    void answerCodeAndTime();

    // The panel in the main window.
    void eachMissingFieldInTurn();
    void storesSubjectWithDateAndTimeOfOpening();
    void codeWithBlanks();
    void duplicateRefusedThenSavedUnderNewCode();
    void answerCodeTakenLeavesNoHalfSubject();
    void listChoicesCarryOver();
    void ageFilter();
    void ageFieldKeysThatTypeNothingVisible();
    void enterSavesEscapeCancels();
    void cancelStoresNothing();
    void rowLeftPendingIsNeverStored();
    void unusualTextStoredExactly();
    void hiddenCharactersLeaveEveryField_data();
    void hiddenCharactersLeaveEveryField();

private:
    QLineEdit *field(const char *name) { return m_window->findChild<QLineEdit *>(QString::fromLatin1(name)); }
    QComboBox *list(const char *name) { return m_window->findChild<QComboBox *>(QString::fromLatin1(name)); }
    QFrame *panel() { return m_window->findChild<QFrame *>(QStringLiteral("Frame10")); }
    void click(const char *button)
    {
        auto *b = m_window->findChild<QPushButton *>(QString::fromLatin1(button));
        QVERIFY(b);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void choose(const char *name, const QString &item)
    {
        // By keyboard: Home to the first item, then down to the wanted one.
        QComboBox *c = list(name);
        c->setFocus();
        QTest::keyClick(c, Qt::Key_Home);
        for (int i = c->findText(item); i > 0; --i)
            QTest::keyClick(c, Qt::Key_Down);
        QCOMPARE(c->currentText(), item);
    }
    // Opens the panel and fills in every field.
    void fillIn(const QString &code, const QString &name = QStringLiteral("مريم"))
    {
        click("Command1");
        typeText(field("Text11"), code);
        typeText(field("Text6"), name);
        typeText(field("Text4"), QStringLiteral("احمدي"));
        choose("Combo2", QStringLiteral("زن"));
        typeText(field("Text5"), QStringLiteral("34"));
        choose("Combo1", QStringLiteral("متأهل"));
        choose("Combo3", QStringLiteral("C"));
        typeText(field("Text7"), QStringLiteral("ليسانس"));
    }
    int count(const QString &table) { return m_folder->sql("SELECT COUNT(*) FROM " + table).value(0).toInt(); }

    TestFolder *m_folder = nullptr;
    ScriptedDialogs *m_dialogs = nullptr;
    QPointer<MainWindow> m_window;
};

void RegistrationTest::init()
{
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    m_dialogs = new ScriptedDialogs;
    Registration::setClock(nullptr);
    m_window = new MainWindow;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void RegistrationTest::cleanup()
{
    if (m_window) {
        m_window->setExitMode(QStringLiteral("1"));
        m_window->close();
        delete m_window;
    }
    Registration::setClock(nullptr);
    delete m_dialogs;
    delete m_folder;
}

void RegistrationTest::ageKeys()
{
    using Registration::AgeKey;
    QCOMPARE(Registration::ageKey(Qt::Key_5, {}, "5"), AgeKey::Pass);
    QCOMPARE(Registration::ageKey(Qt::Key_Backspace, {}, "\b"), AgeKey::Pass);
    QCOMPARE(Registration::ageKey(Qt::Key_Return, {}, "\r"), AgeKey::Pass);
    QCOMPARE(Registration::ageKey(Qt::Key_Left, {}, QString()), AgeKey::Pass);
    QCOMPARE(Registration::ageKey(Qt::Key_A, {}, "a"), AgeKey::Refuse);
    QCOMPARE(Registration::ageKey(Qt::Key_Space, {}, " "), AgeKey::Refuse);
    QCOMPARE(Registration::ageKey(Qt::Key_Minus, {}, "-"), AgeKey::Refuse);
    QCOMPARE(Registration::ageKey(Qt::Key_Escape, {}, "\x1b"), AgeKey::Refuse);
    QCOMPARE(Registration::ageKey(Qt::Key_V, Qt::ControlModifier, "\x16"), AgeKey::Refuse);
    QCOMPARE(Registration::ageKey(Qt::Key_V, Qt::ControlModifier, QString()), AgeKey::Refuse);
    QCOMPARE(Registration::ageKey(Qt::Key_5, Qt::ControlModifier, "5"), AgeKey::Refuse);
    QCOMPARE(Registration::ageKey(0x0634, {}, QStringLiteral("ش")), AgeKey::Refuse);
    QChar digit;
    QCOMPARE(Registration::ageKey(0x06F7, {}, QStringLiteral("۷"), &digit), AgeKey::Replace);
    QCOMPARE(digit, QChar('7'));
    QCOMPARE(Registration::ageKey(0x0663, {}, QStringLiteral("٣"), &digit), AgeKey::Replace);
    QCOMPARE(digit, QChar('3'));

    QVERIFY(Registration::isAgeText(""));
    QVERIFY(Registration::isAgeText("07"));
    QVERIFY(!Registration::isAgeText("123"));
    QVERIFY(!Registration::isAgeText("1a"));
    QVERIFY(!Registration::isAgeText(QStringLiteral("۱۲")));
    QCOMPARE(Registration::latinDigits(QStringLiteral("کد ۱۲٣x")), QStringLiteral("کد 123x"));
}

void RegistrationTest::answerCodeAndTime()
{
    QCOMPARE(Registration::answerCode("  12 "), QStringLiteral("12"));
    QCOMPARE(Registration::answerCode("   "), QString());
    QCOMPARE(Registration::answerCode(" a b "), QStringLiteral("a b"));
    QCOMPARE(Registration::answerCode(QStringLiteral("\u200cکد ")), QStringLiteral("\u200cکد"));

    const QTime t(13, 5, 9);
    QCOMPARE(Registration::timeOfDayText(t, QLocale::c()), QStringLiteral("13:05:09"));
    const QString us = Registration::timeOfDayText(t, QLocale(QLocale::English, QLocale::UnitedStates));
    QVERIFY2(us.startsWith("1:05:09") && us.endsWith("PM"), qPrintable(us));
    // Every locale keeps the seconds and names no time zone.
    for (const QLocale &l : {QLocale(QLocale::Persian, QLocale::Iran), QLocale(QLocale::German, QLocale::Germany)}) {
        const QString text = Registration::timeOfDayText(t, l);
        QVERIFY2(Registration::latinDigits(text).contains("05") && Registration::latinDigits(text).contains("09"),
                 qPrintable(text));
        QVERIFY2(!text.contains("UTC") && !text.contains("GMT"), qPrintable(text));
    }
    QCOMPARE(Registration::dateText(QDate(2023, 8, 1)), QStringLiteral("1402/05/10"));
}

void RegistrationTest::eachMissingFieldInTurn()
{
    const QList<QPair<QString, const char *>> expected = {
        {QStringLiteral("کد آزمودني را وارد کنيد"), "Text11"},
        {QStringLiteral("نام آزمودني را وارد کنيد"), "Text6"},
        {QStringLiteral("نام خانوادگي آزمودني را وارد کنيد"), "Text4"},
        {QStringLiteral("جنسيت آزمودني را مشخص کنيد"), "Combo2"},
        {QStringLiteral("سن آزمودني را وارد کنيد"), "Text5"},
        {QStringLiteral("وضعيت تاهل آزمودني را مشخص کنيد"), "Combo1"},
        {QStringLiteral("گروه را مشخص کنيد"), "Combo3"},
        {QStringLiteral("ميزان تحصيلات آزمودني را وارد کنيد"), "Text7"},
    };
    // Each step fills the field the last message asked for.
    const QList<std::function<void()>> fill = {
        [this] { typeText(field("Text11"), "S1"); },
        [this] { typeText(field("Text6"), QStringLiteral("علي")); },
        [this] { typeText(field("Text4"), QStringLiteral("رضايي")); },
        [this] { choose("Combo2", QStringLiteral("مرد")); },
        [this] { typeText(field("Text5"), "9"); },
        [this] { choose("Combo1", QStringLiteral("مجرد")); },
        [this] { choose("Combo3", "G"); },
        [this] { typeText(field("Text7"), QStringLiteral("ديپلم")); },
    };
    click("Command1");
    for (int i = 0; i < expected.size(); ++i) {
        field("Text11")->setFocus();  // the focus starts away from the field to be named
        if (i == 0)
            field("Text6")->setFocus();
        m_dialogs->clear();
        click("Command8");
        QCOMPARE(m_dialogs->shown.size(), 1);
        QCOMPARE(m_dialogs->last().kind, QStringLiteral("timed"));
        QCOMPARE(m_dialogs->last().title, QStringLiteral("پيام"));
        QCOMPARE(m_dialogs->last().delayMs, 1000);
        QCOMPARE(m_dialogs->last().text, expected[i].first);
        QCOMPARE(m_window->focusWidget()->objectName(), QString::fromLatin1(expected[i].second));
        QVERIFY(panel()->isVisible());
        QCOMPARE(count("IDE"), 0);
        QCOMPARE(count("Answer"), 0);
        fill[i]();
    }
    m_dialogs->clear();
    click("Command8");
    QVERIFY(m_dialogs->shown.isEmpty());
    QVERIFY(!panel()->isVisible());
    QCOMPARE(m_folder->sql("SELECT Code || '|' || FName || '|' || LName || '|' || Jens || '|' || Sen || '|' || Taahol "
                           "|| '|' || \"Group\" || '|' || Tahsil FROM IDE"),
             QStringList{QStringLiteral("S1|علي|رضايي|مرد|9|مجرد|G|ديپلم")});
}

void RegistrationTest::storesSubjectWithDateAndTimeOfOpening()
{
    QDateTime clock(QDate(2023, 8, 1), QTime(23, 59, 58));
    Registration::setClock([&clock] { return clock; });
    QCOMPARE(m_window->exitMode(), QStringLiteral("2"));
    fillIn("P-1");
    QCOMPARE(field("Text8")->text(), QStringLiteral("1402/05/10"));
    QVERIFY(field("Text8")->isReadOnly());
    // Saved after midnight: the stored moment is still that of the opening.
    clock = QDateTime(QDate(2023, 8, 2), QTime(0, 0, 5));
    click("Command8");
    QVERIFY(m_dialogs->shown.isEmpty());
    QCOMPARE(m_folder->sql("SELECT Date FROM IDE WHERE Code = 'P-1'"), QStringList{"1402/05/10"});
    QCOMPARE(m_folder->sql("SELECT Time FROM IDE WHERE Code = 'P-1'"),
             QStringList{Registration::timeOfDayText(QTime(23, 59, 58))});
    QCOMPARE(m_folder->sql("SELECT Code FROM Answer"), QStringList{"P-1"});
    // The answer row is empty and the scores are not there yet.
    QCOMPARE(m_folder->sql("SELECT COALESCE(\"1\", '') || COALESCE(\"90\", '') || COALESCE(kol, '') "
                           "FROM Answer JOIN IDE USING (Code)"),
             QStringList{""});
    QCOMPARE(m_window->exitMode(), QStringLiteral("1"));
    QVERIFY(!panel()->isVisible());
    // The main window's answer view sees the new row.
    QCOMPARE(m_window->answerView->rowCount(), 1);
    QVERIFY(!m_window->subjectView->hasPending());
}

void RegistrationTest::codeWithBlanks()
{
    fillIn("  77 ");
    click("Command8");
    QCOMPARE(m_folder->sql("SELECT Code FROM IDE"), QStringList{"  77 "});
    QCOMPARE(m_folder->sql("SELECT Code FROM Answer"), QStringList{"77"});

    // A code of blanks only passes the empty test; its answer row has an empty code.
    fillIn("   ");
    click("Command8");
    QVERIFY(m_dialogs->shown.isEmpty());
    QCOMPARE(m_folder->sql("SELECT Code FROM IDE ORDER BY rowid"), (QStringList{"  77 ", "   "}));
    QCOMPARE(m_folder->sql("SELECT Code FROM Answer ORDER BY rowid"), (QStringList{"77", ""}));
}

void RegistrationTest::duplicateRefusedThenSavedUnderNewCode()
{
    m_folder->addSubject("K1");
    fillIn("K1", QStringLiteral("سارا"));
    click("Command8");
    QCOMPARE(m_dialogs->texts(), QStringList{kDuplicate});
    QCOMPARE(m_dialogs->last().delayMs, 1000);
    QVERIFY(panel()->isVisible());
    // Everything typed is still there.
    QCOMPARE(field("Text11")->text(), QStringLiteral("K1"));
    QCOMPARE(field("Text6")->text(), QStringLiteral("سارا"));
    QCOMPARE(field("Text5")->text(), QStringLiteral("34"));
    QCOMPARE(list("Combo3")->currentText(), QStringLiteral("C"));
    QCOMPARE(m_window->exitMode(), QStringLiteral("2"));
    QCOMPARE(count("IDE"), 1);
    QCOMPARE(count("Answer"), 1);

    // Saving again unchanged is refused again, and changes nothing.
    click("Command8");
    QCOMPARE(m_dialogs->texts(), (QStringList{kDuplicate, kDuplicate}));
    QCOMPARE(count("IDE"), 1);

    field("Text11")->selectAll();
    typeText(field("Text11"), "K2");
    m_dialogs->clear();
    click("Command8");
    QVERIFY(m_dialogs->shown.isEmpty());
    QVERIFY(!panel()->isVisible());
    QCOMPARE(m_folder->sql("SELECT Code FROM IDE WHERE FName = ?", {QStringLiteral("سارا")}), QStringList{"K2"});
    QCOMPARE(m_folder->sql("SELECT Code FROM Answer ORDER BY Code"), (QStringList{"K1", "K2"}));
    QCOMPARE(count("IDE"), 2);
    QCOMPARE(m_folder->sql("SELECT Sen || Tahsil FROM IDE WHERE Code = 'K2'"), QStringList{QStringLiteral("34ليسانس")});
}

void RegistrationTest::answerCodeTakenLeavesNoHalfSubject()
{
    // An answer row "K3" without a subject: a new subject " K3" is new to IDE
    // but its answer code is taken. Neither row may be stored.
    m_folder->sql("INSERT INTO Answer (Code) VALUES ('K3')");
    fillIn(" K3");
    click("Command8");
    QCOMPARE(m_dialogs->texts(), QStringList{kDuplicate});
    QCOMPARE(count("IDE"), 0);
    QCOMPARE(count("Answer"), 1);
    QVERIFY(panel()->isVisible());
    QCOMPARE(field("Text11")->text(), QStringLiteral(" K3"));
    QCOMPARE(field("Text4")->text(), QStringLiteral("احمدي"));
    QVERIFY(!field("Text8")->text().isEmpty());
    QVERIFY(!field("Text9")->text().isEmpty());

    field("Text11")->selectAll();
    typeText(field("Text11"), "K4");
    m_dialogs->clear();
    click("Command8");
    QVERIFY(m_dialogs->shown.isEmpty());
    QCOMPARE(m_folder->sql("SELECT Code || LName || Sen FROM IDE"), QStringList{QStringLiteral("K4احمدي34")});
    QCOMPARE(m_folder->sql("SELECT Code FROM Answer ORDER BY Code"), (QStringList{"K3", "K4"}));
    QVERIFY(!m_folder->sql("SELECT Date FROM IDE").value(0).isEmpty());
}

void RegistrationTest::listChoicesCarryOver()
{
    fillIn("L1");
    click("Command8");
    click("Command1");
    QCOMPARE(list("Combo2")->currentText(), QStringLiteral("زن"));
    typeText(field("Text11"), "L2");
    typeText(field("Text6"), QStringLiteral("نيما"));
    typeText(field("Text4"), QStringLiteral("کريمي"));
    typeText(field("Text5"), "8");
    typeText(field("Text7"), QStringLiteral("ابتدايي"));
    click("Command8");
    QVERIFY(m_dialogs->shown.isEmpty());
    QCOMPARE(m_folder->sql("SELECT Jens || Taahol || \"Group\" FROM IDE WHERE Code = 'L2'"),
             QStringList{QStringLiteral("زنمتأهلC")});
}

void RegistrationTest::ageFilter()
{
    click("Command1");
    QLineEdit *age = field("Text5");
    age->setFocus();
    typeText(age, "a");
    QCOMPARE(age->text(), QString());
    QCOMPARE(m_dialogs->texts(), QStringList{kNotANumber});
    QCOMPARE(m_dialogs->last().delayMs, 1000);
    typeText(age, QStringLiteral("3ش5"));
    QCOMPARE(age->text(), QStringLiteral("35"));
    typeText(age, "7");  // at most two characters
    QCOMPARE(age->text(), QStringLiteral("35"));
    QTest::keyClick(age, Qt::Key_Backspace);
    QCOMPARE(age->text(), QStringLiteral("3"));

    // Ctrl+V is a key like any other and is dropped.
    m_dialogs->clear();
    QGuiApplication::clipboard()->setText("12");
    QTest::keyClick(age, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(age->text(), QStringLiteral("3"));
    QCOMPARE(m_dialogs->texts(), QStringList{kNotANumber});

    // Digits of a Persian keyboard become 0 to 9.
    age->clear();
    typeText(age, QStringLiteral("۴٢"));
    QCOMPARE(age->text(), QStringLiteral("42"));

    // Pasting through the menu: a number is taken, other text refused.
    m_dialogs->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("xy"));
    age->selectAll();
    age->paste();
    QCOMPARE(age->text(), QStringLiteral("42"));
    QCOMPARE(m_dialogs->texts(), QStringList{kNotANumber});
    QGuiApplication::clipboard()->setText(QStringLiteral("۱۹"));
    age->selectAll();
    age->paste();
    QCOMPARE(age->text(), QStringLiteral("19"));
    QGuiApplication::clipboard()->setText(QStringLiteral("123"));
    age->selectAll();
    age->paste();
    QCOMPARE(age->text(), QStringLiteral("12"));

    // What is left in the field is what is stored.
    typeText(field("Text11"), "AG");
    typeText(field("Text6"), "x");
    typeText(field("Text4"), "y");
    choose("Combo2", QStringLiteral("مرد"));
    choose("Combo1", QStringLiteral("مجرد"));
    choose("Combo3", "A");
    typeText(field("Text7"), "z");
    click("Command8");
    QCOMPARE(m_folder->sql("SELECT Sen FROM IDE WHERE Code = 'AG'"), QStringList{"12"});
}

// The keys as a real keyboard sends them: Tab and Shift+Tab carry "\t",
// Delete carries U+007F, the arrows, Home and End carry no text.
void RegistrationTest::ageFieldKeysThatTypeNothingVisible()
{
    auto press = [](QWidget *w, Qt::Key key, const QString &text, Qt::KeyboardModifiers modifiers = {}) {
        QTest::sendKeyEvent(QTest::Press, w, key, text, modifiers);
        QTest::sendKeyEvent(QTest::Release, w, key, text, modifiers);
    };
    click("Command1");
    QLineEdit *age = field("Text5");
    age->setFocus();
    typeText(age, "34");
    m_dialogs->clear();

    press(age, Qt::Key_Home, QString());
    QCOMPARE(age->cursorPosition(), 0);
    press(age, Qt::Key_Delete, QStringLiteral("\x7f"));
    QCOMPARE(age->text(), QStringLiteral("4"));
    press(age, Qt::Key_End, QString());
    QCOMPARE(age->cursorPosition(), 1);
    press(age, Qt::Key_Left, QString());
    QCOMPARE(age->cursorPosition(), 0);
    press(age, Qt::Key_Right, QString());
    QCOMPARE(age->cursorPosition(), 1);
    QVERIFY(m_dialogs->shown.isEmpty());

    // Tab goes on to the marital-status list, Shift+Tab comes back to the age.
    press(age, Qt::Key_Tab, QStringLiteral("\t"));
    QCOMPARE(QApplication::focusWidget(), list("Combo1"));
    press(list("Combo1"), Qt::Key_Backtab, QStringLiteral("\t"), Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), age);
    press(age, Qt::Key_Backtab, QStringLiteral("\t"), Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), list("Combo2"));
    QVERIFY(m_dialogs->shown.isEmpty());
    QCOMPARE(age->text(), QStringLiteral("4"));

    // Escape in the age field is refused like a letter: the panel and what
    // was typed stay.
    typeText(field("Text11"), "ES");
    m_dialogs->clear();
    age->setFocus();
    press(age, Qt::Key_Escape, QStringLiteral("\x1b"));
    QVERIFY(panel()->isVisible());
    QCOMPARE(age->text(), QStringLiteral("4"));
    QCOMPARE(field("Text11")->text(), QStringLiteral("ES"));
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("شما بايد عدد وارد كنيد")});
    QCOMPARE(count("IDE"), 0);
}

void RegistrationTest::enterSavesEscapeCancels()
{
    fillIn("E1");
    QTest::keyClick(field("Text7"), Qt::Key_Return);
    QVERIFY(!panel()->isVisible());
    QCOMPARE(m_folder->sql("SELECT Code FROM IDE"), QStringList{"E1"});

    click("Command1");
    typeText(field("Text11"), "E2");
    QTest::keyClick(field("Text11"), Qt::Key_Escape);
    QVERIFY(!panel()->isVisible());
    QCOMPARE(count("IDE"), 1);

    // Enter in an open list chooses its item and does not save.
    click("Command1");
    QComboBox *sex = list("Combo2");
    sex->setCurrentIndex(-1);
    sex->showPopup();
    QWidget *popup = QApplication::activePopupWidget();
    QVERIFY(popup);
    QWidget *view = popup->focusWidget() ? popup->focusWidget() : popup;
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QVERIFY(panel()->isVisible());
    QVERIFY(!sex->currentText().isEmpty());
    QCOMPARE(m_dialogs->shown.size(), 0);
    // Escape in an open list closes the list only.
    sex->showPopup();
    QVERIFY(QApplication::activePopupWidget());
    QTest::keyClick(QApplication::activePopupWidget()->focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QVERIFY(panel()->isVisible());
    // Enter on the focused cancel button cancels.
    typeText(field("Text11"), "E3");
    auto *cancel = m_window->findChild<QPushButton *>("Command10");
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key_Return);
    QVERIFY(!panel()->isVisible());
    QCOMPARE(count("IDE"), 1);
    QCOMPARE(m_dialogs->shown.size(), 0);

    // Enter in the age field passes its filter and saves: here a field is missing.
    click("Command1");
    typeText(field("Text5"), "5");
    m_dialogs->clear();
    QTest::keyClick(field("Text5"), Qt::Key_Enter);
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("کد آزمودني را وارد کنيد")});
    QCOMPARE(field("Text5")->text(), QStringLiteral("5"));
}

void RegistrationTest::cancelStoresNothing()
{
    m_folder->addSubject("C0");
    m_window->subjectView->reread();
    fillIn("C1");
    click("Command10");
    QVERIFY(!panel()->isVisible());
    QCOMPARE(m_folder->sql("SELECT Code FROM IDE"), QStringList{"C0"});
    QCOMPARE(count("Answer"), 1);
    QVERIFY(!m_window->subjectView->hasPending());
    QCOMPARE(m_window->exitMode(), QStringLiteral("2"));
    // Opening again starts with empty fields and a new date and time.
    click("Command1");
    QCOMPARE(field("Text11")->text(), QString());
    QCOMPARE(field("Text6")->text(), QString());
    QVERIFY(!field("Text9")->text().isEmpty());
}

void RegistrationTest::rowLeftPendingIsNeverStored()
{
    // No subject yet: another button hides the panel without re-reading.
    fillIn("R1");
    click("Command9");
    QVERIFY(!panel()->isVisible());
    QVERIFY(!m_window->subjectView->hasPending());
    // A theme change commits the settings row; the subject's row is not stored with it.
    click("Command68");
    click("Theme2");
    QCOMPARE(m_folder->sql("SELECT TH FROM Theme"), QStringList{"2"});
    QCOMPARE(count("IDE"), 0);
    QCOMPARE(count("Answer"), 0);
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("Frmskin"))
            w->close();
}

void RegistrationTest::unusualTextStoredExactly()
{
    const QString code = QStringLiteral("O'Br\"ien' --۱٢");
    const QString name = QStringLiteral("مهر\u200cناز ' ; DROP TABLE IDE; --");
    const QString education = QString(QStringLiteral("دکتراي روان‌شناسي ")).repeated(300);
    click("Command1");
    typeText(field("Text11"), code);
    typeText(field("Text6"), name);
    typeText(field("Text4"), QStringLiteral("\"قلي'زاده\""));
    choose("Combo2", QStringLiteral("مرد"));
    typeText(field("Text5"), "40");
    choose("Combo1", QStringLiteral("مجرد"));
    choose("Combo3", "B");
    field("Text7")->setText(education);  // pasted
    click("Command8");
    QVERIFY(m_dialogs->shown.isEmpty());
    QCOMPARE(m_folder->sql("SELECT Code FROM IDE"), QStringList{code});
    QCOMPARE(m_folder->sql("SELECT FName FROM IDE"), QStringList{name});
    QCOMPARE(m_folder->sql("SELECT LName FROM IDE"), QStringList{QStringLiteral("\"قلي'زاده\"")});
    // A paste longer than the field takes is cut at its length (50).
    QCOMPARE(field("Text7")->text(), education.left(50));
    QCOMPARE(m_folder->sql("SELECT Tahsil FROM IDE"), QStringList{education.left(50)});
    QCOMPARE(m_folder->sql("SELECT Code FROM Answer"), QStringList{code});
    // The same code again is a duplicate, however it is quoted.
    fillIn(code);
    click("Command8");
    QCOMPARE(m_dialogs->texts(), QStringList{kDuplicate});
    QCOMPARE(count("IDE"), 1);
}

void RegistrationTest::hiddenCharactersLeaveEveryField_data()
{
    QTest::addColumn<QString>("hidden");
    for (char16_t c : {0x202A, 0x202B, 0x202C, 0x202D, 0x202E, 0x2066, 0x2067, 0x2068, 0x2069, 0x200B, 0x2028, 0x2029,
                       0xD83D})
        QTest::newRow(qPrintable(QStringLiteral("U+%1").arg(uint(c), 4, 16))) << QString(QChar(c));
}

// Pasted into every typed field of the panel, a character that would turn
// or hide part of a name is gone from the field and from the stored rows;
// the Persian joiners and marks beside it stay.
void RegistrationTest::hiddenCharactersLeaveEveryField()
{
    QFETCH(QString, hidden);
    fillIn(QStringLiteral("H-1"));
    const QString joined = QStringLiteral("\u200Cx\u200D\u200E\u200F");
    const QList<QPair<const char *, QString>> pasted = {{"Text11", QStringLiteral("H-")},
                                                       {"Text6", QStringLiteral("مهر")},
                                                       {"Text4", QStringLiteral("احمدي")},
                                                       {"Text7", QStringLiteral("ليسانس")}};
    for (const auto &[name, text] : pasted) {
        field(name)->setText(text + hidden + QStringLiteral("2") + joined);
        QCOMPARE(field(name)->text(), text + QStringLiteral("2") + joined);
    }
    click("Command8");
    QVERIFY2(m_dialogs->shown.isEmpty(), qPrintable(m_dialogs->texts().join('\n')));
    const QString code = QStringLiteral("H-2") + joined;
    QCOMPARE(m_folder->sql("SELECT Code || '|' || FName || '|' || LName || '|' || Tahsil FROM IDE"),
             QStringList{code + '|' + QStringLiteral("مهر2") + joined + '|' + QStringLiteral("احمدي2") + joined + '|' +
                         QStringLiteral("ليسانس2") + joined});
    QCOMPARE(m_folder->sql("SELECT Code FROM Answer"), QStringList{code});
}

QTEST_MAIN(RegistrationTest)
#include "tst_registration.moc"
