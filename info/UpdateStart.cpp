#include "info/UpdateWindow.h"
#include "shell/MainWindow.h"

// Command17: the update window, modal.
void MainWindow::openUpdateWindow()
{
    UpdateWindow window(this);
    window.exec();
}
