#include "ScriptedDialogs.h"
#include "SubjectRows.h"
#include "TestFolder.h"

#include "PdfTools.h"

#include "data/Database.h"
#include "data/StoreCopy.h"
#include "records/CsvExport.h"
#include "records/SubjectListWindow.h"
#include "reports/GroupSummaryReport.h"
#include "reports/ReportPreview.h"
#include "reports/ResultSheet.h"
#include "scoring/GroupSummary.h"
#include "keying/KeyingWindow.h"
#include "scoring/ScoringKey.h"
#include "scoring/Standing.h"
#include "scoring/Statistics.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using Standing::Reference;

namespace {
const QString kFemale = QStringLiteral("زن");
const QString kMale = QStringLiteral("مرد");

// Runs the independent Python computation over a database file; on the server
// store over a snapshot of the server's rows written as the usual file.
QJsonObject reference(QString database, const QJsonObject &requests)
{
    QTemporaryDir dir;
    if (Database::isServer() && database != QLatin1String(":memory:")) {
        database = dir.filePath(QStringLiteral("snapshot.mdb"));
        QString why;
        if (!StoreCopy::writeServerToFile(database, {}, &why)) {
            qWarning("server snapshot: %s", qPrintable(why));
            return {};
        }
    }
    const QString file = dir.filePath(QStringLiteral("requests.json"));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return {};
    out.write(QJsonDocument(requests).toJson());
    out.close();
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral(MEHRSAN_TEST_SOURCE_DIR "/scoring/standing_reference.py"), database, file});
    if (!python.waitForFinished(120000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

bool near(double a, double b) { return std::fabs(a - b) < 1e-9 * qMax(1.0, std::fabs(b)); }

// Answers that hang together within a subject (a leaning plus noise), so
// that the subscales have a real internal consistency.
QStringList leaningAnswers(QRandomGenerator &random)
{
    const int leaning = 1 + int(random.bounded(5));
    QStringList answers;
    for (int i = 0; i < 90; ++i)
        answers << QString::number(qBound(1, leaning + int(random.bounded(3)) - 1, 5));
    return answers;
}
}  // namespace

class StandingTest : public QObject
{
    Q_OBJECT
private slots:
    void countsHandChecked_data();
    void countsHandChecked();
    void alphaHandChecked();
    void countsAgainstPython();
    void databaseAgainstPython();
    void tooSmallOrFlatSamples();
    void whoIsInTheSample();
    void groupsAtTheEdges();
    void keyingWindowShowsTheStanding();
    void groupSummaryFromTheSubjectList();
    void csvStandingColumnsOnlyWhenAsked();
};

void StandingTest::countsHandChecked_data()
{
    QTest::addColumn<QList<qint64>>("values");
    QTest::addColumn<double>("mean");
    QTest::addColumn<double>("sd");
    QTest::addColumn<double>("median");
    QTest::addColumn<qint64>("probe");
    QTest::addColumn<double>("percentile");
    QTest::addColumn<double>("standard");
    // 1 2 2 3: SD √(2/3); 2 has one below and two equal: (1 + 1) / 4.
    QTest::newRow("ties") << QList<qint64>{1, 2, 2, 3} << 2.0 << std::sqrt(2.0 / 3) << 2.0 << qint64(2) << 50.0
                          << 100.0;
    QTest::newRow("top") << QList<qint64>{3, 1, 2, 2} << 2.0 << std::sqrt(2.0 / 3) << 2.0 << qint64(3) << 87.5
                         << 100 + 15 / std::sqrt(2.0 / 3);
    // Even count: the mean of the two middle values.
    QTest::newRow("even") << QList<qint64>{10, 40, 20, 30} << 25.0 << std::sqrt(500.0 / 3) << 25.0 << qint64(5)
                          << 0.0 << 100 + 15 * (5 - 25) / std::sqrt(500.0 / 3);
    QTest::newRow("beyond") << QList<qint64>{6, 6, 30} << 14.0 << std::sqrt(192.0) << 6.0 << qint64(31) << 100.0
                            << 100 + 15 * 17 / std::sqrt(192.0);
    // One value: no spread.
    QTest::newRow("one") << QList<qint64>{270} << 270.0 << 0.0 << 270.0 << qint64(270) << 50.0 << 100.0;
}

void StandingTest::countsHandChecked()
{
    QFETCH(QList<qint64>, values);
    ValueCounts counts;
    for (qint64 v : values)
        counts.add(v);
    QCOMPARE(counts.count(), values.size());
    QVERIFY(near(counts.mean(), QTest::currentDataTag() == QByteArray("one") ? 270 : counts.mean()));
    QFETCH(double, mean);
    QFETCH(double, sd);
    QFETCH(double, median);
    QFETCH(qint64, probe);
    QFETCH(double, percentile);
    QFETCH(double, standard);
    QVERIFY2(near(counts.mean(), mean), qPrintable(QString::number(counts.mean())));
    QVERIFY2(near(counts.standardDeviation(), sd), qPrintable(QString::number(counts.standardDeviation())));
    QVERIFY2(near(counts.median(), median), qPrintable(QString::number(counts.median())));
    QCOMPARE(counts.minimum(), *std::min_element(values.begin(), values.end()));
    QCOMPARE(counts.maximum(), *std::max_element(values.begin(), values.end()));
    const Position at = counts.positionOf(probe);
    QVERIFY2(near(at.percentileRank(), percentile), qPrintable(QString::number(at.percentileRank())));
    QVERIFY2(near(at.standardScore(probe), standard), qPrintable(QString::number(at.standardScore(probe))));
}

void StandingTest::alphaHandChecked()
{
    // Items that move together perfectly: alpha 1.
    ItemConsistency same;
    for (qint64 v : {1, 2, 3})
        same.add({v, v, v, v, v, v});
    QVERIFY(same.isDefined());
    QVERIFY(near(same.alpha(), 1.0));

    // Two respondents, (1,1,1,5,5,5) and (5,5,5,1,1,1): every item varies
    // (variance 8) but the sums (18, 18) do not: alpha is not defined.
    ItemConsistency opposed;
    opposed.add({1, 1, 1, 5, 5, 5});
    opposed.add({5, 5, 5, 1, 1, 1});
    QVERIFY(!opposed.isDefined());

    // (1,1,1,1,1,2) and (2,2,2,2,2,2) and (1,1,1,1,1,1): item variances
    // 1/3 × 5 + 1/3 = 2; sums 7, 12, 6 have variance 31/3; alpha = 6/5 (1 - 6/31).
    ItemConsistency small;
    small.add({1, 1, 1, 1, 1, 2});
    small.add({2, 2, 2, 2, 2, 2});
    small.add({1, 1, 1, 1, 1, 1});
    QVERIFY2(near(small.alpha(), 6.0 / 5 * (1 - 6.0 / 31)), qPrintable(QString::number(small.alpha())));

    ItemConsistency one;
    one.add({3, 3, 3, 3, 3, 3});
    QVERIFY(!one.isDefined());
}

void StandingTest::countsAgainstPython()
{
    // Samples of subscale-like and total-like scores, with many ties.
    QRandomGenerator random(18);
    QJsonArray samples;
    QList<ValueCounts> counted;
    for (int s = 0; s < 12; ++s) {
        const int size = s == 0 ? 1 : s == 1 ? 2 : int(random.bounded(5, 800));
        const int low = s % 2 ? 6 : 90;
        const int high = s % 2 ? 30 : 450;
        QJsonArray values;
        ValueCounts counts;
        for (int i = 0; i < size; ++i) {
            const int v = int(random.bounded(low, high + 1));
            values << v;
            counts.add(v);
        }
        samples << values;
        counted << counts;
    }
    const QJsonObject python = reference(QStringLiteral(":memory:"), {{QStringLiteral("values"), samples}});
    QVERIFY2(!python.isEmpty(), "python3 did not answer");
    const QJsonArray expected = python.value(QStringLiteral("values")).toArray();
    QCOMPARE(expected.size(), counted.size());
    for (int s = 0; s < counted.size(); ++s) {
        const QJsonObject e = expected[s].toObject();
        const ValueCounts &c = counted[s];
        QCOMPARE(c.count(), e.value(QStringLiteral("count")).toInteger());
        QVERIFY(near(c.mean(), e.value(QStringLiteral("mean")).toDouble()));
        QVERIFY2(near(c.standardDeviation(), e.value(QStringLiteral("sd")).toDouble()), qPrintable(QString::number(s)));
        QVERIFY(near(c.median(), e.value(QStringLiteral("median")).toDouble()));
        QCOMPARE(c.minimum(), e.value(QStringLiteral("min")).toInteger());
        QCOMPARE(c.maximum(), e.value(QStringLiteral("max")).toInteger());
        const QJsonObject ranks = e.value(QStringLiteral("ranks")).toObject();
        for (auto it = ranks.begin(); it != ranks.end(); ++it)
            QVERIFY2(near(c.positionOf(it.key().toLongLong()).percentileRank(), it.value().toDouble()),
                     qPrintable(it.key()));
    }
}

void StandingTest::databaseAgainstPython()
{
    TestFolder folder;
    QRandomGenerator random(1405);
    const QStringList groups = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QString()};
    const QStringList sexes = {kFemale, kMale, QString()};
    QStringList codes;
    for (int n = 0; n < 240; ++n) {
        QStringList answers = leaningAnswers(random);
        // Some leave items unanswered (empty or never written), some were never keyed.
        if (n % 9 == 4)
            answers[int(random.bounded(90))].clear();
        if (n % 23 == 5)
            answers[int(random.bounded(90))] = QString();
        const QString code = QStringLiteral("P%1").arg(n);
        SubjectRows::addAnswered(folder, code, answers, groups[n % groups.size()], sexes[n % 5 == 0 ? 2 : n % 2],
                                 n % 11 != 3);
        if (n % 23 == 5)
            folder.sql(QStringLiteral("UPDATE Answer SET \"%1\" = NULL WHERE Code = ?").arg(int(random.bounded(90)) + 1),
                       {code});
        codes << code;
    }
    // A registered subject without an answer row, one with blanks around the code.
    folder.addSubject(QStringLiteral("lone"), QStringLiteral("A"));
    folder.sql("DELETE FROM Answer WHERE Code = 'lone'");

    QJsonArray standingRequests;
    const QList<QPair<QString, Reference>> asked = {
        {"P0", Reference::All}, {"P1", Reference::All}, {"P7", Reference::SameSex}, {"P8", Reference::SameSex},
        {"P2", Reference::SameGroup}, {"P17", Reference::SameGroup}, {"P100", Reference::All}};
    for (const auto &[code, ref] : asked)
        standingRequests << QJsonArray{code, ref == Reference::All       ? QStringLiteral("all")
                                             : ref == Reference::SameSex ? QStringLiteral("sex")
                                                                         : QStringLiteral("group")};
    const QJsonArray groupRequests = {QJsonValue(), QStringLiteral("A"), QStringLiteral("C"), QString(),
                                      QStringLiteral("Z")};
    const QJsonObject python = reference(folder.databaseFile(), {{QStringLiteral("standing"), standingRequests},
                                                                 {QStringLiteral("groups"), groupRequests}});
    QVERIFY2(!python.isEmpty(), "python3 did not answer");

    const QJsonArray standings = python.value(QStringLiteral("standing")).toArray();
    for (int r = 0; r < asked.size(); ++r) {
        const Standing::Figures got = Standing::standingOf(asked[r].first, asked[r].second);
        QVERIFY2(got.available, qPrintable(asked[r].first + u' ' + got.reason));
        const QJsonArray expected = standings[r].toArray();
        QVERIFY(expected[15].toObject().value(QStringLiteral("n")).toInt() >= Standing::kMinimumSample);
        QVERIFY2(got.description.contains(QString::number(expected[15].toObject().value(QStringLiteral("n")).toInt())),
                 qPrintable(got.description));
        for (int c = 0; c < Standing::kColumns; ++c) {
            const QJsonObject e = expected[c].toObject();
            const QString where = asked[r].first + QStringLiteral(" column ") + QString::number(c);
            QVERIFY2(near(got.percentileValue[size_t(c)], e.value(QStringLiteral("percentile")).toDouble()),
                     qPrintable(where));
            QVERIFY2(near(got.standardValue[size_t(c)], e.value(QStringLiteral("standard")).toDouble()),
                     qPrintable(where));
            QCOMPARE(got.percentile[size_t(c)],
                     QString::number(qint64(std::floor(e.value(QStringLiteral("percentile")).toDouble() + 0.5))));
        }
        // The counts by value (as an export reads them) give the same figures.
        Standing::Distribution distribution;
        QVERIFY(Standing::readDistribution(asked[r].second, got.description.isEmpty() ? QString() : [&] {
            const QString code = asked[r].first;
            const QString column = asked[r].second == Reference::SameSex ? "Jens" : "\"Group\"";
            return asked[r].second == Reference::All ? QString()
                                                     : folder.sql("SELECT " + column + " FROM IDE WHERE Code = ?", {code}).value(0);
        }(), &distribution));
        Standing::Values values{};
        QVERIFY(Standing::parseScores(folder.sql("SELECT " + ScoringKey::scoreColumns().join(" || ',' || ") +
                                                     " FROM IDE WHERE Code = ?",
                                                 {asked[r].first})
                                          .value(0)
                                          .split(u','),
                                      &values));
        const Standing::Sample around = distribution.around(values);
        for (int c = 0; c < Standing::kColumns; ++c)
            QVERIFY(near(around.columns[size_t(c)].percentileRank(), got.percentileValue[size_t(c)]));
    }

    const QJsonArray summaries = python.value(QStringLiteral("groups")).toArray();
    for (int g = 0; g < groupRequests.size(); ++g) {
        GroupSummary::Summary got;
        const bool everyone = groupRequests[g].isNull();
        QVERIFY(GroupSummary::read(everyone, groupRequests[g].toString(), &got));
        const QJsonObject e = summaries[g].toObject();
        const QString tag = everyone ? QStringLiteral("everyone") : QStringLiteral("group '%1'").arg(groupRequests[g].toString());
        QCOMPARE(got.subjects, e.value(QStringLiteral("subjects")).toInteger());
        QCOMPARE(got.keyed, e.value(QStringLiteral("keyed")).toInteger());
        const QJsonArray columns = e.value(QStringLiteral("columns")).toArray();
        for (int c = 0; c < GroupSummary::kColumns; ++c) {
            const QJsonObject col = columns[c].toObject();
            const ValueCounts &v = got.scores[size_t(c)];
            const QString where = tag + QStringLiteral(" column ") + QString::number(c);
            QVERIFY2(v.count() == col.value(QStringLiteral("count")).toInteger(), qPrintable(where));
            if (v.isEmpty())
                continue;
            QVERIFY2(near(v.mean(), col.value(QStringLiteral("mean")).toDouble()), qPrintable(where));
            QVERIFY2(near(v.standardDeviation(), col.value(QStringLiteral("sd")).toDouble()), qPrintable(where));
            QVERIFY2(near(v.median(), col.value(QStringLiteral("median")).toDouble()), qPrintable(where));
            QCOMPARE(v.minimum(), col.value(QStringLiteral("min")).toInteger());
            QCOMPARE(v.maximum(), col.value(QStringLiteral("max")).toInteger());
            if (c < ScoringKey::kSubscaleCount) {
                const ItemConsistency &a = got.consistency[size_t(c)];
                const QJsonValue alpha = col.value(QStringLiteral("alpha"));
                QCOMPARE(a.isDefined(), !alpha.isNull());
                if (a.isDefined())
                    QVERIFY2(near(a.alpha(), alpha.toDouble()), qPrintable(where));
            }
        }
    }
    // The data were rich enough to mean something: alpha well above 0 for everyone.
    GroupSummary::Summary all;
    QVERIFY(GroupSummary::read(true, QString(), &all));
    QVERIFY(all.consistency[0].alpha() > 0.5);
    QVERIFY(all.scores[15].count() < all.keyed);  // some keyed subjects left items out
}

