#include "data/Database.h"
#include "data/DatabaseLock.h"
#include "platform/Startup.h"
#include "shell/MainWindow.h"
#include "shell/ProgramStart.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Mehrsan"));
    setUpApplication(app);
    if (!openProgramDatabase())
        return 1;
    MainWindow::load();
    const int result = app.exec();
    Database::close();
    DatabaseLock::release();
    return result;
}
