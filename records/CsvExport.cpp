#include "records/CsvExport.h"

#include "calendar/SolarCalendar.h"
#include "data/Database.h"
#include "data/TableView.h"
#include "platform/SafeFile.h"

#include <QSqlError>
#include <QSqlQuery>

namespace CsvExport {
namespace {
QStringList identityColumns() { return {"Code", "FName", "LName", "Group", "Sen", "Jens", "Taahol", "Tahsil", "Date", "Time"}; }
}  // namespace

QStringList header()
{
    QStringList h = identityColumns() + Database::scoreColumns();
    for (int i = 1; i <= 90; ++i)
        h << "Q" + QString::number(i);
    return h;
}

QString field(const QString &text)
{
    // A spreadsheet runs a cell starting with these as a formula, also after
    // blanks (a no-break space too) and in their full-width forms; the leading
    // quote makes it show the text as it is.
    static const QString formulaStarts = QStringLiteral("=+-@\t\r\uFF1D\uFF0B\uFF0D\uFF20");
    qsizetype first = 0;
    while (first < text.size() && text.at(first).isSpace() && text.at(first) != '\t' && text.at(first) != '\r')
        ++first;
    const bool formula = first < text.size() && formulaStarts.contains(text.at(first));
    const QString value = formula ? '\'' + text : text;
    if (!value.contains(',') && !value.contains('"') && !value.contains('\n') && !value.contains('\r'))
        return value;
    QString quoted = value;
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

QString proposedFileName() { return "Mehrsan-" + SolarCalendar::SolarDate(QDate::currentDate(), 4) + ".csv"; }

bool openRows(const TableView &view, QSqlQuery &q, qint64 *total, QString *error)
{
    QStringList select;
    for (const QString &c : identityColumns() + Database::scoreColumns())
        select << "\"IDE\"." + Database::quoted(c);
    for (int i = 1; i <= 90; ++i)
        select << "\"Answer\"." + Database::quoted(QString::number(i));
    // The answer row carries the code without surrounding blanks.
    QString sql = "SELECT " + select.join(',') +
                  " FROM \"IDE\" LEFT JOIN \"Answer\" ON \"Answer\".\"Code\" = trim(\"IDE\".\"Code\")";
    const bool filtered = view.isFiltered();
    if (filtered) {
        if (view.filterColumn().isEmpty())
            sql += " WHERE 1 = 0";
        else
            sql += " WHERE \"IDE\"." + Database::quoted(view.filterColumn()) + " = ?";
    }
    sql += " ORDER BY \"IDE\".rowid";

    *total = view.rowCount();
    q = QSqlQuery(Database::connection());
    q.setForwardOnly(true);
    q.prepare(sql);
    if (filtered && !view.filterColumn().isEmpty())
        q.addBindValue(view.filterValue());
    if (!q.exec()) {
        if (error)
            *error = QStringLiteral("خواندن اطلاعات آزمودني ها ممکن نشد: ") + q.lastError().text();
        return false;
    }
    return true;
}

bool forEachRow(const TableView &view, const ExtraColumns &extra, const Progress &progress, QString *error,
                const std::function<bool(const QStringList &row)> &take, qint64 *rows, qint64 *total)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    qint64 count = 0;
    QSqlQuery q;
    if (!openRows(view, q, &count, error))
        return false;
    if (total)
        *total = count;
    const int columns = int(header().size());
    qint64 done = 0;
    while (q.next()) {
        QStringList row;
        row.reserve(columns + int(extra.names.size()));
        for (int i = 0; i < columns; ++i)
            row << q.value(i).toString();
        if (extra.values)
            row += extra.values(row);
        if (!take(row))
            return false;
        ++done;
        if (progress && done % 500 == 0 && !progress(done, count))
            return fail(QStringLiteral("خروجي لغو شد"));
    }
    // A read that failed ends the loop as the table's end would: it must not
    // pass for one.
    if (q.lastError().isValid())
        return fail(QStringLiteral("خواندن اطلاعات آزمودني ها ممکن نشد: ") + q.lastError().text());
    if (progress)
        progress(done, count);
    if (rows)
        *rows = done;
    return true;
}

bool write(const TableView &view, const QString &file, const Progress &progress, QString *error, qint64 *rowsWritten,
           const ExtraColumns &extra)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (rowsWritten)
        *rowsWritten = 0;
    SafeFile out(file);
    if (!out.open())
        return fail(QStringLiteral("فايل ساخته نشد: ") + out.errorString());
    QByteArray buffer("\xEF\xBB\xBF");
    buffer += (header() + extra.names).join(',').toUtf8() + "\r\n";
    const auto writeRow = [&](const QStringList &row) {
        QStringList fields = row;
        for (QString &value : fields)
            value = field(value);
        buffer += fields.join(',').toUtf8() + "\r\n";
        if (buffer.size() > (1 << 16)) {
            if (!out.write(buffer))
                return fail(QStringLiteral("نوشتن فايل ممکن نشد: ") + out.errorString());
            buffer.clear();
        }
        return true;
    };
    // What is not committed is thrown away: a cancelled or failed export leaves no file.
    if (!forEachRow(view, extra, progress, error, writeRow, rowsWritten, nullptr))
        return false;
    if (!out.write(buffer) || !out.commit())
        return fail(QStringLiteral("نوشتن فايل ممکن نشد: ") + out.errorString());
    return true;
}

}  // namespace CsvExport
