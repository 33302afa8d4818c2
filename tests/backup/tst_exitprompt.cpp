#include "backup/BackupWindow.h"
#include "backup/ProgramEnd.h"
#include "backup/ExitPrompt.h"
#include "platform/Twips.h"
#include "shell/MainWindow.h"

#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>

#include <algorithm>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {
template <typename T>
QList<T *> visibleWindows()
{
    QList<T *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = qobject_cast<T *>(w); t && t->isVisible())
            out << t;
    return out;
}

void sendTo(QWidget *w, QEvent::Type type)
{
    if (type == QEvent::MouseMove) {
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), w->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &move);
    } else {
        QEvent event(type);
        QCoreApplication::sendEvent(w, &event);
    }
}
}  // namespace

class ExitPromptTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void exitButtonOpensPromptAndUnloadsMainWindow();
    void closingMainWindowAsksOnlyWithExitModeTwo();
    void openWhileOpenKeepsOnePrompt();
    void picturesHighlightUnderTheMouse();
    void confirmUntickedEndsTheProgram();
    void confirmTickedShowsBackupWindow();
    void cancelBringsBackTheMainWindow();
    void closeBoxAndEscapeBringBackTheMainWindow();
    void captionAlternatesAndTickBoxFollows();
    void shortCaptionIsRestored();

private:
    ExitPrompt *hoverAndClick(const char *normal, const char *highlighted);

    TestFolder *m_folder = nullptr;
    ScriptedDialogs *m_dialogs = nullptr;
    int m_ends = 0;
};

void ExitPromptTest::init()
{
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    m_dialogs = new ScriptedDialogs;
    m_ends = 0;
    ProgramEnd::setQuitHook([this] { ++m_ends; });
}

void ExitPromptTest::cleanup()
{
    if (MainWindow *main = MainWindow::current())
        main->setExitMode("1");
    ProgramEnd::setQuitHook([] {});
    ProgramEnd::end();  // closes whatever the test left open
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTRY_VERIFY(QApplication::topLevelWidgets().isEmpty() || visibleWindows<QWidget>().isEmpty());
    delete m_dialogs;
    delete m_folder;
}

ExitPrompt *ExitPromptTest::hoverAndClick(const char *normal, const char *highlighted)
{
    ExitPrompt *prompt = ExitPrompt::current();
    auto *picture = prompt->findChild<QLabel *>(normal);
    sendTo(picture, QEvent::Enter);
    auto *active = prompt->findChild<QLabel *>(highlighted);
    if (!active->isVisible())
        return nullptr;
    QTest::mouseClick(active, Qt::LeftButton);
    return prompt;
}

void ExitPromptTest::exitButtonOpensPromptAndUnloadsMainWindow()
{
    MainWindow *main = MainWindow::load();
    QPointer<MainWindow> guard(main);
    main->findChild<QPushButton *>("Command6")->click();
    QVERIFY(!MainWindow::current());
    QTRY_VERIFY(!guard);

    QCOMPARE(visibleWindows<ExitPrompt>().size(), 1);
    ExitPrompt *prompt = ExitPrompt::current();
    QVERIFY(prompt);
    // Opened at top 4500, then moved to 1500 as the main window closed.
    QCOMPARE(prompt->pos(), twipsPoint(5000, 1500));
    QVERIFY(!prompt->findChild<QCheckBox *>("Check1")->isChecked());
    for (const char *name : {"k1", "C1"})
        QVERIFY(prompt->findChild<QLabel *>(name)->isVisible());
    for (const char *name : {"k2", "C2"})
        QVERIFY(!prompt->findChild<QLabel *>(name)->isVisible());
    for (const char *name : {"k1", "k2", "C1", "C2"})
        QCOMPARE(prompt->findChild<QLabel *>(name)->pixmap().size(), QSize(96, 35));
    QCOMPARE(m_ends, 0);
}

void ExitPromptTest::closingMainWindowAsksOnlyWithExitModeTwo()
{
    MainWindow *main = MainWindow::load();
    main->setExitMode("1");
    main->close();
    QVERIFY(!ExitPrompt::current());

    main = MainWindow::load();
    QCOMPARE(main->exitMode(), QStringLiteral("2"));
    main->close();
    QVERIFY(ExitPrompt::current());
    QCOMPARE(ExitPrompt::current()->pos(), twipsPoint(5000, 1500));
}

