#pragma once
#include <QList>
#include <QWidget>

#include "platform/Skin.h"
#include "testrun/AnswerCoding.h"

class Binder;
class QEventLoop;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TableView;

// The test-run window: an instruction page, then the 90 items one at a time
// with five options, Back, Next, the item-number field and Exit. Every choice
// is stored in the subject's Answer row and committed at once.
//
// The window is loaded once and kept, hidden, between runs: the main window
// narrows its answer and identity views to the subject and shows it modally.
class TestRunWindow : public QWidget
{
    Q_OBJECT
public:
    explicit TestRunWindow(QWidget *parent = nullptr);
    ~TestRunWindow() override;

    // The window of this program run; the first call loads it, hidden.
    static TestRunWindow *loaded();
    static bool isLoaded();
    // Unloads the window; the next loaded() loads it anew.
    static void unload();
    // After a run: the window, which unloaded itself when it closed, is loaded
    // again, hidden, and its controls are set for the next subject.
    static void prepareNextRun();

    // Shows the window modally and returns when it closes.
    void exec();

    TableView *settingsView = nullptr;  // Theme
    TableView *answerView = nullptr;  // Answer, narrowed to the subject by the main window
    TableView *subjectView = nullptr;  // IDE, narrowed to the subject by the main window
    TableView *closingAnswerView = nullptr;  // Answer, committed at close
    TableView *closingSubjectView = nullptr;  // IDE, re-read at close
    TableView *itemView = nullptr;  // QU, narrowed to the item on screen

    // The item on screen, whose answer column is in use (0 before Start).
    int currentItem() const { return m_item; }

    // Stores the selected option of the item on screen and commits the row.
    void SaveChoice();
    void SaveAscending();
    void SaveDescending();
    // Selects the option that the stored answer of the item on screen stands for.
    void ShowChoice();
    void ShowAscending();
    void ShowDescending();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    void buildInstructionPage();
    void buildIdentityPanel();
    void buildItemPage();
    void openViews();
    void load();

    void start();
    void step(int delta);
    void counterChange();
    int counterValue() const;
    void useItem(int item);
    void showItem();
    void fitItemText();
    void saveStored(AnswerCoding::Direction direction);
    void showStored(AnswerCoding::Direction direction);
    void selectOption(int option);
    void chooseOption(int option);
    bool commitAnswerRow();
    void finishRun();
    bool filterNumberKey(QLineEdit *field, QKeyEvent *event);

    Binder *m_binder = nullptr;
    Skin m_skin;
    QEventLoop *m_loop = nullptr;
    int m_item = 0;
    bool m_showingStored = false;  // options are being set to show the stored answer
    QString m_acceptedCounter;

    QLabel *m_title = nullptr;         // SkinLabel3
    QLabel *m_instructions = nullptr;  // SkinLabel4
    QLabel *m_noRightOrWrong = nullptr;  // SkinLabel5
    QLabel *m_legend = nullptr;        // SkinLabel6
    QLabel *m_itemLabel = nullptr;     // SkinLbl5
    QFrame *m_identity = nullptr;      // Frame1
    QLineEdit *m_codeField = nullptr;
    QLineEdit *m_ageField = nullptr;
    QGroupBox *m_optionFrame = nullptr;  // Frame2
    QList<QRadioButton *> m_options;     // Option1..Option5
    QLineEdit *m_counter = nullptr;      // Text6
    QLineEdit *m_answerField = nullptr;  // Text12
    QPushButton *m_start = nullptr;      // Command1
    QPushButton *m_exit = nullptr;       // Command5
    QPushButton *m_back = nullptr;       // CmdBack
    QPushButton *m_next = nullptr;       // CmdNext
};
