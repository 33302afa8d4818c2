#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include "data/Database.h"
#include "data/TableView.h"
#include "platform/Desktop.h"
#include "platform/Twips.h"
#include "shell/MainWindow.h"
#include "shell/ThemeChangedNotice.h"
#include "shell/ProgramStart.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace {
void moveMouseOver(QWidget *widget)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), widget->mapToGlobal(QPointF(3, 3)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

QStringList panelNames() { return {"Frame10", "Frame8", "Frame9", "Frame6", "Frame1"}; }
}  // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void loadState();
    void buttonsAndLinks();
    void hintBar();
    void closePanelsHidesAndRereads();
    void buttonsDecideByTheAnswerTable_data();
    void buttonsDecideByTheAnswerTable();
    void closeWithExitModeOneJustUnloads();
    void themeConfirmationLoadsNewMainWindow();
    void databaseMissingOrForeignEndsTheProgram();
};

void MainWindowTest::loadState()
{
    TestFolder folder;
    folder.sql("UPDATE Theme SET Name = ?, TH = '3'", {QStringLiteral("کلينيک آرامش")});
    MainWindow window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Mehrsan"));
    QCOMPARE(window.findChild<QLabel *>("SkinLabel9")->text(), QStringLiteral("Mehrsan 2.1"));
    QCOMPARE(window.findChild<QLabel *>("SkinLabel1")->text(), QStringLiteral("کلينيک آرامش"));
    QCOMPARE(window.exitMode(), QStringLiteral("2"));
    QCOMPARE(window.pos(), twipsPoint(2340, 765));
    QCOMPARE(window.size(), twipsSize(10725, 7905));
    QVERIFY(window.styleSheet().contains(QStringLiteral("Galaxy")));
    for (const QString &name : panelNames())
        QVERIFY2(window.findChild<QFrame *>(name)->isHidden(), qPrintable(name));
    QVERIFY(!window.findChild<QFrame *>("Frame7")->isHidden());
    QCOMPARE(window.findChild<QLineEdit *>("Text1")->text(), QStringLiteral("3"));
    QCOMPARE(MainWindow::current(), &window);
}

void MainWindowTest::buttonsAndLinks()
{
    TestFolder folder;
    qputenv("MEHRSAN_SITE_URL", "http://127.0.0.1:8080/");
    QStringList opened;
    Desktop::setWebOpener([&](const QString &url) { opened << url; });
    MainWindow window;
    const QList<QPair<QString, QString>> captions = {
        {"Command1", "ثبت نام آزمودني"}, {"Command2", "اجراي تست"},     {"Command3", "کليد گذاري"},
        {"Command4", "نمايش کد آزمودني"}, {"Command11", "معرفي پرسشنامه"}, {"Command5", "ماشين حساب"},
        {"Command9", "تنظيمات"},          {"Command12", "درباره ما"},       {"Command17", "بروز رساني"},
        {"Command6", "خروج"}};
    int lastTop = -1;
    for (const auto &[name, caption] : captions) {
        auto *button = window.findChild<QPushButton *>(name);
        QVERIFY2(button, qPrintable(name));
        QCOMPARE(button->text(), caption);
        QVERIFY(button->y() > lastTop);  // top to bottom in this order
        lastTop = button->y();
    }
    auto *help = window.findChild<QPushButton *>("CmdHelp");
    QCOMPARE(help->toolTip(), QStringLiteral("براي مشاهده اين قسمت بايد به اينترنت کانکت شويد"));
    QTest::mouseClick(help, Qt::LeftButton);
    QCOMPARE(opened, QStringList{"http://127.0.0.1:8080/software/software-settings.html"});

    auto *logo = window.findChild<QLabel *>("Picture1");
    QCOMPARE(logo->toolTip(), QStringLiteral("جهت ورود به سايت کليک کنيد"));
    opened.clear();
    QTest::mouseClick(logo, Qt::LeftButton);
    QCOMPARE(opened.size(), 2);
    QVERIFY(opened.first().startsWith("http://127.0.0.1:8080/"));
    Desktop::setWebOpener({});
    qunsetenv("MEHRSAN_SITE_URL");
}

void MainWindowTest::hintBar()
{
    TestFolder folder;
    MainWindow window;
    window.show();
    auto *hint = window.findChild<QLabel *>("SkinLabel2");
    QVERIFY(hint->isHidden());
    QCOMPARE(hint->text(), QString());

    // A button without a hint changes nothing.
    moveMouseOver(window.findChild<QPushButton *>("Command5"));
    QVERIFY(hint->isHidden());

    moveMouseOver(window.findChild<QPushButton *>("Command4"));
    QVERIFY(hint->isVisible());
    QCOMPARE(hint->text(), QStringLiteral(" درصورتيکه کد آزمودني را فراموش کرده ايد با کليک بر روي  اين قسمت مي "
                                          "توانيد آن را بدست بياوريد"));
    moveMouseOver(window.findChild<QPushButton *>("Command12"));  // no hint: the last one stays
    QVERIFY(hint->isVisible());
    moveMouseOver(window.findChild<QPushButton *>("Command9"));
    QVERIFY(hint->text().startsWith(QStringLiteral("با کليک بر روي اين دکمه شمامي توانيد:1- ")));

    moveMouseOver(window.findChild<QFrame *>("Frame7"));
    QVERIFY(hint->isHidden());
    QCOMPARE(hint->text(), QString());

    moveMouseOver(window.findChild<QPushButton *>("Command1"));
    QVERIFY(hint->text().startsWith(QStringLiteral(" شما بايد هر آزمودني")));
    moveMouseOver(&window);
    QVERIFY(hint->isHidden());
}

