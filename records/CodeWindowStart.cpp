#include "records/FrmCode.h"
#include "shell/Frm1.h"

// Command4: the subject-code window takes the main window's place.
void Frm1::openCodeWindow()
{
    replaceBy([]() -> QWidget * { return new FrmCode; });
}
