#include "Render.h"
#include "TestFolder.h"

#include "data/Database.h"
#include "shell/Registration.h"
#include "updater/VerifiedCopy.h"

#include <QMessageBox>

// The boxes of a server that stayed away and of a setup changed after its
// check, drawn from the texts the programs use.
static RenderRegistration safetyBoxes("SafetyBoxes", [](const QString &outDir) {
    TestFolder folder;
    const QList<QPair<QString, QString>> boxes = {
        {"Registration-server-lost", Registration::storeFailedMessage(Registration::lostServerText(false))},
        {"Registration-server-lost-unknown", Registration::storeFailedMessage(Registration::lostServerText(true))},
        {"Zelqupdate-changed-after-check",
         VerifiedCopy::changedAfterCheckText(QStringLiteral("/home/clinic/Mehrsan/setup-Zelq.exe"))},
    };
    for (const auto &[name, text] : boxes) {
        auto *box = new QMessageBox(QMessageBox::Critical, name.startsWith("Zelq") ? QStringLiteral("Error")
                                                                                    : QStringLiteral("خطا"),
                                    text, QMessageBox::Ok);
        box->setTextFormat(Qt::PlainText);
        box->setLayoutDirection(Qt::RightToLeft);
        savePicture(box, outDir, name);
        box->deleteLater();
    }
});
