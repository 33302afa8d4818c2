#include "Render.h"
#include "TestFolder.h"

#include "info/UpdateWindow.h"
#include "updater/ProgressWindow.h"
#include "updater/ReleaseManifest.h"

#include <QLabel>
#include "platform/Dialogs.h"

#include <QMessageBox>
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

// The boxes Zelqupdate shows when a release is not the publisher's, drawn
// from the texts the updater uses.
static RenderRegistration releaseRefusals("ReleaseRefusals", [](const QString &outDir) {
    using namespace ReleaseManifest;
    Verdict noKeys, badSignature, older;
    noKeys.problem = Problem::NoKeys;
    badSignature.problem = Problem::BadSignature;
    older.problem = Problem::NotNewer;
    older.manifest.version = QStringLiteral("2.0");
    const QList<QPair<QString, QString>> boxes = {
        {"Zelqupdate-nokeys", problemText(noKeys)},
        {"Zelqupdate-badsignature", problemText(badSignature)},
        {"Zelqupdate-older", problemText(older)},
        {"Zelqupdate-hash", hashMismatchText()},
    };
    for (const auto &[name, text] : boxes) {
        QMessageBox *box = QtDialogs::makeBox(nullptr, text, QStringLiteral("Error"), QMessageBox::Critical, QMessageBox::Ok);
        savePicture(box, outDir, name);
        box->deleteLater();
    }
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
