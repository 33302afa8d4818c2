#include "data/Database.h"
#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"
#include "platform/Startup.h"
#include "shell/Frm1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Mehrsan"));
    setUpApplication(app);

    QString error;
    if (!Database::open(ProgramFolder::databaseFile(), &error)) {
        showMessage(nullptr, error, QStringLiteral("خطا"), QMessageBox::Critical);
        return 1;
    }
    Frm1::load();
    const int result = app.exec();
    Database::close();
    return result;
}
