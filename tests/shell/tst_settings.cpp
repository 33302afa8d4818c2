#include "ScriptedDialogs.h"
#include "TestFolder.h"
#include "TypeText.h"

#include "data/Database.h"
#include "data/TableView.h"
#include "shell/MainWindow.h"
#include "shell/ThemeChangedNotice.h"
#include "shell/ThemeSkin.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

class SettingsTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void menuAndPanels();
    void themeChangeReloadsMainWindowInNewSkin();
    void storedThemeStillGoesThroughThemeChangedNotice();
    void clinicNameFollowsTypingCancelKeepsItSaveStoresIt();
    void themeChoiceDropsUnsavedClinicName();
    void clinicSaveRefusedIsReported();
    void questionEditorFindsItems();
    void questionSaveSurvivesRestart();
    void questionSaveWithoutItemStoresNothing();
    void questionCancelDropsEdit();
    void hiddenCharactersLeaveClinicAndItemTexts();

private:
    QWidget *find(const char *name) { return m_window->findChild<QWidget *>(QString::fromLatin1(name)); }
    QLineEdit *edit(const char *name) { return m_window->findChild<QLineEdit *>(QString::fromLatin1(name)); }
    QPlainTextEdit *itemText() { return m_window->findChild<QPlainTextEdit *>(QStringLiteral("Text18")); }
    bool shown(const char *panel) { return find(panel)->isVisible(); }
    void click(const char *button)
    {
        auto *b = m_window->findChild<QPushButton *>(QString::fromLatin1(button));
        QVERIFY2(b, button);
        QVERIFY2(b->isVisible(), button);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void loadMainWindow()
    {
        m_window = new MainWindow;
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }
    void closeMainWindow()
    {
        if (!m_window)
            return;
        m_window->setExitMode(QStringLiteral("1"));
        m_window->close();
        delete m_window;
    }
    static ThemeChangedNotice *skinWindow()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *s = qobject_cast<ThemeChangedNotice *>(w); s && s->isVisible())
                return s;
        return nullptr;
    }
    QString item(int id) { return m_folder->sql("SELECT QUs FROM QU WHERE ID = ?", {QString::number(id)}).value(0); }
    void chooseItem(const QString &number)
    {
        edit("Text13")->selectAll();
        typeText(edit("Text13"), number);
    }

    TestFolder *m_folder = nullptr;
    ScriptedDialogs *m_dialogs = nullptr;
    QPointer<MainWindow> m_window;
};

void SettingsTest::init()
{
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    m_folder->sql("UPDATE Theme SET TH = '1', Name = ?, Adress = ?",
                  {QStringLiteral("کلينيک مهر"), QStringLiteral("تهران، خيابان وليعصر")});
    m_dialogs = new ScriptedDialogs;
    loadMainWindow();
}

void SettingsTest::cleanup()
{
    closeMainWindow();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<ThemeChangedNotice *>(w) || qobject_cast<MainWindow *>(w))
            delete w;
    delete m_dialogs;
    delete m_folder;
}

void SettingsTest::menuAndPanels()
{
    QVERIFY(!shown("Frame8") && !shown("Frame6") && !shown("Frame9") && !shown("Frame1") && !shown("Frame10"));
    click("Command1");
    QVERIFY(shown("Frame10"));
    click("Command9");
    QVERIFY(shown("Frame8"));
    QVERIFY(!shown("Frame10"));

    click("Command68");
    QVERIFY(shown("Frame8") && shown("Frame6"));
    click("Command46");  // hides the theme panel only
    QVERIFY(shown("Frame8") && !shown("Frame6"));

    click("Command67");
    QVERIFY(shown("Frame8") && shown("Frame9"));
    // The question editor opens over what is shown.
    click("Command66");
    QVERIFY(shown("Frame9") && shown("Frame1"));
    QCOMPARE(edit("Text13")->text(), QStringLiteral("1"));
    click("Command69");
    QVERIFY(!shown("Frame8") && !shown("Frame9") && !shown("Frame1"));

    // Escape closes the menu.
    click("Command9");
    QTest::keyClick(find("Command68"), Qt::Key_Escape);
    QVERIFY(!shown("Frame8"));
    QVERIFY(m_dialogs->shown.isEmpty());
}

