#include "platform/Startup.h"
#include "updater/ProgressWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    keepFilesPrivate();
    // The download runs one pass of the event loop per 1 KB chunk; Qt's own
    // event dispatcher makes that pass several times cheaper than GLib's.
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Zelqupdate"));
    setUpApplication(app);

    ProgressWindow window;
    window.show();
    return app.exec();
}
