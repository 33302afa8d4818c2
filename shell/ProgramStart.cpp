#include "shell/ProgramStart.h"

#include "data/BackupFile.h"
#include "calendar/SolarCalendar.h"
#include "data/Database.h"
#include "data/DatabaseLock.h"
#include "data/ServerSettings.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/ProgramFolder.h"
#include "platform/SafeFile.h"
#include "platform/Startup.h"
#include "scoring/BackgroundCount.h"
#include "scoring/ScoreTally.h"
#include "shell/CountingProgress.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSysInfo>
#include <QTimer>


namespace {
const QString kError = QStringLiteral("خطا");

QString ending() { return QStringLiteral("\nبرنامه بسته مي شود."); }

QString when(const QDateTime &time)
{
    return leftToRight(SolarCalendar::SolarDate(time.date(), 0) + ' ' + time.time().toString(QStringLiteral("HH:mm")));
}

// The lock: taken, or the operator told who holds it. A lock naming another
// computer is taken over only after the operator says the program is closed there.
bool takeLock(const QString &file)
{
    QString why;
    DatabaseLock::Result result = DatabaseLock::take(file, &why);
    // A lock file that could not be read names no one: the program holding
    // the file's own lock runs on this computer.
    const auto holderHost = [] {
        const QString host = DatabaseLock::holder().host;
        return host.isEmpty() ? QSysInfo::machineHostName() : host;
    };
    const auto holderDetail = [holderHost] {
        const qint64 pid = DatabaseLock::holder().pid;
        return technicalDetail(QStringLiteral("رايانه: %1، شماره فرايند: %2")
                                   .arg(holderHost(), pid > 0 ? QString::number(pid) : QStringLiteral("?")));
    };
    if (result == DatabaseLock::Result::OtherComputer) {
        const DatabaseLock::Holder h = DatabaseLock::holder();
        const QString question =
            QStringLiteral("بانک اطلاعاتي برنامه:\n%1\nاز %2 در دست برنامه در رايانه %3 است.\n"
                           "اگر برنامه در آن رايانه باز است، آن را ببنديد و برنامه را در اين رايانه دوباره باز کنيد.\n"
                           "اگر آن رايانه خاموش شده يا برنامه در آن ناگهان بسته شده است، مي توانيد بانک اطلاعاتي را "
                           "اين جا باز کنيد؛ اگر برنامه در آن رايانه هنوز باز باشد، داده ها آسيب مي بينند.\n"
                           "آيا مطمئن هستيد که برنامه در رايانه %3 بسته است؟")
                .arg(leftToRight(file), when(h.since), leftToRight(h.host)) +
            holderDetail();
        if (!askYesNo(nullptr, question, questionTitle()))
            return false;
        result = DatabaseLock::takeOver(file, &why);
    }
    switch (result) {
    case DatabaseLock::Result::Taken:
        return true;
    case DatabaseLock::Result::HeldElsewhere:
        showMessage(nullptr,
                    QStringLiteral("برنامه هم اکنون باز است و بانک اطلاعاتي آن در حال استفاده است:\n%1\n"
                                   "در رايانه %2")
                            .arg(leftToRight(file), leftToRight(holderHost())) +
                        ending() + holderDetail(),
                    kError, QMessageBox::Critical);
        return false;
    case DatabaseLock::Result::OtherComputer:
    case DatabaseLock::Result::Failed:
        showMessage(nullptr, QStringLiteral("بانک اطلاعاتي برنامه قفل نشد:\n%1\n%2").arg(leftToRight(file), why) + ending(),
                    kError, QMessageBox::Critical);
        return false;
    }
    return false;
}

// The records are their owner's alone: a database file that others may read
// (copied under a loose umask, say) is made 0600 when it is ours to change.
// Only once the file is open for writing: a file made read-only, which the
// open refuses, keeps the mode it was given.
void keepPrivate(const QString &file)
{
    const QFileInfo fi(file);
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                        QFile::WriteOther | QFile::ExeOther;
    if (fi.exists() && FileSystem::ownedByMe(file) && (fi.permissions() & others))
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
}

// The name the damaged file keeps beside the backup put in its place: its
// own with the solar date and the clock, in ASCII digits.
QString damagedCopyName(const QString &file, const QDateTime &time)
{
    return file + QStringLiteral(".damaged-") + SolarCalendar::SolarDate(time.date(), 0).replace(u'/', u'-') + u'-' +
           time.time().toString(QStringLiteral("HHmmss"));
}

// Puts the backup in the damaged file's place. The damaged file stays beside
// it under a dated name, with its journal if it has one.
bool restoreAtStart(const QString &file, const QString &backup, QString *aside, QString *why)
{
    *aside = damagedCopyName(file, QDateTime::currentDateTime());
    if (!FileSystem::hardLink(file, *aside) && !QFile::copy(file, *aside)) {
        *why = QStringLiteral("فايل آسيب ديده کنار گذاشته نشد.");
        return false;
    }
    const QString journal = file + QStringLiteral("-journal");
    if (QFileInfo::exists(journal) && !QFile::rename(journal, *aside + QStringLiteral("-journal"))) {
        QFile::remove(*aside);
        *why = QStringLiteral("فايل %1 کنار گذاشته نشد.").arg(leftToRight(QFileInfo(journal).fileName()));
        return false;
    }
    QString error;
    // The damaged file's own schema is not to be trusted: the copy keeps the
    // program's tables and indexes, and the score counts are made anew.
    const auto verify = [](const QString &copy, QString *why) { return Backup::keepOnlyOwnSchema(copy, {}, why); };
    if (!Backup::copyFile(backup, file, {}, &error, verify)) {
        QFile::rename(*aside + QStringLiteral("-journal"), journal);
        QFile::remove(*aside);
        *why = error;
        return false;
    }
    DatabaseLock::followReplacedFile();
    return Database::open(file, why);
}

// A damaged database: the operator may put the newest sound backup, or one
// of his choosing, in its place and go on; or end the program.
bool offerRestore(const QString &file, const QString &error)
{
    const QString folder = ProgramFolder::backupFolder();
    QString problem = error;
    // Checking backups reads them whole: once, however often the operator is asked.
    const QString sound = newestSoundBackup(folder);
    const QString yes = buttonCaption(QMessageBox::Yes), open = buttonCaption(QMessageBox::Open),
                  no = buttonCaption(QMessageBox::No);
    for (;;) {
        QString text = problem + '\n';
        text += sound.isEmpty() ? QStringLiteral("در پوشه نسخه هاي پشتيبان نسخه سالمي نيست:\n%1").arg(leftToRight(QDir::toNativeSeparators(folder)))
                                : QStringLiteral("آخرين نسخه پشتيبان سالم:\n%1").arg(leftToRight(sound));
        text += QStringLiteral("\n\nبانک اطلاعاتي را مي توان از يک نسخه پشتيبان برگرداند؛ فايل آسيب ديده با نامي "
                               "که تاريخ امروز را دارد کنار آن مي ماند.\n");
        if (!sound.isEmpty())
            text += QStringLiteral("%1: همين نسخه پشتيبان برگردانده شود.\n").arg(yes);
        text += QStringLiteral("%1: نسخه پشتيبان ديگري انتخاب شود.\n%2: برنامه بسته شود.").arg(open, no);
        QMessageBox::StandardButtons buttons = QMessageBox::Open | QMessageBox::No;
        if (!sound.isEmpty())
            buttons |= QMessageBox::Yes;
        const auto answer =
            Dialogs::current().messageBox(nullptr, text, questionTitle(), QMessageBox::Critical, buttons);

        QString backup;
        if (answer == QMessageBox::Yes && !sound.isEmpty()) {
            backup = sound;
        } else if (answer == QMessageBox::Open) {
            backup = Dialogs::current().openFileName(nullptr, QStringLiteral("انتخاب نسخه پشتيبان"), folder,
                                                     Backup::fileFilter());
            if (backup.isEmpty())
                continue;
            QString why;
            if (!Backup::isRestorableBackup(backup, &why)) {
                showMessage(nullptr, QStringLiteral("اين فايل را نمي توان برگرداند:\n%1\n%2").arg(leftToRight(backup), why),
                            kError, QMessageBox::Critical);
                continue;
            }
            if (!askYesNo(nullptr, QStringLiteral("نسخه پشتيبان\n%1\nبه جاي بانک اطلاعاتي گذاشته شود؟").arg(leftToRight(backup)),
                          questionTitle()))
                continue;
        } else {
            return false;
        }
        QString why, aside;
        if (restoreAtStart(file, backup, &aside, &why)) {
            showTimedMessage(nullptr,
                             QStringLiteral("نسخه پشتيبان برگردانده شد. فايل آسيب ديده با اين نام کنار آن ماند:\n%1")
                                 .arg(leftToRight(QFileInfo(aside).fileName())),
                             4000);
            return true;
        }
        problem = QStringLiteral("نسخه پشتيبان برگردانده نشد:\n%1\n%2").arg(leftToRight(backup), why);
    }
}
}  // namespace

