#include "Render.h"

#include "platform/Startup.h"

#include <QApplication>
#include <QDir>
#include <QMap>
#include <QWidget>
#include <QtTest>

namespace {
QMap<QString, RenderFunction> &registry()
{
    static QMap<QString, RenderFunction> functions;
    return functions;
}
}  // namespace

RenderRegistration::RenderRegistration(const char *name, RenderFunction function)
{
    registry().insert(QString::fromLatin1(name), std::move(function));
}

void savePicture(QWidget *window, const QString &outDir, const QString &name)
{
    window->show();
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(20);
    }
    const QString file = QDir(outDir).filePath(name + ".png");
    if (!window->grab().save(file))
        qWarning("could not save %s", qPrintable(file));
    else
        printf("%s\n", qPrintable(file));
}

// usage: render_windows OUTDIR [name ...]
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpApplication(app);
    const QStringList args = app.arguments().mid(1);
    const QString outDir = args.value(0, QStringLiteral("pictures"));
    QDir().mkpath(outDir);
    const QStringList wanted = args.mid(1);
    for (auto it = registry().begin(); it != registry().end(); ++it)
        if (wanted.isEmpty() || wanted.contains(it.key()))
            it.value()(outDir);
    return 0;
}
