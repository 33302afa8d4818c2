#include "keying/KeyingWindow.h"
#include "shell/MainWindow.h"

// Command3: the keying window takes the main window's place.
void MainWindow::openKeyingWindow()
{
    replaceBy([]() -> QWidget * { return new KeyingWindow; });
}
