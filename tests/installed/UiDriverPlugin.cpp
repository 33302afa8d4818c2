// A stand-in for the operator, loaded into the installed, unchanged programs
// through Qt's generic plugins (QT_QPA_GENERIC_PLUGINS=mehrsanuidriver):
//  - MEHRSAN_UI_STEPS: "Window/Button ..." objectNames; each button is clicked
//    once, as soon as it shows in a visible window of that objectName;
//  - every message box is written to MEHRSAN_UI_LOG ("program|title|text")
//    and answered with its OK or Yes button;
//  - after MEHRSAN_UI_QUIT_AFTER_MS the program is ended, so a test never hangs;
//  - MEHRSAN_UI_GRAB "Window=file.png": that window is drawn to the file once it
//    has shown, and the program ends.
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QGenericPlugin>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

namespace {

class UiDriver : public QObject
{
public:
    UiDriver()
    {
        m_steps = qEnvironmentVariable("MEHRSAN_UI_STEPS").split(' ', Qt::SkipEmptyParts);
        m_log = qEnvironmentVariable("MEHRSAN_UI_LOG");
        m_grab = qEnvironmentVariable("MEHRSAN_UI_GRAB");
        connect(&m_timer, &QTimer::timeout, this, &UiDriver::poll);
        m_timer.start(50);
        const int quitAfter = qEnvironmentVariableIntValue("MEHRSAN_UI_QUIT_AFTER_MS");
        if (quitAfter > 0)
            QTimer::singleShot(quitAfter, this, [this] {
                write(QStringLiteral("timeout"));
                QCoreApplication::exit(3);
            });
    }

private:
    void write(const QString &line)
    {
        QFile f(m_log);
        if (!m_log.isEmpty() && f.open(QIODevice::WriteOnly | QIODevice::Append))
            f.write((QCoreApplication::applicationName() + '|' + line).toUtf8().replace('\n', ' ') + '\n');
    }

    void poll()
    {
        if (!m_grab.isEmpty())
            grab();
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || !box->isVisible())
                continue;
            write(box->windowTitle() + '|' + box->text());
            QAbstractButton *answer = box->button(QMessageBox::Ok);
            if (!answer)
                answer = box->button(QMessageBox::Yes);
            if (answer)
                answer->click();
            else
                box->reject();
            return;
        }
        for (int i = 0; i < m_steps.size(); ++i) {
            const QString window = m_steps[i].section('/', 0, 0);
            const QString button = m_steps[i].section('/', 1);
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (!w->isVisible() || w->objectName() != window)
                    continue;
                auto *b = w->findChild<QAbstractButton *>(button);
                if (!b || !b->isVisible() || !b->isEnabled())
                    continue;
                write(QStringLiteral("click|") + m_steps[i]);
                m_steps.removeAt(i);
                // Clicked from the event loop: the click may open a modal
                // window whose own loop keeps this timer running.
                QMetaObject::invokeMethod(b, &QAbstractButton::click, Qt::QueuedConnection);
                return;
            }
        }
    }

    void grab()
    {
        const QString window = m_grab.section('=', 0, 0);
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || w->objectName() != window)
                continue;
            // A moment for the first paint and the fonts.
            if (++m_grabPolls < 20)
                return;
            const bool saved = w->grab().save(m_grab.section('=', 1));
            write(QStringLiteral("grab|") + window + (saved ? QString() : QStringLiteral("|failed")));
            m_grab.clear();
            QCoreApplication::exit(0);
            return;
        }
    }

    QString m_grab;
    int m_grabPolls = 0;
    QStringList m_steps;
    QString m_log;
    QTimer m_timer;
};

}  // namespace

class UiDriverPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "uidriver.json")
public:
    QObject *create(const QString &key, const QString &) override
    {
        return key.compare(QLatin1String("mehrsanuidriver"), Qt::CaseInsensitive) == 0 ? new UiDriver : nullptr;
    }
};

#include "UiDriverPlugin.moc"
