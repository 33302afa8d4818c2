#include "records/SubjectListWindow.h"
#include "shell/MainWindow.h"

// Command4: the subject-code window takes the main window's place.
void MainWindow::openSubjectListWindow()
{
    replaceBy([]() -> QWidget * { return new SubjectListWindow; });
}
