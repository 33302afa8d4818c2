#include "data/TableView.h"

#include "data/FieldRules.h"

#include "data/Database.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <optional>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

TableView::TableView(QObject *parent) : QObject(parent) {}

TableView::TableView(const QString &table, QObject *parent) : QObject(parent) { open(table); }

bool TableView::open(const QString &table)
{
    const QSqlRecord record = Database::record(table);
    if (record.isEmpty())
        return false;
    m_table = table;
    m_columns.clear();
    for (int i = 0; i < record.count(); ++i)
        m_columns << record.fieldName(i);
    reread();
    return true;
}

QString TableView::resolveColumn(const QString &name) const
{
    const QString wanted = name.trimmed();
    for (const QString &c : m_columns)
        if (c.compare(wanted, Qt::CaseInsensitive) == 0)
            return c;
    return QString();
}

QString TableView::whereClause() const
{
    if (m_matchNothing)
        return QStringLiteral(" WHERE 1 = 0");
    if (m_filtered)
        return " WHERE " + Database::quoted(m_filterColumn) + " = ?";
    return QString();
}

void TableView::bindFilter(QSqlQuery &query) const
{
    if (m_filtered && !m_matchNothing)
        query.addBindValue(m_filterValue);
}

bool TableView::read(QSqlQuery &query) const
{
    if (query.exec())
        return true;
    return readFailedAt(query);
}

bool TableView::readFailedAt(const QSqlQuery &query) const
{
    m_lastError = Database::errorText(query.lastError());
    emit readFailed(m_lastError);
    return false;
}

int TableView::rowCount() const
{
    if (!isOpen())
        return 0;
    QSqlQuery q(Database::connection());
    q.prepare("SELECT COUNT(*) FROM " + Database::quoted(m_table) + whereClause());
    bindFilter(q);
    if (!read(q))
        return 0;
    if (!q.next()) {
        readFailedAt(q);
        return 0;
    }
    return q.value(0).toInt();
}

bool TableView::isEmpty() const
{
    return !isOpen() || firstRowAfter(-1) < 0;
}

qint64 TableView::firstRowAfter(qint64 rowid) const
{
    QSqlQuery q(Database::connection());
    QString where = whereClause();
    where += where.isEmpty() ? " WHERE rowid > ?" : " AND rowid > ?";
    q.prepare("SELECT rowid FROM " + Database::quoted(m_table) + where + " ORDER BY rowid LIMIT 1");
    bindFilter(q);
    q.addBindValue(rowid);
    if (read(q) && q.next())
        return q.value(0).toLongLong();
    // No next row, or a step that failed: only the first means the end.
    if (q.lastError().isValid())
        readFailedAt(q);
    return -1;
}

void TableView::dropPending()
{
    m_pendingNew = false;
    m_pending.clear();
}

