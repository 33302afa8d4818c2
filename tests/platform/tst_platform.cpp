#include "FileDialogDriver.h"
#include "TestFolder.h"

#include "platform/Dialogs.h"
#include "platform/LeadingNumber.h"
#include "platform/Skin.h"
#include "platform/Startup.h"
#include "shell/ThemeSkin.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFile>
#include <QTemporaryDir>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <QtTest>

class PlatformTest : public QObject
{
    Q_OBJECT
private slots:
    void leadingNumber_data();
    void leadingNumber();
    void themeNumberSelectsSkin_data();
    void themeNumberSelectsSkin();
    void missingSkinFileLoadsNothing();
    void timedBoxClosesItself();
    void timedBoxClosedEarlyByOperator();
    void otherBoxesAreNeverDismissed();
    void saveDialogAsksAboutTheFileWritten_data();
    void saveDialogAsksAboutTheFileWritten();
    void typefacesAreNamedByTheFamilyInstalled();
};

void PlatformTest::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << "8" << 8.0;
    QTest::newRow("leading blank") << " 8" << 8.0;
    QTest::newRow("trailing blank") << "8 " << 8.0;
    QTest::newRow("leading zero") << "08" << 8.0;
    QTest::newRow("fraction") << "8.5" << 8.5;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("twelve") << "12" << 12.0;
    QTest::newRow("negative") << "-3" << -3.0;
    QTest::newRow("stops at letter") << "2.1beta" << 2.1;
    QTest::newRow("blanks inside") << "1 2" << 12.0;
    QTest::newRow("version line") << "2.2\r\n" << 2.2;
    QTest::newRow("lone point") << "." << 0.0;
    QTest::newRow("no exponent") << "1e2" << 1.0;
    QTest::newRow("capital E") << "2E1" << 2.0;
    QTest::newRow("exponent with sign") << "2.5e+3" << 2.5;
    QTest::newRow("dangling exponent") << "3e" << 3.0;
    QTest::newRow("CR ends it") << "2\r5" << 2.0;
    QTest::newRow("line feed skipped") << "2\n5" << 25.0;
}

void PlatformTest::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(::leadingNumber(text), value);
}

void PlatformTest::themeNumberSelectsSkin_data()
{
    QTest::addColumn<QString>("th");
    QTest::addColumn<QString>("file");
    QTest::newRow("1") << "1" << "chizh.skn";
    QTest::newRow("2") << "2" << "Green.skn";
    QTest::newRow("8") << "8" << "metallic.skn";
    QTest::newRow(" 8") << " 8" << "metallic.skn";
    QTest::newRow("8 ") << "8 " << "metallic.skn";
    QTest::newRow("08") << "08" << "metallic.skn";
    QTest::newRow("11") << "11" << "office2007.skn";
    QTest::newRow("8.5") << "8.5" << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("12") << "12" << "";
    QTest::newRow("0") << "0" << "";
    QTest::newRow("-1") << "-1" << "";
}

void PlatformTest::themeNumberSelectsSkin()
{
    QFETCH(QString, th);
    QFETCH(QString, file);
    TestFolder folder;
    QWidget window;
    window.setStyleSheet(QStringLiteral("QWidget { color: red; }"));
    Skin skin;
    applyThemeSkin(&window, skin, th);
    QCOMPARE(skin.loadedFile(), file);
    if (file.isEmpty()) {
        // Nothing loaded, but the skin was still applied: the default look.
        QCOMPARE(window.styleSheet(), QString());
    } else {
        QVERIFY(window.styleSheet().startsWith(QStringLiteral("/* Mehrsan skin:")));
    }
}

void PlatformTest::missingSkinFileLoadsNothing()
{
    TestFolder folder;
    QFile::remove(folder.path() + "/Paper.skn");
    QWidget window;
    Skin skin;
    applyThemeSkin(&window, skin, "9");
    QCOMPARE(skin.loadedFile(), QString());
    QCOMPARE(window.styleSheet(), QString());
}

void PlatformTest::timedBoxClosesItself()
{
    QWidget owner;
    owner.show();
    QtDialogs dialogs;
    // While the box is up: its title, and the owner's one-shot timer set to the delay.
    int interval = 0;
    bool singleShot = false;
    QString title;
    QTimer::singleShot(100, [&] {
        if (auto *timer = owner.findChild<QTimer *>(QStringLiteral("dismissTimer"))) {
            interval = timer->interval();
            singleShot = timer->isSingleShot();
        }
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            title = box->windowTitle();
    });
    QElapsedTimer clock;
    clock.start();
    dialogs.showTimedMessage(&owner, QStringLiteral("تغييرات ذخيره شد"), 1000);
    const qint64 shown = clock.elapsed();
    QCOMPARE(interval, 1000);
    QVERIFY(singleShot);
    QCOMPARE(title, QStringLiteral("پيام"));
    // Measured: about one second, later on a loaded machine, never earlier.
    QVERIFY2(shown >= 900 && shown < 3000, qPrintable(QString::number(shown)));

    // A long text stays up just as long, and a two-second notice twice as long.
    clock.restart();
    dialogs.showTimedMessage(&owner, QString(2000, QChar(0x0633)), 1000);
    QVERIFY(clock.elapsed() < 3000);
    clock.restart();
    dialogs.showTimedMessage(&owner, QStringLiteral("دو ثانيه"), 2000);
    QVERIFY(clock.elapsed() >= 1900);
}