void SettingsTest::themeChangeReloadsMainWindowInNewSkin()
{
    QCOMPARE(m_window->property("skinFile").toString(), QStringLiteral("chizh.skn"));
    click("Command9");
    click("Command68");
    click("Theme8");
    QCOMPARE(m_folder->sql("SELECT TH FROM Theme"), QStringList{"8"});
    // The main window closed without the exit prompt, ThemeChangedNotice took its place.
    QVERIFY(!m_window || !m_window->isVisible());
    QVERIFY(MainWindow::current() == nullptr);
    QTRY_VERIFY(m_window.isNull());
    ThemeChangedNotice *skin = skinWindow();
    QVERIFY(skin);
    QCOMPARE(skin->property("skinFile").toString(), QStringLiteral("metallic.skn"));

    // Over the normal picture the highlighted one shows; clicking it loads the main window.
    auto *k1 = skin->findChild<QLabel *>("k1");
    auto *k2 = skin->findChild<QLabel *>("k2");
    QTest::mouseMove(k1);
    QTRY_VERIFY(k2->isVisible());
    QTest::mouseClick(k2, Qt::LeftButton);
    QPointer<MainWindow> reloaded = MainWindow::current();
    QVERIFY(reloaded);
    QVERIFY(reloaded->isVisible());
    QCOMPARE(reloaded->property("skinFile").toString(), QStringLiteral("metallic.skn"));
    QCOMPARE(reloaded->exitMode(), QStringLiteral("2"));
    QTRY_VERIFY(!skinWindow());
    m_window = reloaded;
}

void SettingsTest::storedThemeStillGoesThroughThemeChangedNotice()
{
    m_folder->sql("UPDATE Theme SET TH = '3'");
    closeMainWindow();
    loadMainWindow();
    click("Command9");
    click("Command68");
    click("Theme3");
    QCOMPARE(m_folder->sql("SELECT TH FROM Theme"), QStringList{"3"});
    QVERIFY(MainWindow::current() == nullptr);
    QVERIFY(skinWindow());
    QCOMPARE(skinWindow()->property("skinFile").toString(), QStringLiteral("galaxy.skn"));
}

void SettingsTest::clinicNameFollowsTypingCancelKeepsItSaveStoresIt()
{
    auto *label = m_window->findChild<QLabel *>("SkinLabel1");
    QCOMPARE(label->text(), QStringLiteral("کلينيک مهر"));
    click("Command9");
    click("Command67");
    QLineEdit *name = edit("Text2");
    QCOMPARE(name->text(), QStringLiteral("کلينيک مهر"));
    QCOMPARE(m_window->focusWidget(), name);
    name->end(false);
    typeText(name, QStringLiteral("ا"));
    QCOMPARE(label->text(), QStringLiteral("کلينيک مهرا"));
    typeText(name, QStringLiteral("ن"));
    QCOMPARE(label->text(), QStringLiteral("کلينيک مهران"));

    click("Command7");
    QVERIFY(!shown("Frame9"));
    QVERIFY(shown("Frame8"));
    QCOMPARE(label->text(), QStringLiteral("کلينيک مهران"));
    QCOMPARE(m_folder->sql("SELECT Name FROM Theme"), QStringList{QStringLiteral("کلينيک مهر")});

    // Reopened, the typed name is still there and a save stores it with the address.
    click("Command67");
    QCOMPARE(name->text(), QStringLiteral("کلينيک مهران"));
    edit("Text14")->selectAll();
    typeText(edit("Text14"), QStringLiteral("قم، کوچه \"۷\" پلاک 'ب'"));
    click("Command64");
    QVERIFY(!shown("Frame9"));
    QVERIFY(shown("Frame8"));
    QCOMPARE(m_folder->sql("SELECT Name FROM Theme"), QStringList{QStringLiteral("کلينيک مهران")});
    QCOMPARE(m_folder->sql("SELECT Adress FROM Theme"), QStringList{QStringLiteral("قم، کوچه \"۷\" پلاک 'ب'")});
    QCOMPARE(m_folder->sql("SELECT COUNT(*) FROM Theme"), QStringList{"1"});

    // An empty name is stored empty; Enter saves.
    click("Command67");
    name->selectAll();
    QTest::keyClick(name, Qt::Key_Delete);
    QCOMPARE(label->text(), QString());
    QTest::keyClick(name, Qt::Key_Return);
    QVERIFY(!shown("Frame9"));
    QCOMPARE(m_folder->sql("SELECT Name FROM Theme"), QStringList{QString()});
    QVERIFY(m_dialogs->shown.isEmpty());
}

