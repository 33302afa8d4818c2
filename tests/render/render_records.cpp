#include "Render.h"
#include "TestFolder.h"

#include "records/SubjectListWindow.h"
#include "reports/SubjectTableReport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>

static RenderRegistration subjectListWindow("FrmCode", [](const QString &outDir) {
    TestFolder folder;
    folder.sql("UPDATE Theme SET TH = '2', Adress = ?", {QStringLiteral("تهران، خيابان وليعصر، پلاک ۱۲")});
    const QStringList names = {"مريم", "رضا", "سارا", "حسين", "زهرا", "علي", "فاطمه", "محمد"};
    const QStringList families = {"احمدي", "کريمي", "موسوي", "حسيني"};
    for (int i = 1; i <= 24; ++i)
        folder.addSubject(QString::number(1000 + i), QString(QChar('A' + i % 3)), names[i % names.size()],
                          families[i % families.size()]);
    folder.sql("UPDATE IDE SET khodagahi='21', ebrazevojood='18', ezatenafs='25', khoodshkofaee='20', esteghlal='17', "
               "hamdeli='26', masooliatpaz='24', ravabet='22', halemas='19', vaghegaraee='23', enetafpaz='16', "
               "tahalol='20', control='18', khooshbini='27', shadmani='25', kol='321'");
    auto *window = new SubjectListWindow;
    savePicture(window, outDir, "FrmCode");
    auto *group = window->findChild<QComboBox *>("Combo3");
    group->setCurrentIndex(group->findText("B"));
    savePicture(window, outDir, "FrmCode-groupB");
    window->printByGroup();
    SubjectTableReport::instance().saveAsPdf(QDir(outDir).filePath("DataRPrint-groupB.pdf"));
    for (QWidget *w : QApplication::topLevelWidgets())
        w->close();
});
