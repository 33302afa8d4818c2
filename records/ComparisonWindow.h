#pragma once
#include <QWidget>

#include "platform/Skin.h"
#include "scoring/AdministrationComparison.h"

class QComboBox;
class QLabel;
class QTableWidget;

// The window "مقايسه دو اجرا": two keyed administrations side by side, both
// registration lines, both profiles on one chart and the table of the
// reliable-change index per scale, against a reference the operator
// chooses; printed or saved as PDF through the report preview, or saved as CSV.
class ComparisonWindow : public QWidget
{
    Q_OBJECT
public:
    // Shows a comparison made beforehand (AdministrationComparison::compareCodes).
    ComparisonWindow(AdministrationComparison::Comparison comparison, const QString &themeText,
                     QWidget *parent = nullptr);

    const AdministrationComparison::Comparison &comparison() const { return m_comparison; }

    // The commands, as their controls run them.
    void chooseReference(Standing::Reference reference);
    void printComparison();
    void exportCsv();

private:
    void buildWindow();
    void showComparison();

    AdministrationComparison::Comparison m_comparison;
    Skin m_skin;
    QLabel *m_before = nullptr;
    QLabel *m_after = nullptr;
    QLabel *m_warnings = nullptr;
    QComboBox *m_reference = nullptr;
    QTableWidget *m_table = nullptr;
    QWidget *m_chart = nullptr;
    QLabel *m_notes = nullptr;
    QLabel *m_reach = nullptr;
};
