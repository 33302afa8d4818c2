#include "FaultTools.h"
#include "Render.h"
#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include "data/Database.h"
#include "data/DatabaseLock.h"
#include "platform/Dialogs.h"
#include "shell/CountingProgress.h"
#include "shell/ProgramStart.h"
#include "shell/MainWindow.h"
#include "shell/ThemeChangedNotice.h"

#include <QFile>
#include <QLabel>
#include <QMessageBox>

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

// The boxes a start can end with: the program already open, and, from the
// real start on real files, a lock of another computer, a stray -wal and a
// damaged file with a backup to offer.
static RenderRegistration startRefusals("StartRefusals", [](const QString &outDir) {
    int n = 0;
    // Built as the program builds its boxes: the details behind their control.
    const auto save = [&](QMessageBox::Icon icon, const QString &text, QMessageBox::StandardButtons buttons,
                          const QString &title = QStringLiteral("خطا")) {
        QMessageBox *box = QtDialogs::makeBox(nullptr, text, title, icon, buttons);
        savePicture(box, outDir, QStringLiteral("StartRefusal-%1").arg(++n));
        box->deleteLater();
    };
    save(QMessageBox::Critical,
         QStringLiteral("برنامه هم اکنون باز است و بانک اطلاعاتي آن در حال استفاده است:\n") +
             leftToRight("/home/clinic/Mehrsan/DBTavor/DBTavor.mdb") + QStringLiteral("\nدر رايانه ") +
             leftToRight("reception") + QStringLiteral("\nبرنامه بسته مي شود.") +
             technicalDetail(QStringLiteral("رايانه: reception، شماره فرايند: 4211")),
         QMessageBox::Ok);

    TestFolder folder;
    Database::close();
    const QString file = folder.databaseFile();
    ScriptedDialogs dialogs;
    dialogs.onShow = [&](const ScriptedDialogs::Shown &shown) {
        if (shown.kind == QLatin1String("message"))
            save(shown.icon, shown.text + technicalDetail(shown.details), shown.buttons, shown.title);
    };

    QFile lock(DatabaseLock::lockFileFor(file));
    lock.open(QIODevice::WriteOnly);
    lock.write("4211\nMehrsan\nreception\nanother-machine\n\n");
    lock.close();
    openProgramDatabase();
    lock.remove();

    QFile::copy(file, file + "-wal");
    openProgramDatabase();
    QFile::remove(file + "-wal");

    QFile::copy(file, folder.path() + QStringLiteral("/Back/در تاريخ1405.9.17 ساعت)18.05).mdbB"));
    FaultTools::overwrite(file, qint64(FaultTools::rootPage(file, "IDE") - 1) * FaultTools::pageSize(file),
                          QByteArray(FaultTools::pageSize(file), '\x33'));
    openProgramDatabase();
});

// The first start of a version, while the subjects are counted.
static RenderRegistration countingProgress("FrmCount", [](const QString &outDir) {
    auto *window = new CountingProgress;
    window->setPercent(37);
    savePicture(window, outDir, QStringLiteral("FrmCount"));
    window->showFailure(QStringLiteral("ديسک پر است"));
    savePicture(window, outDir, QStringLiteral("FrmCount-failed"));
    window->close();
    delete window;
});