void StandingTest::tooSmallOrFlatSamples()
{
    TestFolder folder;
    // 29 complete, keyed subjects in group A, all answering "3" but item 1
    // of the first few; 30 in group B.
    QRandomGenerator random(7);
    for (int n = 0; n < 29; ++n)
        SubjectRows::addAnswered(folder, QStringLiteral("A%1").arg(n), leaningAnswers(random), "A", kFemale);
    for (int n = 0; n < 30; ++n)
        SubjectRows::addAnswered(folder, QStringLiteral("B%1").arg(n), leaningAnswers(random), "B", kMale);

    Standing::Figures a = Standing::standingOf("A0", Reference::SameGroup);
    QVERIFY(!a.available);
    QVERIFY2(a.reason.contains("29") && a.reason.contains("30"), qPrintable(a.reason));
    for (int c = 0; c < Standing::kColumns; ++c) {
        QCOMPARE(a.percentile[size_t(c)], QStringLiteral("—"));
        QCOMPARE(a.standard[size_t(c)], QStringLiteral("—"));
    }
    const Standing::Figures b = Standing::standingOf("B0", Reference::SameGroup);
    QVERIFY2(b.available, qPrintable(b.reason));
    QVERIFY(b.description.contains(QStringLiteral("30 آزمودني گروه «B»")));
    QVERIFY(b.reason.isEmpty());
    // Same sex: the 29 women are too few, the 30 men enough.
    QVERIFY(!Standing::standingOf("A3", Reference::SameSex).available);
    QVERIFY(Standing::standingOf("B3", Reference::SameSex).available);
    QVERIFY(Standing::standingOf("A3", Reference::All).description.contains("59"));

    // Everyone in a group of 30 answered alike on one subscale: no standard score there.
    TestFolder flat;
    for (int n = 0; n < 30; ++n) {
        QStringList answers = leaningAnswers(random);
        for (int item : ScoringKey::itemsOf(6))  // ES
            answers[item - 1] = QStringLiteral("4");
        SubjectRows::addAnswered(flat, QStringLiteral("F%1").arg(n), answers, "A", kFemale);
    }
    const Standing::Figures f = Standing::standingOf("F0", Reference::All);
    QVERIFY(f.available);
    QCOMPARE(f.standard[0], QStringLiteral("—"));
    QCOMPARE(f.percentile[0], QStringLiteral("50"));
    QVERIFY(f.standard[1] != QStringLiteral("—"));
    QVERIFY2(f.reason.contains(QStringLiteral("ES")), qPrintable(f.reason));
}

