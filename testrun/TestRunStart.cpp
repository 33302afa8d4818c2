#include "shell/MainWindow.h"

#include "data/TableView.h"
#include "platform/Dialogs.h"
#include "testrun/TestRunWindow.h"
#include "testrun/TestRunTexts.h"

// Command2: asks for the subject code and runs the test for that subject.
void MainWindow::startTestRun()
{
    using namespace TestRunTexts;
    if (subjectView->rowCount() == 0)
        return;
    closePanels();

    TestRunWindow *test = TestRunWindow::loaded();
    test->answerView->reread();
    test->subjectView->reread();

    const QString code = inputBox(this, kCodePrompt, kCodeTitle);
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
