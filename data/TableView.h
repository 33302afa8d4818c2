#pragma once
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace Database {
enum class Loss;
}

// A window's view of one table: all rows in stored order, optionally narrowed
// by a filter "column='value'", with a current row and at most one pending new
// or edited row. Rows are read from the store when asked for, never held whole.
class TableView : public QObject
{
    Q_OBJECT
public:
    explicit TableView(QObject *parent = nullptr);
    TableView(const QString &table, QObject *parent = nullptr);

    // Opens the view on a table; the first row becomes current.
    bool open(const QString &table);
    bool isOpen() const { return !m_table.isEmpty(); }
    QString table() const { return m_table; }
    QStringList columns() const { return m_columns; }
    // The column's name as stored, matched without regard to case; empty when unknown.
    QString resolveColumn(const QString &name) const;

    // Rows visible through the filter (a count over the table: use isEmpty()
    // where only "any rows at all?" matters, which costs the same at any size).
    int rowCount() const;
    bool isEmpty() const;

    // Narrows the view by an expression "column='value'". The value is everything
    // between the first and the last quote, taken literally. An unknown column or
    // an expression of another form matches nothing. Drops any pending row.
    void filter(const QString &expression);
    void filterBy(const QString &column, const QString &value);
    bool isFiltered() const { return m_filtered; }
    // The filter in force: its column as stored (empty when it names no column
    // and so matches nothing) and its value.
    QString filterColumn() const { return m_filterColumn; }
    QString filterValue() const { return m_filterValue; }

    // False when the view is before its first row: empty, or nothing matched.
    bool hasCurrent() const { return m_current >= 0 || m_pendingNew; }
    qint64 currentRowId() const { return m_current; }

    QString field(const QString &column) const;
    // Writes into the pending row (starting an edit of the current row when
    // needed). Returns false when there is no row or no such column.
    bool setField(const QString &column, const QString &value);

    void addNew();
    // A new row pending with these values, shown as one change.
    void addNew(const QHash<QString, QString> &values);
    QHash<QString, QString> pendingValues() const { return m_pending; }
    bool hasPending() const { return m_pendingNew || !m_pending.isEmpty(); }
    bool isPendingNew() const { return m_pendingNew; }
    // Stores the pending row in one transaction; on refusal nothing is stored,
    // the pending row is kept and lastError() says why. On a server whose
    // connection was lost before the COMMIT, a commit of its own runs once
    // more on a new connection.
    bool commit();
    QString lastError() const { return m_lastError; }
    // Drops the filter and any pending row, and makes the first row current.
    void reread();
    // Deletes the current row; the next matching row becomes current.
    bool deleteCurrent();

    // Walking the rows in stored order.
    bool moveFirst();
    bool moveNext();
    // Up to `limit` rows from the `offset`-th visible row, as column -> value maps.
    // *ok is false when the store failed to deliver them (readFailed is raised):
    // fewer rows then do not mean the end of the table.
    QList<QHash<QString, QString>> rows(int offset, int limit, const QStringList &columns, bool *ok = nullptr) const;
    // Up to `limit` rows whose key comes after `afterKey` (-1: from the first
    // row), in stored order; *lastKey becomes the key of the last one read.
    QList<QHash<QString, QString>> rowsAfter(qint64 afterKey, int limit, const QStringList &columns,
                                             bool *ok = nullptr, qint64 *lastKey = nullptr) const;

    // The distinct non-empty values of a column over the whole table, sorted,
    // each once (for the drop-down lists of names).
    QStringList distinctValues(const QString &column) const;

signals:
    // The current row or its pending values changed: bound controls reload.
    void currentChanged();
    // A read failed (a damaged page, a file that went away): what the view
    // answered meanwhile (no row, a count of 0) is not the table's content.
    // lastError() holds the same text.
    void readFailed(const QString &error) const;

private:
    bool commitOnce(Database::Loss *loss);
    QString whereClause() const;
    // Runs a read; a failure is recorded and raised as readFailed.
    bool read(class QSqlQuery &query) const;
    bool readFailedAt(const class QSqlQuery &query) const;
    // The rows of the view (its filter, then `after` when given, then `tail`
    // with `values` bound after the filter's), their key read first.
    QList<QHash<QString, QString>> selectRows(const QStringList &columns, const QString &after, const QString &tail,
                                              const QVariantList &values, bool *ok, qint64 *lastKey) const;
    void bindFilter(class QSqlQuery &query) const;
    qint64 firstRowAfter(qint64 rowid) const;
    void dropPending();

    QString m_table;
    QStringList m_columns;
    bool m_filtered = false;
    bool m_matchNothing = false;
    QString m_filterColumn;
    QString m_filterValue;
    qint64 m_current = -1;
    bool m_pendingNew = false;
    QHash<QString, QString> m_pending;
    mutable QString m_lastError;
};
