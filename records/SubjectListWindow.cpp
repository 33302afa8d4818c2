#include "records/SubjectListWindow.h"

#include "data/Binder.h"
#include "data/Database.h"
#include "data/FieldRules.h"
#include "data/TableView.h"
#include "platform/Dialogs.h"
#include "platform/FieldLimit.h"
#include "platform/ProgramFolder.h"
#include "records/CsvExport.h"
#include "records/CsvStandingColumns.h"
#include "records/StatFileExport.h"
#include "reports/GroupSummaryReport.h"
#include "platform/Twips.h"
#include "records/SubjectListModel.h"
#include "reports/SubjectTableReport.h"
#include "shell/MainWindow.h"
#include "shell/ThemeSkin.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlError>
#include <QTableView>

namespace {
QLabel *caption(const QString &text, QWidget *buddy, QWidget *parent, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setBuddy(buddy);
    buddy->setAccessibleName(text.trimmed());
    return label;
}
}  // namespace

SubjectListWindow::SubjectListWindow(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("FrmCode"));
    setWindowTitle(QStringLiteral("کد آزمودني"));

    m_listView = new TableView(QStringLiteral("IDE"), this);
    m_listView->setObjectName(QStringLiteral("Adodc1"));
    m_deleteView = new TableView(QStringLiteral("IDE"), this);
    m_deleteView->setObjectName(QStringLiteral("Adodc2"));
    m_answerView = new TableView(QStringLiteral("Answer"), this);
    m_answerView->setObjectName(QStringLiteral("Adodc3"));
    m_settingsView = new TableView(QStringLiteral("Theme"), this);
    m_settingsView->setObjectName(QStringLiteral("Adodc4"));

    // A read that fails is said once, after the grid has drawn what it has:
    // the list is then not all there is.
    for (TableView *view : {m_listView, m_deleteView, m_answerView})
        connect(view, &TableView::readFailed, this, &SubjectListWindow::reportReadError, Qt::QueuedConnection);

    buildWindow();

    m_binder = new Binder(this);
    m_binder->bind(m_theme, m_settingsView, QStringLiteral("TH"));
    m_binder->bind(m_address, m_settingsView, QStringLiteral("Adress"));

    move(twipsPoint(2340, 765));
    applyThemeSkin(this, m_skin, m_theme->text());
    m_listView->reread();
    m_model->reload();
}

void SubjectListWindow::reportReadError(const QString &error)
{
    if (m_readErrorShown)
        return;
    m_readErrorShown = true;
    showMessage(this, QStringLiteral("خواندن اطلاعات آزمودني ها از بانک اطلاعاتي ممکن نشد؛ فهرست کامل نيست:\n") + error,
                QStringLiteral("خطا"), QMessageBox::Warning);
}