void TableView::filter(const QString &expression)
{
    // column = 'value', the value running to the last quote so that a value
    // holding quotes itself is taken whole.
    static const QRegularExpression form(QStringLiteral(R"(^\s*\[?([^\s=\]]+)\]?\s*=\s*'(.*)'\s*$)"),
                                         QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = form.match(expression);
    if (!m.hasMatch()) {
        filterBy(QString(), QString());
        return;
    }
    filterBy(m.captured(1), m.captured(2));
}

void TableView::filterBy(const QString &column, const QString &value)
{
    dropPending();
    m_filtered = true;
    m_filterColumn = resolveColumn(column);
    m_matchNothing = m_filterColumn.isEmpty();
    m_filterValue = value;
    m_current = isOpen() ? firstRowAfter(-1) : -1;
    emit currentChanged();
}

QString TableView::field(const QString &column) const
{
    const QString name = resolveColumn(column);
    if (name.isEmpty())
        return QString();
    if (m_pending.contains(name))
        return m_pending.value(name);
    if (m_pendingNew || m_current < 0)
        return QString();
    QSqlQuery q(Database::connection());
    q.prepare("SELECT " + Database::quoted(name) + " FROM " + Database::quoted(m_table) + " WHERE rowid = ?");
    q.addBindValue(m_current);
    if (read(q) && q.next())
        return q.value(0).toString();
    if (q.lastError().isValid())
        readFailedAt(q);
    return QString();
}

bool TableView::setField(const QString &column, const QString &value)
{
    const QString name = resolveColumn(column);
    if (name.isEmpty() || !hasCurrent())
        return false;
    m_pending.insert(name, value);
    return true;
}

void TableView::addNew()
{
    addNew({});
}

void TableView::addNew(const QHash<QString, QString> &values)
{
    m_pending.clear();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        if (const QString name = resolveColumn(it.key()); !name.isEmpty())
            m_pending.insert(name, it.value());
    m_pendingNew = true;
    emit currentChanged();
}

bool TableView::commit()
{
    Database::Loss loss = Database::Loss::None;
    if (commitOnce(&loss))
        return true;
    // The first write after a server restart finds the old connection dead.
    // A commit of its own that the server surely rolled back runs once more
    // on a new connection; one whose COMMIT was cut off is not sent twice.
    if (loss != Database::Loss::BeforeCommit)
        return false;
    return commitOnce(&loss);
}

bool TableView::commitOnce(Database::Loss *loss)
{
    m_lastError.clear();
    if (!hasPending())
        return true;
    // Whatever reaches the store fits both stores: no control character, no
    // value longer than its column takes.
    for (auto it = m_pending.cbegin(); it != m_pending.cend(); ++it) {
        const QString problem = FieldRules::problem(m_table, it.key(), it.value());
        if (!problem.isEmpty()) {
            m_lastError = problem;
            return false;
        }
    }
    // A commit of its own is a transaction of its own, so that what the store
    // keeps about the rows is brought up to date with it.
    std::optional<Database::Transaction> own;
    // Read before the transaction ends, on every way out.
    auto noteLoss = qScopeGuard([&] { *loss = own ? own->loss() : Database::Loss::None; });
    if (!Database::inTransaction() && !own.emplace().isActive()) {
        m_lastError = own->errorString();
        return false;
    }
    QSqlDatabase db = Database::connection();
    const bool server = Database::isServer();
    QStringList names = m_pending.keys();
    QString statement;
    if (m_pendingNew) {
        QStringList quotedNames, marks;
        for (const QString &n : names) {
            quotedNames << Database::quoted(n);
            marks << "?";
        }
        if (names.isEmpty())
            statement = "INSERT INTO " + Database::quoted(m_table) + " DEFAULT VALUES";
        else
            statement = "INSERT INTO " + Database::quoted(m_table) + " (" + quotedNames.join(',') +
                        ") VALUES (" + marks.join(',') + ")";
        // A server gives the new row's key back with the row.
        if (server)
            statement += " RETURNING rowid";
    } else {
        QStringList sets;
        for (const QString &n : names)
            sets << Database::quoted(n) + " = ?";
        statement = "UPDATE " + Database::quoted(m_table) + " SET " + sets.join(',') + " WHERE rowid = ?";
    }
    QSqlQuery q(db);
    // A statement the store would not prepare is refused with its reason,
    // not run as an empty one.
    if (!q.prepare(statement)) {
        m_lastError = Database::errorText(q.lastError());
        return false;
    }
    for (const QString &n : names)
        q.addBindValue(m_pending.value(n));
    if (!m_pendingNew)
        q.addBindValue(m_current);

    // A savepoint, so that the commit nests inside a caller's transaction and
    // stands alone otherwise. A server takes savepoints only inside a
    // transaction; outside one its single statement stands alone anyway.
    const bool savepoint = !server || Database::inTransaction();
    QSqlQuery sp(db);
    if (savepoint)
        sp.exec("SAVEPOINT tableview_commit");
    if (!q.exec()) {
        m_lastError = Database::errorText(q.lastError());
        if (savepoint) {
            sp.exec("ROLLBACK TO tableview_commit");
            sp.exec("RELEASE tableview_commit");
        }
        return false;
    }
    qint64 newRow = -1;
    if (m_pendingNew)
        newRow = server ? (q.next() ? q.value(0).toLongLong() : -1) : q.lastInsertId().toLongLong();
    if (savepoint && !sp.exec("RELEASE tableview_commit")) {
        m_lastError = Database::errorText(sp.lastError());
        sp.exec("ROLLBACK TO tableview_commit");
        sp.exec("RELEASE tableview_commit");
        return false;
    }
    if (own && !own->commit()) {
        m_lastError = own->errorString();
        return false;
    }
    if (m_pendingNew)
        m_current = newRow;
    dropPending();
    emit currentChanged();
    return true;
}

void TableView::reread()
{
    dropPending();
    m_filtered = false;
    m_matchNothing = false;
    m_filterColumn.clear();
    m_filterValue.clear();
    m_current = isOpen() ? firstRowAfter(-1) : -1;
    emit currentChanged();
}

bool TableView::deleteCurrent()
{
    if (m_pendingNew) {
        dropPending();
        emit currentChanged();
        return true;
    }
    if (m_current < 0)
        return false;
    // A deletion of its own is a transaction of its own, as a commit is.
    std::optional<Database::Transaction> own;
    if (!Database::inTransaction() && !own.emplace().isActive()) {
        m_lastError = own->errorString();
        return false;
    }
    QSqlQuery q(Database::connection());
    q.prepare("DELETE FROM " + Database::quoted(m_table) + " WHERE rowid = ?");
    q.addBindValue(m_current);
    if (!q.exec()) {
        m_lastError = Database::errorText(q.lastError());
        return false;
    }
    if (own && !own->commit()) {
        m_lastError = own->errorString();
        return false;
    }
    dropPending();
    m_current = firstRowAfter(m_current);
    emit currentChanged();
    return true;
}

bool TableView::moveFirst()
{
    dropPending();
    m_current = firstRowAfter(-1);
    emit currentChanged();
    return m_current >= 0;
}

bool TableView::moveNext()
{
    dropPending();
    if (m_current >= 0)
        m_current = firstRowAfter(m_current);
    emit currentChanged();
    return m_current >= 0;
}

QList<QHash<QString, QString>> TableView::selectRows(const QStringList &columns, const QString &after,
                                                   const QString &tail, const QVariantList &values, bool *ok,
                                                   qint64 *lastKey) const
{
    if (ok)
        *ok = true;
    QList<QHash<QString, QString>> out;
    QStringList names, quotedNames;
    for (const QString &c : columns) {
        if (const QString n = resolveColumn(c); !n.isEmpty()) {
            names << n;
            quotedNames << Database::quoted(n);
        }
    }
    if (!isOpen() || names.isEmpty())
        return out;
    const QString where = whereClause();
    QSqlQuery q(Database::connection());
    q.setForwardOnly(true);
    q.prepare("SELECT rowid, " + quotedNames.join(',') + " FROM " + Database::quoted(m_table) + where +
              (after.isEmpty() ? QString() : (where.isEmpty() ? " WHERE " : " AND ") + after) + tail);
    bindFilter(q);
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!read(q)) {
        if (ok)
            *ok = false;
        return out;
    }
    while (q.next()) {
        QHash<QString, QString> row;
        for (int i = 0; i < names.size(); ++i)
            row.insert(names[i], q.value(i + 1).toString());
        out << row;
        if (lastKey)
            *lastKey = q.value(0).toLongLong();
    }
    // next() is false at the end and on a failed step alike.
    if (q.lastError().isValid()) {
        readFailedAt(q);
        if (ok)
            *ok = false;
    }
    return out;
}

