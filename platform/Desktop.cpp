#include "platform/Desktop.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace Desktop {
namespace {
Launcher &launcher()
{
    static Launcher instance;
    return instance;
}
WebOpener &webOpener()
{
    static WebOpener instance;
    return instance;
}
}  // namespace

void setLauncher(Launcher l) { launcher() = std::move(l); }
void setWebOpener(WebOpener o) { webOpener() = std::move(o); }

bool startProgram(const QString &program, const QStringList &arguments)
{
    if (launcher())
        return launcher()(program);
    return QProcess::startDetached(program, arguments);
}

QString findProgram(const QStringList &candidates)
{
    for (const QString &name : candidates) {
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

void openWebPage(const QString &url)
{
    if (webOpener()) {
        webOpener()(url);
        return;
    }
    QDesktopServices::openUrl(QUrl(url));
}

}  // namespace Desktop
