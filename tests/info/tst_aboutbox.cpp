#include "info/AboutBox.h"
#include "platform/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {
QLabel *label(AboutBox &about, int n) { return about.findChild<QLabel *>(QStringLiteral("Label%1").arg(n)); }
QColor textColour(QLabel *l) { return l->palette().color(QPalette::WindowText); }
QString credit(AboutBox &about) { return about.findChild<QLineEdit *>("Text1")->text(); }

// The handlers are driven by hand; the timers must not step in between.
void stopTimers(AboutBox &about, QTimer *except = nullptr)
{
    for (QTimer *timer : about.findChildren<QTimer *>())
        if (timer != except)
            timer->stop();
}
}  // namespace

class AboutBoxTest : public QObject
{
    Q_OBJECT
private slots:
    // Runs first: the colour counter is 0 only until the first tick of the program.
    void colourCounterOutlivesTheWindow();
    void loadState();
    void scrollOrder();
    void colourCycleOfEightTicks();
    void label3TakesTheRandomColour();
    void creditClosesUpAndThenStays();
    void exitButtonCloses();
};

void AboutBoxTest::colourCounterOutlivesTheWindow()
{
    QCOMPARE(AboutBox::colourCounter(), qint16(0));
    {
        AboutBox first;
        stopTimers(first);
        for (int i = 0; i < 3; ++i)
            first.colourTick();
        QCOMPARE(textColour(label(first, 1)), QColor(128, 0, 0));
        for (int i = 0; i < 100; ++i) {
            first.scrollTick();
            first.creditTick();
        }
    }
    // A new opening goes on with the colours, but scroll and credit start afresh.
    AboutBox second;
    stopTimers(second);
    QCOMPARE(second.lineCounter(), qint16(4));
    QCOMPARE(second.labelTopTwips(1), 1920);
    QCOMPARE(credit(second), AboutBox::spacedSentence(AboutBox::creditSentence(), 2));
    second.colourTick();
    QCOMPARE(textColour(label(second, 1)), QColor(128, 128, 0));
}

void AboutBoxTest::loadState()
{
    AboutBox about;
    QCOMPARE(about.aboutLine(0), QStringLiteral("نام نرم افزار:"));
    for (int slot = 1; slot <= 6; ++slot)
        QVERIFY(!about.aboutLine(slot).trimmed().isEmpty());
    for (int slot = 7; slot <= 10; ++slot)
        QVERIFY(about.aboutLine(slot).isEmpty());
    const int tops[] = {1920, 2640, 3240, 3840};
    for (int n = 1; n <= 4; ++n) {
        QCOMPARE(label(about, n)->text(), about.aboutLine(n - 1));
        QCOMPARE(label(about, n)->y(), twips(tops[n - 1]));
    }
    QCOMPARE(about.lineCounter(), qint16(4));
    QCOMPARE(AboutBox::spacedSentence(QStringLiteral("ab cd"), 2), QStringLiteral("a  b  .  c  d  "));
    for (const auto &[name, interval] : {std::pair{"Timer1", 700}, {"Timer3", 1}, {"Timer10", 55}}) {
        auto *timer = about.findChild<QTimer *>(name);
        QCOMPARE(timer->interval(), interval);
        QVERIFY2(timer->isActive(), name);
    }
}

