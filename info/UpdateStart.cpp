#include "shell/Frm1.h"

// Command17: the update window, modal.
void Frm1::openUpdateWindow() {}
