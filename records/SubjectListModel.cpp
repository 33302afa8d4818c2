#include "records/SubjectListModel.h"

#include "data/TableView.h"

// Empty until reload(): the window reads the list once, after its own re-read.
SubjectListModel::SubjectListModel(TableView *view, QObject *parent) : QAbstractTableModel(parent), m_view(view) {}

QStringList SubjectListModel::columns() { return {"Code", "FName", "LName", "Group"}; }

QStringList SubjectListModel::headers()
{
    return {QStringLiteral("کد"), QStringLiteral("نام"), QStringLiteral("نام خانوادگي"), QStringLiteral("گروه")};
}

void SubjectListModel::reload()
{
    beginResetModel();
    m_pages.clear();
    m_pageStarts = {-1};
    bool ok = true;
    qint64 last = -1;
    const auto first = m_view->rowsAfter(-1, kPageSize, columns(), &ok, &last);
    ++m_pagesRead;
    keepPage(0, first);
    m_pageStarts << last;
    m_rowCount = int(first.size());
    // After a failed read the view has said so; asking again would fail again.
    m_atEnd = !ok || first.size() < kPageSize;
    endResetModel();
}

void SubjectListModel::keepPage(int page, const QList<QHash<QString, QString>> &rows) const
{
    // Keep only a few pages: the grid shows a screenful at a time.
    if (m_pages.size() >= 8)
        m_pages.clear();
    m_pages.insert(page, rows);
}

bool SubjectListModel::canFetchMore(const QModelIndex &parent) const { return !parent.isValid() && !m_atEnd; }

void SubjectListModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || m_atEnd)
        return;
    bool ok = true;
    qint64 last = m_pageStarts.value(m_rowCount / kPageSize, -1);
    const auto next = m_view->rowsAfter(last, kPageSize, columns(), &ok, &last);
    ++m_pagesRead;
    m_atEnd = !ok || next.size() < kPageSize;
    if (next.isEmpty())
        return;
    m_pageStarts << last;
    beginInsertRows(QModelIndex(), m_rowCount, m_rowCount + int(next.size()) - 1);
    keepPage(m_rowCount / kPageSize, next);
    m_rowCount += int(next.size());
    endInsertRows();
}

int SubjectListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_rowCount; }

int SubjectListModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 4; }

QVariant SubjectListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= m_rowCount)
        return QVariant();
    const int page = index.row() / kPageSize;
    auto it = m_pages.find(page);
    if (it == m_pages.end()) {
        // A page read before starts after the key its predecessor ended on.
        keepPage(page, m_view->rowsAfter(m_pageStarts.value(page, -1), kPageSize, columns()));
        ++m_pagesRead;
        it = m_pages.find(page);
    }
    const int row = index.row() % kPageSize;
    if (row >= it->size())
        return QVariant();
    return it->at(row).value(columns().at(index.column()));
}

QVariant SubjectListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return headers().value(section);
    return section + 1;
}
