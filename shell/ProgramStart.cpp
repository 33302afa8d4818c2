#include "shell/ProgramStart.h"

#include "data/Database.h"
#include "platform/Dialogs.h"

bool openProgramDatabase()
{
    QString error;
    if (Database::openStore(&error))
        return true;
    showMessage(nullptr, error + QStringLiteral("\nبرنامه بسته مي شود."), QStringLiteral("خطا"),
                QMessageBox::Critical);
    return false;
}
