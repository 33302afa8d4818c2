#pragma once
#include <QStringList>

#include <array>

// The scoring key as the questionnaire's design states it, written out here
// once more and never read from the program: a slip in the program's own
// table then shows up as a difference. Rows in legend order.
namespace DesignedKey {

struct Subscale {
    const char *column;        // IDE column
    const char *caption;       // caption in the keying window's results panel
    const char *abbreviation;  // legend and table heading
    std::array<int, 6> items;
};

inline constexpr std::array<Subscale, 15> kSubscales = {{
    {"khodagahi", "خودآگاهي هيجاني", "ES", {6, 21, 36, 51, 66, 81}},
    {"ebrazevojood", "ابراز وجود", "AS", {15, 30, 45, 60, 75, 90}},
    {"ezatenafs", "عزت نفس", "SR", {10, 25, 40, 55, 70, 85}},
    {"khoodshkofaee", "خودشکوفايي", "SA", {5, 20, 35, 50, 65, 80}},
    {"esteghlal", "استقلال", "IN", {3, 18, 33, 48, 63, 78}},
    {"hamdeli", "همدلي", "EM", {14, 29, 44, 59, 74, 89}},
    {"masooliatpaz", "مسئوليت پذيري اجتماعي", "RE", {13, 28, 43, 58, 73, 88}},
    {"ravabet", "روابط بين فردي", "IR", {8, 23, 38, 53, 68, 83}},
    {"vaghegaraee", "واقع گرايي", "RT", {7, 22, 37, 52, 67, 82}},
    {"enetafpaz", "انعطاف پذيري", "FL", {12, 27, 42, 57, 72, 87}},
    {"halemas", "حل مسئله", "PS", {1, 16, 31, 46, 61, 76}},
    {"tahalol", "تحمل فشار رواني", "ST", {4, 19, 34, 49, 64, 79}},
    {"control", "کنترل تکانش", "IC", {11, 26, 41, 56, 71, 86}},
    {"khooshbini", "خوش بيني", "OP", {9, 24, 39, 54, 69, 84}},
    {"shadmani", "شادماني", "HA", {2, 17, 32, 47, 62, 77}},
}};

// The sixteen IDE score columns: the subscales in legend order, then kol.
inline QStringList scoreColumns()
{
    QStringList out;
    for (const Subscale &s : kSubscales)
        out << QString::fromLatin1(s.column);
    return out << QStringLiteral("kol");
}

// Ninety stored answers (item 1 first) under which the subscale in legend
// position p sums to 6 + p, so that every subscale's sum differs from every
// other's: its first item takes up to 4 of the p extra points, the next item
// the next 4, and so on.
inline std::array<int, 90> distinctSumsPattern()
{
    std::array<int, 90> answers{};
    for (int p = 0; p < 15; ++p)
        for (int j = 0; j < 6; ++j) {
            const int extra = p - 4 * j;
            answers[size_t(kSubscales[size_t(p)].items[size_t(j)] - 1)] = 1 + (extra < 0 ? 0 : extra > 4 ? 4 : extra);
        }
    return answers;
}

}  // namespace DesignedKey