void StandingTest::whoIsInTheSample()
{
    TestFolder folder;
    QRandomGenerator random(3);
    for (int n = 0; n < 30; ++n)
        SubjectRows::addAnswered(folder, QStringLiteral("C%1").arg(n), leaningAnswers(random), "A", kFemale);
    QStringList gap = leaningAnswers(random);
    gap[44].clear();
    SubjectRows::addAnswered(folder, "gap", gap, "A", kFemale);
    SubjectRows::addAnswered(folder, "unkeyed", leaningAnswers(random), "A", kFemale, false);
    SubjectRows::addAnswered(folder, "nogroup", leaningAnswers(random), QString(), QString());

    // The subject with a gap and the unkeyed one are outside the sample; the
    // one without group or sex is in it for "all".
    Standing::Figures all = Standing::standingOf("C0", Reference::All);
    QVERIFY(all.available);
    QVERIFY2(all.description.contains(QStringLiteral("31 آزمودني")), qPrintable(all.description));

    // A subject with an unanswered item gets no figures, and is told why.
    const Standing::Figures withGap = Standing::standingOf("gap", Reference::All);
    QVERIFY(!withGap.available);
    QVERIFY(withGap.reason.contains(QStringLiteral("پاسخ نداده")));
    const Standing::Figures unkeyed = Standing::standingOf("unkeyed", Reference::All);
    QVERIFY(!unkeyed.available);
    QVERIFY(unkeyed.reason.contains(QStringLiteral("کليد گذاري نشده")));
    // Outside every group, with no recorded sex.
    const Standing::Figures lone = Standing::standingOf("nogroup", Reference::SameGroup);
    QVERIFY(!lone.available);
    QVERIFY(lone.reason.contains(QStringLiteral("هيچ گروهي")));
    QVERIFY(!Standing::standingOf("nogroup", Reference::SameSex).available);
    QVERIFY(Standing::standingOf("nogroup", Reference::All).available);
    // Nothing was written anywhere.
    QCOMPARE(folder.sql("SELECT COUNT(*) FROM IDE WHERE Code = 'unkeyed' AND kol IS NOT NULL").value(0), QStringLiteral("0"));
}

