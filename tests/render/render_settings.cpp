#include "Render.h"
#include "TestFolder.h"
#include "TypeText.h"

#include "shell/MainWindow.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
void click(MainWindow *window, const char *button)
{
    QTest::mouseClick(window->findChild<QPushButton *>(QString::fromLatin1(button)), Qt::LeftButton);
}
}  // namespace

// The registration panel, empty and filled in, and each settings panel.
static RenderRegistration settingsPanels("Settings", [](const QString &outDir) {
    TestFolder folder;
    folder.sql("UPDATE Theme SET Name = ?, TH = '1'", {QStringLiteral("کلينيک روان‌شناسي مهرسان")});
    auto *window = new MainWindow;
    window->show();
    click(window, "Command1");
    savePicture(window, outDir, "Frame10-empty");
    typeText(window->findChild<QLineEdit *>("Text11"), "  A-102 ");
    typeText(window->findChild<QLineEdit *>("Text6"), QStringLiteral("مريم"));
    typeText(window->findChild<QLineEdit *>("Text4"), QStringLiteral("احمدي نژاد"));
    typeText(window->findChild<QLineEdit *>("Text5"), "34");
    typeText(window->findChild<QLineEdit *>("Text7"), QStringLiteral("کارشناسي ارشد"));
    window->findChild<QComboBox *>("Combo2")->setCurrentIndex(1);
    window->findChild<QComboBox *>("Combo1")->setCurrentIndex(1);
    window->findChild<QComboBox *>("Combo3")->setCurrentIndex(2);
    savePicture(window, outDir, "Frame10-filled");
    // The panel alone, twice the size, to read the labels and colons.
    QWidget *panel = window->findChild<QFrame *>("Frame10");
    panel->grab().scaled(panel->size() * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .save(QDir(outDir).filePath("Frame10-zoom.png"));

    click(window, "Command9");
    savePicture(window, outDir, "Frame8");
    click(window, "Command68");
    savePicture(window, outDir, "Frame6");
    click(window, "Command67");
    savePicture(window, outDir, "Frame9");
    click(window, "Command66");
    savePicture(window, outDir, "Frame1");
    window->setExitMode("1");
    window->close();

    for (int theme : {3, 8, 11}) {
        folder.sql("UPDATE Theme SET TH = ?", {QString::number(theme)});
        auto *skinned = new MainWindow;
        skinned->show();
        click(skinned, "Command1");
        savePicture(skinned, outDir, QStringLiteral("Frame10-theme%1").arg(theme));
        click(skinned, "Command9");
        click(skinned, "Command68");
        savePicture(skinned, outDir, QStringLiteral("Frame6-theme%1").arg(theme));
        skinned->setExitMode("1");
        skinned->close();
    }
});
