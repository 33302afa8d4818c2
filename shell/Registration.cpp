#include "shell/Registration.h"

#include "calendar/SolarCalendar.h"
#include "data/Database.h"
#include "data/TableView.h"
#include "platform/Dialogs.h"

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

namespace {
// Whether the subject is stored exactly as it was sent: asked when the
// connection was lost with the COMMIT on its way, so that a registration the
// server did store is not refused as a taken code when it is sent again.
bool storedAsSent(const QString &typedCode, const QHash<QString, QString> &sent)
{
    QStringList columns;
    for (auto it = sent.cbegin(); it != sent.cend(); ++it)
        columns << Database::quoted(it.key());
    QSqlQuery q(Database::connection());
    q.prepare(QStringLiteral("SELECT %1, (SELECT count(*) FROM \"Answer\" WHERE \"Code\" = ?) FROM \"IDE\" "
                             "WHERE \"Code\" = ?")
                  .arg(columns.isEmpty() ? QStringLiteral("1") : columns.join(',')));
    q.addBindValue(answerCode(typedCode));
    q.addBindValue(typedCode);
    if (!q.exec() || !q.next())
        return false;
    int i = 0;
    for (auto it = sent.cbegin(); it != sent.cend(); ++it, ++i)
        if (q.value(i).toString() != it.value())
            return false;
    return q.value(i).toInt() == 1 && !q.next();
}

// One attempt: the IDE row and the Answer row in one transaction.
bool storeOnce(TableView &subjects, TableView &answers, const QString &typedCode, QString *error,
               Database::Loss *loss)
{
    Database::Transaction transaction;
    bool stored = false;
    if (transaction.isActive()) {
        answers.addNew();
        answers.setField(QStringLiteral("Code"), answerCode(typedCode));
        if (!subjects.commit())
            *error = subjects.lastError();
        else if (!answers.commit())
            *error = answers.lastError();
        else if (!(stored = transaction.commit()))
            *error = transaction.errorString();
    } else {
        *error = transaction.errorString();
    }
    *loss = stored ? Database::Loss::None : transaction.loss();
    return stored;
}
}  // namespace

Stored storeSubject(TableView &subjects, TableView &answers, const QString &typedCode, QString *why)
{
    const QHash<QString, QString> sent = subjects.pendingValues();
    QString error;
    Database::Loss loss = Database::Loss::None;
    if (storeOnce(subjects, answers, typedCode, &error, &loss))
        return Stored::Yes;
    // A server that restarted since the last write is found gone by this one.
    // A registration may run again: its code is unique, so it is stored once
    // at most. Sent again once, on a new connection.
    bool mayBeStored = false;
    if (loss != Database::Loss::None) {
        mayBeStored = loss == Database::Loss::DuringCommit;
        if (mayBeStored && storedAsSent(typedCode, sent))
            return Stored::Yes;
        subjects.addNew(sent);
        if (storeOnce(subjects, answers, typedCode, &error, &loss))
            return Stored::Yes;
        mayBeStored = mayBeStored || loss == Database::Loss::DuringCommit;
        if (loss == Database::Loss::DuringCommit && storedAsSent(typedCode, sent))
            return Stored::Yes;
    }
    if (codeIsTaken(typedCode))
        return Stored::CodeTaken;
    if (why)
        *why = loss == Database::Loss::None ? error : lostServerText(mayBeStored);
    return Stored::Failed;
}

QString lostServerText(bool mayBeStored)
{
    const QString lost = QStringLiteral("ارتباط با سرور بانک اطلاعاتي %1 قطع شد و دوباره برقرار نشد. ")
                             .arg(leftToRight(Database::storeName()));
    if (mayBeStored)
        return lost + QStringLiteral("معلوم نيست آزمودني ثبت شده باشد: وقتي سرور در دسترس بود، کد را در فهرست "
                                     "آزمودني ها جستجو کنيد و اگر نبود دوباره ثبت کنيد.");
    return lost + QStringLiteral("روشن بودن سرور و شبکه را بررسي کنيد و دوباره ثبت کنيد.");
}

QString storeFailedMessage(const QString &why)
{
    return QStringLiteral("آزمودني ثبت نشد؛ بانک اطلاعاتي آن را نپذيرفت:\n") + why;
}

}  // namespace Registration
