#include "scoring/AdministrationComparison.h"

#include "data/Database.h"
#include "scoring/GroupSummary.h"
#include "scoring/ScoringKey.h"

#include <QSqlError>
#include <QSqlQuery>

#include <cmath>

namespace AdministrationComparison {
namespace {
const QString kNone = QStringLiteral("—");
constexpr int kTotal = kScales - 1;

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

// The whole numbers written in a text, in order; digits may be Persian or Arabic.
QList<qint64> numbersIn(const QString &text)
{
    QList<qint64> out;
    qint64 current = 0;
    int digits = 0;
    for (const QChar c : text + QLatin1Char(' ')) {
        const int d = c.digitValue();
        if (d >= 0 && digits < 12) {
            current = current * 10 + d;
            ++digits;
            continue;
        }
        if (digits > 0)
            out << current;
        current = 0;
        digits = 0;
    }
    return out;
}

struct SolarDay {
    int year = 0, month = 0, day = 0;
};
bool readDay(const QString &date, SolarDay *day)
{
    const QList<qint64> parts = numbersIn(date);
    if (parts.size() != 3 || parts[0] < 1 || parts[0] > 9999 || parts[1] < 1 || parts[1] > 12 || parts[2] < 1 ||
        parts[2] > 31)
        return false;
    *day = {int(parts[0]), int(parts[1]), int(parts[2])};
    return true;
}

bool wholeNumber(const QString &text, qint64 *value)
{
    const QString trimmed = text.trimmed();
    const QList<qint64> parts = numbersIn(trimmed);
    if (parts.size() != 1 || trimmed.isEmpty() || !trimmed.at(0).isDigit() || !trimmed.back().isDigit())
        return false;
    *value = parts[0];
    return true;
}

QString orNotRecorded(const QString &text)
{
    return text.trimmed().isEmpty() ? QStringLiteral("ثبت نشده") : text.trimmed();
}

// A code, a formula or a signed number kept in its own order inside a
// right-to-left line (a code like 1403-017 would otherwise read backwards).
QString isolated(const QString &text) { return QChar(0x2066) + text + QChar(0x2069); }

QString quotedCode(const Administration &a) { return QStringLiteral("«%1»").arg(isolated(a.code)); }
}  // namespace

QStringList scaleColumns()
{
    return {"khodagahi", "ebrazevojood", "ezatenafs", "khoodshkofaee", "esteghlal", "hamdeli",
            "masooliatpaz", "ravabet", "halemas", "vaghegaraee", "enetafpaz", "tahalol",
            "control", "khooshbini", "shadmani", "kol"};
}

QString scaleName(int scale)
{
    const int index = ScoringKey::indexOfColumn(scaleColumns().value(scale));
    return index < 0 ? QStringLiteral("نمره كل") : QString::fromUtf8(ScoringKey::subscales()[size_t(index)].caption);
}

double reliableChangeIndex(qint64 before, qint64 after, double sd, double alpha)
{
    return double(after - before) / (std::sqrt(2.0) * sd * std::sqrt(1.0 - alpha));
}

double toTwoDecimals(double value)
{
    const double scaled = std::fabs(value) * 100;
    // A hair of tolerance: 1.955 is stored a little below itself.
    const double rounded = std::floor(scaled + 0.5 + 1e-9) / 100;
    return value < 0 ? -rounded : rounded;
}

Verdict verdictOf(double rci)
{
    if (rci >= kCriterion)
        return Verdict::Improvement;
    if (rci <= -kCriterion)
        return Verdict::Decline;
    return Verdict::NoChange;
}

QString verdictText(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Improvement:
        return QStringLiteral("بهبود پايا");
    case Verdict::Decline:
        return QStringLiteral("افت پايا");
    case Verdict::NoChange:
        return QStringLiteral("بدون تغيير پايا");
    case Verdict::NotComputed:
        break;
    }
    return kNone;
}

