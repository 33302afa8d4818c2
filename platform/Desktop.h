#pragma once
#include <QString>
#include <QStringList>
#include <functional>

// Starting other programs and opening web pages. Failures are silent, as the
// callers report nothing. Tests replace the launcher to see what was asked.
namespace Desktop {
bool startProgram(const QString &program, const QStringList &arguments = {});
// First program of the list that is installed; empty when none is.
QString findProgram(const QStringList &candidates);
// The command line CreateProcessW is given on Windows: each part quoted so
// that the program reads back exactly these arguments (CommandLineToArgvW).
QString windowsCommandLine(const QString &program, const QStringList &arguments);
// The system's calculator programs, the first choice first.
QStringList calculators();
void openWebPage(const QString &url);

using Launcher = std::function<bool(const QString &program)>;
using WebOpener = std::function<void(const QString &url)>;
void setLauncher(Launcher launcher);   // empty function restores the real one
void setWebOpener(WebOpener opener);
}  // namespace Desktop
