#include "shell/Frm1.h"

#include "data/TableView.h"
#include "platform/Dialogs.h"
#include "test/FrmTest.h"
#include "test/TestRunTexts.h"

// Command2: asks for the subject code and runs the test for that subject.
void Frm1::startTestRun()
{
    using namespace TestRunTexts;
    if (Adodc3->rowCount() == 0)
        return;
    closePanels();

    FrmTest *test = FrmTest::loaded();
    test->Adodc2->reread();
    test->Adodc3->reread();

    const QString code = inputBox(this, kCodePrompt, kCodeTitle);
    if (code.isEmpty()) {
        showTimedMessage(this, kEnterCode);
        return;
    }
    // The code goes in as typed; the view takes the value between the quotes
    // as a bound value, so quotes in it do no harm.
    const QString filter = "code='" + code + "'";
    test->Adodc2->filter(filter);
    if (!test->Adodc2->hasCurrent()) {
        showTimedMessage(this, kNoSuchSubject);
        return;
    }
    test->Adodc3->filter(filter);

    test->exec();
    FrmTest::prepareNextRun();
}
