#include "records/CsvExport.h"

#include "calendar/SolarCalendar.h"
#include "data/Database.h"
#include "data/TableView.h"
#include "platform/Dialogs.h"
#include "platform/SafeFile.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

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
// A spreadsheet runs a cell starting with these as a formula, also after
// blanks (a no-break space too) and characters that show nothing (a
// zero-width space, a direction mark), and in their full-width forms; the
// leading quote makes it show the text as it is.
bool runsAsFormula(QStringView text)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r\uFF1D\uFF0B\uFF0D\uFF20");
    qsizetype first = 0;
    while (first < text.size() && text.at(first) != '\t' && text.at(first) != '\r' &&
           (text.at(first).isSpace() || text.at(first).category() == QChar::Other_Format))
        ++first;
    return first < text.size() && formulaStarts.contains(text.at(first));
}

// Appends one cell: guarded against formulas, quoted when it must be.
void appendField(QString &out, const QString &text)
{
    const bool formula = runsAsFormula(text);
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

// The same for a cell as the file holds it, in UTF-8, with the same rules:
// most cells are digits, and they are copied as they are.
void appendField(QByteArray &out, const char *text, int size)
{
    if (size <= 0)
        return;
    const auto lead = static_cast<unsigned char>(text[0]);
    // A printable ASCII start decides at once; anything else (blanks, Persian
    // letters) is decided by the rule above.
    const bool formula = lead > ' ' && lead < 0x80 ? (lead == '=' || lead == '+' || lead == '-' || lead == '@')
                                                   : runsAsFormula(QString::fromUtf8(text, size));
    bool quote = false;
    for (int i = 0; i < size && !quote; ++i)
        quote = text[i] == ',' || text[i] == '"' || text[i] == '\n' || text[i] == '\r';
    if (!quote) {
        if (formula)
            out += '\'';
        out.append(text, size);
        return;
    }
    out += '"';
    if (formula)
        out += '\'';
    for (int i = 0; i < size; ++i) {
        if (text[i] == '"')
            out += '"';
        out += text[i];
    }
    out += '"';
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

const QString kReadFailed = QStringLiteral("خواندن اطلاعات آزمودني ها ممکن نشد: ");

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

// The export's rows as the view is filtered, in stored order: the statement
// and the values it binds.
struct RowStatement {
    QString sql;
    QStringList values;
};

RowStatement rowStatement(const TableView &view)
{
    // The answer row carries the code without surrounding blanks.
    RowStatement rows;
    rows.sql = "SELECT " + cellColumns().join(u',') +
               " FROM \"IDE\" LEFT JOIN \"Answer\" ON \"Answer\".\"Code\" = trim(\"IDE\".\"Code\")";
    if (view.isFiltered() && view.filterColumn().isEmpty()) {
        rows.sql += QStringLiteral(" WHERE 1 = 0");
    } else if (view.isFiltered()) {
        rows.sql += " WHERE \"IDE\"." + Database::quoted(view.filterColumn()) + " = ?";
        rows.values << view.filterValue();
    }
    rows.sql += QStringLiteral(" ORDER BY \"IDE\".rowid");
    return rows;
}

bool selectRows(const RowStatement &rows, QSqlQuery &q, QString *error)
{
    q = QSqlQuery(Database::connection());
    q.setForwardOnly(true);
    q.prepare(rows.sql);
    for (const QString &value : rows.values)
        q.addBindValue(value);
    return q.exec() || fail(error, kReadFailed + technicalDetail(q.lastError().text()));
}

// The rows through Qt SQL: the server's, which sends them as they are read.
class QueryRows
{
public:
    bool open(const RowStatement &rows, QString *error) { return selectRows(rows, m_query, error); }
    bool next() { return m_query.next(); }
    // A read that failed ends the rows as the table's end would: it must not
    // pass for one.
    bool failed() const { return m_query.lastError().isValid(); }
    QString errorText() const { return m_query.lastError().text(); }
    QString value(int column) const { return m_query.value(column).toString(); }

private:
    QSqlQuery m_query;
};

// The rows of the file read with SQLite itself on the program's connection:
// each cell is the UTF-8 the file holds, with no QVariant made for it.
class FileRows
{
public:
    explicit FileRows(sqlite3 *db) : m_db(db) {}
    ~FileRows() { sqlite3_finalize(m_statement); }
    FileRows(const FileRows &) = delete;
    FileRows &operator=(const FileRows &) = delete;

    // The program's file connection, or null on a server.
    static sqlite3 *handle()
    {
        if (Database::isServer())
            return nullptr;
        const QVariant handle = Database::connection().driver()->handle();
        if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
            return nullptr;
        return *static_cast<sqlite3 *const *>(handle.constData());
    }

    bool open(const RowStatement &rows, QString *error)
    {
        const QByteArray sql = rows.sql.toUtf8();
        if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &m_statement, nullptr) != SQLITE_OK)
            return fail(error, kReadFailed + technicalDetail(errorText()));
        for (int i = 0; i < rows.values.size(); ++i) {
            const QByteArray value = rows.values[i].toUtf8();
            sqlite3_bind_text(m_statement, i + 1, value.constData(), int(value.size()), SQLITE_TRANSIENT);
        }
        return true;
    }
    bool next()
    {
        m_step = sqlite3_step(m_statement);
        return m_step == SQLITE_ROW;
    }
    bool failed() const { return m_step != SQLITE_DONE; }
    QString errorText() const { return QString::fromUtf8(sqlite3_errmsg(m_db)); }
    const char *text(int column, int *size) const
    {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        *size = sqlite3_column_bytes(m_statement, column);
        return text;
    }
    QString value(int column) const
    {
        int size = 0;
        const char *cell = text(column, &size);
        return QString::fromUtf8(cell, size);
    }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_statement = nullptr;
    int m_step = SQLITE_OK;
};

