#include "TestFolder.h"

#include "data/TableView.h"
#include "info/AboutBox.h"
#include "info/IntroductionWindow.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {
QPushButton *button(QWidget &w, const char *name) { return w.findChild<QPushButton *>(name); }
QLabel *page1(QWidget &w) { return w.findChild<QLabel *>("SkinLabel4"); }
QPlainTextEdit *page2(QWidget &w) { return w.findChild<QPlainTextEdit *>("Text3"); }

// Waits for the next modal window, hands it to `look` and closes it, so that a
// button that opens a window and waits for it returns.
void whenModalOpens(const std::function<void(QWidget *)> &look)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, look] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        poll->stop();
        poll->deleteLater();
        look(modal);
        modal->close();
    });
    poll->start();
}
}  // namespace

class IntroductionWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void introductionText();
    void pageSwitchAndBack();
    void emptyInterpretation_data();
    void emptyInterpretation();
    void interpretationShownAsStoredAndNeverWritten();
    void skinFollowsTheTheme_data();
    void skinFollowsTheTheme();
    void command11KeepsPanelsOpen();
    void command12ClosesPanelsFirst();

private:
    std::unique_ptr<TestFolder> m_folder;
};

void IntroductionWindowTest::init()
{
    // The old folder lets go of the database before the new one opens it.
    m_folder.reset();
    m_folder = std::make_unique<TestFolder>();
    QVERIFY(m_folder->isValid());
}

void IntroductionWindowTest::introductionText()
{
    const QString text = IntroductionWindow::introductionText();
    QVERIFY(text.startsWith(QStringLiteral("معرفي پرسشنامه")));
    QVERIFY2(text.size() > 1150 && text.size() < 1350, qPrintable(QString::number(text.size())));
    // It names the five answers exactly as the test run shows them.
    for (const char *option : {"«کاملا موافقم»", "«موافقم»", "«تاحدودي»", "«مخالفم»", "«کاملا مخالفم»"})
        QVERIFY2(text.contains(QString::fromUtf8(option)), option);
    IntroductionWindow window;
    QCOMPARE(page1(window)->text(), text);
}

void IntroductionWindowTest::pageSwitchAndBack()
{
    const QString stored = m_folder->sql("SELECT tafsir FROM Theme").value(0);
    QVERIFY(!stored.isEmpty());
    {
        IntroductionWindow window;
        window.show();
        QTest::mouseClick(button(window, "Command2"), Qt::LeftButton);
        QVERIFY(!page1(window)->isVisible());
        QVERIFY(page2(window)->isVisible());
        QCOMPARE(page2(window)->toPlainText(), stored);
        QCOMPARE(button(window, "Command2")->text(), QStringLiteral("برگشت به توضيحات قبلي"));

        QTest::mouseClick(button(window, "Command2"), Qt::LeftButton);
        QVERIFY(page1(window)->isVisible());
        QVERIFY(!page2(window)->isVisible());
        QCOMPARE(button(window, "Command2")->text(), QStringLiteral("توضيحات بيشتر"));

        // Left on page 2 when it closes.
        window.switchPage();
        QVERIFY(page2(window)->isVisible());
        window.close();
    }
    // Every opening starts on page 1.
    IntroductionWindow again;
    again.show();
    QVERIFY(page1(again)->isVisible());
    QVERIFY(!page2(again)->isVisible());
    QCOMPARE(button(again, "Command2")->text(), QStringLiteral("توضيحات بيشتر"));
    QTest::mouseClick(button(again, "Command1"), Qt::LeftButton);
    QVERIFY(!again.isVisible());
}

void IntroductionWindowTest::emptyInterpretation_data()
{
    QTest::addColumn<QString>("statement");
    QTest::newRow("empty text") << "UPDATE Theme SET tafsir = ''";
    QTest::newRow("null") << "UPDATE Theme SET tafsir = NULL";
    QTest::newRow("no settings row") << "DELETE FROM Theme";
}

void IntroductionWindowTest::emptyInterpretation()
{
    QFETCH(QString, statement);
    m_folder->sql(statement);
    IntroductionWindow window;
    window.show();
    window.switchPage();
    QVERIFY(page2(window)->isVisible());
    QCOMPARE(page2(window)->toPlainText(), QString());
    window.switchPage();
    QVERIFY(page1(window)->isVisible());
}

