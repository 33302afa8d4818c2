#include "PdfTools.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include "records/ComparisonCsv.h"
#include "records/ComparisonWindow.h"
#include "records/SubjectListWindow.h"
#include "reports/ComparisonSheet.h"
#include "reports/ReportPreview.h"
#include "reports/ResultSheet.h"
#include "scoring/AdministrationComparison.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <cmath>
#include <optional>

namespace AC = AdministrationComparison;
using Standing::Reference;

// ---- The clinic, held by the test, stored with the test's own SQL, and
// every figure worked out here from these rows alone.
namespace {
const QString kFemale = QStringLiteral("زن");
const QString kMale = QStringLiteral("مرد");

// The scales as the result sheet lists them, each with the base item of its
// six (items base, base + 15, ... base + 75); the total last.
struct Scale {
    const char *column;
    int base;
};
const Scale kScales[16] = {{"khodagahi", 6}, {"ebrazevojood", 15}, {"ezatenafs", 10}, {"khoodshkofaee", 5},
                           {"esteghlal", 3}, {"hamdeli", 14},      {"masooliatpaz", 13}, {"ravabet", 8},
                           {"halemas", 1},   {"vaghegaraee", 7},   {"enetafpaz", 12},    {"tahalol", 4},
                           {"control", 11},  {"khooshbini", 9},    {"shadmani", 2},      {"kol", 0}};
constexpr int ES = 0, AS = 1, SR = 2, RE = 6, IR = 7, PS = 8, TOTAL = 15;

struct Subject {
    QString code, sex, group, age = QStringLiteral("30"), date = QStringLiteral("1403/01/10"),
                                 time = QStringLiteral("10:00:00");
    std::array<int, 91> answers{};  // 1-based; 0 = unanswered
    bool keyed = true;