void SettingsTest::themeChoiceDropsUnsavedClinicName()
{
    click("Command9");
    click("Command67");
    typeText(edit("Text2"), QStringLiteral(" نو"));
    QTest::keyClick(edit("Text2"), Qt::Key_Escape);  // cancel
    QVERIFY(!shown("Frame9"));
    click("Command68");
    click("Theme5");
    QCOMPARE(m_folder->sql("SELECT TH || '|' || Name FROM Theme"), QStringList{QStringLiteral("5|کلينيک مهر")});
    // The reloaded window shows the stored name.
    QTest::mouseMove(skinWindow()->findChild<QLabel *>("k1"));
    QTest::mouseClick(skinWindow()->findChild<QLabel *>("k2"), Qt::LeftButton);
    m_window = MainWindow::current();
    QVERIFY(m_window);
    QCOMPARE(m_window->findChild<QLabel *>("SkinLabel1")->text(), QStringLiteral("کلينيک مهر"));
    QCOMPARE(m_window->property("skinFile").toString(), QStringLiteral("B-Studio.skn"));
}

void SettingsTest::clinicSaveRefusedIsReported()
{
    m_folder->sql("CREATE TRIGGER no_theme_change BEFORE UPDATE ON Theme BEGIN SELECT RAISE(ABORT, 'locked'); END");
    click("Command9");
    click("Command67");
    typeText(edit("Text2"), QStringLiteral("x"));
    click("Command64");
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_dialogs->last().title, QStringLiteral("خطا"));
    QVERIFY(shown("Frame9"));
    // A theme that cannot be stored does not close the main window.
    m_dialogs->clear();
    click("Command68");
    click("Theme4");
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_dialogs->last().title, QStringLiteral("خطا"));
    QVERIFY(m_window && m_window->isVisible());
    QCOMPARE(m_window->exitMode(), QStringLiteral("2"));
    QVERIFY(!skinWindow());
    QCOMPARE(m_folder->sql("SELECT TH FROM Theme"), QStringList{"1"});
}

void SettingsTest::questionEditorFindsItems()
{
    click("Command9");
    click("Command66");
    QVERIFY(shown("Frame1"));
    QCOMPARE(edit("Text13")->text(), QStringLiteral("1"));
    QCOMPARE(itemText()->toPlainText(), item(1));

    chooseItem("23");
    QCOMPARE(itemText()->toPlainText(), item(23));
    // Clearing the number puts 1 back at once.
    edit("Text13")->selectAll();
    QTest::keyClick(edit("Text13"), Qt::Key_Backspace);
    QCOMPARE(edit("Text13")->text(), QStringLiteral("1"));
    QCOMPARE(itemText()->toPlainText(), item(1));

    // No such item: the text is empty; quotes in the number break nothing.
    chooseItem("91");
    QCOMPARE(itemText()->toPlainText(), QString());
    chooseItem("1' OR '1'='1");
    QCOMPARE(itemText()->toPlainText(), QString());
    // Digits of a Persian keyboard find the item.
    chooseItem(QStringLiteral("۹۰"));
    QCOMPARE(itemText()->toPlainText(), item(90));
    QCOMPARE(edit("Text13")->text(), QStringLiteral("۹۰"));
}