void StandingTest::groupsAtTheEdges()
{
    TestFolder folder;
    GroupSummary::Summary empty;
    QVERIFY(GroupSummary::read(false, "C", &empty));
    QCOMPARE(empty.subjects, 0);
    for (const ValueCounts &c : empty.scores)
        QVERIFY(c.isEmpty());
    QVERIFY(!empty.consistency[0].isDefined());
    QCOMPARE(empty.title(), QStringLiteral("گروه C"));

    // A group of one: its values, no spread, no alpha.
    QStringList answers = SubjectRows::uniform("2");
    answers[0].clear();  // item 1: problem solving loses its six
    SubjectRows::addAnswered(folder, "one", answers, "C", kMale);
    GroupSummary::Summary one;
    QVERIFY(GroupSummary::read(false, "C", &one));
    QCOMPARE(one.subjects, 1);
    QCOMPARE(one.keyed, 1);
    QCOMPARE(one.scores[0].count(), 1);
    QCOMPARE(one.scores[0].median(), 12.0);
    QCOMPARE(one.scores[0].standardDeviation(), 0.0);
    QCOMPARE(one.scores[10].count(), 0);  // halemas (PS): item 1 unanswered
    QCOMPARE(one.scores[15].count(), 0);  // the total needs all 90
    QVERIFY(!one.consistency[0].isDefined());
    // Outside every group: the empty Group text.
    SubjectRows::addAnswered(folder, "free", SubjectRows::uniform("4"), QString(), kMale);
    GroupSummary::Summary none;
    QVERIFY(GroupSummary::read(false, QString(), &none));
    QCOMPARE(none.subjects, 1);
    QCOMPARE(none.scores[15].median(), 360.0);
    QCOMPARE(none.title(), QStringLiteral("آزمودني هاي بدون گروه"));
}