QList<QHash<QString, QString>> TableView::rowsAfter(qint64 afterKey, int limit, const QStringList &columns, bool *ok,
                                                   qint64 *lastKey) const
{
    // From the key on, through the index the key is: as quick at the end of
    // a long list as at its start.
    if (limit <= 0) {
        if (ok)
            *ok = true;
        return {};
    }
    return selectRows(columns, QStringLiteral("rowid > ?"), QStringLiteral(" ORDER BY rowid LIMIT ?"),
                      {afterKey, limit}, ok, lastKey);
}

QList<QHash<QString, QString>> TableView::rows(int offset, int limit, const QStringList &columns, bool *ok) const
{
    if (limit <= 0) {
        if (ok)
            *ok = true;
        return {};
    }
    return selectRows(columns, QString(), QStringLiteral(" ORDER BY rowid LIMIT ? OFFSET ?"), {limit, offset}, ok,
                      nullptr);
}

QStringList TableView::distinctValues(const QString &column) const
{
    QStringList out;
    const QString name = resolveColumn(column);
    if (name.isEmpty())
        return out;
    // Hops from one value to the next larger one through the column's index,
    // so the cost follows the number of distinct values, not of rows.
    const QString c = Database::quoted(name), t = Database::quoted(m_table);
    QSqlQuery q(Database::connection());
    q.setForwardOnly(true);
    q.prepare("WITH RECURSIVE v(x) AS (SELECT MIN(" + c + ") FROM " + t + " WHERE " + c + " > '' "
                "UNION ALL SELECT (SELECT MIN(" + c + ") FROM " + t + " WHERE " + c + " > x) FROM v WHERE x IS NOT NULL) "
                "SELECT x FROM v WHERE x IS NOT NULL");
    if (!read(q))
        return out;
    while (q.next())
        out << q.value(0).toString();
    if (q.lastError().isValid())
        readFailedAt(q);
    return out;
}
