#pragma once
#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>

class TableView;

// The grid's rows: the list view's subjects, read a page at a time as the
// grid scrolls to them, so that a long list never sits in memory whole and
// nothing is counted: the grid learns of more rows as it reaches the end.
class SubjectListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit SubjectListModel(TableView *view, QObject *parent = nullptr);

    // Columns right to left: code, first name, family name, group.
    static QStringList columns();
    static QStringList headers();

    // Reads the view again after its filter changed.
    void reload();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Pages fetched from the store so far (for tests and the benchmark).
    int pagesRead() const { return m_pagesRead; }

private:
    static constexpr int kPageSize = 100;
    TableView *m_view;
    int m_rowCount = 0;  // rows the grid knows of so far
    bool m_atEnd = true;
    void keepPage(int page, const QList<QHash<QString, QString>> &rows) const;
    mutable QHash<int, QList<QHash<QString, QString>>> m_pages;
    // The key each page starts after (page 0: -1), learnt as the pages come.
    QList<qint64> m_pageStarts{-1};
    mutable int m_pagesRead = 0;
};