void StandingTest::keyingWindowShowsTheStanding()
{
    TestFolder folder;
    QRandomGenerator random(11);
    for (int n = 0; n < 40; ++n)
        SubjectRows::addAnswered(folder, QStringLiteral("K%1").arg(n), leaningAnswers(random), n < 20 ? "A" : "B",
                                 n % 2 ? kFemale : kMale);
    folder.addSubject("new", "A");
    SubjectRows::setAnswers(folder, "new", SubjectRows::uniform("5"));
    ScriptedDialogs dialogs;
    KeyingWindow window;
    auto *total = window.findChild<QLabel *>("lblStandingkol");
    auto *note = window.findChild<QLabel *>("lblStandingNote");
    auto *choice = window.findChild<QComboBox *>("CmbReference");
    QVERIFY(total && note && choice);
    QCOMPARE(choice->currentIndex(), 0);

    // All 5: the top of every scale, above all 40 earlier subjects (and equal to itself).
    // The figures follow the keying as soon as the window is idle.
    window.key("new");
    QTRY_COMPARE(window.standing().percentile[15], QStringLiteral("99"));  // (40 + 1/2) / 41
    QVERIFY(total->text().contains(QStringLiteral("رتبه درصدي 99")));
    QVERIFY(total->text().contains(window.standing().standard[15]));
    QVERIFY(note->text().contains(QStringLiteral("41 آزمودني اين مرکز")));

    // Group A: 20 earlier subjects and this one, too few.
    choice->setCurrentIndex(int(Reference::SameGroup));
    QVERIFY(!window.standing().available);
    QVERIFY(total->text().contains(QStringLiteral("—")));
    QVERIFY(note->text().contains(QStringLiteral("21 آزمودني")));

    // The sheet carries what the window shows.
    choice->setCurrentIndex(int(Reference::All));
    window.printSelectedSubject();
    QCOMPARE(ResultSheet::instance().standing().percentile, window.standing().percentile);
    QCOMPARE(ResultSheet::instance().standing().description, window.standing().description);
}