    int item(int scale, int k) const { return answers[size_t(kScales[scale].base + 15 * k)]; }
    bool sixAnswered(int scale) const
    {
        for (int k = 0; k < 6; ++k)
            if (item(scale, k) == 0)
                return false;
        return true;
    }
    bool allAnswered() const
    {
        for (int i = 1; i <= 90; ++i)
            if (answers[size_t(i)] == 0)
                return false;
        return true;
    }
    bool complete(int scale) const { return scale == TOTAL ? allAnswered() : sixAnswered(scale); }
    // What keying stores: the six answers added up (an empty one counts 0), the total the sum of the fifteen.
    int score(int scale) const
    {
        int sum = 0;
        if (scale == TOTAL) {
            for (int s = 0; s < TOTAL; ++s)
                sum += score(s);
            return sum;
        }
        for (int k = 0; k < 6; ++k)
            sum += item(scale, k);
        return sum;
    }
    void setSix(int scale, const std::array<int, 6> &six)
    {
        for (int k = 0; k < 6; ++k)
            answers[size_t(kScales[scale].base + 15 * k)] = six[size_t(k)];
    }
};

void store(const TestFolder &folder, const Subject &s)
{
    QStringList columns = {"Code", "FName", "LName", "Sen", "Jens", "\"Group\"", "Date", "Time"};
    QVariantList values = {s.code, QStringLiteral("مريم"), QStringLiteral("احمدي"), s.age, s.sex, s.group, s.date, s.time};
    if (s.keyed)
        for (int c = 0; c < 16; ++c) {
            columns << QString::fromLatin1(kScales[c].column);
            values << QString::number(s.score(c));
        }
    folder.sql(QStringLiteral("INSERT INTO IDE (%1) VALUES (%2)")
                   .arg(columns.join(u','), QStringList(columns.size(), QStringLiteral("?")).join(u',')),
               values);
    QStringList answerColumns = {"Code"};
    QVariantList answerValues = {s.code};
    for (int i = 1; i <= 90; ++i) {
        answerColumns << QStringLiteral("\"%1\"").arg(i);
        answerValues << (s.answers[size_t(i)] ? QString::number(s.answers[size_t(i)]) : QString());
    }
    folder.sql(QStringLiteral("INSERT INTO Answer (%1) VALUES (%2)")
                   .arg(answerColumns.join(u','), QStringList(answerColumns.size(), QStringLiteral("?")).join(u',')),
               answerValues);
}

double variance(const QList<double> &xs)
{
    double mean = 0;
    for (double x : xs)
        mean += x;
    mean /= xs.size();
    double sum = 0;
    for (double x : xs)
        sum += (x - mean) * (x - mean);
    return sum / (xs.size() - 1);
}

struct Expected {
    qint64 n = 0;
    double sd = 0;
    std::optional<double> alpha;  // empty: not defined
};

// n, SD and alpha of a scale among the keyed subjects `in` the reference.
Expected expectedOf(const QList<Subject> &clinic, int scale, const std::function<bool(const Subject &)> &in)
{
    QList<const Subject *> sample;
    for (const Subject &s : clinic)
        if (s.keyed && s.complete(scale) && in(s))
            sample << &s;
    Expected out;
    out.n = sample.size();
    if (sample.size() < 2)
        return out;
    QList<double> totals;
    for (const Subject *s : sample)
        totals << s->score(scale);
    out.sd = std::sqrt(variance(totals));
    if (variance(totals) < 1e-12)
        return out;
    // The parts: six answers, or the fifteen subscales of the total.
    const int parts = scale == TOTAL ? 15 : 6;
    double partVariances = 0;
    for (int p = 0; p < parts; ++p) {
        QList<double> xs;
        for (const Subject *s : sample)
            xs << (scale == TOTAL ? s->score(p) : s->item(scale, p));
        partVariances += variance(xs);
    }
    out.alpha = double(parts) / (parts - 1) * (1 - partVariances / variance(totals));
    return out;
}

double roundedTwo(double x) { return (x < 0 ? -1 : 1) * std::round(std::fabs(x) * 100 + 1e-9) / 100; }

// The index as the test works it out, or nothing with the kind of reason.
struct ExpectedRow {
    bool computed = false;
    double rci = 0;
    QString verdict;
    QString reasonWord;  // a word the reason must hold
    Expected reference;
};
ExpectedRow expectedRow(const QList<Subject> &clinic, const Subject &before, const Subject &after, int scale,
                        const std::function<bool(const Subject &)> &in)
{
    ExpectedRow row;
    row.reference = expectedOf(clinic, scale, in);
    row.verdict = QStringLiteral("—");
    const Expected &e = row.reference;
    if (!before.complete(scale) || !after.complete(scale))
        row.reasonWord = QStringLiteral("پاسخ نداده");
    else if (e.n < 30)
        row.reasonWord = QStringLiteral("دست کم 30");
    else if (e.sd == 0)
        row.reasonWord = QStringLiteral("انحراف معيار صفر");
    else if (!e.alpha || *e.alpha <= 0)
        row.reasonWord = QStringLiteral("مثبت نيست");
    else {
        row.computed = true;
        row.rci = roundedTwo((after.score(scale) - before.score(scale)) / (std::sqrt(2.0) * e.sd * std::sqrt(1 - *e.alpha)));
        row.verdict = row.rci >= 1.96    ? QStringLiteral("بهبود پايا")
                      : row.rci <= -1.96 ? QStringLiteral("افت پايا")
                                         : QStringLiteral("بدون تغيير پايا");
    }
    return row;
}

bool near(double a, double b) { return std::fabs(a - b) < 1e-9 * qMax(1.0, std::fabs(b)); }

// A subject whose answers hang together (a leaning plus noise), except two
// subscales built to fail: ES's six answers pull against each other (alpha
// below 0) and AS's always add up to 18 (no spread).
Subject generated(QRandomGenerator &random, const QString &code, const QString &sex, const QString &group)
{
    Subject s;
    s.code = code;
    s.sex = sex;
    s.group = group;
    const int leaning = 1 + int(random.bounded(5));
    for (int i = 1; i <= 90; ++i)
        s.answers[size_t(i)] = qBound(1, leaning + int(random.bounded(3)) - 1, 5);
    const int x = 1 + int(random.bounded(5)), y = 1 + int(random.bounded(5)), z = 1 + int(random.bounded(5));
    s.setSix(ES, {x, 6 - x, x, 6 - x, x, 1 + int(random.bounded(5))});
    s.setSix(AS, {x, 6 - x, y, 6 - y, z, 6 - z});
    return s;
}

const auto everyone = [](const Subject &) { return true; };
}  // namespace

class ComparisonTest : public QObject
{
    Q_OBJECT
private slots:
    void theArithmetic_data();
    void theArithmetic();
    void ordersAndReadsDates();
    void scalesInTheSheetsOrder();
    void everyFigureAgainstTheFormula();
    void fromTheRowsWhenTheCountsAreNotWhole();
    void smallReferencesAndUnansweredItems();
    void warnings_data();
    void warnings();
    void refusesWhatIsNotKeyed();
    void csvAndPdf();
    void fromTheSubjectList();

private:
    // The clinic of the comparison tests: 44 women of group A, 10 men of
    // group B, and the pair compared, P1 before and P2 after. P2's answers
    // of RE and IR are chosen so that the index lands exactly on 1.96 and
    // on -1.96 there.
    QList<Subject> clinic();
    void storeClinic(const TestFolder &folder, const QList<Subject> &subjects);
    void checkAgainstFormula(const QList<Subject> &subjects, const AC::Comparison &c, Reference reference);
};