void SubjectListWindow::buildWindow()
{
    setFixedSize(760, 450);

    auto *gridCaption = new QLabel(QStringLiteral("مشخصات آزمودني"), this);
    gridCaption->setObjectName(QStringLiteral("GridCaption"));
    gridCaption->setGeometry(10, 6, 470, 28);
    gridCaption->setAlignment(Qt::AlignCenter);
    gridCaption->setFont(QFont(QStringLiteral("B Titr"), 12));

    m_model = new SubjectListModel(m_listView, this);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("DataGrid1"));
    m_grid->setAccessibleName(QStringLiteral("مشخصات آزمودني"));
    m_grid->setGeometry(10, 38, 470, 400);
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setAlternatingRowColors(true);
    // Fixed row heights: the grid then asks only for the rows it shows.
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(26);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    gridCaption->setBuddy(m_grid);

    const int right = 495, fieldWidth = 160, labelLeft = right + fieldWidth + 6, labelWidth = 760 - labelLeft - 10;

    m_firstName = new QComboBox(this);
    m_firstName->setObjectName(QStringLiteral("DataCombo6"));
    m_firstName->setGeometry(right, 16, fieldWidth, 30);
    m_firstName->addItems(m_listView->distinctValues(QStringLiteral("FName")));
    m_firstName->setCurrentIndex(-1);
    caption(QStringLiteral(" :نام "), m_firstName, this, QRect(labelLeft, 16, labelWidth, 30));

    m_familyName = new QComboBox(this);
    m_familyName->setObjectName(QStringLiteral("DataCombo1"));
    m_familyName->setGeometry(right, 60, fieldWidth, 30);
    m_familyName->addItems(m_listView->distinctValues(QStringLiteral("LName")));
    m_familyName->setCurrentIndex(-1);
    caption(QStringLiteral(" :نام خانوادگي"), m_familyName, this, QRect(labelLeft, 60, labelWidth, 30));

    m_group = new QComboBox(this);
    m_group->setObjectName(QStringLiteral("Combo3"));
    m_group->setGeometry(right, 104, fieldWidth, 30);
    m_group->setEditable(true);
    m_group->setInsertPolicy(QComboBox::NoInsert);
    m_group->addItems({"A", "B", "C", "D", "E", "F", "G"});
    m_group->setEditText(openingGroupText());
    FieldLimit::apply(m_group->lineEdit(), FieldRules::maxLength(QStringLiteral("IDE"), QStringLiteral("Group")),
                      QStringLiteral("گروه"));
    caption(QStringLiteral(" :گروه"), m_group, this, QRect(labelLeft, 104, labelWidth, 30));

    connect(m_firstName, &QComboBox::textActivated, this, &SubjectListWindow::filterByFirstName);
    connect(m_familyName, &QComboBox::textActivated, this, &SubjectListWindow::filterByFamilyName);
    // The group selector filters at every change of its text, and at every
    // pick from its list, also of the value it already shows (after a delete
    // the list holds everyone again while the selector still shows a group).
    connect(m_group, &QComboBox::editTextChanged, this, &SubjectListWindow::filterByGroup);
    connect(m_group, &QComboBox::textActivated, this, &SubjectListWindow::filterByGroup);

    auto *deletePanel = new QGroupBox(QStringLiteral("حذف کردن آزمودني"), this);
    deletePanel->setObjectName(QStringLiteral("Frame1"));
    deletePanel->setGeometry(right, 148, 760 - right - 10, 140);
    auto *codeLabel = new QLabel(QStringLiteral("کد آزمودني را وارد کنيد"), deletePanel);
    codeLabel->setGeometry(10, 26, deletePanel->width() - 20, 26);
    m_code = new QLineEdit(deletePanel);
    m_code->setObjectName(QStringLiteral("Text5"));
    m_code->setGeometry(10, 56, deletePanel->width() - 20, 30);
    codeLabel->setBuddy(m_code);
    m_code->setAccessibleName(QStringLiteral("کد آزمودني"));
    FieldLimit::apply(m_code, FieldRules::maxLength(QStringLiteral("IDE"), QStringLiteral("Code")),
                      m_code->accessibleName());
    auto *deleteButton = new QPushButton(QStringLiteral("حذف "), deletePanel);
    deleteButton->setObjectName(QStringLiteral("Command2"));
    deleteButton->setGeometry(10, 96, deletePanel->width() - 20, 32);
    connect(deleteButton, &QPushButton::clicked, this, &SubjectListWindow::deleteSubject);
    connect(m_code, &QLineEdit::returnPressed, this, &SubjectListWindow::deleteSubject);

    const int halfWidth = (760 - right - 10 - 8) / 2;
    auto *print = new QPushButton(QStringLiteral("پرينت بر اساس گروه"), this);
    print->setObjectName(QStringLiteral("Command1"));
    print->setGeometry(right + halfWidth + 8, 300, halfWidth, 34);
    connect(print, &QPushButton::clicked, this, &SubjectListWindow::printByGroup);

    // One button for the three formats; the save dialog names the one chosen.
    auto *csv = new QPushButton(QStringLiteral("خروجي آماري"), this);
    csv->setObjectName(QStringLiteral("CmdCsv"));
    csv->setGeometry(right, 300, halfWidth, 34);
    csv->setToolTip(QStringLiteral("ذخيره آزمودني هاي جدول براي برنامه هاي صفحه گسترده و آماري: CSV، SPSS يا Stata"));
    connect(csv, &QPushButton::clicked, this, &SubjectListWindow::exportCsv);

    auto *summary = new QPushButton(QStringLiteral("خلاصه آماري گروه"), this);
    summary->setObjectName(QStringLiteral("CmdSummary"));
    summary->setGeometry(right + halfWidth + 8, 340, halfWidth, 30);
    summary->setToolTip(QStringLiteral("ميانگين، انحراف معيار، ميانه و آلفاي کرونباخ گروه جدول، يا همه آزمودني ها"));
    connect(summary, &QPushButton::clicked, this, &SubjectListWindow::showGroupSummary);

    m_csvStanding = new QCheckBox(QStringLiteral("با رتبه ها"), this);
    m_csvStanding->setObjectName(QStringLiteral("ChkCsvStanding"));
    m_csvStanding->setGeometry(right, 340, halfWidth, 30);
    m_csvStanding->setToolTip(
        QStringLiteral("رتبه درصدي و نمره استاندارد هر خرده مقياس در ميان همه آزمودني هاي مرکز، در خروجي"));
    m_csvStanding->setAccessibleName(QStringLiteral("خروجي با رتبه درصدي و نمره استاندارد"));
    // Some skins leave a check box's square unpainted: draw it on every skin.
    m_csvStanding->setStyleSheet(QStringLiteral(
        "QCheckBox::indicator { width: 13px; height: 13px; border: 1px solid #555; background: white; }"
        "QCheckBox::indicator:checked { background: #2e6b5c; border: 3px solid white; outline: 1px solid #555; }"));

    m_csvProgress = new QProgressBar(this);
    m_csvProgress->setObjectName(QStringLiteral("ProgressCsv"));
    m_csvProgress->setAccessibleName(QStringLiteral("پيشرفت خروجي"));
    m_csvProgress->setGeometry(right, 418, 760 - right - 10 - 8 - halfWidth, 24);
    m_csvProgress->hide();
    // While an export runs it is the one control that works.
    m_exportCancel = new QPushButton(QStringLiteral("انصراف"), this);
    m_exportCancel->setObjectName(QStringLiteral("CmdCsvCancel"));
    m_exportCancel->setGeometry(760 - 10 - halfWidth, 414, halfWidth, 32);
    m_exportCancel->setAccessibleName(QStringLiteral("لغو خروجي"));
    m_exportCancel->hide();
    connect(m_exportCancel, &QPushButton::clicked, this, [this] { m_exportCancelled = true; });

    auto *exit = new QPushButton(QStringLiteral("خروج"), this);
    exit->setObjectName(QStringLiteral("Command6"));
    exit->setGeometry(right, 378, 760 - right - 10, 34);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);

    m_theme = new QLineEdit(this);
    m_theme->setObjectName(QStringLiteral("Text1"));
    m_theme->hide();
    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("Text2"));
    m_address->hide();

    setTabOrder(m_firstName, m_familyName);
    setTabOrder(m_familyName, m_group);
    setTabOrder(m_group, m_code);
    setTabOrder(m_code, deleteButton);
    setTabOrder(deleteButton, print);
    setTabOrder(print, csv);
    setTabOrder(csv, summary);
    setTabOrder(summary, m_csvStanding);
    setTabOrder(m_csvStanding, exit);
    setTabOrder(exit, m_grid);
    addComparison();
}

