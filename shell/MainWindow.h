#pragma once
#include "platform/Version.h"
#include <QWidget>

#include "platform/Skin.h"

class Binder;
class QFrame;
class QLabel;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TableView;

// The main window: the column of main buttons, the hidden registration and
// settings panels, the clinic-name label, the title and the hint bar. It is
// loaded anew each time a window that replaced it closes.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);

    // Loads a new main window and shows it.
    static MainWindow *load();
    // The main window that is loaded now, if any.
    static MainWindow *current();

    static QString programTitle() { return QStringLiteral("Mehrsan"); }
    static QString versionText() { return programVersion(); }

    // Hides the five panels and, when there is a subject, re-reads the subject
    // and answer views (dropping anything left pending in them).
    void closePanels();

    QString exitMode() const;
    void setExitMode(const QString &mode);

    // The hint shown for a main button; empty for other controls.
    static QString hintFor(const QString &buttonName);

    TableView *settingsView = nullptr;   // Theme
    TableView *subjectView = nullptr;   // IDE
    TableView *answerView = nullptr;   // Answer
    TableView *hiddenAnswerView = nullptr;   // Answer
    TableView *questionView = nullptr;  // QU

    // What the main buttons open. Each is defined beside the window it opens.
    void startTestRun();        // Command2, testrun/TestRunStart.cpp
    void openKeyingWindow();    // Command3, keying/KeyingStart.cpp
    void openSubjectListWindow();      // Command4, records/SubjectListWindowStart.cpp
    void openIntroduction();    // Command11, info/InfoStart.cpp
    void openAboutBox();        // Command12, info/InfoStart.cpp
    void openUpdateWindow();    // Command17, info/UpdateStart.cpp
    // The exit prompt at left 5000 twips and the given top, backup/ExitPromptStart.cpp
    void openExitPrompt(int topTwips);
    // Replaces the main window by another window (keying, subject codes):
    // nothing when no subject is registered.
    bool replaceBy(QWidget *(*makeWindow)());

    // Registration panel Frame10 (shell/RegistrationPanel.cpp).
    void openRegistration();    // Command1
    void saveRegistration();    // Command8
    void cancelRegistration();  // Command10

    // Settings panels Frame8, Frame6, Frame9, Frame1 (shell/SettingsPanels.cpp).
    void openSettingsMenu();    // Command9
    void chooseTheme(int theme);  // the eleven theme buttons
    void saveClinic();          // Command64
    void cancelClinic();        // Command7
    void openQuestionEditor();  // Command66
    void saveQuestion();        // Command16
    void cancelQuestion();      // Command15

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void buildWindow();
    void buildButtons();
    void buildPanels();
    QFrame *addPanel(const char *name, const QRect &geometry);
    void buildRegistrationPanel(QFrame *panel);
    void buildSettingsMenu(QFrame *panel);
    void buildThemePanel(QFrame *panel);
    void buildClinicPanel(QFrame *panel);
    void buildQuestionEditor(QFrame *panel);
    void bindRegistrationFields();
    bool ageKeyFilter(QKeyEvent *event);
    void ageEdited(const QString &text);
    void copyListChoices();
    void itemNumberChanged(const QString &text);
    void openViews();
    void showHint(const QString &text);
    void startCalculator();
    void openSite();
    void openHelp();

    Binder *m_binder = nullptr;
    Skin m_skin;

    QFrame *m_buttonColumn = nullptr;  // Frame7
    QLabel *m_title = nullptr;         // SkinLabel9
    QLabel *m_clinicName = nullptr;    // SkinLabel1
    QLabel *m_hintBar = nullptr;       // SkinLabel2
    QLineEdit *m_exitMode = nullptr;   // Text3
    QLineEdit *m_theme = nullptr;      // Text1
    QLineEdit *m_clinicNameField = nullptr;  // Text2
    QLineEdit *m_addressField = nullptr;     // Text14
    QList<QFrame *> m_panels;

    // Registration panel.
    QLineEdit *m_code = nullptr;        // Text11
    QLineEdit *m_age = nullptr;         // Text5
    QLineEdit *m_date = nullptr;        // Text8
    QLineEdit *m_time = nullptr;        // Text9
    QComboBox *m_sexList = nullptr;     // Combo2 -> Text16
    QComboBox *m_maritalList = nullptr; // Combo1 -> Text15
    QComboBox *m_groupList = nullptr;   // Combo3 -> Text17
    QString m_lastAgeText;              // what the age field held before the last edit

    // Question editor.
    QLineEdit *m_itemNumber = nullptr;  // Text13
    QPlainTextEdit *m_itemText = nullptr;  // Text18
};