ScaleRow scaleRow(int scale, const Administration &before, const Administration &after, const ScaleReference &reference,
                  const QString &referenceMissing)
{
    ScaleRow row;
    row.before = before.scores[size_t(scale)];
    row.after = after.scores[size_t(scale)];
    row.difference = row.after - row.before;
    row.reference = reference;
    const bool beforeWhole = before.complete[size_t(scale)], afterWhole = after.complete[size_t(scale)];
    const QString items = scale == kTotal ? QStringLiteral("همه 90 سوال") : QStringLiteral("همه شش سوال اين مقياس");
    if (!beforeWhole || !afterWhole) {
        const QString who = !beforeWhole && !afterWhole ? QStringLiteral("هيچ يک از دو اجرا")
                            : !beforeWhole              ? QStringLiteral("اجراي قبل")
                                                        : QStringLiteral("اجراي بعد");
        row.reason = QStringLiteral("%1 به %2 پاسخ نداده است؛ نمره اي با پاسخ خالي قياس پذير نيست.").arg(who, items);
        if (!beforeWhole && !afterWhole)
            row.reason = QStringLiteral("هيچ يک از دو اجرا به %1 پاسخ نداده است؛ نمره اي با پاسخ خالي قياس پذير نيست.")
                             .arg(items);
    } else if (!referenceMissing.isEmpty()) {
        row.reason = referenceMissing;
    } else if (reference.n < kMinimumSample) {
        row.reason = QStringLiteral("گروه مرجع در اين مقياس %1 آزمودني دارد؛ براي آلفاي پايدار دست کم %2 آزمودني لازم است.")
                         .arg(reference.n)
                         .arg(kMinimumSample);
    } else if (!(reference.sd > 0)) {
        row.reason = QStringLiteral("در گروه مرجع همه نمره هاي اين مقياس برابرند (انحراف معيار صفر).");
    } else if (!reference.alphaDefined || !(reference.alpha > 0)) {
        row.reason = QStringLiteral("آلفاي کرونباخ اين مقياس در گروه مرجع مثبت نيست؛ خطاي اندازه گيري برآورد نمي شود.");
    } else if (!(reference.alpha < 1)) {
        row.reason = QStringLiteral("آلفاي کرونباخ اين مقياس در گروه مرجع 1 است؛ خطاي اندازه گيري صفر مي شود.");
    } else {
        row.computed = true;
        row.rci = toTwoDecimals(reliableChangeIndex(row.before, row.after, reference.sd, reference.alpha));
        row.verdict = verdictOf(row.rci);
    }
    return row;
}

bool registrationMoment(const QString &date, const QString &time, qint64 *moment)
{
    SolarDay day;
    if (!readDay(date, &day))
        return false;
    // A time that cannot be read counts as the start of its day.
    QList<qint64> clock = numbersIn(time);
    qint64 hour = clock.value(0), minute = clock.value(1), second = clock.value(2);
    if (clock.size() < 2 || clock.size() > 3 || hour > 23 || minute > 59 || second > 59)
        hour = minute = second = 0;
    const QString lower = time.toLower();
    const bool afternoon = lower.contains(QLatin1String("pm")) || lower.contains(QLatin1String("p.m")) ||
                           time.contains(QStringLiteral("ب.ظ")) || time.contains(QStringLiteral("بعدازظهر")) ||
                           time.contains(QStringLiteral("بعد از ظهر"));
    const bool morning = lower.contains(QLatin1String("am")) || lower.contains(QLatin1String("a.m")) ||
                         time.contains(QStringLiteral("ق.ظ")) || time.contains(QStringLiteral("قبل از ظهر")) ||
                         time.contains(QStringLiteral("قبل‌ازظهر"));
    if (afternoon && hour < 12)
        hour += 12;
    else if (morning && hour == 12)
        hour = 0;
    *moment = ((((qint64(day.year) * 100 + day.month) * 100 + day.day) * 100 + hour) * 100 + minute) * 100 + second;
    return true;
}

bool wholeYearsBetween(const QString &from, const QString &to, int *years)
{
    SolarDay a, b;
    if (!readDay(from, &a) || !readDay(to, &b))
        return false;
    *years = b.year - a.year - ((b.month < a.month || (b.month == a.month && b.day < a.day)) ? 1 : 0);
    return true;
}