// Hands every row to take(), with the rules every export keeps: progress
// every 500 rows and at the end, a cancel, a failed read never taken for the
// end.
template <typename Rows, typename Take>
bool streamRows(Rows &rows, qint64 count, const Progress &progress, QString *error, const Take &take, qint64 *done)
{
    qint64 taken = 0;
    while (rows.next()) {
        if (!take(rows))
            return false;
        ++taken;
        if (progress && taken % 500 == 0 && !progress(taken, count))
            return fail(error, QStringLiteral("خروجي لغو شد"));
    }
    if (rows.failed())
        return fail(error, kReadFailed + technicalDetail(rows.errorText()));
    if (progress)
        progress(taken, count);
    if (done)
        *done = taken;
    return true;
}
}  // namespace

bool openRows(const TableView &view, QSqlQuery &q, qint64 *total, QString *error)
{
    *total = view.rowCount();
    return selectRows(rowStatement(view), q, error);
}

bool forEachRow(const TableView &view, const ExtraColumns &extra, const Progress &progress, QString *error,
                const std::function<bool(const QStringList &row)> &take, qint64 *rows, qint64 *total)
{
    const qint64 count = view.rowCount();
    if (total)
        *total = count;
    const int columns = int(header().size());
    const auto takeRow = [&](const auto &cells) {
        QStringList row;
        row.reserve(columns + int(extra.names.size()));
        for (int i = 0; i < columns; ++i)
            row << cells.value(i);
        if (extra.values)
            row += extra.values(row);
        return take(row);
    };
    const RowStatement statement = rowStatement(view);
    if (sqlite3 *db = FileRows::handle()) {
        FileRows cells(db);
        return cells.open(statement, error) && streamRows(cells, count, progress, error, takeRow, rows);
    }
    QueryRows cells;
    return cells.open(statement, error) && streamRows(cells, count, progress, error, takeRow, rows);
}

bool write(const TableView &view, const QString &file, const Progress &progress, QString *error, qint64 *rowsWritten,
           const ExtraColumns &extra)
{
    if (rowsWritten)
        *rowsWritten = 0;
    SafeFile out(file);
    if (!out.open())
        return fail(error, QStringLiteral("فايل ساخته نشد: ") + out.reason());
    QByteArray buffer("\xEF\xBB\xBF");
    buffer += (header() + extra.names).join(',').toUtf8() + "\r\n";
    const auto flush = [&] {
        if (buffer.size() < (1 << 20))
            return true;
        if (!out.write(buffer))
            return fail(error, QStringLiteral("نوشتن فايل ممکن نشد: ") + out.reason());
        buffer.clear();
        return true;
    };
    bool written = false;
    // What is not committed is thrown away: a cancelled or failed export leaves no file.
    sqlite3 *db = extra.values ? nullptr : FileRows::handle();
    if (db) {
        // On the file, cells go from SQLite's text straight into the buffer.
        const int columns = int(header().size());
        FileRows cells(db);
        written = cells.open(rowStatement(view), error) &&
                  streamRows(
                      cells, view.rowCount(), progress, error,
                      [&](const FileRows &row) {
                          int size = 0;
                          for (int i = 0; i < columns; ++i) {
                              if (i > 0)
                                  buffer += ',';
                              const char *text = row.text(i, &size);
                              appendField(buffer, text, size);
                          }
                          buffer += "\r\n";
                          return flush();
                      },
                      rowsWritten);
    } else {
        QString line;
        written = forEachRow(
            view, extra, progress, error,
            [&](const QStringList &row) {
                line.clear();
                for (qsizetype i = 0; i < row.size(); ++i) {
                    if (i > 0)
                        line += u',';
                    appendField(line, row[i]);
                }
                line += QStringLiteral("\r\n");
                buffer += line.toUtf8();
                return flush();
            },
            rowsWritten, nullptr);
    }
    if (!written)
        return false;
    if (!out.write(buffer) || !out.commit())
        return fail(error, QStringLiteral("نوشتن فايل ممکن نشد: ") + out.reason());
    return true;
}

}  // namespace CsvExport
