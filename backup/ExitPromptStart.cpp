#include "backup/exitpro.h"
#include "shell/Frm1.h"

// Leaving the main window opens the exit prompt (it stays open if it already is).
void Frm1::openExitPrompt(int topTwips) { exitpro::open(topTwips); }