void order(const Administration &first, const Administration &second, Administration *before, Administration *after,
           QStringList *warnings)
{
    warnings->clear();
    qint64 a = 0, b = 0;
    const bool aDated = registrationMoment(first.date, first.time, &a);
    const bool bDated = registrationMoment(second.date, second.time, &b);
    const bool firstStoredFirst = first.key <= second.key;
    bool firstIsBefore = firstStoredFirst;
    if (aDated && bDated && a != b) {
        firstIsBefore = a < b;
        // The one registered later carries the earlier date: the computer's
        // clock was probably wrong at one of them.
        if (firstIsBefore != firstStoredFirst) {
            const Administration &laterStored = firstStoredFirst ? second : first;
            const Administration &earlierStored = firstStoredFirst ? first : second;
            warnings->append(QStringLiteral("کد %1 پس از کد %2 ثبت شده ولي تاريخ و ساعت ثبت آن پيش تر است؛ تاريخ و ساعت "
                                            "رايانه را در آن روزها بررسي کنيد. «قبل» و «بعد» بر پايه تاريخ و ساعت ثبت است.")
                                 .arg(quotedCode(laterStored), quotedCode(earlierStored)));
        }
    } else if (aDated && bDated) {
        warnings->append(QStringLiteral("هر دو اجرا با يک تاريخ و ساعت ثبت شده اند؛ «قبل» آن است که زودتر در بانک "
                                        "اطلاعاتي ثبت شده است."));
    } else {
        for (const Administration *x : {&first, &second})
            if (!registrationMoment(x->date, x->time, &a))
                warnings->append(QStringLiteral("تاريخ ثبت کد %1 خوانده نشد؛ «قبل» و «بعد» بر پايه ترتيب ثبت در بانک "
                                                "اطلاعاتي است.")
                                     .arg(quotedCode(*x)));
    }
    *before = firstIsBefore ? first : second;
    *after = firstIsBefore ? second : first;

    // Two different people compared by mistake.
    if (before->sex.trimmed() != after->sex.trimmed())
        warnings->append(QStringLiteral("جنس در دو ثبت يکسان نيست (%1 و %2)؛ شايد دو نفر متفاوت با هم مقايسه شده اند.")
                             .arg(orNotRecorded(before->sex), orNotRecorded(after->sex)));
    qint64 ageBefore = 0, ageAfter = 0;
    bool agesFit = before->age.trimmed() == after->age.trimmed();
    if (wholeNumber(before->age, &ageBefore) && wholeNumber(after->age, &ageAfter)) {
        // A birthday may fall between the two: a year more than the whole
        // years passed still fits one person.
        int years = 0;
        const qint64 grown = ageAfter - ageBefore;
        agesFit = wholeYearsBetween(before->date, after->date, &years) ? grown >= years && grown <= years + 1
                                                                         : grown >= 0;
    }
    if (!agesFit)
        warnings->append(QStringLiteral("سن در دو ثبت با يک نفر جور نيست (%1 در ثبت قبل و %2 در ثبت بعد)؛ شايد دو نفر "
                                        "متفاوت با هم مقايسه شده اند.")
                             .arg(orNotRecorded(before->age), orNotRecorded(after->age)));
}

Comparison compare(const Administration &first, const Administration &second, Standing::Reference reference,
                   const QString &referenceValue, const ReferenceFigures &figures)
{
    Comparison out;
    order(first, second, &out.before, &out.after, &out.warnings);
    out.reference = reference;
    out.referenceValue = referenceValue;
    const QString keyed = QStringLiteral("آزمودني هاي کليد گذاري شده اين مرکز");
    switch (reference) {
    case Standing::Reference::All:
        out.referenceDescription = QStringLiteral("همه ") + keyed;
        break;
    case Standing::Reference::SameSex:
        out.referenceDescription = keyed + QStringLiteral(" با جنس «%1»").arg(referenceValue);
        if (referenceValue.trimmed().isEmpty())
            out.referenceMissing = QStringLiteral("جنس در ثبت قبل نيامده است؛ گروه مرجع هم جنس ندارد.");
        break;
    case Standing::Reference::SameGroup:
        out.referenceDescription = keyed + QStringLiteral(" در گروه «%1»").arg(referenceValue);
        if (referenceValue.trimmed().isEmpty())
            out.referenceMissing = QStringLiteral("ثبت قبل در هيچ گروهي نيست؛ گروه مرجع هم گروه ندارد.");
        break;
    }
    if (!out.referenceMissing.isEmpty())
        out.referenceDescription = Standing::referenceCaptions().value(int(reference));
    for (int s = 0; s < kScales; ++s)
        out.rows[size_t(s)] = scaleRow(s, out.before, out.after, figures[size_t(s)], out.referenceMissing);
    return out;
}

