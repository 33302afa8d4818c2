#pragma once
#include <QWidget>

class QLabel;
class QProgressBar;

// The small window of the first start of a version: the program prepares the
// figures of the standing and the summary for every subject while the
// windows can be used; its bar moves as the subjects are counted, and it
// closes itself when they all are. Closing it leaves the counting running.
class CountingProgress : public QWidget
{
    Q_OBJECT
public:
    explicit CountingProgress(QWidget *parent = nullptr);
    void setPercent(int percent);
    // The counting stopped before the end: why, and that the program goes on.
    void showFailure(const QString &why);

private:
    QLabel *m_text;
    QProgressBar *m_bar;
};
