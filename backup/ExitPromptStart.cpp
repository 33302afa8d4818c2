#include "backup/ExitPrompt.h"
#include "shell/MainWindow.h"

// Leaving the main window opens the exit prompt (it stays open if it already is).
void MainWindow::openExitPrompt(int topTwips) { ExitPrompt::open(topTwips); }
