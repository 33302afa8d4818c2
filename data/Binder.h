#pragma once
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;
class TableView;

// Connects controls to columns of a view's current row: a control shows the
// column whenever the current row changes, and whatever is put into the
// control (typed or set by code) goes into the view's pending row.
// Line edits, combo boxes, plain and rich text edits, and labels (show only).
class Binder : public QObject
{
    Q_OBJECT
public:
    explicit Binder(QObject *parent = nullptr);

    void bind(QWidget *control, TableView *view, const QString &column);
    // Points a bound control at another column of its view and shows it.
    void setColumn(QWidget *control, const QString &column);
    QString column(QWidget *control) const;
    // Reloads every control bound to the view from its current row.
    void refresh(TableView *view);

private:
    struct Binding {
        QPointer<QWidget> control;
        TableView *view;
        QString column;
    };
    void show(const Binding &binding);
    void store(QWidget *control);
    Binding *find(QWidget *control);

    QList<Binding> m_bindings;
    QList<TableView *> m_watched;
    bool m_showing = false;
};
