#pragma once
#include <QString>
#include <QThread>

#include <atomic>
#include <future>

// Counts the file's subjects into the kept score counts on a thread and a
// connection of its own, a few thousand at a time, each step one short write
// transaction, so that the first start of a version with a million subjects
// shows its windows at once and every save meanwhile waits a fraction of a
// second at most. Nothing is written before the pages' check of the file
// (when one runs) has found it sound.
class BackgroundCount : public QThread
{
    Q_OBJECT
public:
    // `pagesCheck`: the answer of the pages' check of the file (empty when
    // sound); invalid when none runs.
    BackgroundCount(const QString &file, std::shared_future<QString> pagesCheck, QObject *parent = nullptr);
    ~BackgroundCount() override;
    // Ends the counting after the step in hand and waits for it.
    void stop();

signals:
    // How far the counting is, 0 to 100.
    void progressed(int percent);
    // The counting ended: every subject counted, or why not (in Persian).
    void done(bool counted, const QString &why);

protected:
    void run() override;

private:
    bool countAll(const QString &connection, QString *why);

    QString m_file;
    std::shared_future<QString> m_pagesCheck;
    std::atomic_bool m_stop{false};
};