void ExitPromptTest::openWhileOpenKeepsOnePrompt()
{
    ExitPrompt *first = ExitPrompt::open(4500);
    QCOMPARE(first->pos(), twipsPoint(5000, 4500));
    first->findChild<QCheckBox *>("Check1")->setChecked(true);
    ExitPrompt *second = ExitPrompt::open(1500);
    QCOMPARE(second, first);
    QCOMPARE(second->pos(), twipsPoint(5000, 1500));
    QVERIFY(second->findChild<QCheckBox *>("Check1")->isChecked());
    QCOMPARE(visibleWindows<ExitPrompt>().size(), 1);
}

void ExitPromptTest::picturesHighlightUnderTheMouse()
{
    ExitPrompt *prompt = ExitPrompt::open(4500);
    auto picture = [prompt](const char *name) { return prompt->findChild<QLabel *>(name); };
    sendTo(picture("k1"), QEvent::MouseMove);
    QVERIFY(!picture("k1")->isVisible());
    QVERIFY(picture("k2")->isVisible());
    QVERIFY(picture("C1")->isVisible());
    sendTo(picture("C1"), QEvent::MouseMove);
    QVERIFY(picture("C2")->isVisible());
    QVERIFY(!picture("C1")->isVisible());
    // The bare window puts both back.
    sendTo(prompt, QEvent::MouseMove);
    QVERIFY(picture("k1")->isVisible() && picture("C1")->isVisible());
    QVERIFY(!picture("k2")->isVisible() && !picture("C2")->isVisible());
    // The normal pictures take no clicks.
    QTest::mouseClick(picture("k1"), Qt::LeftButton);
    QCOMPARE(m_ends, 0);
    QVERIFY(prompt->isVisible());
}

void ExitPromptTest::confirmUntickedEndsTheProgram()
{
    ExitPrompt::open(4500);
    QPointer<ExitPrompt> prompt = hoverAndClick("k1", "k2");
    QVERIFY(prompt);
    QCOMPARE(m_ends, 1);
    QVERIFY(visibleWindows<BackupWindow>().isEmpty());
    QVERIFY(visibleWindows<MainWindow>().isEmpty());
    QTRY_VERIFY(!prompt);
}

void ExitPromptTest::confirmTickedShowsBackupWindow()
{
    ExitPrompt *prompt = ExitPrompt::open(4500);
    prompt->findChild<QCheckBox *>("Check1")->click();
    QVERIFY(prompt->findChild<QCheckBox *>("Check1")->isChecked());
    QPointer<ExitPrompt> guard = hoverAndClick("k1", "k2");
    QVERIFY(guard);
    QCOMPARE(m_ends, 0);
    QVERIFY(!prompt->isVisible());
    QCOMPARE(visibleWindows<BackupWindow>().size(), 1);
    QVERIFY(visibleWindows<MainWindow>().isEmpty());

    // Leaving the backup window ends the program and takes the hidden prompt along.
    visibleWindows<BackupWindow>().first()->findChild<QPushButton *>("Command1")->click();
    QCOMPARE(m_ends, 1);
    QTRY_VERIFY(!guard);
    QVERIFY(!MainWindow::current());
}

void ExitPromptTest::cancelBringsBackTheMainWindow()
{
    MainWindow::load()->findChild<QPushButton *>("Command6")->click();
    QVERIFY(!MainWindow::current());
    QPointer<ExitPrompt> prompt = hoverAndClick("C1", "C2");
    QVERIFY(prompt);
    QTRY_VERIFY(!prompt);
    MainWindow *main = MainWindow::current();
    QVERIFY(main && main->isVisible());
    QCOMPARE(main->exitMode(), QStringLiteral("2"));
    QCOMPARE(visibleWindows<MainWindow>().size(), 1);
    QCOMPARE(m_ends, 0);
    // Its start state: no panel open, hint bar hidden.
    for (const char *panel : {"Frame1", "Frame6", "Frame8", "Frame9", "Frame10"})
        QVERIFY(!main->findChild<QWidget *>(panel)->isVisible());
    QVERIFY(!main->findChild<QLabel *>("SkinLabel2")->isVisible());
}

