#include "Render.h"
#include "TestFolder.h"

#include "shell/MainWindow.h"
#include "shell/ThemeChangedNotice.h"

#include <QLabel>

static RenderRegistration mainWindowThemes("Frm1", [](const QString &outDir) {
    TestFolder folder;
    folder.sql("UPDATE Theme SET Name = ?", {QStringLiteral("کلينيک روان‌شناسي مهرسان")});
    for (int theme = 1; theme <= 11; ++theme) {
        folder.sql("UPDATE Theme SET TH = ?", {QString::number(theme)});
        auto *window = new MainWindow;
        // Show one hint, as when the mouse rests on the registration button.
        auto *hint = window->findChild<QLabel *>("SkinLabel2");
        hint->setText(MainWindow::hintFor("Command1"));
        hint->show();
        savePicture(window, outDir, QStringLiteral("Frm1-theme%1").arg(theme, 2, 10, QChar('0')));
        window->setExitMode("1");
        window->close();
    }
    auto *skin = new ThemeChangedNotice;
    savePicture(skin, outDir, "Frmskin");
    skin->close();
});
