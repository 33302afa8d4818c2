#pragma once
#include <QWidget>

#include "platform/Skin.h"
#include "records/StatFileExport.h"

class Binder;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class SubjectListModel;
class TableView;

// The subject-code window: the list of registered subjects, narrowed by first
// name, family name or group; a group's table printed; a subject deleted with
// its answers. It stands in for the main window, which comes back when it closes.
class SubjectListWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SubjectListWindow(QWidget *parent = nullptr);

    // The export's caption for a format: "خروجي SPSS".
    static QString exportCaption(StatFileExport::Format format);
    static QString openingGroupText() { return QStringLiteral("جنسيت را انتخاب كنيد"); }

    TableView *listView() const { return m_listView; }

    // The commands, as their buttons run them.
    void filterByFirstName(const QString &name);
    void filterByFamilyName(const QString &name);
    void filterByGroup(const QString &group);
    void printByGroup();
    void deleteSubject();
    // Writes the subjects of the grid, as filtered now, to a CSV file (with
    // each subject's standing when the check box beside it is on).
    void exportCsv();
    // The summary of the group the grid shows (of everyone unless the grid is
    // filtered by group), in the report preview.
    void showGroupSummary();
    // The two administrations chosen in the grid (Ctrl+click) compared in a
    // window of their own; the codes of the chosen rows, in grid order.
    void compareSelected();
    QStringList selectedCodes() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWindow();
    void addComparison();
    void applyFilter(const QString &column, const QString &value, QWidget *keep);
    void blankSelectors(QWidget *keep);
    // Removes the subject's IDE and Answer rows together; false with the
    // store's description when anything failed (and then nothing is removed).
    bool removeSubjectRows(QString *error);
    void reportReadError(const QString &error);

    TableView *m_listView = nullptr;    // the grid, the name lists, the group print
    TableView *m_deleteView = nullptr;  // finds and deletes the IDE row
    TableView *m_answerView = nullptr;  // deletes the Answer row
    TableView *m_settingsView = nullptr;   // Theme: TH and Adress
    Binder *m_binder = nullptr;
    Skin m_skin;

    SubjectListModel *m_model = nullptr;
    QTableView *m_grid = nullptr;       // DataGrid1
    QComboBox *m_firstName = nullptr;   // DataCombo6
    QComboBox *m_familyName = nullptr;  // DataCombo1
    QComboBox *m_group = nullptr;       // Combo3
    QLineEdit *m_code = nullptr;        // Text5
    QProgressBar *m_csvProgress = nullptr;
    QPushButton *m_exportCancel = nullptr;  // CmdCsvCancel
    bool m_exportCancelled = false;
    QCheckBox *m_csvStanding = nullptr;  // ChkCsvStanding
    QPushButton *m_compare = nullptr;    // CmdCompare
    QLineEdit *m_theme = nullptr;       // Text1 (hidden)
    QLineEdit *m_address = nullptr;     // Text2 (hidden)
    bool m_readErrorShown = false;
};
