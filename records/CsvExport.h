#pragma once
#include <QString>
#include <QStringList>
#include <functional>

class QSqlQuery;
class TableView;

// The subjects of a view, as it is filtered now, written as CSV for
// spreadsheets and statistics packages: UTF-8 with a byte-order mark, one
// quoted-where-needed row per subject (RFC 4180), identity, the sixteen scores
// and the ninety stored answers (Q1 to Q90). Rows stream from the database to
// the file; the file appears whole or not at all.
namespace CsvExport {

QStringList header();
// One field, quoted when it holds a comma, a quote or a line break. A field
// whose first character that is not white space is = + - @ (or their
// full-width forms), or that starts with a tab or a carriage return, gets a
// leading ' so that spreadsheets show it as text instead of running it.
QString field(const QString &value);

// progress(done, total) is called every few hundred rows and may pump events;
// returning false from it cancels the export.
using Progress = std::function<bool(qint64 done, qint64 total)>;
// Columns written after the answers: their names, and their values worked
// out from a row's other fields (in header() order, as read).
struct ExtraColumns {
    QStringList names;
    std::function<QStringList(const QStringList &row)> values;
};
// The rows of the export, as the view is filtered now, in stored order: the
// columns of header() (identity, scores, answers), ready to be read forward.
bool openRows(const TableView &view, QSqlQuery &query, qint64 *total, QString *error);

// Streams every row (header() columns, then the extra ones) to take(),
// calling progress every 500 rows and at the end. False, with *error, when a
// read fails or progress cancels; false when take() refuses (its own error).
bool forEachRow(const TableView &view, const ExtraColumns &extra, const Progress &progress, QString *error,
                const std::function<bool(const QStringList &row)> &take, qint64 *rows = nullptr,
                qint64 *total = nullptr);

bool write(const TableView &view, const QString &file, const Progress &progress = {}, QString *error = nullptr,
           qint64 *rowsWritten = nullptr, const ExtraColumns &extra = {});

// "Mehrsan-1405.9.17.csv": the proposed name, from today's solar date.
QString proposedFileName();

}  // namespace CsvExport