void SubjectListWindow::blankSelectors(QWidget *keep)
{
    // Blanking a selector does not filter by itself.
    for (QComboBox *selector : {m_firstName, m_familyName, m_group}) {
        if (selector == keep)
            continue;
        const QSignalBlocker block(selector);
        if (selector->isEditable())
            selector->setEditText(QString());
        selector->setCurrentIndex(-1);
    }
}

void SubjectListWindow::applyFilter(const QString &column, const QString &value, QWidget *keep)
{
    // The value is bound as it is, quotes and all.
    m_listView->filterBy(column, value);
    m_model->reload();
    blankSelectors(keep);
}

void SubjectListWindow::filterByFirstName(const QString &name) { applyFilter(QStringLiteral("FName"), name, m_firstName); }
void SubjectListWindow::filterByFamilyName(const QString &name) { applyFilter(QStringLiteral("LName"), name, m_familyName); }
void SubjectListWindow::filterByGroup(const QString &group) { applyFilter(QStringLiteral("Group"), group, m_group); }

void SubjectListWindow::printByGroup()
{
    if (m_group->currentText().isEmpty()) {
        showTimedMessage(this, QStringLiteral("شما بايد گروه آزمودني مورد نظر را انتخاب كنيد"));
        return;
    }
    // No clinic name is set here: the header keeps what it last showed.
    SubjectTableReport &report = SubjectTableReport::instance();
    QString error;
    if (report.setDataSource(*m_listView, &error)) {
        report.setAddress(m_address->text());
        report.show();
    } else {
        showMessage(this, error, QStringLiteral("خطا"), QMessageBox::Warning);
    }
    m_deleteView->reread();
}

