#include "records/SubjectListWindow.h"

#include "platform/Dialogs.h"
#include "records/ComparisonWindow.h"
#include "records/SubjectListModel.h"
#include "scoring/AdministrationComparison.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <algorithm>

void SubjectListWindow::addComparison()
{
    // The window grows by one row below everything, for the button.
    constexpr int kRow = 40;
    setFixedSize(width(), height() + kRow);
    m_grid->setGeometry(m_grid->geometry().adjusted(0, 0, 0, kRow));
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_compare = new QPushButton(QStringLiteral("مقايسه دو اجرا"), this);
    m_compare->setObjectName(QStringLiteral("CmdCompare"));
    m_compare->setGeometry(495, height() - kRow + 2, width() - 495 - 10, 32);
    m_compare->setToolTip(QStringLiteral("دو رديف جدول را با Ctrl و کليک انتخاب کنيد: آيا آزمودني به راستي تغيير کرده است؟"));
    m_compare->setEnabled(false);
    connect(m_compare, &QPushButton::clicked, this, &SubjectListWindow::compareSelected);
    auto follow = [this] { m_compare->setEnabled(selectedCodes().size() == 2); };
    connect(m_grid->selectionModel(), &QItemSelectionModel::selectionChanged, this, follow);
    // A new filter empties the selection without a word.
    connect(m_model, &QAbstractItemModel::modelReset, this, follow);
    setTabOrder(m_grid, m_compare);
}

QStringList SubjectListWindow::selectedCodes() const
{
    QModelIndexList rows = m_grid->selectionModel()->selectedRows(0);
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QStringList codes;
    for (const QModelIndex &row : rows)
        codes << row.data().toString();
    return codes;
}

void SubjectListWindow::compareSelected()
{
    const QStringList codes = selectedCodes();
    if (codes.size() != 2)
        return;
    AdministrationComparison::Comparison comparison;
    QString error;
    if (!AdministrationComparison::compareCodes(codes[0], codes[1], Standing::Reference::All, &comparison, &error)) {
        showMessage(this, error, QStringLiteral("پيام"), QMessageBox::Information);
        return;
    }
    auto *window = new ComparisonWindow(std::move(comparison), m_theme->text(), this);
    window->show();
}