bool readAdministration(const QString &code, Administration *administration, QString *error)
{
    *administration = Administration();
    const QStringList scales = scaleColumns();
    QStringList select = {QStringLiteral("\"IDE\".rowid")};
    for (const char *column : {"Code", "FName", "LName", "Jens", "Sen", "Group", "Date", "Time"})
        select << QStringLiteral("\"IDE\".") + Database::quoted(QString::fromLatin1(column));
    for (const QString &column : scales)
        select << QStringLiteral("\"IDE\".") + Database::quoted(column);
    // Whether each scale's items are all answered: NULL answers (no answer row) are not.
    auto answered = [](const QList<int> &items) {
        QStringList parts;
        for (int item : items)
            parts << QStringLiteral("\"Answer\".%1 <> ''").arg(Database::quoted(QString::number(item)));
        return QStringLiteral("CASE WHEN %1 THEN 1 ELSE 0 END").arg(parts.join(QStringLiteral(" AND ")));
    };
    QList<int> all;
    for (int item = 1; item <= ScoringKey::kItemCount; ++item)
        all << item;
    for (const QString &column : scales) {
        const int index = ScoringKey::indexOfColumn(column);
        if (index < 0) {
            select << answered(all);
            continue;
        }
        const auto six = ScoringKey::itemsOf(ScoringKey::subscales()[size_t(index)].baseItem);
        select << answered(QList<int>(six.begin(), six.end()));
    }
    QSqlQuery query(Database::connection());
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE \"IDE\".\"Code\" = ?")
                      .arg(select.join(u','), Standing::subjectsWithAnswers(QStringLiteral("LEFT JOIN"))));
    query.addBindValue(code);
    if (!query.exec())
        return fail(error, QStringLiteral("خواندن آزمودني %1 ممکن نشد: ").arg(code) + Database::errorText(query.lastError()));
    if (!query.next())
        return fail(error, query.lastError().isValid()
                               ? QStringLiteral("خواندن آزمودني %1 ممکن نشد: ").arg(code) + Database::errorText(query.lastError())
                               : QStringLiteral("آزمودني با کد «%1» پيدا نشد.").arg(isolated(code)));
    Administration &a = *administration;
    a.key = query.value(0).toLongLong();
    a.code = query.value(1).toString();
    a.firstName = query.value(2).toString();
    a.familyName = query.value(3).toString();
    a.sex = query.value(4).toString();
    a.age = query.value(5).toString();
    a.group = query.value(6).toString();
    a.date = query.value(7).toString();
    a.time = query.value(8).toString();
    a.keyed = true;
    for (int s = 0; s < kScales; ++s) {
        bool ok = false;
        a.scores[size_t(s)] = query.value(9 + s).toString().trimmed().toLongLong(&ok);
        a.keyed = a.keyed && ok;
        a.complete[size_t(s)] = query.value(9 + kScales + s).toInt() == 1;
    }
    return true;
}

bool readReference(Standing::Reference reference, const QString &value, ReferenceFigures *figures, QString *error)
{
    *figures = ReferenceFigures();
    GroupSummary::Summary summary;
    const bool read = reference == Standing::Reference::All     ? GroupSummary::read(true, QString(), &summary, error)
                      : reference == Standing::Reference::SameSex ? GroupSummary::readSex(value, &summary, error)
                                                                  : GroupSummary::read(false, value, &summary, error);
    Standing::Distribution complete;
    if (!read || !Standing::readDistribution(reference, value, &complete, error))
        return false;
    const QStringList scales = scaleColumns();
    for (int s = 0; s < kTotal; ++s) {
        const int index = ScoringKey::indexOfColumn(scales[s]);
        ScaleReference &r = (*figures)[size_t(s)];
        const ValueCounts &scores = summary.scores[size_t(index)];
        const ItemConsistency &consistency = summary.consistency[size_t(index)];
        r.n = scores.count();
        r.sd = scores.standardDeviation();
        r.alphaDefined = consistency.isDefined();
        r.alpha = consistency.alpha();
    }
    // The total's alpha: its fifteen subscales as its parts, over the
    // subjects who answered all 90.
    ScaleReference &total = (*figures)[size_t(kTotal)];
    const ValueCounts &totals = complete.columns[size_t(Standing::kColumns - 1)];
    total.n = totals.count();
    total.sd = totals.standardDeviation();
    double parts = 0;
    for (int c = 0; c < ScoringKey::kSubscaleCount; ++c)
        parts += std::pow(complete.columns[size_t(c)].standardDeviation(), 2);
    const double whole = total.sd * total.sd;
    constexpr double k = ScoringKey::kSubscaleCount;
    total.alphaDefined = total.n >= 2 && whole > 1e-12;
    total.alpha = total.alphaDefined ? k / (k - 1) * (1 - parts / whole) : 0;
    return true;
}