bool SubjectListWindow::removeSubjectRows(QString *error)
{
    Database::Transaction transaction;
    if (!transaction.isActive()) {
        *error = QStringLiteral("بانک اطلاعاتي در دسترس نيست");
        return false;
    }
    if (!m_deleteView->deleteCurrent()) {
        *error = m_deleteView->lastError();
        return false;
    }
    // A subject registered without an answer row is still deleted cleanly.
    if (m_answerView->hasCurrent() && !m_answerView->deleteCurrent()) {
        *error = m_answerView->lastError();
        return false;
    }
    if (!transaction.commit()) {
        *error = Database::connection().lastError().text();
        return false;
    }
    return true;
}

void SubjectListWindow::deleteSubject()
{
    const QString code = m_code->text();
    if (code.isEmpty()) {
        showTimedMessage(this, QStringLiteral("شما بايد شماره آزمودني مورد نظر را وارد كنيد"));
        return;
    }
    m_deleteView->filterBy(QStringLiteral("Code"), code);
    if (m_deleteView->isEmpty()) {
        showTimedMessage(this, QStringLiteral("فردي با اين کد وجود ندارد"));
        m_deleteView->reread();
        return;
    }
    m_answerView->filterBy(QStringLiteral("Code"), code);
    if (!askYesNo(this, QStringLiteral("آيا براي حذف کردن مطمئن هستيد؟"), MainWindow::programTitle())) {
        m_listView->reread();
        m_deleteView->reread();
        m_model->reload();
        return;
    }
    QString error;
    if (!removeSubjectRows(&error)) {
        // Nothing was removed: the transaction rolled both rows back.
        m_deleteView->reread();
        m_answerView->reread();
        showMessage(this, error.isEmpty() ? QStringLiteral("حذف انجام نشد") : error, QStringLiteral("Error"),
                    QMessageBox::Warning);
        return;
    }
    showTimedMessage(this, QStringLiteral("حذف با موفقيت انجام گرفت"));
    m_code->clear();
    m_code->setFocus();
    m_answerView->reread();
    m_deleteView->reread();
    m_listView->reread();
    m_model->reload();
    // The name lists lose the names that are gone.
    for (auto [selector, column] : {std::pair{m_firstName, "FName"}, std::pair{m_familyName, "LName"}}) {
        const QSignalBlocker block(selector);
        const QString shown = selector->currentText();
        selector->clear();
        selector->addItems(m_listView->distinctValues(QString::fromLatin1(column)));
        selector->setCurrentIndex(selector->findText(shown));
    }
}

