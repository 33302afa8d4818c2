#include "updater/DownloadRules.h"

#include "platform/LeadingNumber.h"

#include <QRegularExpression>

#include <cmath>

namespace DownloadRules {

QString statusField(const QString &headerText) { return headerText.mid(9, 3); }

qint64 contentLength(const QString &value, bool *known)
{
    const QString trimmed = value.trimmed();
    *known = !trimmed.isEmpty() && trimmed.at(0).isDigit();
    if (!*known)
        return 0;
    const double number = leadingNumber(trimmed);
    // A length no file system could hold is as good as unknown.
    if (!(number >= 0) || number > 9.0e18) {
        *known = false;
        return 0;
    }
    return qint64(std::nearbyint(number));
}

qint64 rangeStart(const QString &contentRangeValue)
{
    static const QRegularExpression form(QStringLiteral(R"(^\s*bytes\s+(\d+)\s*-)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = form.match(contentRangeValue);
    bool ok = false;
    const qint64 start = m.hasMatch() ? m.captured(1).toLongLong(&ok) : -1;
    return ok ? start : -1;
}

namespace {
// "bytes <first>-<last>/<total>", or nothing.
bool parseRange(const QString &value, qint64 *first, qint64 *last, qint64 *total)
{
    static const QRegularExpression form(QStringLiteral(R"(^\s*bytes\s+(\d+)-(\d+)/(\d+)\s*$)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = form.match(value);
    bool a = false, b = false, c = false;
    if (m.hasMatch()) {
        *first = m.captured(1).toLongLong(&a);
        *last = m.captured(2).toLongLong(&b);
        *total = m.captured(3).toLongLong(&c);
    }
    return a && b && c;
}

Verdict failure(const QString &error)
{
    Verdict v;
    v.error = error;
    return v;
}
}  // namespace

Verdict examineResponse(const QString &headerText, const QString &contentLengthValue, const QString &url,
                        const QString &contentRangeValue, const QString &contentEncodingValue)
{
    Verdict v;
    const QString status = statusField(headerText);
    if (status == QLatin1String("206") && !contentRangeValue.trimmed().isEmpty()
        && rangeStart(contentRangeValue) != 0) {
        const int cr = int(headerText.indexOf('\r'));
        v.error = QStringLiteral("The server returned the following response:\r\r") + headerText.left(cr + 1)
                  + QStringLiteral("Content-Range: ") + contentRangeValue.trimmed();
        return v;
    }
    if (status == QLatin1String("200") || status == QLatin1String("206")) {
        // Two Content-Length headers arrive joined ("1000, 20051"): no one length.
        static const QRegularExpression plainNumber(QStringLiteral(R"(^\s*\d+\s*$)"));
        if (!contentLengthValue.trimmed().isEmpty() && !plainNumber.match(contentLengthValue).hasMatch())
            return failure(errorOccurred(QStringLiteral("the server's Content-Length \"%1\" is not one plain number")
                                             .arg(contentLengthValue.trimmed())));
        // The bytes must be the file itself, not a compressed form of it.
        const QString encoding = contentEncodingValue.trimmed();
        if (!encoding.isEmpty() && encoding.compare(QLatin1String("identity"), Qt::CaseInsensitive) != 0)
            return failure(errorOccurred(QStringLiteral("the server sent the file encoded as \"%1\"").arg(encoding)));
        v.expected = contentLength(contentLengthValue, &v.lengthKnown);
        if (!v.lengthKnown)
            return failure(errorOccurred(unknownLengthDescription()));
        // Every request asks for the whole file: a 206 must say it is the whole file.
        if (status == QLatin1String("206")) {
            qint64 first = -1, last = -1, total = -1;
            if (contentRangeValue.trimmed().isEmpty())
                return failure(errorOccurred(QStringLiteral("the server sent part of the file without saying which part (no Content-Range)")));
            if (!parseRange(contentRangeValue, &first, &last, &total) || first != 0 || last != total - 1
                || total != v.expected)
                return failure(errorOccurred(QStringLiteral("the server sent only part of the file (Content-Range: %1, Content-Length: %2)")
                                                 .arg(contentRangeValue.trimmed())
                                                 .arg(v.expected)));
        }
        v.action = Verdict::ReadBody;
        return v;
    }
    if (status == QLatin1String("204"))
        v.error = QStringLiteral("Nothing to download!");
    else if (status == QLatin1String("401"))
        v.error = QStringLiteral("Authorization failed!");
    else if (status == QLatin1String("404"))
        v.error = QStringLiteral("The file, \"") + url + QStringLiteral("\" was not found!");
    else if (status == QLatin1String("\r\n") && headerText.size() == 11)
        v.error = QStringLiteral("Cannot establish connection.");
    else {
        const int cr = int(headerText.indexOf('\r'));
        QString line = cr < 0 ? QString() : headerText.left(cr + 1);
        if (line.isEmpty())
            line = QStringLiteral("<nothing>");
        v.error = QStringLiteral("The server returned the following response:\r\r") + line;
    }
    return v;
}

int percent(qint64 received, qint64 expected)
{
    if (expected <= 0)
        return 0;
    // Exact integer arithmetic, so 12.5 goes to 12 and 13.5 to 14.
    const __int128 scaled = __int128(received) * 100;
    qint64 q = qint64(scaled / expected);
    const __int128 twiceRest = (scaled % expected) * 2;
    if (twiceRest > expected || (twiceRest == expected && (q % 2) != 0))
        ++q;
    return int(q);
}

bool enoughSpace(qint64 freeBytes, qint64 expected) { return freeBytes >= expected; }

Outcome finish(qint64 received, qint64 expected, bool lengthKnown, bool bodyEndedCleanly, bool cancelled,
               bool errorRaised)
{
    if (cancelled || errorRaised)
        return Outcome::Silent;
    if (lengthKnown ? received == expected : bodyEndedCleanly)
        return Outcome::Complete;
    return Outcome::Reset;
}

QString unknownLengthDescription()
{
    return QStringLiteral("the server did not say how long the file is (Content-Length), so a whole file "
                          "could not be told from a cut one");
}
QString gettingInformation() { return QStringLiteral("Getting file information"); }
QString notEnoughSpace() { return QStringLiteral("There is not enough free space on disk for this file."); }
QString connectionReset() { return QStringLiteral("The connection with the server was reset."); }
QString errorOccurred(const QString &description)
{
    return QStringLiteral("Error: ") + description + QStringLiteral(" occurred.");
}
QString writeFailure(int code, const QString &description)
{
    return QStringLiteral("Cannot write file to disk.\r\rError ") + QString::number(code) + QStringLiteral(": ")
           + description;
}

}  // namespace DownloadRules