void AboutBoxTest::scrollOrder()
{
    AboutBox about;
    stopTimers(about);
    QStringList arrivals;  // captions in the order they come in at the bottom
    int firstArrival = 0;
    for (int tick = 1; tick <= 3000; ++tick) {
        int before[4];
        for (int n = 1; n <= 4; ++n)
            before[n - 1] = about.labelTopTwips(n);
        about.scrollTick();
        int moved = 0;
        for (int n = 1; n <= 4; ++n) {
            const int top = about.labelTopTwips(n);
            QCOMPARE(label(about, n)->y(), twips(top));
            if (top == before[n - 1] - 15)
                continue;
            ++moved;
            QVERIFY(before[n - 1] <= 1000);
            QCOMPARE(top, AboutBox::kHeightTwips - 1500 - 15);
            arrivals << label(about, n)->text();
            firstArrival = firstArrival ? firstArrival : tick;
        }
        QVERIFY(moved <= 1);
        QVERIFY(about.lineCounter() >= 0 && about.lineCounter() <= 8);
    }
    // Label1 goes up 15 twips a tick from 1920: at the start of the 63rd tick
    // it stands at 990, its first top at or above 1000.
    QCOMPARE(firstArrival, 63);
    QVERIFY(arrivals.size() >= 20);
    // The fifth line is slot 4; after slot 6 come two blank lines, then slot 0.
    const int loop[] = {4, 5, 6, 7, 8, 0, 1, 2, 3};
    for (int i = 0; i < arrivals.size(); ++i)
        QCOMPARE(arrivals[i], about.aboutLine(loop[i % 9]));
    QVERIFY(arrivals[3].isEmpty() && arrivals[4].isEmpty());
}

void AboutBoxTest::colourCycleOfEightTicks()
{
    AboutBox about;
    stopTimers(about);
    const QColor even[8] = {{0, 0, 0},       {0, 128, 0}, {128, 0, 0}, {128, 128, 0},
                            {128, 128, 128}, {0, 255, 0}, {255, 0, 0}, {255, 255, 0}};
    const int start = AboutBox::colourCounter() > 15 ? 0 : AboutBox::colourCounter();
    const QColor label2 = textColour(label(about, 2));
    const QColor label4 = textColour(label(about, 4));
    for (int tick = 0; tick < 24; ++tick) {
        about.colourTick();
        QCOMPARE(textColour(label(about, 1)), even[(start / 2 + tick) % 8]);
    }
    QCOMPARE(textColour(label(about, 2)), label2);
    QCOMPARE(textColour(label(about, 4)), label4);
}

void AboutBoxTest::label3TakesTheRandomColour()
{
    AboutBox about;
    stopTimers(about);
    const QList<double> numbers = {0.0, 0.5, 0.9999, 0.25, 0.75, 0.1};
    int drawn = 0;
    about.setRandomSource([&] { return numbers.value(drawn++); });
    about.colourTick();
    // 127.5 goes to the even 128, 254.97 to 255.
    QCOMPARE(textColour(label(about, 3)), QColor(0, 128, 255));
    about.colourTick();
    QCOMPARE(drawn, 6);
    // 63.75, 191.25 and 25.5 (to the even 26).
    QCOMPARE(textColour(label(about, 3)), QColor(64, 191, 26));
    QCOMPARE(AboutBox::roundHalfEven(2.5), 2);
    QCOMPARE(AboutBox::roundHalfEven(126.5), 126);
}

void AboutBoxTest::creditClosesUpAndThenStays()
{
    AboutBox about;
    auto *timer3 = about.findChild<QTimer *>("Timer3");
    stopTimers(about, timer3);
    const QString plain = AboutBox::creditSentence();
    QString expected = credit(about);
    const int blanks = expected.count(' ');
    const int dots = expected.count('.');
    QVERIFY(dots == plain.count(' ') && dots > 0 && !plain.contains('.'));

    // The blanks go first, one a tick, always the first one left.
    for (int tick = 0; tick < blanks; ++tick) {
        expected.remove(expected.indexOf(' '), 1);
        about.creditTick();
        QCOMPARE(credit(about), expected);
    }
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

void AboutBoxTest::exitButtonCloses()
{
    AboutBox about;
    about.show();
    QTest::mouseClick(about.findChild<QPushButton *>("Command1"), Qt::LeftButton);
    QVERIFY(!about.isVisible());
}

QTEST_MAIN(AboutBoxTest)
#include "tst_aboutbox.moc"
