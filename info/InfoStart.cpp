#include "shell/MainWindow.h"

#include "info/AboutBox.h"
#include "info/IntroductionWindow.h"

// The information windows are top-level windows of their own rather than
// children of the main window, so that the main window's skin does not spill
// into them; they are modal to the whole program instead.

// Command11: the questionnaire introduction, modal; open panels stay open.
void MainWindow::openIntroduction()
{
    IntroductionWindow introduction;
    introduction.setWindowModality(Qt::ApplicationModal);
    introduction.exec();
}

// Command12: the about box, modal, after the panels are closed.
void MainWindow::openAboutBox()
{
    closePanels();
    AboutBox about;
    about.setWindowModality(Qt::ApplicationModal);
    about.exec();
}
