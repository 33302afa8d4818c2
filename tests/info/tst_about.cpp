#include "info/About.h"
#include "platform/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {
QLabel *label(About &about, int n) { return about.findChild<QLabel *>(QStringLiteral("Label%1").arg(n)); }
QColor textColour(QLabel *l) { return l->palette().color(QPalette::WindowText); }
QString credit(About &about) { return about.findChild<QLineEdit *>("Text1")->text(); }

// The handlers are driven by hand; the timers must not step in between.
void stopTimers(About &about)
{
    for (QTimer *timer : about.findChildren<QTimer *>())
        timer->stop();
}
}  // namespace

class AboutTest : public QObject
{
    Q_OBJECT
private slots:
    // Runs first: the colour counter is 0 only until the first tick of the program.
    void colourCounterOutlivesTheWindow();
    void loadState();
    void scrollOrder();
    void colourCycleOfEightTicks();
    void label3TakesTheRandomColour();
    void roundingSendsHalvesToTheEvenNeighbour();
    void creditClosesUpAndThenStays();
    void spacedSentenceLayout();
    void exitButtonCloses();

};

void AboutTest::colourCounterOutlivesTheWindow()
{
    QCOMPARE(About::colourCounter(), qint16(0));
    {
        About first;
        stopTimers(first);
        first.colourTick();
        QCOMPARE(textColour(label(first, 1)), QColor(0, 0, 0));
        first.colourTick();
        first.colourTick();
        QCOMPARE(textColour(label(first, 1)), QColor(128, 0, 0));
        for (int i = 0; i < 100; ++i)
            first.scrollTick();
        for (int i = 0; i < 10; ++i)
            first.creditTick();
    }
    QCOMPARE(About::colourCounter(), qint16(6));

    // A new opening goes on with the colours, but scroll and credit start afresh.
    About second;
    stopTimers(second);
    QCOMPARE(second.lineCounter(), qint16(4));
    QCOMPARE(second.labelTopTwips(1), 1920);
    QCOMPARE(credit(second), About::spacedSentence(About::creditSentence(), 2));
    second.colourTick();
    QCOMPARE(textColour(label(second, 1)), QColor(128, 128, 0));
}

void AboutTest::loadState()
{
    About about;
    QCOMPARE(about.windowTitle(), QStringLiteral("about"));
    QCOMPARE(about.size(), twipsSize(8430, 7185));
    QCOMPARE(about.pos(), twipsPoint(2700, 1200));
    QVERIFY(about.styleSheet().isEmpty());

    QCOMPARE(about.aboutLine(0), QStringLiteral("نام نرم افزار:"));
    for (int slot = 1; slot <= 6; ++slot)
        QVERIFY2(!about.aboutLine(slot).trimmed().isEmpty(), qPrintable(QString::number(slot)));
    for (int slot = 7; slot <= 10; ++slot)
        QVERIFY(about.aboutLine(slot).isEmpty());
    QVERIFY(about.aboutLine(1).contains(QStringLiteral("Tavor")));

    const int tops[] = {1920, 2640, 3240, 3840};
    for (int n = 1; n <= 4; ++n) {
        QLabel *l = label(about, n);
        QVERIFY(l);
        QCOMPARE(l->text(), about.aboutLine(n - 1));
        QCOMPARE(l->font().family(), QStringLiteral("Arial"));
        QCOMPARE(about.labelTopTwips(n), tops[n - 1]);
        QCOMPARE(l->y(), twips(tops[n - 1]));
    }
    QCOMPARE(about.lineCounter(), qint16(4));

    auto *text1 = about.findChild<QLineEdit *>("Text1");
    QVERIFY(text1->isReadOnly());
    QVERIFY(text1->alignment() & Qt::AlignHCenter);
    QCOMPARE(about.findChild<QPushButton *>("Command1")->text(), QStringLiteral("خروج"));

    const QList<QPair<const char *, int>> timers = {{"Timer1", 700}, {"Timer3", 1}, {"Timer10", 55}};
    for (const auto &[name, interval] : timers) {
        auto *timer = about.findChild<QTimer *>(name);
        QVERIFY2(timer, name);
        QCOMPARE(timer->interval(), interval);
        QVERIFY2(timer->isActive(), name);
    }
}

void AboutTest::scrollOrder()
{
    About about;
    stopTimers(about);
    const int bottom = About::kHeightTwips - 1500;

    // Captions in the order they come in at the bottom, after the four shown at load.
    QStringList arrivals;
    QList<int> arrivalTicks;
    for (int tick = 1; tick <= 3000; ++tick) {
        int before[4];
        for (int n = 1; n <= 4; ++n)
            before[n - 1] = about.labelTopTwips(n);
        about.scrollTick();
        int moved = 0;
        for (int n = 1; n <= 4; ++n) {
            const int top = about.labelTopTwips(n);
            QCOMPARE(label(about, n)->y(), twips(top));
            if (top > before[n - 1]) {
                ++moved;
                QVERIFY(before[n - 1] <= 1000);
                QCOMPARE(top, bottom - 15);
                arrivals << label(about, n)->text();
                arrivalTicks << tick;
            } else {
                QCOMPARE(top, before[n - 1] - 15);
            }
        }
        QVERIFY(moved <= 1);
        QVERIFY(about.lineCounter() >= 0 && about.lineCounter() <= 8);
    }

    // Label1 starts at 1920 twips and goes 15 a tick: at the start of the 63rd
    // tick it stands at 990, the first top at or above 1000.
    QCOMPARE(arrivalTicks.first(), 63);
    QVERIFY(arrivals.size() >= 20);

    // The fifth line is slot 4; after slot 6 come two blank lines, then slot 0.
    const int loop[] = {4, 5, 6, 7, 8, 0, 1, 2, 3};
    for (int i = 0; i < arrivals.size(); ++i)
        QCOMPARE(arrivals[i], about.aboutLine(loop[i % 9]));
    QCOMPARE(arrivals[0], about.aboutLine(4));
    QVERIFY(arrivals[3].isEmpty() && arrivals[4].isEmpty());
    QCOMPARE(arrivals[5], QStringLiteral("نام نرم افزار:"));
}

