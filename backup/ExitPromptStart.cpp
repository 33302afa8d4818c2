#include "shell/Frm1.h"

// Leaving the main window opens the exit prompt (it stays open if it already is).
void Frm1::openExitPrompt(int topTwips) { Q_UNUSED(topTwips); }
