#include "backup/ProgramEnd.h"

#include "data/Database.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

namespace ProgramEnd {
namespace {
bool ending = false;
std::function<void()> &quitHook()
{
    static std::function<void()> hook;
    return hook;
}
}  // namespace

bool isEnding() { return ending; }

void setQuitHook(std::function<void()> hook)
{
    quitHook() = std::move(hook);
    ending = false;
}

void end()
{
    if (ending)
        return;
    ending = true;
    // A main window closing now must not ask about leaving again.
    if (MainWindow *main = MainWindow::current())
        main->setExitMode(QStringLiteral("1"));
    QList<QPointer<QWidget>> windows;
    for (QWidget *w : QApplication::topLevelWidgets())
        windows << w;
    for (const QPointer<QWidget> &w : windows)
        if (w && w->isWindow())
            w->close();
    Database::close();
    if (quitHook())
        quitHook()();
    else
        QCoreApplication::quit();
}

}  // namespace ProgramEnd