void ComparisonTest::theArithmetic_data()
{
    QTest::addColumn<double>("rci");
    QTest::addColumn<double>("shown");
    QTest::addColumn<int>("verdict");
    QTest::newRow("at 1.96") << 1.96 << 1.96 << int(AC::Verdict::Improvement);
    QTest::newRow("rounds up to 1.96") << 1.955 << 1.96 << int(AC::Verdict::Improvement);
    QTest::newRow("just below") << 1.9549 << 1.95 << int(AC::Verdict::NoChange);
    QTest::newRow("at -1.96") << -1.96 << -1.96 << int(AC::Verdict::Decline);
    QTest::newRow("rounds down to -1.96") << -1.955 << -1.96 << int(AC::Verdict::Decline);
    QTest::newRow("just above -1.96") << -1.9549 << -1.95 << int(AC::Verdict::NoChange);
    QTest::newRow("zero") << 0.0 << 0.0 << int(AC::Verdict::NoChange);
    QTest::newRow("far up") << 7.123 << 7.12 << int(AC::Verdict::Improvement);
}

void ComparisonTest::theArithmetic()
{
    QFETCH(double, rci);
    QFETCH(double, shown);
    QFETCH(int, verdict);
    QCOMPARE(AC::toTwoDecimals(rci), shown);
    QCOMPARE(int(AC::verdictOf(AC::toTwoDecimals(rci))), verdict);
    // The formula itself: 6 points on a scale of SD 4 and alpha 0.75 is 6 / (√2 · 4 · 0.5).
    QVERIFY(near(AC::reliableChangeIndex(10, 16, 4, 0.75), 6 / (std::sqrt(2.0) * 2)));
    QVERIFY(near(AC::reliableChangeIndex(16, 10, 4, 0.75), -6 / (std::sqrt(2.0) * 2)));
}

void ComparisonTest::ordersAndReadsDates()
{
    qint64 a = 0, b = 0;
    QVERIFY(AC::registrationMoment("1403/01/10", "09:59:59", &a));
    QVERIFY(AC::registrationMoment("1403/01/10", "10:00:00", &b));
    QVERIFY(a < b);
    // Persian digits, and the afternoon mark.
    QVERIFY(AC::registrationMoment(QStringLiteral("۱۴۰۳/۰۱/۱۰"), QStringLiteral("۰۲:۰۰:۰۰ ب.ظ"), &a));
    QVERIFY(AC::registrationMoment("1403/01/10", "13:59:00", &b));
    QVERIFY(a > b);
    QVERIFY(AC::registrationMoment("1403/01/10", "12:30:00 AM", &a));
    QVERIFY(AC::registrationMoment("1403/01/10", "01:00:00", &b));
    QVERIFY(a < b);
    // The date decides before the time.
    QVERIFY(AC::registrationMoment("1402/12/29", "23:00:00", &a));
    QVERIFY(AC::registrationMoment("1403/01/01", "01:00:00", &b));
    QVERIFY(a < b);
    QVERIFY(!AC::registrationMoment("", "10:00:00", &a));
    QVERIFY(!AC::registrationMoment("1403/13/01", "10:00:00", &a));
    int years = -1;
    QVERIFY(AC::wholeYearsBetween("1400/05/10", "1403/05/09", &years));
    QCOMPARE(years, 2);
    QVERIFY(AC::wholeYearsBetween("1400/05/10", "1403/05/10", &years));
    QCOMPARE(years, 3);
}

void ComparisonTest::scalesInTheSheetsOrder()
{
    // The sheet's own list of its values, after the six of the subject line.
    QCOMPARE(AC::scaleColumns(), ResultSheet::valueColumns().mid(6));
    for (int c = 0; c < 16; ++c)
        QCOMPARE(AC::scaleColumns()[c], QString::fromLatin1(kScales[c].column));
    QCOMPARE(AC::scaleName(PS), QStringLiteral("حل مسئله"));
    QCOMPARE(AC::scaleName(TOTAL), QStringLiteral("نمره كل"));
}