void SettingsTest::questionSaveSurvivesRestart()
{
    const QString item13 = item(13);
    const QString edited = QStringLiteral("متن \"تازه\" سوال ۱۲ با 'نقل قول'\nو خط دوم ") + QString(2000, QChar(0x0645));
    click("Command9");
    click("Command66");
    chooseItem("12");
    itemText()->selectAll();
    itemText()->insertPlainText(edited);
    click("Command16");
    QCOMPARE(m_dialogs->texts(), QStringList{QStringLiteral("تغييرات ذخيره شد")});
    QCOMPARE(m_dialogs->last().kind, QStringLiteral("timed"));
    QCOMPARE(m_dialogs->last().delayMs, 1000);
    QCOMPARE(item(12), edited.left(500));  // an item takes 500 characters, line breaks kept
    QCOMPARE(item(13), item13);
    QCOMPARE(m_folder->sql("SELECT COUNT(*) FROM QU"), QStringList{"90"});
    // The editor stays on the item; the next number moves on.
    QVERIFY(shown("Frame1"));
    QCOMPARE(edit("Text13")->text(), QStringLiteral("12"));
    QCOMPARE(itemText()->toPlainText(), edited.left(500));
    chooseItem("13");
    QCOMPARE(itemText()->toPlainText(), item(13));

    // A new run of the program shows the stored text.
    closeMainWindow();
    Database::close();
    QVERIFY(Database::openStore());
    loadMainWindow();
    click("Command9");
    click("Command66");
    chooseItem("12");
    QCOMPARE(itemText()->toPlainText(), edited.left(500));
}

void SettingsTest::questionSaveWithoutItemStoresNothing()
{
    const QStringList before = m_folder->sql("SELECT ID || '=' || QUs FROM QU ORDER BY rowid");
    click("Command9");
    click("Command66");
    chooseItem("0");
    itemText()->setFocus();
    typeText(itemText(), QStringLiteral("متن بي صاحب"));
    click("Command16");
    QCOMPARE(m_dialogs->shown.size(), 1);
    QVERIFY(m_dialogs->last().text != QStringLiteral("تغييرات ذخيره شد"));
    QCOMPARE(m_folder->sql("SELECT ID || '=' || QUs FROM QU ORDER BY rowid"), before);

    // A save the store refuses is reported as an error, not as saved.
    m_folder->sql("CREATE TRIGGER no_item_change BEFORE UPDATE ON QU BEGIN SELECT RAISE(ABORT, 'locked'); END");
    chooseItem("2");
    itemText()->setFocus();
    typeText(itemText(), QStringLiteral("ز"));
    m_dialogs->clear();
    click("Command16");
    QCOMPARE(m_dialogs->shown.size(), 1);
    QCOMPARE(m_dialogs->last().title, QStringLiteral("خطا"));
    QCOMPARE(m_folder->sql("SELECT ID || '=' || QUs FROM QU ORDER BY rowid"), before);
}

void SettingsTest::questionCancelDropsEdit()
{
    const QString original = item(5);
    click("Command9");
    click("Command66");
    chooseItem("5");
    itemText()->setFocus();
    typeText(itemText(), QStringLiteral("اضافه"));
    QVERIFY(itemText()->toPlainText() != original);
    click("Command15");
    QVERIFY(!shown("Frame1"));
    QVERIFY(shown("Frame8"));
    QCOMPARE(edit("Text13")->text(), QStringLiteral("1"));
    QCOMPARE(item(5), original);
    click("Command66");
    chooseItem("5");
    QCOMPARE(itemText()->toPlainText(), original);
    // Escape cancels as well.
    QTest::keyClick(edit("Text13"), Qt::Key_Escape);
    QVERIFY(!shown("Frame1"));
}

// A clinic name, an address and an item text pasted with characters that
// would turn part of them around are stored without them; the joiners and
// direction marks Persian needs stay.
void SettingsTest::hiddenCharactersLeaveClinicAndItemTexts()
{
    const QString kept = QStringLiteral("مهر\u200Cآباد\u200D\u200F");
    click("Command9");
    click("Command67");
    edit("Text2")->setText(QStringLiteral("\u202Eکلينيک\u200B ") + kept + QStringLiteral("\u2066x\u2069"));
    edit("Text14")->setText(QStringLiteral("قم\u2067، کوچه\u2028 ۷\u202A") + kept);
    click("Command64");
    QCOMPARE(m_folder->sql("SELECT Name FROM Theme"), QStringList{QStringLiteral("کلينيک ") + kept + 'x'});
    QCOMPARE(m_folder->sql("SELECT Adress FROM Theme"), QStringList{QStringLiteral("قم، کوچه ۷") + kept});

    QVERIFY(shown("Frame8"));
    click("Command66");
    chooseItem("7");
    itemText()->selectAll();
    itemText()->insertPlainText(QStringLiteral("\u202Bسوال\u200B هفت\u2068 ") + kept + QChar(0xDC00));
    click("Command16");
    QCOMPARE(item(7), QStringLiteral("سوال هفت ") + kept);
}

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
