#include "scoring/ScoringKey.h"

#include <QRandomGenerator>
#include <QSet>
#include <QtTest>

using namespace ScoringKey;

class ScoringKeyTest : public QObject
{
    Q_OBJECT
private slots:
    void everyItemCountsInExactlyOneSubscale();
    void keyTableAsTheProgramUsesIt();
    void uniformAnswers_data();
    void uniformAnswers();
    void onlyItem87Answered();
    void items5And12Missing();
    void noAnswersAtAll();
    void itemValues();
    void randomRowsSumTheirItems();
};

void ScoringKeyTest::everyItemCountsInExactlyOneSubscale()
{
    QSet<int> seen;
    QSet<QString> columns, abbreviations;
    for (const Subscale &s : subscales()) {
        for (int item : itemsOf(s.baseItem)) {
            QVERIFY2(item >= 1 && item <= 90, qPrintable(QString::number(item)));
            QVERIFY2(!seen.contains(item), "item in two subscales");
            seen.insert(item);
        }
        columns.insert(QString::fromLatin1(s.column));
        abbreviations.insert(QString::fromLatin1(s.abbreviation));
        // The legend line ends in its abbreviation.
        QVERIFY(QString::fromUtf8(s.legendLine).endsWith(QLatin1String(s.abbreviation)));
    }
    QCOMPARE(seen.size(), 90);
    QCOMPARE(columns.size(), 15);
    QCOMPARE(abbreviations.size(), 15);
    QCOMPARE(scoreColumns().size(), 16);
    QCOMPARE(scoreColumns().last(), QStringLiteral("kol"));
}

void ScoringKeyTest::keyTableAsTheProgramUsesIt()
{
    // Spot checks across the table: column, abbreviation and six items.
    auto check = [](const char *column, const char *abbreviation, std::array<int, 6> items) {
        const int i = indexOfColumn(QString::fromLatin1(column));
        QVERIFY2(i >= 0, column);
        QCOMPARE(QLatin1String(subscales()[i].abbreviation), QLatin1String(abbreviation));
        QCOMPARE(itemsOf(subscales()[i].baseItem), items);
    };
    check("khodagahi", "ES", {6, 21, 36, 51, 66, 81});
    check("ebrazevojood", "AS", {15, 30, 45, 60, 75, 90});
    check("halemas", "PS", {1, 16, 31, 46, 61, 76});
    check("vaghegaraee", "RT", {7, 22, 37, 52, 67, 82});
    check("enetafpaz", "FL", {12, 27, 42, 57, 72, 87});
    check("shadmani", "HA", {2, 17, 32, 47, 62, 77});
    QCOMPARE(QLatin1String(subscales().front().abbreviation), QLatin1String("ES"));
    QCOMPARE(QLatin1String(subscales().back().abbreviation), QLatin1String("HA"));
    QCOMPARE(indexOfColumn("KOL"), -1);
    QCOMPARE(indexOfColumn("Control"), indexOfColumn("control"));
}

void ScoringKeyTest::uniformAnswers_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("subscale");
    QTest::addColumn<int>("total");
    QTest::newRow("all 3") << "3" << 18 << 270;
    QTest::newRow("all 5") << "5" << 30 << 450;
    QTest::newRow("all 1") << "1" << 6 << 90;
}

void ScoringKeyTest::uniformAnswers()
{
    QFETCH(QString, answer);
    QFETCH(int, subscale);
    QFETCH(int, total);
    QStringList answers;
    for (int i = 0; i < 90; ++i)
        answers << answer;
    const Scores s = score(answers);
    for (qint64 v : s.subscale)
        QCOMPARE(v, qint64(subscale));
    QCOMPARE(s.kol, qint64(total));
    QVERIFY(unansweredItems(answers).isEmpty());
    QStringList expected(15, QString::number(subscale));
    expected << QString::number(total);
    QCOMPARE(s.texts(), expected);
}

