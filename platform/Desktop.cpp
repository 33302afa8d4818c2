#include "platform/Desktop.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#ifdef Q_OS_WIN
#include <QDir>
#include <QFileInfo>
#include <qt_windows.h>
#endif

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

// One argument of a command line as CommandLineToArgvW reads it back:
// quoted, with quotes and the backslashes before them escaped.
QString quoted(const QString &argument)
{
    QString out = QStringLiteral("\"");
    int backslashes = 0;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == QLatin1Char('"'))
            out += QString(backslashes * 2 + 1, QLatin1Char('\\'));
        else
            out += QString(backslashes, QLatin1Char('\\'));
        backslashes = 0;
        out += c;
    }
    out += QString(backslashes * 2, QLatin1Char('\\'));
    return out + QLatin1Char('"');
}

#ifdef Q_OS_WIN
// The updater and the downloaded setup start on their own, in their own
// folder, and go on after this program ends.
bool createProcess(const QString &program, const QStringList &arguments)
{
    const QString path = QDir::toNativeSeparators(QFileInfo(program).absoluteFilePath());
    std::wstring command = windowsCommandLine(path, arguments).toStdWString();
    const std::wstring application = path.toStdWString();
    const std::wstring folder = QDir::toNativeSeparators(QFileInfo(program).absolutePath()).toStdWString();
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(application.c_str(), command.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT | DETACHED_PROCESS, nullptr, folder.c_str(), &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}
#endif
}  // namespace

QString windowsCommandLine(const QString &program, const QStringList &arguments)
{
    QString line = quoted(program);
    for (const QString &argument : arguments)
        line += QLatin1Char(' ') + quoted(argument);
    return line;
}

void setLauncher(Launcher l) { launcher() = std::move(l); }
void setWebOpener(WebOpener o) { webOpener() = std::move(o); }

bool startProgram(const QString &program, const QStringList &arguments)
{
    if (launcher())
        return launcher()(program);
#ifdef Q_OS_WIN
    return createProcess(program, arguments);
#else
    return QProcess::startDetached(program, arguments);
#endif
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

QStringList calculators()
{
#ifdef Q_OS_WIN
    return {QStringLiteral("calc")};
#else
    return {"gnome-calculator", "kcalc", "galculator", "qalculate-gtk", "mate-calc", "xcalc"};
#endif
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