void IntroductionWindowTest::interpretationShownAsStoredAndNeverWritten()
{
    const QString tafsir = QStringLiteral("نمره کل 'بالا' يعني \"خوب\";\nسطر دوم\n\nسطر چهارم  ");
    m_folder->sql("UPDATE Theme SET tafsir = ?, TH = '3'", {tafsir});
    const QString before = m_folder->sql("SELECT TH || '|' || Name || '|' || Adress || '|' || tafsir FROM Theme").value(0);
    {
        IntroductionWindow window;
        window.show();
        QTest::mouseClick(button(window, "Command2"), Qt::LeftButton);
        QCOMPARE(page2(window)->toPlainText(), tafsir);
        page2(window)->setFocus();
        QTest::keyClicks(page2(window), QStringLiteral("xyz"));
        QTest::keyClick(page2(window), Qt::Key_Delete);
        QCOMPARE(page2(window)->toPlainText(), tafsir);
        QVERIFY(!window.settingsView->hasPending());
        QTest::mouseClick(button(window, "Command1"), Qt::LeftButton);
    }
    QCOMPARE(m_folder->sql("SELECT count(*) FROM Theme").value(0), QStringLiteral("1"));
    QCOMPARE(m_folder->sql("SELECT TH || '|' || Name || '|' || Adress || '|' || tafsir FROM Theme").value(0), before);
}

void IntroductionWindowTest::skinFollowsTheTheme_data()
{
    QTest::addColumn<QString>("th");
    QTest::addColumn<QString>("file");
    QTest::newRow("7") << "7" << "O-Universe.skn";
    QTest::newRow("08 and a blank") << "08 " << "metallic.skn";
    QTest::newRow("text") << "abc" << "";
}

void IntroductionWindowTest::skinFollowsTheTheme()
{
    QFETCH(QString, th);
    QFETCH(QString, file);
    m_folder->sql("UPDATE Theme SET TH = ?", {th});
    IntroductionWindow window;
    QCOMPARE(window.skin().loadedFile(), file);
    QCOMPARE(window.property("skinFile").toString(), file);
    QCOMPARE(window.styleSheet().isEmpty(), file.isEmpty());
}

void IntroductionWindowTest::command11KeepsPanelsOpen()
{
    m_folder->sql("UPDATE Theme SET TH = '7'");
    QPointer<MainWindow> main = new MainWindow;
    main->show();
    QFrame *settings = main->findChild<QFrame *>("Frame8");
    settings->show();

    bool opened = false;
    whenModalOpens([&](QWidget *modal) {
        opened = qobject_cast<IntroductionWindow *>(modal) != nullptr;
        QVERIFY(settings->isVisible());
        // Its own skin, not one inherited from the main window.
        QCOMPARE(modal->property("skinFile").toString(), QStringLiteral("O-Universe.skn"));
        QVERIFY(modal->parentWidget() == nullptr);
    });
    button(*main, "Command11")->click();
    QVERIFY(opened);
    QVERIFY(main);
    QVERIFY(main->isVisible());
    QVERIFY(settings->isVisible());
    main->setExitMode("1");
    main->close();
}

void IntroductionWindowTest::command12ClosesPanelsFirst()
{
    m_folder->sql("UPDATE Theme SET TH = '2'");
    QPointer<MainWindow> main = new MainWindow;
    main->show();
    QFrame *registration = main->findChild<QFrame *>("Frame10");
    registration->show();

    bool opened = false;
    bool panelOpenMeanwhile = true;
    whenModalOpens([&](QWidget *modal) {
        auto *about = qobject_cast<AboutBox *>(modal);
        opened = about != nullptr;
        panelOpenMeanwhile = registration->isVisible();
        // The about box is not skinned.
        QVERIFY(modal->styleSheet().isEmpty());
        QVERIFY(modal->parentWidget() == nullptr);
        QVERIFY(modal->isModal());
    });
    QVERIFY(!main->styleSheet().isEmpty());
    button(*main, "Command12")->click();
    QVERIFY(opened);
    QVERIFY(!panelOpenMeanwhile);
    QVERIFY(main);
    QVERIFY(!registration->isVisible());
    main->setExitMode("1");
    main->close();
}

QTEST_MAIN(IntroductionWindowTest)
#include "tst_introductionwindow.moc"
