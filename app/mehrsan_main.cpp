#include "data/Database.h"
#include "data/DatabaseLock.h"
#include "platform/Startup.h"
#include "shell/ProgramStart.h"
#include "shell/ServerCommands.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    keepFilesPrivate();
    // The server tasks run without windows, so also where no screen is.
    if (argc > 1 && QByteArray(argv[1]).startsWith("--")) {
        QCoreApplication tool(argc, argv);
        const int status = ServerCommands::run(tool.arguments());
        if (status != ServerCommands::NotACommand)
            return status;
    }
    QApplication app(argc, argv);
    if (!startProgram(app))
        return 1;
    const int result = app.exec();
    Database::close();
    DatabaseLock::release();
    return result;
}