QString newestSoundBackup(const QString &folder)
{
    for (const QFileInfo &backup :
         QDir(folder).entryInfoList({QStringLiteral("*.mdbB")}, QDir::Files, QDir::Time))
        if (Backup::isRestorableBackup(backup.absoluteFilePath()))
            return QDir::toNativeSeparators(backup.absoluteFilePath());
    return QString();
}

namespace {
// The first start of a version counts every subject of the file into the
// kept counts on a thread of its own while the windows are used, with a
// small window whose bar moves; it ends before the file is closed, and a
// start after a forced end goes on from where the count stopped.
void countInBackground()
{
    auto *count = new BackgroundCount(Database::fileName(), Database::pagesCheck(), qApp);
    auto *window = new CountingProgress;
    window->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<CountingProgress> shown(window);
    QObject::connect(count, &BackgroundCount::progressed, window, &CountingProgress::setPercent);
    QObject::connect(count, &BackgroundCount::done, qApp, [shown](bool counted, const QString &why) {
        if (!shown)
            return;
        if (counted)
            shown->close();
        else
            shown->showFailure(why);
    });
    QObject::connect(count, &QThread::finished, count, &QObject::deleteLater);
    Database::setStopBeforeClose([count = QPointer<BackgroundCount>(count)] {
        if (count)
            count->stop();
    });
    // Once the first windows are drawn: the counting's first step makes an
    // index and would hold the file while they read it.
    QTimer::singleShot(300, count, [count, shown] {
        count->start(QThread::LowPriority);
        if (shown)
            shown->show();
    });
}

// The counts behind the standing and the summary, made once for a store
// that has none; a store that cannot keep them (a server whose owner has not
// made them) is read by scanning, which is slower but the same.
bool keepScoreCounts()
{
    if (Database::isServer()) {
        ScoreTally::ensure();
        return true;
    }
    ScoreTally::prepare();
    if (ScoreTally::isCounting())
        countInBackground();
    return true;
}
}  // namespace

