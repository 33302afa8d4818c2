#include "testrun/AnswerCoding.h"

#include <QtTest>

#include <set>

// The items on which "کاملا موافقم" stores 1, written out here once more so
// that a slip in the program's own table shows up.
static const std::set<int> kAscending = {2,  11, 12, 15, 17, 18, 19, 20, 21, 22, 26, 27, 33, 34,
                                         35, 36, 37, 40, 41, 45, 48, 50, 52, 56, 58, 61, 63, 64,
                                         67, 71, 72, 75, 77, 78, 79, 80, 81, 82, 84, 86, 87, 90};

class AnswerCodingTest : public QObject
{
    Q_OBJECT
private slots:
    void fortyTwoAscendingItems();
    void everyItemAndOptionBothWays();
    void valuesOutsideTheFive();
    void counterText_data();
    void counterText();
    void digitsOfThreeScripts();
};

void AnswerCodingTest::fortyTwoAscendingItems()
{
    QCOMPARE(kAscending.size(), size_t(42));
    int ascending = 0;
    for (int item = 1; item <= AnswerCoding::ItemCount; ++item) {
        QCOMPARE(AnswerCoding::isAscending(item), kAscending.count(item) == 1);
        ascending += AnswerCoding::isAscending(item);
    }
    QCOMPARE(ascending, 42);
    for (int item : {0, -1, 91, 1000})
        QVERIFY(!AnswerCoding::isAscending(item));
}

void AnswerCodingTest::everyItemAndOptionBothWays()
{
    for (int item = 1; item <= AnswerCoding::ItemCount; ++item) {
        QSet<QString> values;
        for (int option = 1; option <= 5; ++option) {
            const int expected = kAscending.count(item) ? option : 6 - option;
            const QString stored = AnswerCoding::storedValue(item, option);
            QCOMPARE(stored, QString::number(expected));
            // Showing the stored value again selects the same option.
            QCOMPARE(AnswerCoding::optionFor(item, stored), option);
            values << stored;
        }
        QCOMPARE(values.size(), 5);
    }
    // Item 1 is descending, item 2 ascending: "کاملا موافقم" stores 5 and 1.
    QCOMPARE(AnswerCoding::storedValue(1, 1), QStringLiteral("5"));
    QCOMPARE(AnswerCoding::storedValue(2, 1), QStringLiteral("1"));
    QCOMPARE(AnswerCoding::storedValue(90, 5), QStringLiteral("5"));
    QCOMPARE(AnswerCoding::storedValue(89, 5), QStringLiteral("1"));
}

void AnswerCodingTest::valuesOutsideTheFive()
{
    for (int option : {0, 6, -1})
        QVERIFY(AnswerCoding::storedValue(2, option).isEmpty());
    for (const QString &stored : {QString(), QStringLiteral("0"), QStringLiteral("6"), QStringLiteral("33"),
                                  QStringLiteral("a"), QStringLiteral("1.0")})
        QCOMPARE(AnswerCoding::optionFor(2, stored), 0);
    // A value stored with blanks around it still counts.
    QCOMPARE(AnswerCoding::optionFor(2, QStringLiteral(" 4 ")), 4);
    QCOMPARE(AnswerCoding::optionFor(1, QStringLiteral(" 4 ")), 2);
}

void AnswerCodingTest::counterText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<int>("value");
    const int E = CounterText::Empty, N = CounterText::Number, X = CounterText::NotANumber;
    QTest::newRow("empty") << "" << E << "" << 0;
    QTest::newRow("blanks") << "  " << E << "" << 0;
    QTest::newRow("plain") << "45" << N << "45" << 45;
    QTest::newRow("zero") << "0" << N << "0" << 0;
    QTest::newRow("leading zero") << "05" << N << "5" << 5;
    QTest::newRow("zeros") << "000" << N << "0" << 0;
    QTest::newRow("blanks around") << " 7 " << N << "7" << 7;
    QTest::newRow("minus one") << "-1" << N << "-1" << -1;
    QTest::newRow("minus zero") << "-0" << N << "0" << 0;
    QTest::newRow("past the end") << "100" << N << "100" << 100;
    QTest::newRow("persian digits") << QString::fromUtf8("۴۵") << N << "45" << 45;
    QTest::newRow("arabic-indic digits") << QString::fromUtf8("١٢") << N << "12" << 12;
    QTest::newRow("huge") << "123456789012345678901234567890" << N << "123456789012345678901234567890"
                          << 1000000000;
    QTest::newRow("huge negative") << "-99999999999" << N << "-99999999999" << -1000000000;
    QTest::newRow("letter after") << "4a" << X << "4a" << 0;
    QTest::newRow("letters") << "abc" << X << "abc" << 0;
    QTest::newRow("minus only") << "-" << X << "-" << 0;
    QTest::newRow("minus after") << "5-" << X << "5-" << 0;
    QTest::newRow("two minus") << "--1" << X << "--1" << 0;
    QTest::newRow("plus") << "+5" << X << "+5" << 0;
    QTest::newRow("decimal") << "1.5" << X << "1.5" << 0;
    QTest::newRow("inner blank") << "4 5" << X << "4 5" << 0;
    QTest::newRow("sql") << "1' OR '1'='1" << X << "1' OR '1'='1" << 0;
    QTest::newRow("quote column") << "\"5\"" << X << "\"5\"" << 0;
}

void AnswerCodingTest::counterText()
{
    QFETCH(QString, text);
    QFETCH(int, kind);
    QFETCH(QString, plain);
    QFETCH(int, value);
    const CounterText read = CounterText::read(text);
    QCOMPARE(int(read.kind), kind);
    QCOMPARE(read.plain, plain);
    QCOMPARE(read.value, value);
    // The plain form reads back as itself.
    if (read.kind == CounterText::Number)
        QCOMPARE(CounterText::read(read.plain).plain, read.plain);
}

void AnswerCodingTest::digitsOfThreeScripts()
{
    for (int d = 0; d <= 9; ++d) {
        QCOMPARE(digitOf(QChar('0' + d)), d);
        QCOMPARE(digitOf(QChar(0x06f0 + d)), d);
        QCOMPARE(digitOf(QChar(0x0660 + d)), d);
    }
    for (QChar c : {QChar('a'), QChar('/'), QChar(':'), QChar(0x06ef), QChar(0x06fa), QChar(0x0669 + 1), QChar(0x00b2)})
        QCOMPARE(digitOf(c), -1);
}

QTEST_APPLESS_MAIN(AnswerCodingTest)
#include "tst_answercoding.moc"
