#include "shell/MainWindow.h"

#include "data/FieldRules.h"
#include "data/TableView.h"
#include "platform/Dialogs.h"
#include "testrun/TestRunWindow.h"
#include "testrun/TestRunTexts.h"

// Command2: asks for the subject code and runs the test for that subject.
// Like the keying and subject-list buttons it does nothing while the main
// window's Answer view is empty; a code known to Answer alone still runs.
void MainWindow::startTestRun()
{
    using namespace TestRunTexts;
    if (answerView->isEmpty())
        return;
    closePanels();

    TestRunWindow *test = TestRunWindow::loaded();
    test->answerView->reread();
    test->subjectView->reread();

    const QString code =
        inputBox(this, kCodePrompt, kCodeTitle, QString(),
                 {FieldRules::maxLength(QStringLiteral("IDE"), QStringLiteral("Code")), QStringLiteral("کد آزمودني")});
    if (code.isEmpty()) {
        showTimedMessage(this, kEnterCode);
        return;
    }
    // The code goes in as typed; the view takes the value between the quotes
    // as a bound value, so quotes in it do no harm.
    const QString filter = "code='" + code + "'";
    test->answerView->filter(filter);
    if (!test->answerView->hasCurrent()) {
        showTimedMessage(this, kNoSuchSubject);
        return;
    }
    test->subjectView->filter(filter);

    test->exec();
    TestRunWindow::prepareNextRun();
}
