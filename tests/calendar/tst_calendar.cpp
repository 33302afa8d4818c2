#include "calendar/SolarCalendar.h"

#include <QtTest>

class CalendarTest : public QObject
{
    Q_OBJECT
private slots:
    void knownDates_data();
    void knownDates();
    void layoutsOfOneDay();
    void leapYearsOfTheCentury();
    void everyNewYearAgainstYearLengths();
    void outsideTheRange();
};

void CalendarTest::knownDates_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("solar");
    QTest::newRow("epoch") << QDate(1953, 3, 21) << "1332/01/01";
    QTest::newRow("last of month 6") << QDate(1953, 9, 22) << "1332/06/31";
    QTest::newRow("first of month 7") << QDate(1953, 9, 23) << "1332/07/01";
    QTest::newRow("1403 new year") << QDate(2024, 3, 20) << "1403/01/01";
    QTest::newRow("1403 leap day") << QDate(2025, 3, 20) << "1403/12/30";
    QTest::newRow("1404 new year") << QDate(2025, 3, 21) << "1404/01/01";
    QTest::newRow("1399 leap day") << QDate(2021, 3, 20) << "1399/12/30";
    QTest::newRow("1400 new year") << QDate(2021, 3, 21) << "1400/01/01";
    QTest::newRow("y2k") << QDate(2000, 1, 1) << "1378/10/11";
    QTest::newRow("padded") << QDate(2023, 8, 1) << "1402/05/10";
    QTest::newRow("non-leap year end") << QDate(2024, 3, 19) << "1402/12/29";
}

void CalendarTest::knownDates()
{
    QFETCH(QDate, date);
    QFETCH(QString, solar);
    QCOMPARE(SolarCalendar::SolarDate(date), solar);
    QCOMPARE(SolarCalendar::SolarDate(date, 0), solar);
}

void CalendarTest::layoutsOfOneDay()
{
    const QDate tuesday(2023, 8, 1);
    QCOMPARE(SolarCalendar::SolarDate(tuesday, 1), QStringLiteral("10 مرداد 1402"));
    QCOMPARE(SolarCalendar::SolarDate(tuesday, 2), QStringLiteral("سه شنبه 1402/5/10"));
    QCOMPARE(SolarCalendar::SolarDate(tuesday, 3), QStringLiteral("سه شنبه 10 مرداد 1402"));
    QCOMPARE(SolarCalendar::SolarDate(tuesday, 4), QStringLiteral("1402.5.10"));
    QCOMPARE(SolarCalendar::SolarDate(tuesday, 5), QString());
    QCOMPARE(SolarCalendar::SolarDate(tuesday, -1), QString());

    const QDate y2k(2000, 1, 1);  // a Saturday
    QCOMPARE(SolarCalendar::SolarDate(y2k, 4), QStringLiteral("1378.10.11"));
    QCOMPARE(SolarCalendar::SolarDate(y2k, 1), QStringLiteral("11 دي 1378"));
    QCOMPARE(SolarCalendar::SolarDate(y2k, 2), QStringLiteral("شنبه 1378/10/11"));
    // Sunday is the first weekday name.
    QCOMPARE(SolarCalendar::SolarDate(QDate(2000, 1, 2), 2), QStringLiteral("يکشنبه 1378/10/12"));
    // Time of day does not count: the date changes at midnight.
    QCOMPARE(SolarCalendar::SolarDate(QDateTime(QDate(2024, 3, 19), QTime(23, 59, 59)).date()), QStringLiteral("1402/12/29"));
}

void CalendarTest::leapYearsOfTheCentury()
{
    const QList<int> expected = {1333, 1337, 1342, 1346, 1350, 1354, 1358, 1362, 1366, 1370, 1375, 1379,
                                 1383, 1387, 1391, 1395, 1399, 1403, 1408, 1412, 1416, 1420, 1424, 1428};
    QList<int> leap;
    for (int year = 1332; year <= 1430; ++year)
        if (SolarCalendar::IsSolarLeapYear(year - 1332))
            leap << year;
    QCOMPARE(leap, expected);
}

// Independent count: 1 Farvardin of each year lies the sum of the earlier
// year lengths after the epoch; the converter must land on it, and the day
// before it must be the last day of Esfand (29 or 30).
void CalendarTest::everyNewYearAgainstYearLengths()
{
    const QDate epoch(1953, 3, 21);
    qint64 days = 0;
    for (int year = 1332; year <= 1479; ++year) {
        const QDate newYear = epoch.addDays(days);
        QCOMPARE(SolarCalendar::SolarDate(newYear), QString::number(year) + "/01/01");
        if (year > 1332) {
            const bool previousLeap = SolarCalendar::IsSolarLeapYear(year - 1 - 1332);
            QCOMPARE(SolarCalendar::SolarDate(newYear.addDays(-1)),
                     QString::number(year - 1) + (previousLeap ? "/12/30" : "/12/29"));
        }
        int y = 0, m = 0, d = 0;
        QVERIFY(SolarCalendar::SolarFromDays(days, y, m, d));
        QCOMPARE(y, year);
        QCOMPARE(m, 1);
        QCOMPARE(d, 1);
        const int x = year - 1309;
        days += (((x % 32) - (x / 32)) % 4 == 0) ? 366 : 365;
    }
}

void CalendarTest::outsideTheRange()
{
    int y = -7, m = -7, d = -7;
    QVERIFY(!SolarCalendar::SolarFromDays(-1, y, m, d));
    QCOMPARE(y, -7);  // outputs untouched
    QCOMPARE(SolarCalendar::SolarDate(QDate(1953, 3, 20)), QString());
    QCOMPARE(SolarCalendar::SolarDate(QDate(), 0), QString());
}

QTEST_APPLESS_MAIN(CalendarTest)
#include "tst_calendar.moc"
