#include "Render.h"
#include "TestFolder.h"

#include "backup/ExitPictures.h"
#include "backup/BackupWindow.h"
#include "backup/ProgramEnd.h"
#include "backup/ExitPrompt.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

static RenderRegistration backupWindows("backup", [](const QString &outDir) {
    TestFolder folder;
    ProgramEnd::setQuitHook([] {});

    // The four pictures, enlarged four times so that the strokes can be judged.
    const QList<QPair<QString, QPixmap>> pictures = {{"k1", confirmPicture(false)},
                                                     {"k2", confirmPicture(true)},
                                                     {"C1", cancelPicture(false)},
                                                     {"C2", cancelPicture(true)}};
    for (const auto &[name, pixmap] : pictures) {
        pixmap.save(QDir(outDir).filePath("exitpro-" + name + ".png"));
        pixmap.scaled(pixmap.size() * 4, Qt::KeepAspectRatio, Qt::SmoothTransformation)
            .save(QDir(outDir).filePath("exitpro-" + name + "-x4.png"));
    }

    auto *prompt = ExitPrompt::open(1500);
    savePicture(prompt, outDir, "exitpro");
    // Highlighted: the mouse over both normal pictures.
    for (const char *name : {"k1", "C1"}) {
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(prompt->findChild<QLabel *>(name), &enter);
    }
    savePicture(prompt, outDir, "exitpro-highlighted");
    prompt->hide();

    for (int theme : {0, 3, 11}) {
        folder.sql("UPDATE Theme SET TH = ?", {QString::number(theme)});
        auto *window = new BackupWindow;
        window->showDate(QDate(2023, 8, 1));
        window->showClock(QTime(14, 30));
        window->findChild<QLineEdit *>("Text1")->setText(
            folder.path() + "/Back/" + BackupWindow::proposedFileName("1402.5.10", "14.30"));
        window->findChild<QProgressBar *>("ProgressBar1")->setValue(42);
        window->findChild<QProgressBar *>("ProgressBar1")->show();
        savePicture(window, outDir, QStringLiteral("Frmbackup-theme%1").arg(theme));
        if (theme == 0) {
            window->findChild<QPushButton *>("Command3")->click();
            savePicture(window, outDir, "Frmbackup-help");
        }
        window->findChild<QProgressBar *>("ProgressBar1")->hide();
        window->hide();
        window->deleteLater();
    }
    prompt->deleteLater();
    QCoreApplication::processEvents();
});
