#include "platform/Startup.h"
#include "updater/ProgressWindow.h"
#include "updater/UpdateKeys.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    keepFilesPrivate();
    // Mehrsan asks before it ends itself whether an update could be taken at
    // all: only with a publisher key built in (0), never without one (1).
    if (argc == 2 && qstrcmp(argv[1], "--can-update") == 0)
        return compiledUpdateKeys().isEmpty() ? 1 : 0;
    // The download runs one pass of the event loop per 1 KB chunk; Qt's own
    // event dispatcher makes that pass several times cheaper than GLib's.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Zelqupdate"));
    setUpApplication(app);
    useInstalledTypefaces(app);

    ProgressWindow window;
    window.show();
    return app.exec();
}
