#include "scoring/ScoringKey.h"

#include "DesignedKey.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace ScoringKey;

class ScoringKeyTest : public QObject
{
    Q_OBJECT
private slots:
    void keyTable_data();
    void keyTable();
    void uniformAnswers_data();
    void uniformAnswers();
    void onlyItem87Answered();
    void items5And12Missing();
    void noAnswersAtAll();
    void itemValues();
    void randomRowsSumTheirItems();
};

void ScoringKeyTest::keyTable_data()
{
    QTest::addColumn<int>("position");
    for (int p = 0; p < 15; ++p)
        QTest::newRow(DesignedKey::kSubscales[size_t(p)].abbreviation) << p;
}

// Each subscale as designed: its place in legend order, column, abbreviation
// and six items; answering only those six items gives it their
// sum and every other subscale 0.
void ScoringKeyTest::keyTable()
{
    QFETCH(int, position);
    const DesignedKey::Subscale &designed = DesignedKey::kSubscales[size_t(position)];
    const Subscale &s = subscales()[size_t(position)];
    QCOMPARE(QLatin1String(s.column), QLatin1String(designed.column));
    QCOMPARE(QLatin1String(s.abbreviation), QLatin1String(designed.abbreviation));
    QCOMPARE(itemsOf(s.baseItem), designed.items);
    QCOMPARE(indexOfColumn(QString::fromLatin1(designed.column).toUpper()), position);
    QCOMPARE(scoreColumns().value(position), QString::fromLatin1(designed.column));

    QStringList answers(90, QString());
    const int values[6] = {5, 1, 4, 2, 3, 5};
    for (int j = 0; j < 6; ++j)
        answers[designed.items[size_t(j)] - 1] = QString::number(values[j]);
    const Scores scores = score(answers);
    for (int k = 0; k < 15; ++k)
        QCOMPARE(scores.subscale[size_t(k)], qint64(k == position ? 20 : 0));
    QCOMPARE(scores.kol, qint64(20));
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
        QCOMPARE(s.subscale[i], qint64(QLatin1String(DesignedKey::kSubscales[size_t(i)].column) == QLatin1String("enetafpaz") ? 4 : 0));
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
        const QLatin1String column(DesignedKey::kSubscales[size_t(i)].column);
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
            for (int item : DesignedKey::kSubscales[size_t(k)].items)
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
