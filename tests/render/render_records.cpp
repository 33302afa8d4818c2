#include "Render.h"
#include "SubjectRows.h"
#include "TestFolder.h"

#include "records/SubjectListWindow.h"
#include "reports/GroupSummaryReport.h"
#include "reports/ReportPreview.h"
#include "reports/SubjectTableReport.h"

#include <QApplication>
#include <QComboBox>
#include <QProgressBar>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>

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
    // As it looks while an export is written: the bar and its Cancel, every
    // other control resting.
    auto *bar = window->findChild<QProgressBar *>("ProgressCsv");
    auto *cancel = window->findChild<QPushButton *>("CmdCsvCancel");
    bar->setValue(40);
    bar->show();
    cancel->show();
    QList<QWidget *> resting;
    for (QWidget *child : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (child != cancel && child != bar && child->isEnabled()) {
            child->setEnabled(false);
            resting << child;
        }
    savePicture(window, outDir, "FrmCode-exporting");
    for (QWidget *child : resting)
        child->setEnabled(true);
    bar->hide();
    cancel->hide();
    auto *group = window->findChild<QComboBox *>("Combo3");
    group->setCurrentIndex(group->findText("B"));
    savePicture(window, outDir, "FrmCode-groupB");
    window->printByGroup();
    SubjectTableReport::instance().saveAsPdf(QDir(outDir).filePath("DataRPrint-groupB.pdf"));
    for (QWidget *w : QApplication::topLevelWidgets())
        w->close();
});

// The summary of group B: its table, its mean profile, its preview.
static RenderRegistration groupSummary("GroupSummary", [](const QString &outDir) {
    TestFolder folder;
    QRandomGenerator random(1404);
    for (int n = 0; n < 90; ++n) {
        const int leaning = 1 + int(random.bounded(5));
        QStringList answers;
        for (int i = 0; i < 90; ++i)
            answers << QString::number(qBound(1, leaning + int(random.bounded(3)) - 1 + (i % 15 == 4 ? 1 : 0), 5));
        if (n % 10 == 3)
            answers[int(random.bounded(90))].clear();
        SubjectRows::addAnswered(folder, QString::number(2000 + n), answers, QString(QChar(u'A' + n % 3)),
                                 n % 2 ? QStringLiteral("زن") : QStringLiteral("مرد"), n % 17 != 5);
    }
    auto *window = new SubjectListWindow;
    auto *group = window->findChild<QComboBox *>("Combo3");
    group->setCurrentIndex(group->findText("B"));
    window->findChild<QPushButton *>("CmdSummary")->click();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *preview = qobject_cast<ReportPreview *>(w); preview && preview->isVisible()) {
            preview->resize(900, 760);
            savePicture(preview, outDir, "GroupSummary-preview");
            if (auto report = std::dynamic_pointer_cast<const GroupSummaryReport>(preview->report())) {
                const QString pdf = QDir(outDir).filePath("GroupSummary.pdf");
                report->saveAsPdf(pdf);
                QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"),
                                                               QStringLiteral("110"), pdf,
                                                               QDir(outDir).filePath("GroupSummary-page")});
            }
        }
    savePicture(window, outDir, "FrmCode-summary");
    for (QWidget *w : QApplication::topLevelWidgets())
        w->close();
});
