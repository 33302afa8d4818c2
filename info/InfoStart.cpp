#include "shell/Frm1.h"

// Command11: the questionnaire introduction, modal; open panels stay open.
void Frm1::openIntroduction() {}

// Command12: the about box, modal, after the panels are closed.
void Frm1::openAboutBox() {}
