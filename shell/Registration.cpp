#include "shell/Registration.h"

#include "calendar/SolarCalendar.h"
#include "data/Database.h"
#include "data/TableView.h"

#include <QRegularExpression>
#include <QSqlQuery>

namespace Registration {

const std::array<Check, 8> &checks()
{
    static const std::array<Check, 8> list = {{
        {"Text11", "کد آزمودني را وارد کنيد", "Text11"},
        {"Text6", "نام آزمودني را وارد کنيد", "Text6"},
        {"Text4", "نام خانوادگي آزمودني را وارد کنيد", "Text4"},
        {"Text16", "جنسيت آزمودني را مشخص کنيد", "Combo2"},
        {"Text5", "سن آزمودني را وارد کنيد", "Text5"},
        {"Text15", "وضعيت تاهل آزمودني را مشخص کنيد", "Combo1"},
        {"Text17", "گروه را مشخص کنيد", "Combo3"},
        {"Text7", "ميزان تحصيلات آزمودني را وارد کنيد", "Text7"},
    }};
    return list;
}

std::optional<Check> firstMissing(const std::function<QString(const QString &)> &fieldText)
{
    for (const Check &c : checks())
        if (fieldText(QString::fromLatin1(c.field)).isEmpty())
            return c;
    return std::nullopt;
}

namespace {
// 0..9 for a Persian or Arabic-Indic digit, -1 otherwise.
int easternDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= 0x06F0 && u <= 0x06F9)
        return u - 0x06F0;
    if (u >= 0x0660 && u <= 0x0669)
        return u - 0x0660;
    return -1;
}

bool typesVisibleCharacter(const QString &text)
{
    for (QChar c : text)
        if (c.category() != QChar::Other_Control)
            return true;
    return false;
}
}  // namespace

AgeKey ageKey(int key, Qt::KeyboardModifiers modifiers, const QString &text, QChar *replacement)
{
    if (key == Qt::Key_Backspace || key == Qt::Key_Return || key == Qt::Key_Enter)
        return AgeKey::Pass;
    const bool control = modifiers & (Qt::ControlModifier | Qt::MetaModifier);
    // Ctrl with a letter types a control character (Ctrl+V, Ctrl+X ...): refused,
    // so that nothing reaches the field through the keyboard but digits.
    if (control && key >= Qt::Key_A && key <= Qt::Key_Z)
        return AgeKey::Refuse;
    // Escape would cancel the panel and throw away what was typed: refused like
    // any key the age field has no use for.
    if (key == Qt::Key_Escape)
        return AgeKey::Refuse;
    // Keys that type nothing visible move or edit: Tab and Shift+Tab ("\t"),
    // Delete (U+007F), arrows, Home, End. Only what is typed is filtered.
    if (!typesVisibleCharacter(text))
        return AgeKey::Pass;
    if (text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9') && !control)
        return AgeKey::Pass;
    if (text.size() == 1 && easternDigit(text[0]) >= 0 && !control) {
        if (replacement)
            *replacement = QChar('0' + easternDigit(text[0]));
        return AgeKey::Replace;
    }
    return AgeKey::Refuse;
}

bool isAgeText(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{0,2}$"));
    return digits.match(text).hasMatch();
}

QString ageRefusedMessage() { return QStringLiteral("شما بايد عدد وارد كنيد"); }

QString latinDigits(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        if (const int d = easternDigit(c); d >= 0)
            c = QChar('0' + d);
    return out;
}

QString answerCode(const QString &typedCode)
{
    qsizetype begin = 0;
    qsizetype end = typedCode.size();
    while (begin < end && typedCode[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && typedCode[end - 1] == QLatin1Char(' '))
        --end;
    return typedCode.mid(begin, end - begin);
}

QString timeOfDayText(const QTime &time, const QLocale &locale)
{
    // The locale's long time form names the time zone too; the registration
    // keeps hours, minutes and seconds (and the AM/PM mark where the locale has one).
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*[(]?t+[)]?\\s*"));
    format.replace(zone, QStringLiteral(" "));
    format = format.trimmed();
    if (!format.contains(QLatin1Char('s')))
        format = QStringLiteral("HH:mm:ss");
    return locale.toString(time, format);
}

QString dateText(const QDate &date) { return SolarCalendar::SolarDate(date, 0); }

namespace {
std::function<QDateTime()> &clock()
{
    static std::function<QDateTime()> c;
    return c;
}
}  // namespace

QDateTime now() { return clock() ? clock()() : QDateTime::currentDateTime(); }
void setClock(std::function<QDateTime()> c) { clock() = std::move(c); }

QString duplicateMessage() { return QStringLiteral("فردديگري با اين کد ثبت شده"); }

namespace {
// Whether IDE or Answer holds the code: asked after a refusal, so that only a
// code that is really taken gets the duplicate text.
bool codeIsTaken(const QString &typedCode)
{
    QSqlQuery q(Database::connection());
    q.prepare(QStringLiteral("SELECT (SELECT count(*) FROM \"IDE\" WHERE \"Code\" = ?) + "
                             "(SELECT count(*) FROM \"Answer\" WHERE \"Code\" = ?)"));
    q.addBindValue(typedCode);
    q.addBindValue(answerCode(typedCode));
    return q.exec() && q.next() && q.value(0).toInt() > 0;
}
}  // namespace

Stored storeSubject(TableView &subjects, TableView &answers, const QString &typedCode, QString *why)
{
    QString error;
    bool stored = false;
    {
        Database::Transaction transaction;
        if (transaction.isActive()) {
            answers.addNew();
            answers.setField(QStringLiteral("Code"), answerCode(typedCode));
            if (!subjects.commit())
                error = subjects.lastError();
            else if (!answers.commit())
                error = answers.lastError();
            else if (!(stored = transaction.commit()))
                error = transaction.errorString();
        } else {
            error = transaction.errorString();
        }
    }
    if (stored)
        return Stored::Yes;
    if (codeIsTaken(typedCode))
        return Stored::CodeTaken;
    if (why)
        *why = error;
    return Stored::Failed;
}

QString storeFailedMessage(const QString &why)
{
    return QStringLiteral("آزمودني ثبت نشد؛ بانک اطلاعاتي آن را نپذيرفت:\n") + why;
}

}  // namespace Registration
