#include "scoring/ScoringKey.h"

namespace ScoringKey {

namespace {
const std::array<Subscale, kSubscaleCount> kSubscales = {{
    {"khodagahi", "خودآگاهي هيجاني", "ES", 6, "خود آگاهي هيجاني= Emotional Self - Awareness=ES"},
    {"ebrazevojood", "ابراز وجود", "AS", 15, "خود ابرازي= Assertiveness =AS"},
    {"ezatenafs", "عزت نفس", "SR", 10, "عزت نفس= Self- Regard=SR"},
    {"khoodshkofaee", "خودشکوفايي", "SA", 5, "خود شکوفايي=  Self-Actualization=SA"},
    {"esteghlal", "استقلال", "IN", 3, "استقلال=  Independence =IN"},
    {"hamdeli", "همدلي", "EM", 14, "همدلي=  Empathy=EM"},
    {"masooliatpaz", "مسئوليت پذيري اجتماعي", "RE", 13, "مسؤوليت پذيري اجتماعي= Social Responsibility=RE"},
    {"ravabet", "روابط بين فردي", "IR", 8, "روابط بين فردي= Interpersonal Relationship=IR"},
    {"vaghegaraee", "واقع گرايي", "RT", 7, "واقع گرايي=  Reality Testing=RT"},
    {"enetafpaz", "انعطاف پذيري", "FL", 12, "انعطاف پذيري=  Flexibility=FL"},
    {"halemas", "حل مسئله", "PS", 1, "حل مسأله= Problem Solving=PS"},
    {"tahalol", "تحمل فشار رواني", "ST", 4, "تحمل فشار رواني= Stress Tolerance =ST"},
    {"control", "کنترل تکانش", "IC", 11, "کنترل تکانش= Impulse Control=IC"},
    {"khooshbini", "خوش بيني", "OP", 9, "خوش بيني= Optimism =OP"},
    {"shadmani", "شادماني", "HA", 2, "شادماني= Happiness =HA"},
}};
}  // namespace

const std::array<Subscale, kSubscaleCount> &subscales() { return kSubscales; }

std::array<int, 6> itemsOf(int baseItem)
{
    std::array<int, 6> items{};
    for (int j = 0; j < 6; ++j)
        items[j] = baseItem + 15 * j;
    return items;
}

int indexOfColumn(const QString &column)
{
    for (int i = 0; i < kSubscaleCount; ++i)
        if (column.compare(QLatin1String(kSubscales[i].column), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QStringList scoreColumns()
{
    QStringList columns;
    for (const Subscale &s : kSubscales)
        columns << QString::fromLatin1(s.column);
    columns << totalColumn();
    return columns;
}

qint64 itemValue(const QString &stored)
{
    int i = 0;
    while (i < stored.size() && (stored[i] == u' ' || stored[i] == u'\t'))
        ++i;
    qint64 value = 0;
    int digits = 0;
    for (; i < stored.size() && stored[i] >= u'0' && stored[i] <= u'9'; ++i) {
        // A stored answer is one digit; a longer number (a damaged row) is
        // capped so that the sums can never overflow.
        if (++digits > 9)
            continue;
        value = value * 10 + (stored[i].unicode() - u'0');
    }
    return value;
}

QStringList Scores::texts() const
{
    QStringList out;
    for (qint64 v : subscale)
        out << QString::number(v);
    out << QString::number(kol);
    return out;
}

Scores score(const QStringList &answers)
{
    Scores scores;
    for (int i = 0; i < kSubscaleCount; ++i) {
        qint64 sum = 0;
        for (int item : itemsOf(kSubscales[i].baseItem))
            sum += itemValue(answers.value(item - 1));
        scores.subscale[i] = sum;
    }
    // The total is the sum of the fifteen subscales as shown.
    for (qint64 v : scores.subscale)
        scores.kol += v;
    return scores;
}

QList<int> unansweredItems(const QStringList &answers)
{
    QList<int> items;
    for (int item = 1; item <= kItemCount; ++item)
        if (answers.value(item - 1).isEmpty())
            items << item;
    return items;
}

QString unansweredWarning(const QList<int> &items)
{
    QString list;
    for (int item : items)
        list += u' ' + QString::number(item) + QStringLiteral("  ");
    return QStringLiteral("شما به سوالات زير پاسخ نداده ايد ") + QStringLiteral("\r\n\r\n") + list;
}

}  // namespace ScoringKey