void MainWindowTest::closePanelsHidesAndRereads()
{
    TestFolder folder;
    folder.addSubject("1");
    folder.addSubject("2");
    MainWindow window;
    for (const QString &name : panelNames())
        window.findChild<QFrame *>(name)->show();
    window.subjectView->filter("code='2'");
    window.subjectView->setField("FName", "نيمه کاره");
    window.answerView->filter("code='2'");
    window.closePanels();
    for (const QString &name : panelNames())
        QVERIFY(window.findChild<QFrame *>(name)->isHidden());
    QVERIFY(!window.subjectView->hasPending());
    QVERIFY(!window.subjectView->isFiltered());
    QVERIFY(!window.answerView->isFiltered());
    QCOMPARE(folder.sql("SELECT FName FROM IDE WHERE Code='2'"), QStringList{"علي"});
}

// The test-run, keying and subject-list buttons all decide by the main
// window's Answer view: a subject known only to IDE does not count, one known
// only to Answer does.
void MainWindowTest::buttonsDecideByTheAnswerTable_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("table");
    QTest::addColumn<bool>("acts");
    for (const char *button : {"Command2", "Command3", "Command4"}) {
        QTest::addRow("%s, nothing", button) << QString(button) << QString() << false;
        QTest::addRow("%s, IDE only", button) << QString(button) << QStringLiteral("IDE") << false;
        QTest::addRow("%s, Answer only", button) << QString(button) << QStringLiteral("Answer") << true;
    }
}

void MainWindowTest::buttonsDecideByTheAnswerTable()
{
    QFETCH(QString, button);
    QFETCH(QString, table);
    QFETCH(bool, acts);
    TestFolder folder;
    if (!table.isEmpty())
        folder.sql("INSERT INTO " + table + " (Code) VALUES ('X1')");
    ScriptedDialogs dialogs;  // the code prompt is answered with nothing
    MainWindow *window = MainWindow::load();
    QPointer<MainWindow> guard(window);
    window->findChild<QFrame *>("Frame8")->show();
    QTest::mouseClick(window->findChild<QPushButton *>(button), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    if (button == QLatin1String("Command2")) {
        QVERIFY(!guard.isNull());
        QCOMPARE(!dialogs.shown.isEmpty(), acts);  // the code prompt
        if (acts)
            QCOMPARE(dialogs.shown.first().kind, QStringLiteral("input"));
    } else {
        QCOMPARE(guard.isNull(), acts);  // the keying or subject-list window took its place
        QVERIFY(dialogs.shown.isEmpty());
    }
    if (!acts) {  // not even the panels close
        QVERIFY(!window->findChild<QFrame *>("Frame8")->isHidden());
        QCOMPARE(window->exitMode(), QStringLiteral("2"));
    }
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible() && w != guard.data())
            w->close();
    if (guard) {
        guard->setExitMode("1");
        guard->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void MainWindowTest::closeWithExitModeOneJustUnloads()
{
    TestFolder folder;
    auto *window = MainWindow::load();
    QPointer<MainWindow> guard(window);
    window->setExitMode("1");
    QVERIFY(window->close());
    QTRY_VERIFY(guard.isNull());  // unloaded
    QCOMPARE(MainWindow::current(), nullptr);
}

void MainWindowTest::themeConfirmationLoadsNewMainWindow()
{
    TestFolder folder;
    folder.sql("UPDATE Theme SET TH = '6'");
    auto *skin = new ThemeChangedNotice;
    QPointer<ThemeChangedNotice> guard(skin);
    skin->show();
    QVERIFY(skin->styleSheet().contains(QStringLiteral("Mac")));
    QCOMPARE(skin->pos(), twipsPoint(5000, 3500));
    QCOMPARE(skin->windowTitle(), QStringLiteral("Skin"));
    auto *k1 = skin->findChild<QLabel *>("k1");
    auto *k2 = skin->findChild<QLabel *>("k2");
    QVERIFY(k1->isVisible() && k2->isHidden());
    moveMouseOver(k1);
    QVERIFY(k1->isHidden() && k2->isVisible());
    moveMouseOver(skin);
    QVERIFY(k1->isVisible() && k2->isHidden());
    moveMouseOver(k1);
    QTest::mouseClick(k2, Qt::LeftButton);
    QTRY_VERIFY(guard.isNull());
    QVERIFY(MainWindow::current());
    QVERIFY(MainWindow::current()->isVisible());
    QVERIFY(MainWindow::current()->styleSheet().contains(QStringLiteral("Mac")));
    MainWindow::current()->setExitMode("1");
    MainWindow::current()->close();
}

void MainWindowTest::databaseMissingOrForeignEndsTheProgram()
{
    if (TestFolder::onServer())
        QSKIP("about the database file; a server that is not there is tested with the server store");
    TestFolder folder;
    Database::close();
    ScriptedDialogs dialogs;
    QVERIFY(openProgramDatabase());
    QVERIFY(dialogs.shown.isEmpty());

    QFile::remove(folder.databaseFile());
    QVERIFY(!openProgramDatabase());
    QCOMPARE(dialogs.last().title, QStringLiteral("خطا"));
    QCOMPARE(dialogs.last().icon, QMessageBox::Critical);
    QVERIFY(dialogs.last().text.contains(QStringLiteral("DBTavor.mdb")));
    QVERIFY(!QFile::exists(folder.databaseFile()));  // never created

    QFile junk(folder.databaseFile());
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("Standard Jet DB, or anything else");
    junk.close();
    QVERIFY(!openProgramDatabase());
    QCOMPARE(dialogs.shown.size(), 2);
    QCOMPARE(QFileInfo(folder.databaseFile()).size(), qint64(33));  // left as it was
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