void StandingTest::groupSummaryFromTheSubjectList()
{
    TestFolder folder;
    QRandomGenerator random(5);
    for (int n = 0; n < 21; ++n)
        SubjectRows::addAnswered(folder, QStringLiteral("G%1").arg(n), leaningAnswers(random), n % 3 ? "B" : "A", kMale);
    ScriptedDialogs dialogs;
    auto *window = new SubjectListWindow;
    auto preview = [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *p = qobject_cast<ReportPreview *>(w); p && p->isVisible())
                if (auto summary = std::dynamic_pointer_cast<const GroupSummaryReport>(p->report()))
                    return summary;
        return std::shared_ptr<const GroupSummaryReport>();
    };
    // Just opened: everyone.
    window->findChild<QPushButton *>("CmdSummary")->click();
    QVERIFY(preview());
    QVERIFY(preview()->summary().everyone);
    QCOMPARE(preview()->summary().subjects, 21);
    // Group B chosen: its 14 subjects only.
    auto *group = window->findChild<QComboBox *>("Combo3");
    group->setEditText("B");
    window->findChild<QPushButton *>("CmdSummary")->click();
    const auto report = preview();
    QVERIFY(report && !report->summary().everyone);
    QCOMPARE(report->summary().group, QStringLiteral("B"));
    QCOMPARE(report->summary().scores[15].count(), 14);
    GroupSummary::Summary direct;
    QVERIFY(GroupSummary::read(false, "B", &direct));
    QCOMPARE(report->rowTexts(0).value(1), QString::number(direct.scores[0].mean(), 'f', 1));

    // One page, right to left, with every figure of the table.
    QTemporaryDir dir;
    const QString pdf = dir.filePath("summary.pdf");
    QVERIFY(report->saveAsPdf(pdf));
    QCOMPARE(PdfTools::pageCount(pdf), 1);
    QStringList words;
    for (const auto &w : PdfTools::words(pdf))
        words << w.text;
    for (int c = 0; c < GroupSummary::kColumns; ++c)
        for (const QString &text : report->rowTexts(c))
            QVERIFY2(words.contains(text), qPrintable(text));
    QVERIFY(PdfTools::plain(PdfTools::text(pdf)).contains(PdfTools::plain(QStringLiteral("آلفاي کرونباخ"))));
    QCOMPARE(report->rowTexts(15).value(6), QStringLiteral("—"));  // no alpha for the total
    for (QWidget *w : QApplication::topLevelWidgets())
        w->close();
}