void PlatformTest::timedBoxClosedEarlyByOperator()
{
    QWidget owner;
    QtDialogs dialogs;
    QString seenTitle;
    // The operator presses Enter before the timer: the box closes at once.
    QTimer::singleShot(100, [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                seenTitle = box->windowTitle();
                QTest::keyClick(box, Qt::Key_Return);
            }
    });
    QElapsedTimer clock;
    clock.start();
    dialogs.showTimedMessage(&owner, QStringLiteral("شروع"), 1000);
    QVERIFY(clock.elapsed() < 900);
    QCOMPARE(seenTitle, QStringLiteral("پيام"));
    // The later tick finds nothing to close.
    QTest::qWait(1100);
    QVERIFY(!QtDialogs::dismissTimer());
}

void PlatformTest::otherBoxesAreNeverDismissed()
{
    QMessageBox question(QMessageBox::Question, QStringLiteral("Mehrsan"), QStringLiteral("آيا؟"),
                         QMessageBox::Yes | QMessageBox::No);
    question.show();
    QVERIFY(!QtDialogs::dismissTimer());
    QVERIFY(question.isVisible());
}

// Qt's own save dialog: with a default suffix its question is about the name
// with the suffix; told that the caller asks, it asks nothing.
void PlatformTest::saveDialogAsksAboutTheFileWritten_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("questions");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("suffix added, then asked, Yes") << "results" << "csv" << true << int(QMessageBox::Yes) << 1
                                                   << "results.csv";
    QTest::newRow("suffix added, then asked, No") << "results" << "csv" << true << int(QMessageBox::No) << 1 << "";
    QTest::newRow("new name gets the suffix") << "fresh" << "csv" << true << int(QMessageBox::Yes) << 0
                                              << "fresh.csv";
    QTest::newRow("caller asks itself") << "old.mdbB" << "" << false << int(QMessageBox::Yes) << 0 << "old.mdbB";
    QTest::newRow("caller asks, new name") << "new.mdbB" << "" << false << int(QMessageBox::Yes) << 0
                                           << "new.mdbB";
}

void PlatformTest::saveDialogAsksAboutTheFileWritten()
{
    QFETCH(QString, typed);
    QFETCH(QString, suffix);
    QFETCH(bool, confirm);
    QFETCH(int, answer);
    QFETCH(int, questions);
    QFETCH(QString, chosen);
    QTemporaryDir dir;
    for (const char *existing : {"results.csv", "results", "old.mdbB"}) {
        QFile f(dir.filePath(QString::fromLatin1(existing)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    SaveOptions options;
    options.defaultSuffix = suffix;
    options.confirmOverwrite = confirm;
    FileDialogDriver driver(typed, QMessageBox::StandardButton(answer));
    const QString result = QtDialogs().saveFileName(nullptr, "save", dir.path(), "Any |*", QString(), options);
    QVERIFY(driver.sawDialog);
    QCOMPARE(driver.questions.size(), questions);
    for (const QString &q : driver.questions)
        QVERIFY2(q.contains("results.csv"), qPrintable(q));
    QCOMPARE(result, chosen.isEmpty() ? QString() : dir.filePath(chosen));
}

// A family the windows name that is not installed is named by the one it is
// mapped to, and shows the same font; one that is installed keeps its name
// even where it is mapped too.
void PlatformTest::typefacesAreNamedByTheFamilyInstalled()
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    setUpApplication(*app);
    for (const char *designed : {"B Nazanin", "B Titr", "Arial"}) {
        const QString family = QString::fromLatin1(designed);
        const QString installed = installedFamily(family);
        QVERIFY2(QFontDatabase::hasFamily(installed), designed);
        QCOMPARE(QFontInfo(QFont(installed, 12)).family(), QFontInfo(QFont(family, 12)).family());
    }
    QVERIFY(QFontDatabase::hasFamily("DejaVu Sans"));
    QFont::insertSubstitution("DejaVu Sans", "Nazli");
    QCOMPARE(installedFamily("DejaVu Sans"), QString("DejaVu Sans"));
    QFont::removeSubstitutions("DejaVu Sans");

    useInstalledTypefaces(*app);
    QVERIFY(QFontDatabase::hasFamily(QApplication::font().family()));
    QCOMPARE(QFontInfo(QApplication::font()).family(), QFontInfo(QFont("B Nazanin", 12)).family());
    QCOMPARE(QApplication::font().pointSize(), 12);
}

QTEST_MAIN(PlatformTest)
#include "tst_platform.moc"