void SubjectListWindow::exportCsv()
{
    // The dialog adds ".csv" itself, so that its question about replacing a
    // file is about the file that is written.
    SaveOptions options;
    options.defaultSuffix = QStringLiteral("csv");
    // CSV, SPSS or Stata: the type chosen in the dialog, or the suffix typed;
    // the dialog's title and button name the type chosen.
    using StatFileExport::Format;
    for (Format format : {Format::Csv, Format::Sav, Format::Dta})
        options.typeCaptions << exportCaption(format);
    const QString file = Dialogs::current().saveFileName(this, options.typeCaptions.first(),
                                                         ProgramFolder::backupFolder(), StatFileExport::dialogFilter(),
                                                         CsvExport::proposedFileName(), options);
    if (file.isEmpty())
        return;
    const Format format = StatFileExport::formatOf(file);
    const QString fileName = leftToRight(QFileInfo(file).fileName());
    CsvExport::ExtraColumns extra;
    QString error;
    if (m_csvStanding->isChecked() && !CsvStandingColumns::make(&extra, &error)) {
        showMessage(this, QStringLiteral("خروجي ساخته نشد:\n") + error, QStringLiteral("خطا"), QMessageBox::Warning);
        return;
    }
    m_csvProgress->setValue(0);
    m_csvProgress->setAccessibleName(QStringLiteral("پيشرفت ") + exportCaption(format));
    m_csvProgress->show();
    m_exportCancel->show();
    m_exportCancelled = false;
    // The list must not change while it is written: every control rests but Cancel.
    QList<QWidget *> resting;
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (child != m_exportCancel && child != m_csvProgress && child->isEnabled()) {
            child->setEnabled(false);
            resting << child;
        }
    qint64 rows = 0;
    StatFileExport::Unlabelled unlabelled;
    const bool ok = StatFileExport::write(
        format, *m_listView, file,
        [this](qint64 done, qint64 total) {
            m_csvProgress->setMaximum(int(qMax<qint64>(total, 1)));
            m_csvProgress->setValue(int(qMin(done, total)));
            QCoreApplication::processEvents();
            return !m_exportCancelled;
        },
        &error, &rows, extra, &unlabelled);
    for (QWidget *child : resting)
        child->setEnabled(true);
    m_csvProgress->hide();
    m_exportCancel->hide();
    if (ok && unlabelled.any()) {
        // Said after the export, where it cannot be missed: the file is made.
        showMessage(this,
                    QStringLiteral("%1 آزمودني در فايل %2 ذخيره شد.\n").arg(rows).arg(fileName) +
                        StatFileExport::unlabelledNotice(unlabelled),
                    exportCaption(format), QMessageBox::Information);
    } else if (ok) {
        showTimedMessage(this, QStringLiteral("%1 آزمودني در فايل ذخيره شد").arg(rows));
    } else if (m_exportCancelled) {
        // The operator's own choice: said, not warned about.
        showTimedMessage(this, QStringLiteral("خروجي لغو شد؛ فايلي ساخته نشد."));
    } else {
        showMessage(this, QStringLiteral("خروجي در فايل %1 ذخيره نشد:\n").arg(fileName) + error,
                    QStringLiteral("خطا"), QMessageBox::Warning);
    }
}

QString SubjectListWindow::exportCaption(StatFileExport::Format format)
{
    return QStringLiteral("خروجي ") + leftToRight(StatFileExport::formatName(format));
}

void SubjectListWindow::showGroupSummary()
{
    // The group the grid is narrowed to; any other list stands for everyone.
    const bool byGroup = m_listView->isFiltered() &&
                         m_listView->filterColumn().compare(QStringLiteral("Group"), Qt::CaseInsensitive) == 0;
    GroupSummary::Summary summary;
    QString error;
    if (!GroupSummary::read(!byGroup, byGroup ? m_listView->filterValue() : QString(), &summary, &error)) {
        showMessage(this, error, QStringLiteral("خطا"), QMessageBox::Warning);
        return;
    }
    GroupSummaryReport(std::move(summary)).show();
}

void SubjectListWindow::closeEvent(QCloseEvent *event)
{
    // Closed while an export runs: the export stops first, the window stays
    // until it has (its half-written file is thrown away).
    if (m_exportCancel->isVisible()) {
        m_exportCancelled = true;
        event->ignore();
        return;
    }
    MainWindow::load();
    QWidget::closeEvent(event);
}
