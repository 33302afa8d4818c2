#include "Render.h"
#include "TestFolder.h"

#include "shell/MainWindow.h"
#include "shell/ThemeChangedNotice.h"

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

// The boxes a start can end with: the program already open, a damaged file.
static RenderRegistration startRefusals("StartRefusals", [](const QString &outDir) {
    const QString texts[] = {
        QStringLiteral("برنامه هم اکنون باز است و بانک اطلاعاتي آن در حال استفاده است:\n"
                       "/home/clinic/Mehrsan/DBTavor/DBTavor.mdb\nدر رايانه reception (4211)\nبرنامه بسته مي شود."),
        QStringLiteral("بانک اطلاعاتي برنامه قابل استفاده نيست:\n/home/clinic/Mehrsan/DBTavor/DBTavor.mdb\n"
                       "بانک اطلاعاتي آسيب ديده است (*** in database main ***\nTree 4 page 4: btreeInitPage() returns error code 11)\n"
                       "آخرين نسخه پشتيبان: /home/clinic/Mehrsan/Back/در تاريخ1405.9.17 ساعت)18.05).mdbB\n"
                       "برنامه بسته مي شود."),
    };
    int n = 0;
    for (const QString &text : texts) {
        auto *box = new QMessageBox(QMessageBox::Critical, QStringLiteral("خطا"), text, QMessageBox::Ok);
        savePicture(box, outDir, QStringLiteral("StartRefusal-%1").arg(++n));
        box->deleteLater();
    }
});
