#include "Render.h"
#include "TestFolder.h"

#include "info/AboutBox.h"
#include "info/IntroductionWindow.h"

#include <QTimer>

namespace {
// The timers are stopped so the picture shows exactly the steps driven here.
void stopTimers(QWidget *window)
{
    for (QTimer *timer : window->findChildren<QTimer *>())
        timer->stop();
}
}  // namespace

static RenderRegistration aboutBox("About", [](const QString &outDir) {
    TestFolder folder;
    auto *about = new AboutBox;
    stopTimers(about);
    savePicture(about, outDir, "About-load");
    // Mid-animation: the labels have scrolled past the first wrap, the colours
    // have changed a few times and the credit is half closed up.
    for (int i = 0; i < 120; ++i)
        about->scrollTick();
    for (int i = 0; i < 3; ++i)
        about->colourTick();
    for (int i = 0; i < 30; ++i)
        about->creditTick();
    savePicture(about, outDir, "About-mid");
    for (int i = 0; i < 400; ++i) {
        about->scrollTick();
        about->creditTick();
    }
    savePicture(about, outDir, "About-later");
    about->close();
    delete about;
});

static RenderRegistration introduction("Frmravansanji", [](const QString &outDir) {
    TestFolder folder;
    for (int theme : {7, 9, 0}) {
        folder.sql("UPDATE Theme SET TH = ?", {QString::number(theme)});
        auto *window = new IntroductionWindow;
        const QString name = QStringLiteral("Frmravansanji-theme%1").arg(theme);
        savePicture(window, outDir, name + "-page1");
        window->switchPage();
        savePicture(window, outDir, name + "-page2");
        window->close();
        delete window;
    }
});