void ScoringKeyTest::onlyItem87Answered()
{
    QStringList answers(90, QString());
    answers[86] = QStringLiteral("4");
    const Scores s = score(answers);
    for (int i = 0; i < 15; ++i)
        QCOMPARE(s.subscale[i], qint64(QLatin1String(subscales()[i].column) == QLatin1String("enetafpaz") ? 4 : 0));
    QCOMPARE(s.kol, qint64(4));
    const QList<int> missing = unansweredItems(answers);
    QCOMPARE(missing.size(), 89);
    QVERIFY(!missing.contains(87));
    QVERIFY(unansweredWarning(missing).endsWith(QStringLiteral(" 86   88   89   90  ")));
}

void ScoringKeyTest::items5And12Missing()
{
    QStringList answers(90, QStringLiteral("2"));
    answers[4].clear();
    answers[11].clear();
    const Scores s = score(answers);
    for (int i = 0; i < 15; ++i) {
        const QLatin1String column(subscales()[i].column);
        const bool short1 = column == QLatin1String("khoodshkofaee") || column == QLatin1String("enetafpaz");
        QCOMPARE(s.subscale[i], qint64(short1 ? 10 : 12));
    }
    QCOMPARE(s.kol, qint64(176));
    QCOMPARE(unansweredItems(answers), QList<int>({5, 12}));
    QCOMPARE(unansweredWarning({5, 12}),
             QStringLiteral("شما به سوالات زير پاسخ نداده ايد ") + "\r\n\r\n" + " 5   12  ");
}

void ScoringKeyTest::noAnswersAtAll()
{
    const QStringList answers(90, QString());
    const Scores s = score(answers);
    QCOMPARE(s.texts(), QStringList(16, QStringLiteral("0")));
    QCOMPARE(unansweredItems(answers).size(), 90);
    // A row shorter than ninety answers is read as empty past its end.
    QCOMPARE(score({}).kol, qint64(0));
    QCOMPARE(unansweredItems({}).size(), 90);
    const QString warning = unansweredWarning(unansweredItems(answers));
    QVERIFY(warning.contains(QStringLiteral("\r\n\r\n 1   2   3  ")));
    QVERIFY(warning.endsWith(QStringLiteral(" 89   90  ")));
}

void ScoringKeyTest::itemValues()
{
    QCOMPARE(itemValue("3"), qint64(3));
    QCOMPARE(itemValue(" 4"), qint64(4));
    QCOMPARE(itemValue("5x"), qint64(5));
    QCOMPARE(itemValue("2.5"), qint64(2));
    QCOMPARE(itemValue(""), qint64(0));
    QCOMPARE(itemValue(" "), qint64(0));
    QCOMPARE(itemValue("x"), qint64(0));
    QCOMPARE(itemValue("-3"), qint64(0));
    // A damaged row with huge numbers still sums without overflow.
    QStringList answers(90, QStringLiteral("99999999999999999999999"));
    const Scores s = score(answers);
    QCOMPARE(s.kol, qint64(999999999) * 90);
    QVERIFY(s.texts().last().toLongLong() > 0);
}

void ScoringKeyTest::randomRowsSumTheirItems()
{
    QRandomGenerator random(20261208);
    for (int round = 0; round < 500; ++round) {
        QStringList answers;
        qint64 all = 0;
        for (int i = 0; i < 90; ++i) {
            const int v = random.bounded(7);  // 0 stands for an empty answer, 6 for a stray value
            answers << (v == 0 ? QString() : QString::number(v));
            all += v;
        }
        const Scores s = score(answers);
        for (int k = 0; k < 15; ++k) {
            qint64 sum = 0;
            // Subscale k takes items base, base+15, ... base+75: read them straight from the row.
            for (int item = subscales()[k].baseItem; item <= 90; item += 15)
                sum += answers[item - 1].isEmpty() ? 0 : answers[item - 1].toInt();
            QCOMPARE(s.subscale[k], sum);
        }
        QCOMPARE(s.kol, all);
        qint64 ofSubscales = 0;
        for (qint64 v : s.subscale)
            ofSubscales += v;
        QCOMPARE(s.kol, ofSubscales);
        QCOMPARE(unansweredItems(answers).size(), int(answers.count(QString())));
    }
}

QTEST_GUILESS_MAIN(ScoringKeyTest)
#include "tst_scoringkey.moc"
