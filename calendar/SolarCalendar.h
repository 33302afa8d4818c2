#pragma once
#include <QDate>
#include <QString>

// The Persian solar calendar: arithmetic on a day count from 1 Farvardin 1332
// (21 March 1953), with its own 32-year leap rule.
namespace SolarCalendar {

// Solar date of the calendar date as text in layout 0 to 4; any other layout,
// or a date before the epoch, gives an empty string.
QString SolarDate(const QDate &date, int layout = 0);

// Splits a day count since the epoch into solar year, month and day. A negative
// count leaves the outputs untouched and returns false.
bool SolarFromDays(qint64 days, int &year, int &month, int &day);

// True when solar year 1332 + yearOffset has 366 days.
bool IsSolarLeapYear(int yearOffset);

}  // namespace SolarCalendar