namespace {
// Damage the page check found once the windows were up: the same offer as at
// a damaged start, or the end of the program.
void damageFoundAfterOpening(const QString &refusal)
{
    const QString file = Database::fileName();
    Database::close();
    if (offerRestore(file, refusal)) {
        keepScoreCounts();
        return;
    }
    DatabaseLock::release();
    QCoreApplication::exit(1);
}
}  // namespace

bool openProgramDatabase()
{
    // Tables on a server: no file to lock or check here, the server keeps them whole.
    if (ServerSettings::exists()) {
        QString error;
        if (Database::openStore(&error))
            return keepScoreCounts();
        showMessage(nullptr, error + ending(), kError, QMessageBox::Critical);
        return false;
    }
    // The real file, so that a second program folder linked to the same file
    // meets the same lock and SQLite the same journal.
    const QString file = DatabaseLock::realFile(ProgramFolder::databaseFile());
    if (!takeLock(file))
        return false;
    // A copy into the database's place that was cut off left its hidden file.
    SafeFile::removeLeftovers(file);

    QString error;
    Database::Failure failure = Database::Failure::None;
    const auto journal = DatabaseLock::tookOverLeftLock() ? Database::Journal::MayBeOwn : Database::Journal::Foreign;
    Database::setDamageHandler(damageFoundAfterOpening);
    if (Database::open(file, &error, journal, &failure) ||
        (failure == Database::Failure::Damaged && offerRestore(file, error))) {
        keepPrivate(file);
        return keepScoreCounts();
    }
    if (failure != Database::Failure::Damaged)
        showMessage(nullptr, error + ending(), kError, QMessageBox::Critical);
    DatabaseLock::release();
    return false;
}

bool startProgram(QApplication &app)
{
    // From this size on the quick check of every page takes longer than the
    // rest of the start.
    constexpr qint64 kCheckPagesAfterOpeningFrom = qint64(4) << 20;
    app.setApplicationName(QStringLiteral("Mehrsan"));
    setUpApplication(app);
    Database::checkAfterOpeningFrom(kCheckPagesAfterOpeningFrom);
    if (!openProgramDatabase())
        return false;
    useInstalledTypefaces(app);
    MainWindow::load();
    return true;
}