QList<Subject> ComparisonTest::clinic()
{
    QRandomGenerator random(35);
    QList<Subject> subjects;
    for (int n = 0; n < 44; ++n)
        subjects << generated(random, QStringLiteral("W%1").arg(n), kFemale, "A");
    for (int n = 0; n < 10; ++n)
        subjects << generated(random, QStringLiteral("M%1").arg(n), kMale, "B");
    Subject p1 = generated(random, "P1", kFemale, "A");
    Subject p2 = generated(random, "P2", kFemale, "A");
    p1.date = "1403/01/10";
    p1.time = "10:00:00";
    p1.age = "30";
    p2.date = "1403/07/02";
    p2.time = "09:00:00";
    p2.age = "30";
    p1.setSix(RE, {2, 2, 3, 2, 2, 3});
    p1.setSix(IR, {5, 5, 4, 5, 5, 4});
    // Self-regard one point up: within the test's error.
    p1.setSix(SR, {3, 3, 3, 3, 3, 3});
    p2.setSix(SR, {3, 3, 4, 3, 3, 3});
    subjects << p1 << p2;
    // Every answer pattern of P2 on a scale, until its index rounds to the target.
    auto land = [&](int scale, double target) {
        Subject &after = subjects.last();
        const Subject &before = subjects[subjects.size() - 2];
        for (int code = 0; code < 15625; ++code) {
            std::array<int, 6> six{};
            for (int k = 0, rest = code; k < 6; ++k, rest /= 5)
                six[size_t(k)] = 1 + rest % 5;
            after.setSix(scale, six);
            const ExpectedRow row = expectedRow(subjects, before, after, scale, everyone);
            if (row.computed && row.rci == target)
                return true;
        }
        return false;
    };
    if (!land(RE, 1.96) || !land(IR, -1.96))
        qWarning("no answer pattern lands on the boundary");
    return subjects;
}

void ComparisonTest::storeClinic(const TestFolder &folder, const QList<Subject> &subjects)
{
    for (const Subject &s : subjects)
        store(folder, s);
}

void ComparisonTest::checkAgainstFormula(const QList<Subject> &subjects, const AC::Comparison &c, Reference reference)
{
    const Subject *before = nullptr, *after = nullptr;
    for (const Subject &s : subjects) {
        if (s.code == c.before.code)
            before = &s;
        if (s.code == c.after.code)
            after = &s;
    }
    QVERIFY(before && after);
    const QString value = reference == Reference::SameSex ? before->sex : before->group;
    auto in = [&](const Subject &s) {
        return reference == Reference::All || (reference == Reference::SameSex ? s.sex : s.group) == value;
    };
    for (int scale = 0; scale < 16; ++scale) {
        const QString tag = QStringLiteral("scale %1").arg(kScales[scale].column);
        const AC::ScaleRow &got = c.rows[size_t(scale)];
        const ExpectedRow want = expectedRow(subjects, *before, *after, scale, in);
        QVERIFY2(got.before == before->score(scale) && got.after == after->score(scale), qPrintable(tag));
        QCOMPARE(got.difference, qint64(after->score(scale) - before->score(scale)));
        QVERIFY2(got.reference.n == want.reference.n, qPrintable(tag));
        QVERIFY2(near(got.reference.sd, want.reference.sd), qPrintable(tag + " sd " + QString::number(got.reference.sd)));
        QVERIFY2(got.reference.alphaDefined == want.reference.alpha.has_value(), qPrintable(tag));
        if (want.reference.alpha)
            QVERIFY2(near(got.reference.alpha, *want.reference.alpha), qPrintable(tag + " alpha"));
        QVERIFY2(got.computed == want.computed, qPrintable(tag + ": " + got.reason));
        QCOMPARE(AC::verdictText(got.verdict), want.verdict);
        if (want.computed) {
            QVERIFY2(got.rci == want.rci, qPrintable(tag + QStringLiteral(" %1 %2").arg(got.rci).arg(want.rci)));
            QCOMPARE(AC::rowTexts(c, scale)[6], QString::number(want.rci, 'f', 2));
        } else {
            QVERIFY2(got.reason.contains(want.reasonWord), qPrintable(tag + ": " + got.reason));
            QVERIFY(AC::rowTexts(c, scale)[6].startsWith(QStringLiteral("—")));
        }
    }
}

