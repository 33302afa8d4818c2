#include "Render.h"
#include "TestFolder.h"

#include "info/UpdateWindow.h"
#include "updater/ProgressWindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

static RenderRegistration progressWindow("Progress", [](const QString &outDir) {
    TestFolder folder;
    auto *idle = new ProgressWindow;
    savePicture(idle, outDir, "Progress-idle");
    delete idle;
    // As it looks in the middle of a download.
    auto *busy = new ProgressWindow;
    busy->findChild<QPushButton *>("cmdUpdate")->setText(QStringLiteral("انصراف"));
    busy->findChild<QProgressBar *>("ProgressBar")->setValue(37);
    busy->findChild<QLabel *>("Label4")->setText(QStringLiteral("37"));
    savePicture(busy, outDir, "Progress-downloading");
    delete busy;
});

static RenderRegistration updateWindow("FrmUpdate", [](const QString &outDir) {
    TestFolder folder;
    for (int theme : {1, 7, 8, 11, 12, 13, 0}) {
        folder.sql("UPDATE Theme SET TH = ?", {QString::number(theme)});
        auto *window = new UpdateWindow;
        savePicture(window, outDir, QStringLiteral("FrmUpdate-theme%1").arg(theme, 2, 10, QChar('0')));
        delete window;
    }
});
