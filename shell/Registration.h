#pragma once
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <array>
#include <functional>
#include <optional>

class QKeyEvent;
class TableView;

// The rules of the registration panel that need no window: which field is
// missing first, what the age field lets through, how the date, time and the
// answer row's code are written.
namespace Registration {

// One missing-field check: the control whose text must not be empty, its
// message, and the control that gets the focus when it is.
struct Check {
    const char *field;
    const char *message;
    const char *focus;
};

// The eight checks in the order the save runs them.
const std::array<Check, 8> &checks();

// The first check whose field is empty (blanks count as text), if any.
// fieldText gives the text of a control by its name.
std::optional<Check> firstMissing(const std::function<QString(const QString &)> &fieldText);

// What a key press in the age field does.
enum class AgeKey {
    Pass,     // the key goes to the field unchanged
    Replace,  // a digit of another script: the field gets the digit "0" to "9" instead
    Refuse,   // dropped, with the beep and the message
};
// Backspace, Enter and the digits pass; keys that type nothing visible (Tab,
// Shift+Tab, Delete, Escape, arrows, Home, End) pass as well. Persian and Arabic-Indic digits become 0 to 9;
// anything else typed, and Ctrl with a letter (Ctrl+V), is refused.
AgeKey ageKey(int key, Qt::KeyboardModifiers modifiers, const QString &text, QChar *replacement = nullptr);
// True when the text is at most two digits 0 to 9 (what the age field may hold).
bool isAgeText(const QString &text);
QString ageRefusedMessage();

// The text with Persian (۰..۹) and Arabic-Indic (٠..٩) digits written as 0..9.
QString latinDigits(const QString &text);

// The code the subject's Answer row gets: the typed code without leading and
// trailing blanks.
QString answerCode(const QString &typedCode);

// The time of day in the locale's general time form: hours, minutes, seconds.
QString timeOfDayText(const QTime &time, const QLocale &locale = QLocale::system());
// The registration date: the solar date, year/month/day with padded month and day.
QString dateText(const QDate &date);

// The clock the panel reads when it opens; tests replace it (nullptr restores
// the system clock).
QDateTime now();
void setClock(std::function<QDateTime()> clock);

QString duplicateMessage();

// Stores a registration: the subjects view's pending new row (every field as
// typed) and an Answer row with the code without surrounding blanks, in one
// transaction, both or neither. On a server whose connection was lost (it
// restarted since the last write), the registration runs once more on a new
// connection; when the COMMIT itself was cut off, the stored row is looked at
// first, so that a subject the server did store counts as stored.
enum class Stored {
    Yes,
    CodeTaken,  // a subject with this code is registered already
    Failed,     // the store refused for another reason: *why says which
};
Stored storeSubject(TableView &subjects, TableView &answers, const QString &typedCode, QString *why = nullptr);
// The reason given when the server's connection was lost and a new one could
// not be made for the second attempt; mayBeStored when a COMMIT was cut off,
// so that whether the subject is stored is not known.
QString lostServerText(bool mayBeStored);
// The box shown when the store refused for a reason other than a taken code.
QString storeFailedMessage(const QString &why);

}  // namespace Registration
