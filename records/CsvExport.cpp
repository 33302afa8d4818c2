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

namespace {
// Appends one cell: guarded against formulas, quoted when it must be.
void appendField(QString &out, const QString &text)
{
    // A spreadsheet runs a cell starting with these as a formula, also after
    // blanks (a no-break space too) and characters that show nothing (a
    // zero-width space, a direction mark), and in their full-width forms; the
    // leading quote makes it show the text as it is.
    static const QString formulaStarts = QStringLiteral("=+-@\t\r\uFF1D\uFF0B\uFF0D\uFF20");
    qsizetype first = 0;
    while (first < text.size() && text.at(first) != '\t' && text.at(first) != '\r' &&
           (text.at(first).isSpace() || text.at(first).category() == QChar::Other_Format))
        ++first;
    const bool formula = first < text.size() && formulaStarts.contains(text.at(first));
    bool quote = false;
    for (const QChar c : text)
        if (c == u',' || c == u'"' || c == u'\n' || c == u'\r') {
            quote = true;
            break;
        }
    if (!quote) {
        if (formula)
            out += u'\'';
        out += text;
        return;
    }
    out += u'"';
    if (formula)
        out += u'\'';
    for (const QChar c : text) {
        if (c == u'"')
            out += u'"';
        out += c;
    }
    out += u'"';
}
}  // namespace

QString field(const QString &text)
{
    QString out;
    appendField(out, text);
    return out;
}

QString proposedFileName() { return "Mehrsan-" + SolarCalendar::SolarDate(QDate::currentDate(), 4) + ".csv"; }

namespace {
QStringList cellColumns()
{
    QStringList select;
    for (const QString &c : identityColumns() + Database::scoreColumns())
        select << "\"IDE\"." + Database::quoted(c);
    for (int i = 1; i <= 90; ++i)
        select << "\"Answer\"." + Database::quoted(QString::number(i));
    return select;
}

// The export's rows with `select`, as the view is filtered (and, with a row
// key, only that row), in stored order.
bool selectRows(const TableView &view, const QString &select, QSqlQuery &q, QString *error, qint64 rowKey = -1)
{
    // The answer row carries the code without surrounding blanks.
    QString sql = "SELECT " + select + " FROM \"IDE\" LEFT JOIN \"Answer\" ON \"Answer\".\"Code\" = trim(\"IDE\".\"Code\")";
    const bool filtered = view.isFiltered();
    QStringList where;
    if (filtered)
        where << (view.filterColumn().isEmpty() ? QStringLiteral("1 = 0")
                                                : "\"IDE\"." + Database::quoted(view.filterColumn()) + " = ?");
    if (rowKey >= 0)
        where << QStringLiteral("\"IDE\".rowid = ?");
    if (!where.isEmpty())
        sql += " WHERE " + where.join(QStringLiteral(" AND "));
    sql += " ORDER BY \"IDE\".rowid";
    q = QSqlQuery(Database::connection());
    q.setForwardOnly(true);
    q.prepare(sql);
    if (filtered && !view.filterColumn().isEmpty())
        q.addBindValue(view.filterValue());
    if (rowKey >= 0)
        q.addBindValue(rowKey);
    if (!q.exec()) {
        if (error)
            *error = QStringLiteral("خواندن اطلاعات آزمودني ها ممکن نشد: ") + q.lastError().text();
        return false;
    }
    return true;
}

// Between the cells of a packed row. No stored text can hold it any more,
// but an older file might: such a row is read again cell by cell.
constexpr char16_t kCellSeparator = 0x1F;

// The cells of a row in one text: a hundred values through the driver one by
// one cost three times what the file takes to read them. format() writes NULL
// as nothing.
QString packedCells()
{
    const QString separator = QChar(kCellSeparator);
    const QStringList cells = cellColumns();
    return QStringLiteral("format('%1', %2)").arg(QStringList(cells.size(), QStringLiteral("%s")).join(separator), cells.join(u','));
}
}  // namespace

bool openRows(const TableView &view, QSqlQuery &q, qint64 *total, QString *error)
{
    *total = view.rowCount();
    return selectRows(view, cellColumns().join(u','), q, error);
}

bool forEachRow(const TableView &view, const ExtraColumns &extra, const Progress &progress, QString *error,
                const std::function<bool(const QStringList &row)> &take, qint64 *rows, qint64 *total)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const qint64 count = view.rowCount();
    QSqlQuery q;
    // On the file the cells come packed; a server sends rows while they are
    // read and takes no second query meanwhile, so there cell by cell.
    const bool packed = !Database::isServer();
    if (!selectRows(view, packed ? packedCells() + QStringLiteral(", \"IDE\".rowid") : cellColumns().join(u','), q, error))
        return false;
    if (total)
        *total = count;
    const int columns = int(header().size());
    qint64 done = 0;
    while (q.next()) {
        QStringList row;
        if (packed)
            row = q.value(0).toString().split(QChar(kCellSeparator));
        if (row.size() != columns) {
            QSqlQuery cells;
            const bool again = packed && selectRows(view, cellColumns().join(u','), cells, error, q.value(1).toLongLong()) &&
                               cells.next();
            if (packed && !again)
                return fail(QStringLiteral("خواندن اطلاعات آزمودني ها ممکن نشد: ") + cells.lastError().text());
            row.clear();
            for (int i = 0; i < columns; ++i)
                row << (packed ? cells : q).value(i).toString();
        }
        row.reserve(columns + int(extra.names.size()));
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
    QString line;
    const auto writeRow = [&](const QStringList &row) {
        line.clear();
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0)
                line += u',';
            appendField(line, row[i]);
        }
        line += QStringLiteral("\r\n");
        buffer += line.toUtf8();
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