bool compareCodes(const QString &first, const QString &second, Standing::Reference reference, Comparison *comparison,
                  QString *error)
{
    Administration a, b;
    if (!readAdministration(first, &a, error) || !readAdministration(second, &b, error))
        return false;
    for (const Administration *x : {&a, &b})
        if (!x->keyed)
            return fail(error, QStringLiteral("آزمودني با کد %1 هنوز کليد گذاري نشده است؛ ابتدا او را کليد گذاري کنيد.")
                                   .arg(quotedCode(*x)));
    Administration before, after;
    QStringList warnings;
    order(a, b, &before, &after, &warnings);
    const QString value = reference == Standing::Reference::SameSex     ? before.sex
                          : reference == Standing::Reference::SameGroup ? before.group
                                                                        : QString();
    ReferenceFigures figures;
    if ((reference == Standing::Reference::All || !value.trimmed().isEmpty()) &&
        !readReference(reference, value, &figures, error))
        return false;
    *comparison = compare(a, b, reference, value, figures);
    return true;
}

QString formulaText()
{
    return QStringLiteral("RCI = (بعد − قبل) / (√2 × SD × √(1 − α))");
}

QString shownFigure(const QString &figure) { return QChar(0x200E) + figure; }

QStringList notes(const Comparison &comparison)
{
    QStringList out;
    for (const ScaleRow &row : comparison.rows)
        if (!row.computed && !out.contains(row.reason))
            out << row.reason;
    return out;
}

int noteOf(const Comparison &comparison, int scale)
{
    const ScaleRow &row = comparison.rows[size_t(scale)];
    return row.computed ? 0 : int(notes(comparison).indexOf(row.reason)) + 1;
}

QStringList rowTexts(const Comparison &comparison, int scale, bool numbered)
{
    const ScaleRow &row = comparison.rows[size_t(scale)];
    const ScaleReference &r = row.reference;
    const bool missing = !comparison.referenceMissing.isEmpty();
    QString index = row.computed ? QString::number(row.rci, 'f', 2) : kNone;
    if (!row.computed && numbered)
        index += QStringLiteral(" (%1)").arg(noteOf(comparison, scale));
    return {QString::number(row.before),
            QString::number(row.after),
            QString::number(row.difference),
            missing ? kNone : QString::number(r.n),
            missing || r.n < 2 ? kNone : QString::number(r.sd, 'f', 2),
            missing || !r.alphaDefined ? kNone : QString::number(r.alpha, 'f', 3),
            index,
            verdictText(row.verdict)};
}

QString directionText()
{
    return QStringLiteral("در همه مقياس ها نمره بالاتر يعني توانايي بيشتر در آنچه مقياس نام مي برد؛ تفاوت مثبت بهبود است. "
                          "شاخص تغيير پاياي ژاکوبسون و تروآکس با قدر مطلق 1.96 يا بيشتر تغيير پاياست: مثبت بهبود پايا، "
                          "منفي افت پايا.");
}

QString registrationLine(const Administration &a)
{
    return QStringLiteral("کد: %1    نام: %2 %3    تاريخ ثبت: %4    ساعت: %5    جنس: %6    سن: %7    گروه: %8")
        .arg(isolated(a.code), a.firstName, a.familyName, orNotRecorded(a.date), orNotRecorded(a.time), orNotRecorded(a.sex),
             orNotRecorded(a.age), orNotRecorded(a.group));
}

}  // namespace AdministrationComparison