void StandingTest::csvStandingColumnsOnlyWhenAsked()
{
    TestFolder folder;
    QRandomGenerator random(9);
    for (int n = 0; n < 32; ++n) {
        // Everyone alike on empathy: no standard score there.
        QStringList answers = leaningAnswers(random);
        for (int item : ScoringKey::itemsOf(14))
            answers[item - 1] = QStringLiteral("2");
        SubjectRows::addAnswered(folder, QStringLiteral("V%1").arg(n), answers, "A", kFemale);
    }
    QStringList gap = leaningAnswers(random);
    gap[3].clear();
    SubjectRows::addAnswered(folder, "gap", gap, "A", kFemale);
    ScriptedDialogs dialogs;
    auto *window = new SubjectListWindow;
    auto *check = window->findChild<QCheckBox *>("ChkCsvStanding");
    QVERIFY(check && !check->isChecked());
    QTemporaryDir dir;
    auto exportTo = [&](const QString &name) {
        dialogs.fileAnswers.enqueue(dir.filePath(name));
        window->exportCsv();
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            return QList<QStringList>();
        QList<QStringList> rows;
        for (const QByteArray &line : file.readAll().mid(3).split('\n'))
            if (!line.trimmed().isEmpty())
                rows << QString::fromUtf8(line.trimmed()).split(u',');
        return rows;
    };
    // Off: the export as it always was.
    const QList<QStringList> plain = exportTo("plain.csv");
    QCOMPARE(plain.first(), CsvExport::header());
    QCOMPARE(plain.size(), 34);

    check->setChecked(true);
    const QList<QStringList> ranked = exportTo("ranked.csv");
    QCOMPARE(ranked.first().size(), CsvExport::header().size() + 32);
    QCOMPARE(ranked.first().value(CsvExport::header().size()), QStringLiteral("PR_ES"));
    QCOMPARE(ranked.first().last(), QStringLiteral("SS_kol"));
    const int pr = int(CsvExport::header().size());
    for (int r = 1; r < ranked.size(); ++r) {
        const QString code = ranked[r].first();
        QCOMPARE(ranked[r].mid(0, pr), plain[r].mid(0, pr));  // the specified columns unchanged
        const Standing::Figures figures = Standing::standingOf(code, Reference::All);
        for (int c = 0; c < Standing::kColumns; ++c) {
            const QString expectedRank = figures.available ? figures.percentile[size_t(c)] : QString();
            QString expectedStandard = figures.available ? figures.standard[size_t(c)] : QString();
            if (expectedStandard == QStringLiteral("—"))  // a spreadsheet reads an empty cell as missing
                expectedStandard.clear();
            QCOMPARE(ranked[r].value(pr + c), expectedRank);
            QCOMPARE(ranked[r].value(pr + 16 + c), expectedStandard);
        }
        if (code == QLatin1String("gap")) {
            QCOMPARE(ranked[r].value(pr), QString());
        } else {
            QVERIFY(!ranked[r].value(pr).isEmpty());
            QCOMPARE(ranked[r].value(pr + 5), QStringLiteral("50"));  // empathy: all alike
            QCOMPARE(ranked[r].value(pr + 16 + 5), QString());
        }
    }
    delete window;
}

QTEST_MAIN(StandingTest)
#include "tst_standing.moc"
