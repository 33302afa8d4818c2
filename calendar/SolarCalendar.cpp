#include "calendar/SolarCalendar.h"

#include <array>

namespace SolarCalendar {
namespace {
const QDate kEpoch(1953, 3, 21);
constexpr int kBaseYear = 1332;

const std::array<const char *, 12> kMonthNames = {
    "فروردين", "ارديبهشت", "خرداد", "تير", "مرداد", "شهريور",
    "مهر", "آبان", "آذر", "دي", "بهمن", "اسفند"};

// Sunday first, as the weekday of the Gregorian date.
const std::array<const char *, 7> kWeekdayNames = {
    "يکشنبه", "دوشنبه", "سه شنبه", "چهارشنبه", "پنجشنبه", "جمعه", "شنبه"};
}  // namespace

bool IsSolarLeapYear(int yearOffset)
{
    const int x = (kBaseYear + yearOffset) - 1309;
    return ((x % 32) - (x / 32)) % 4 == 0;
}

bool SolarFromDays(qint64 days, int &year, int &month, int &day)
{
    if (days < 0)
        return false;
    int yearOffset = 0;
    for (;;) {
        const int yearLength = IsSolarLeapYear(yearOffset) ? 366 : 365;
        if (days - yearLength < 0)
            break;
        ++yearOffset;
        days -= yearLength;
    }
    year = kBaseYear + yearOffset;
    if (days <= 185) {
        month = int(days / 31) + 1;
        day = int(days % 31) + 1;
    } else {
        days -= 186;
        month = int(days / 30) + 7;
        day = int(days % 30) + 1;
    }
    return true;
}

QString SolarDate(const QDate &date, int layout)
{
    if (layout < 0 || layout > 4 || !date.isValid())
        return QString();
    int y = 0, m = 0, d = 0;
    if (!SolarFromDays(kEpoch.daysTo(date), y, m, d))
        return QString();
    // Qt counts Monday = 1 .. Sunday = 7; the name list starts on Sunday.
    const QString weekday = QString::fromUtf8(kWeekdayNames[date.dayOfWeek() % 7]);
    const QString monthName = QString::fromUtf8(kMonthNames[m - 1]);
    const QString ys = QString::number(y), ms = QString::number(m), ds = QString::number(d);
    switch (layout) {
    case 0:
        return ys + '/' + ms.rightJustified(2, '0') + '/' + ds.rightJustified(2, '0');
    case 1:
        return ds + ' ' + monthName + ' ' + ys;
    case 2:
        return weekday + ' ' + ys + '/' + ms + '/' + ds;
    case 3:
        return weekday + ' ' + ds + ' ' + monthName + ' ' + ys;
    default:
        return ys + '.' + ms + '.' + ds;
    }
}

}  // namespace SolarCalendar
