#include "data/Database.h"
#include "platform/Startup.h"
#include "shell/Frm1.h"
#include "shell/ProgramStart.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Mehrsan"));
    setUpApplication(app);
    if (!openProgramDatabase())
        return 1;
    Frm1::load();
    const int result = app.exec();
    Database::close();
    return result;
}