void ComparisonTest::everyFigureAgainstTheFormula()
{
    TestFolder folder;
    const QList<Subject> subjects = clinic();
    storeClinic(folder, subjects);
    AC::Comparison c;
    QString error;
    // Chosen after, before: the dates put them in order.
    QVERIFY2(AC::compareCodes("P2", "P1", Reference::All, &c, &error), qPrintable(error));
    QCOMPARE(c.before.code, QStringLiteral("P1"));
    QCOMPARE(c.after.code, QStringLiteral("P2"));
    QVERIFY2(c.warnings.isEmpty(), qPrintable(c.warnings.join('\n')));
    checkAgainstFormula(subjects, c, Reference::All);
    // The data reach every case: both boundaries, a plain index, and the
    // scales with no index (alpha below 0, no spread).
    QCOMPARE(c.rows[RE].rci, 1.96);
    QCOMPARE(c.rows[RE].verdict, AC::Verdict::Improvement);
    QCOMPARE(c.rows[IR].rci, -1.96);
    QCOMPARE(c.rows[IR].verdict, AC::Verdict::Decline);
    QVERIFY(!c.rows[ES].computed && c.rows[ES].reference.alphaDefined && c.rows[ES].reference.alpha < 0);
    QVERIFY(!c.rows[AS].computed && c.rows[AS].reference.sd == 0);
    QVERIFY(c.rows[TOTAL].computed);
    QVERIFY(c.rows[SR].computed && c.rows[SR].difference == 1);
    QCOMPARE(c.rows[SR].verdict, AC::Verdict::NoChange);
    QCOMPARE(c.rows[RE].reference.n, 56);

    // The same sex: all 46 women; the same group B would be the men.
    QVERIFY(AC::compareCodes("P1", "P2", Reference::SameSex, &c, &error));
    QCOMPARE(c.referenceValue, kFemale);
    checkAgainstFormula(subjects, c, Reference::SameSex);
    QCOMPARE(c.rows[TOTAL].reference.n, 46);
    QVERIFY(AC::compareCodes("P1", "P2", Reference::SameGroup, &c, &error));
    checkAgainstFormula(subjects, c, Reference::SameGroup);
}

void ComparisonTest::fromTheRowsWhenTheCountsAreNotWhole()
{
    TestFolder folder;
    const QList<Subject> subjects = clinic();
    storeClinic(folder, subjects);
    folder.sql(QStringLiteral("UPDATE \"TallyState\" SET \"Layout\" = 0"));
    for (Reference reference : {Reference::All, Reference::SameSex, Reference::SameGroup}) {
        AC::Comparison c;
        QString error;
        QVERIFY2(AC::compareCodes("P1", "P2", reference, &c, &error), qPrintable(error));
        checkAgainstFormula(subjects, c, reference);
    }
}

void ComparisonTest::smallReferencesAndUnansweredItems()
{
    TestFolder folder;
    QList<Subject> subjects = clinic();
    QRandomGenerator random(7);
    // Two men of group B (10 in all, too few), one with item 1 unanswered.
    Subject m1 = generated(random, "Q1", kMale, "B");
    Subject m2 = generated(random, "Q2", kMale, "B");
    m1.date = "1402/02/02";
    m2.date = "1402/03/03";
    m2.answers[1] = 0;  // PS loses one of its six, the total one of its 90
    subjects << m1 << m2;
    // One with neither sex nor group.
    Subject lone = generated(random, "Q3", QString(), QString());
    lone.date = "1402/04/04";
    subjects << lone;
    storeClinic(folder, subjects);
    AC::Comparison c;
    QString error;
    QVERIFY(AC::compareCodes("Q1", "Q2", Reference::SameGroup, &c, &error));
    checkAgainstFormula(subjects, c, Reference::SameGroup);
    QVERIFY(c.rows[PS].reason.contains(QStringLiteral("اجراي بعد")));
    QVERIFY(!c.rows[TOTAL].computed && c.rows[TOTAL].reason.contains(QStringLiteral("90")));
    QVERIFY(c.rows[RE].reason.contains(QStringLiteral("12 آزمودني")));
    // Against everyone the figures are there, except where answers are missing.
    QVERIFY(AC::compareCodes("Q1", "Q2", Reference::All, &c, &error));
    checkAgainstFormula(subjects, c, Reference::All);
    QVERIFY(c.rows[RE].computed && !c.rows[PS].computed);
    // No group in the "before" registration: no same-group reference at all.
    QVERIFY(AC::compareCodes("Q3", "Q1", Reference::SameGroup, &c, &error));
    QCOMPARE(c.before.code, QStringLiteral("Q1"));
    QVERIFY(AC::compareCodes("Q1", "Q3", Reference::SameSex, &c, &error));
    QVERIFY(AC::compareCodes("Q3", "P1", Reference::SameGroup, &c, &error));
    QCOMPARE(c.before.code, QStringLiteral("Q3"));
    for (const AC::ScaleRow &row : c.rows)
        QVERIFY(!row.computed && row.reason.contains(QStringLiteral("هيچ گروهي")));
    QCOMPARE(AC::notes(c).size(), 1);
    QCOMPARE(AC::rowTexts(c, RE)[6], QStringLiteral("— (1)"));
}

