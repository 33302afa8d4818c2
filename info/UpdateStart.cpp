#include "info/FrmUpdate.h"
#include "shell/Frm1.h"

// Command17: the update window, modal.
void Frm1::openUpdateWindow()
{
    FrmUpdate window(this);
    window.exec();
}
