#pragma once
#include <QHash>
#include <QWidget>

#include "platform/Skin.h"
#include "scoring/Standing.h"

class Binder;
class ProfileChartWidget;
class QComboBox;
class QLabel;
class QFrame;
class QLineEdit;
class TableView;

// The keying window: the operator enters a subject's code, the window sums the
// stored answers into the fifteen subscale scores and the total, shows them
// and stores them in the subject's IDE row. It also prints the result sheet of
// the subject keyed last and the table of all subjects. It takes the main
// window's place and brings it back when it closes.
class KeyingWindow : public QWidget
{
    Q_OBJECT
public:
    explicit KeyingWindow(QWidget *parent = nullptr);

    // Command1: asks for the code, then keys it.
    void selectSubject();
    // Keying of one code, exactly as typed (an empty code is refused).
    void key(const QString &code);
    // Command6: the result sheet of the subject keyed last.
    void printSelectedSubject();
    // Command3: the table of all subjects.
    void printAllSubjects();

    // Text5: the code keyed last; empty until a keying and after every
    // one-subject print.
    QString currentCode() const;
    // What a field of the window shows: a subject column of the display view
    // or a score column of the score view.
    QString shownValue(const QString &column) const;
    // The standing of the subject keyed last among the chosen reference, as
    // the window shows it (every figure "—" before a keying).
    const Standing::Figures &standing() const { return m_standing; }
    // CmbReference: whom the subject is compared with (all by default).
    void setReference(Standing::Reference reference);

    TableView *answerView = nullptr;  // Answer: the answers of the subject being keyed
    TableView *subjectView = nullptr;  // IDE: the subject's details (and the result sheet)
    TableView *scoreView = nullptr;  // IDE: the sixteen scores that keying stores
    TableView *allSubjectsView = nullptr;  // IDE: all subjects, for the table of all subjects
    TableView *settingsView = nullptr;  // Theme: skin, clinic name and address

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildWindow();
    void buildSubjectPanel();
    void buildResultsPanel();
    void buildLegend();
    void buildChart();
    void updateChart();
    void updateStanding();
    void scheduleStanding();
    void buildHelpPanel();
    void buildButtons();
    void openViews();
    QStringList storedAnswers() const;

    Binder *m_binder = nullptr;
    Skin m_skin;
    QFrame *m_subjectPanel = nullptr;  // Frame1
    QFrame *m_resultsPanel = nullptr;  // Frame2
    QFrame *m_legend = nullptr;        // Frame3
    QFrame *m_helpPanel = nullptr;     // Frame4
    QFrame *m_chartPanel = nullptr;    // Frame5: the profile chart
    ProfileChartWidget *m_chart = nullptr;
    QLineEdit *m_currentCode = nullptr;  // Text5
    QLineEdit *m_theme = nullptr;        // Text1
    QLineEdit *m_clinicName = nullptr;   // Text2
    QLineEdit *m_address = nullptr;      // Text3
    QLineEdit *m_scoreCode = nullptr;    // Text4
    QHash<QString, QLineEdit *> m_subjectFields;  // display view columns
    QHash<QString, QLineEdit *> m_scoreFields;    // score view columns
    QHash<QString, QLabel *> m_standingLabels;    // beside each score field
    QComboBox *m_reference = nullptr;             // CmbReference
    QLabel *m_standingNote = nullptr;             // what the figures are relative to, why any is missing
    Standing::Figures m_standing;
    bool m_standingPending = false;  // a keying's figures not yet read
};