void ComparisonTest::warnings_data()
{
    QTest::addColumn<QStringList>("first");   // sex, age, date, time (registered first)
    QTest::addColumn<QStringList>("second");  // registered second
    QTest::addColumn<QString>("before");      // the code that comes out as "before"
    QTest::addColumn<QStringList>("words");   // one word per warning expected
    const QString f = kFemale, m = kMale;
    QTest::newRow("one person") << QStringList{f, "30", "1403/01/10", "10:00:00"}
                                << QStringList{f, "31", "1403/11/10", "10:00:00"} << QStringLiteral("A") << QStringList{};
    QTest::newRow("a year and a birthday") << QStringList{f, "30", "1401/01/10", "10:00:00"}
                                           << QStringList{f, "32", "1402/06/10", "10:00:00"} << QStringLiteral("A") << QStringList{};
    QTest::newRow("other sex") << QStringList{f, "30", "1403/01/10", "10:00:00"}
                               << QStringList{m, "30", "1403/02/10", "10:00:00"} << QStringLiteral("A") << QStringList{"جنس"};
    QTest::newRow("sex missing") << QStringList{f, "30", "1403/01/10", "10:00:00"}
                                 << QStringList{"", "30", "1403/02/10", "10:00:00"} << QStringLiteral("A") << QStringList{"ثبت نشده"};
    QTest::newRow("younger after") << QStringList{f, "30", "1403/01/10", "10:00:00"}
                                   << QStringList{f, "29", "1403/02/10", "10:00:00"} << QStringLiteral("A") << QStringList{"سن"};
    QTest::newRow("too much older") << QStringList{f, "30", "1403/01/10", "10:00:00"}
                                    << QStringList{f, "33", "1404/02/10", "10:00:00"} << QStringLiteral("A") << QStringList{"سن"};
    QTest::newRow("age as text") << QStringList{f, "سي", "1403/01/10", "10:00:00"}
                                 << QStringList{f, "30", "1403/02/10", "10:00:00"} << QStringLiteral("A") << QStringList{"سن"};
    // Registered second but dated first: it is "before", with a warning.
    QTest::newRow("dated against the order") << QStringList{f, "30", "1403/05/10", "10:00:00"}
                                             << QStringList{f, "30", "1403/02/10", "10:00:00"} << QStringLiteral("B")
                                             << QStringList{"پيش تر"};
    QTest::newRow("same day, time decides") << QStringList{f, "30", "1403/05/10", "11:00:00"}
                                            << QStringList{f, "30", "1403/05/10", "10:00:00"} << QStringLiteral("B")
                                            << QStringList{"پيش تر"};
    QTest::newRow("same moment") << QStringList{f, "30", "1403/05/10", "10:00:00"}
                                 << QStringList{f, "30", "1403/05/10", "10:00:00"} << QStringLiteral("A") << QStringList{"يک تاريخ"};
    QTest::newRow("no date") << QStringList{f, "30", "1403/05/10", "10:00:00"} << QStringList{f, "30", "", ""} << QStringLiteral("A")
                             << QStringList{"خوانده نشد"};
    QTest::newRow("everything") << QStringList{f, "30", "1403/05/10", "10:00:00"}
                                << QStringList{m, "20", "1403/01/10", "10:00:00"} << QStringLiteral("B")
                                << QStringList{"پيش تر", "جنس", "سن"};
}

void ComparisonTest::warnings()
{
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    QFETCH(QString, before);
    QFETCH(QStringList, words);
    auto administration = [](const QString &code, const QStringList &facts, qint64 key) {
        AC::Administration a;
        a.code = code;
        a.sex = facts[0];
        a.age = facts[1];
        a.date = facts[2];
        a.time = facts[3];
        a.key = key;
        a.keyed = true;
        return a;
    };
    const AC::Administration a = administration("A", first, 1), b = administration("B", second, 2);
    // Whichever way round the two are handed over.
    for (bool swapped : {false, true}) {
        AC::Administration x, y;
        QStringList got;
        AC::order(swapped ? b : a, swapped ? a : b, &x, &y, &got);
        QCOMPARE(x.code, before);
        QCOMPARE(got.size(), words.size());
        for (int i = 0; i < words.size(); ++i)
            QVERIFY2(got[i].contains(words[i]), qPrintable(got[i]));
    }
    // A warning never stops the comparison.
    const AC::Comparison c = AC::compare(a, b, Reference::All, QString(), AC::ReferenceFigures());
    QCOMPARE(c.warnings.size(), words.size());
    QCOMPARE(c.before.code, before);
}