void AboutTest::colourCycleOfEightTicks()
{
    About about;
    stopTimers(about);
    const QColor even[8] = {{0, 0, 0},       {0, 128, 0},   {128, 0, 0},   {128, 128, 0},
                            {128, 128, 128}, {0, 255, 0},   {255, 0, 0},   {255, 255, 0}};
    qint16 start = About::colourCounter();
    if (start > 15)
        start = 0;
    QCOMPARE(start % 2, 0);

    const QColor label2 = textColour(label(about, 2));
    const QColor label4 = textColour(label(about, 4));
    QList<QColor> seen;
    for (int tick = 0; tick < 24; ++tick) {
        about.colourTick();
        const QColor colour = textColour(label(about, 1));
        QCOMPARE(colour, even[(start / 2 + tick) % 8]);
        QCOMPARE(colour, About::qbColor((start + 2 * tick) % 16));
        seen << colour;
    }
    for (int tick = 8; tick < seen.size(); ++tick)
        QCOMPARE(seen[tick], seen[tick - 8]);
    // The two other labels keep their colour.
    QCOMPARE(textColour(label(about, 2)), label2);
    QCOMPARE(textColour(label(about, 4)), label4);
}

void AboutTest::label3TakesTheRandomColour()
{
    About about;
    stopTimers(about);
    QList<double> numbers = {0.0, 0.5, 0.9999, 0.25, 0.75, 0.1};
    int drawn = 0;
    about.setRandomSource([&] { return numbers.value(drawn++); });
    about.colourTick();
    QCOMPARE(drawn, 3);
    // 0.5 * 255 = 127.5 goes to 128; 0.9999 * 255 = 254.97 to 255.
    QCOMPARE(textColour(label(about, 3)), QColor(0, 128, 255));
    about.colourTick();
    QCOMPARE(drawn, 6);
    // 63.75, 191.25 and 25.5 (to the even 26).
    QCOMPARE(textColour(label(about, 3)), QColor(64, 191, 26));

    about.setRandomSource([] { return 0.0; });
    about.colourTick();
    QCOMPARE(textColour(label(about, 3)), QColor(0, 0, 0));
}

void AboutTest::roundingSendsHalvesToTheEvenNeighbour()
{
    QCOMPARE(About::roundHalfEven(0.5), 0);
    QCOMPARE(About::roundHalfEven(1.5), 2);
    QCOMPARE(About::roundHalfEven(2.5), 2);
    QCOMPARE(About::roundHalfEven(126.5), 126);
    QCOMPARE(About::roundHalfEven(127.5), 128);
    QCOMPARE(About::roundHalfEven(254.5), 254);
    QCOMPARE(About::roundHalfEven(254.51), 255);
    QCOMPARE(About::roundHalfEven(3.49), 3);
}

void AboutTest::creditClosesUpAndThenStays()
{
    About about;
    auto *timer3 = about.findChild<QTimer *>("Timer3");
    QVERIFY(timer3->isActive());
    for (QTimer *timer : about.findChildren<QTimer *>())
        if (timer != timer3)
            timer->stop();

    const QString plain = About::creditSentence();
    const QString start = credit(about);
    const int blanks = start.count(' ');
    const int dots = start.count('.');
    QCOMPARE(dots, plain.count(' '));
    QVERIFY(blanks > 0 && dots > 0);

    // The blanks go first, one a tick, always the first one left.
    QString expected = start;
    for (int tick = 0; tick < blanks; ++tick) {
        expected.remove(expected.indexOf(' '), 1);
        about.creditTick();
        QCOMPARE(credit(about), expected);
    }
    QCOMPARE(credit(about), QString(plain).replace(' ', '.'));
    // One tick finds no blank and turns to the dots; then the dots, one a tick.
    about.creditTick();
    QCOMPARE(credit(about), expected);
    for (int tick = 0; tick < dots; ++tick) {
        expected[expected.indexOf('.')] = ' ';
        about.creditTick();
        QCOMPARE(credit(about), expected);
    }
    QCOMPARE(credit(about), plain);

    // The plain sentence stays; with nothing left to change the timer rests.
    for (int tick = 0; tick < 50; ++tick)
        about.creditTick();
    QCOMPARE(credit(about), plain);
    QVERIFY(!timer3->isActive());
}

void AboutTest::spacedSentenceLayout()
{
    QCOMPARE(About::spacedSentence(QStringLiteral("ab cd"), 2), QStringLiteral("a  b  .  c  d  "));
    QCOMPARE(About::spacedSentence(QStringLiteral("x"), 3), QStringLiteral("x   "));
    const QString spaced = About::spacedSentence(About::creditSentence(), 2);
    QCOMPARE(spaced.size(), About::creditSentence().size() * 3);
    QVERIFY(!About::creditSentence().contains('.'));
}

void AboutTest::exitButtonCloses()
{
    About about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::mouseClick(about.findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Accepted));
}

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
