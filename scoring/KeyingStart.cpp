#include "scoring/FrmkLID.h"
#include "shell/Frm1.h"

// Command3: the keying window takes the main window's place.
void Frm1::openKeyingWindow()
{
    replaceBy([]() -> QWidget * { return new FrmkLID; });
}