void ComparisonTest::refusesWhatIsNotKeyed()
{
    TestFolder folder;
    QRandomGenerator random(3);
    Subject keyed = generated(random, "K1", kFemale, "A");
    Subject waiting = generated(random, "K2", kFemale, "A");
    waiting.keyed = false;
    store(folder, keyed);
    store(folder, waiting);
    AC::Comparison c;
    QString error;
    QVERIFY(!AC::compareCodes("K1", "K2", Reference::All, &c, &error));
    QVERIFY(error.contains(QStringLiteral("«\u2066K2\u2069»")) && error.contains(QStringLiteral("کليد گذاري نشده")));
    QVERIFY(!AC::compareCodes("K1", "nobody", Reference::All, &c, &error));
    QVERIFY(error.contains(QStringLiteral("پيدا نشد")));
}

void ComparisonTest::csvAndPdf()
{
    TestFolder folder;
    const QList<Subject> subjects = clinic();
    storeClinic(folder, subjects);
    AC::Comparison c;
    QVERIFY(AC::compareCodes("P1", "P2", Reference::All, &c));
    QTemporaryDir dir;

    // The CSV: a byte-order mark, a heading and sixteen rows in the sheet's order.
    const QString csv = dir.filePath("compare.csv");
    QVERIFY(ComparisonCsv::write(c, csv));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 17);
    QCOMPARE(lines[0].split(u',').size(), 9);
    for (int scale = 0; scale < 16; ++scale) {
        const QStringList cells = lines[scale + 1].split(u',');
        const ExpectedRow want = expectedRow(subjects, subjects[subjects.size() - 2], subjects.last(), scale, everyone);
        QCOMPARE(cells.size(), 9);
        QCOMPARE(cells[0], AC::scaleName(scale));
        QCOMPARE(cells[3], QString::number(subjects.last().score(scale) - subjects[subjects.size() - 2].score(scale)));
        QCOMPARE(cells[4], QString::number(want.reference.n));
        QCOMPARE(cells[5], QString::number(want.reference.sd, 'f', 2));
        QCOMPARE(cells[6], want.reference.alpha ? QString::number(*want.reference.alpha, 'f', 3) : QString());
        QCOMPARE(cells[7], want.computed ? QString::number(want.rci, 'f', 2) : QString());
        QCOMPARE(cells[8], want.verdict);
    }
    // A negative figure is written as a number, not guarded as a formula.
    QVERIFY(lines[IR + 1].contains(QStringLiteral(",-1.96,")));
#ifndef Q_OS_WIN  // there the profile's ACLs keep it private
    struct stat st {};
    QVERIFY(::stat(QFile::encodeName(csv).constData(), &st) == 0);
    QCOMPARE(st.st_mode & 0777, 0600u);
#endif

    // The PDF: one page with the table, the formula and the reference at the foot.
    const QString pdf = dir.filePath("compare.pdf");
    const ComparisonSheet sheet(c);
    QVERIFY(sheet.saveAsPdf(pdf));
#ifndef Q_OS_WIN
    QVERIFY(::stat(QFile::encodeName(pdf).constData(), &st) == 0);
    QCOMPARE(st.st_mode & 0777, 0600u);
#endif
    QCOMPARE(PdfTools::pageCount(pdf), 1);
    const QString text = PdfTools::plain(PdfTools::text(pdf));
    for (const QString &word : {QStringLiteral("RCI"), QStringLiteral("1.96"),
                                QString::number(c.rows[TOTAL].reference.n), QStringLiteral("P1"), QStringLiteral("P2")})
        QVERIFY2(text.contains(word), qPrintable(word));
    QVERIFY(text.contains(PdfTools::plain(QStringLiteral("بهبود پايا"))));
    QVERIFY(text.contains(PdfTools::plain(QStringLiteral("افت پايا"))));
    QVERIFY(text.contains(QString::number(c.rows[TOTAL].reference.alpha, 'f', 3)));
}