void ExitPromptTest::closeBoxAndEscapeBringBackTheMainWindow()
{
    QPointer<ExitPrompt> prompt = ExitPrompt::open(1500);
    prompt->close();
    QVERIFY(MainWindow::current());
    QTRY_VERIFY(!prompt);
    QCOMPARE(visibleWindows<MainWindow>().size(), 1);

    MainWindow::current()->setExitMode("1");
    MainWindow::current()->close();
    QVERIFY(visibleWindows<MainWindow>().isEmpty());
    prompt = ExitPrompt::open(1500);
    QTest::keyClick(prompt, Qt::Key_Escape);
    QTRY_VERIFY(!prompt);
    QCOMPARE(visibleWindows<MainWindow>().size(), 1);
    QCOMPARE(m_ends, 0);
}

// The three timers tick every half second. From the first tick on the
// caption takes the two texts in turn, one every half second, and the tick
// box's caption follows at most one tick behind.
void ExitPromptTest::captionAlternatesAndTickBoxFollows()
{
    const QString first = QStringLiteral(" تهيه نسخه پشتيبان");
    const QString second = QStringLiteral("پشتيبان گيري");
    QElapsedTimer clock;
    clock.start();
    ExitPrompt *prompt = ExitPrompt::open(4500);
    for (const char *name : {"Timer2", "Timer3", "tmCaptionAnimate"}) {
        auto *timer = prompt->findChild<QTimer *>(name);
        QVERIFY2(timer, name);
        QCOMPARE(timer->interval(), 500);
    }
    auto *check = prompt->findChild<QCheckBox *>("Check1");
    QStringList captions;
    QList<qint64> changedAt;
    QStringList checkTexts;
    connect(prompt, &QWidget::windowTitleChanged, this, [&](const QString &title) {
        if (captions.isEmpty() || captions.last() != title) {
            captions << title;
            changedAt << clock.elapsed();
        }
    });
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, this, [&] {
        if (checkTexts.isEmpty() || checkTexts.last() != check->text())
            checkTexts << check->text();
    });
    sampler.start(50);
    QTRY_VERIFY_WITH_TIMEOUT(captions.size() >= 5, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(checkTexts.size() >= 4, 10000);

    for (int i = 0; i < captions.size(); ++i) {
        QVERIFY2(captions[i] == first || captions[i] == second, qPrintable(captions[i]));
        if (i > 0)
            QVERIFY(captions[i] != captions[i - 1]);
    }
    // Measured: the first change comes after about half a second, and so does
    // each later one (a loaded machine makes them later, never earlier).
    QVERIFY2(changedAt[0] >= 400 && changedAt[0] < 950, qPrintable(QString::number(changedAt[0])));
    QList<qint64> gaps;
    for (int i = 1; i < changedAt.size(); ++i)
        gaps << changedAt[i] - changedAt[i - 1];
    std::sort(gaps.begin(), gaps.end());
    QVERIFY2(gaps.first() >= 400 && gaps[gaps.size() / 2] < 800,
             qPrintable(QStringLiteral("shortest %1 ms, median %2 ms").arg(gaps.first()).arg(gaps[gaps.size() / 2])));

    // The box starts with its own caption, then shows only window captions.
    QCOMPARE(checkTexts.first(), QStringLiteral("تهيه نسخه پشتيبان"));
    for (int i = 1; i < checkTexts.size(); ++i)
        QVERIFY2(checkTexts[i] == first || checkTexts[i] == second, qPrintable(checkTexts[i]));
    QVERIFY(checkTexts.contains(first));
    QVERIFY(checkTexts.contains(second));
}

void ExitPromptTest::shortCaptionIsRestored()
{
    ExitPrompt *prompt = ExitPrompt::open(4500);
    prompt->findChild<QTimer *>("Timer2")->stop();
    prompt->findChild<QTimer *>("Timer3")->stop();
    prompt->setWindowTitle("x");
    QTRY_COMPARE(prompt->windowTitle(), QStringLiteral(" تهيه نسخه پشتيبان"));
    QTRY_COMPARE(prompt->findChild<QCheckBox *>("Check1")->text(), QStringLiteral(" تهيه نسخه پشتيبان"));
}

QTEST_MAIN(ExitPromptTest)
#include "tst_exitprompt.moc"