void ComparisonTest::fromTheSubjectList()
{
    TestFolder folder;
    QList<Subject> subjects = clinic();
    Subject waiting = subjects.first();
    waiting.code = "N1";
    waiting.keyed = false;
    subjects << waiting;
    storeClinic(folder, subjects);
    ScriptedDialogs dialogs;
    auto *list = new SubjectListWindow;
    list->show();
    QVERIFY(QTest::qWaitForWindowExposed(list));
    auto *grid = list->findChild<QTableView *>("DataGrid1");
    auto *compare = list->findChild<QPushButton *>("CmdCompare");
    QVERIFY(grid && compare);
    QCOMPARE(compare->text(), QStringLiteral("مقايسه دو اجرا"));
    QVERIFY(!compare->isEnabled());
    // Only the grid's three: P1, P2 and N1 (group A women are many: narrow by family name is no help, so scroll).
    auto rowOf = [&](const QString &code) {
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            if (grid->model()->index(r, 0).data().toString() == code)
                return r;
        return -1;
    };
    auto click = [&](const QString &code, Qt::KeyboardModifiers modifiers) {
        const QModelIndex index = grid->model()->index(rowOf(code), 1);
        grid->scrollTo(index);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, grid->visualRect(index).center());
    };
    click("P2", {});
    QVERIFY(!compare->isEnabled());
    click("P1", Qt::ControlModifier);
    QCOMPARE(list->selectedCodes().size(), 2);
    QVERIFY(compare->isEnabled());
    // A third with Ctrl: three rows are no pair.
    click("N1", Qt::ControlModifier);
    QVERIFY(!compare->isEnabled());
    click("P1", Qt::ControlModifier);  // off again: P2 and N1
    QVERIFY(compare->isEnabled());
    QTest::mouseClick(compare, Qt::LeftButton);
    QVERIFY(dialogs.last().text.contains(QStringLiteral("«\u2066N1\u2069»")));
    QVERIFY(list->findChildren<ComparisonWindow *>().isEmpty());

    click("P2", {});
    click("P1", Qt::ControlModifier);
    dialogs.clear();
    QTest::mouseClick(compare, Qt::LeftButton);
    QVERIFY2(dialogs.shown.isEmpty(), qPrintable(dialogs.texts().join('\n')));
    auto *window = list->findChild<ComparisonWindow *>();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("مقايسه دو اجرا"));
    QCOMPARE(window->comparison().before.code, QStringLiteral("P1"));
    QVERIFY(window->findChild<QLabel *>("LblBefore")->text().contains(QStringLiteral("1403/01/10")));
    QVERIFY(window->findChild<QLabel *>("LblAfter")->text().contains(QStringLiteral("1403/07/02")));
    auto *table = window->findChild<QTableWidget *>("TblCompare");
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 16);
    const ExpectedRow re = expectedRow(subjects, subjects[subjects.size() - 3], subjects[subjects.size() - 2], RE, everyone);
    QCOMPARE(table->item(RE, 0)->text(), AC::scaleName(RE));
    QVERIFY(table->item(RE, 7)->text().contains(QString::number(re.rci, 'f', 2)));
    QCOMPARE(table->item(RE, 8)->text(), re.verdict);
    QVERIFY(table->item(ES, 7)->text().contains(QStringLiteral("—")));
    QVERIFY(!table->item(ES, 7)->toolTip().isEmpty());

    // Another reference: the figures follow.
    auto *reference = window->findChild<QComboBox *>("CmbCompareReference");
    reference->setCurrentIndex(int(Reference::SameSex));
    emit reference->activated(int(Reference::SameSex));
    QCOMPARE(window->comparison().reference, Reference::SameSex);
    checkAgainstFormula(subjects, window->comparison(), Reference::SameSex);

    // Print and PDF: the preview with this comparison.
    window->findChild<QPushButton *>("CmdComparePrint")->click();
    std::shared_ptr<const ComparisonSheet> shown;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *p = qobject_cast<ReportPreview *>(w); p && p->isVisible())
            if (auto sheet = std::dynamic_pointer_cast<const ComparisonSheet>(p->report()))
                shown = sheet;
    QVERIFY(shown);
    QCOMPARE(shown->comparison().after.code, QStringLiteral("P2"));

    // CSV through the save dialog.
    QTemporaryDir dir;
    dialogs.fileAnswers.enqueue(dir.filePath("pair.csv"));
    window->findChild<QPushButton *>("CmdCompareCsv")->click();
    QVERIFY(QFile::exists(dir.filePath("pair.csv")));
    QCOMPARE(dialogs.shown.last().kind, QStringLiteral("timed"));

    delete list;
}

QTEST_MAIN(ComparisonTest)
#include "tst_comparison.moc"
