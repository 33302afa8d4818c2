#include "shell/CountingProgress.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

CountingProgress::CountingProgress(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FrmCount"));
    setWindowTitle(QStringLiteral("آماده سازي آمار"));
    setLayoutDirection(Qt::RightToLeft);
    m_text = new QLabel(QStringLiteral("برنامه براي اين نسخه، رتبه ها و خلاصه آماري همه آزمودني ها را آماده مي کند.\n"
                                       "در اين مدت مي توانيد با برنامه کار کنيد؛ تا پايان کار، رتبه ها و خلاصه آماري "
                                       "کمي ديرتر نمايش داده مي شوند."),
                        this);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ProgressBar1"));
    m_bar->setRange(0, 100);
    m_bar->setAccessibleName(QStringLiteral("پيشرفت آماده سازي آمار"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
    resize(460, 130);
}

void CountingProgress::setPercent(int percent) { m_bar->setValue(percent); }

void CountingProgress::showFailure(const QString &why)
{
    m_bar->hide();
    m_text->setText(QStringLiteral("آماده سازي آمار کامل نشد. برنامه کار مي کند و رتبه ها و خلاصه آماري را هر بار از "
                                   "روي آزمودني ها حساب مي کند؛ در شروع بعدي برنامه، آماده سازي از همان جا ادامه مي يابد."));
    // The store's own words are for the log, not for the sentence.
    qWarning("%s", qPrintable(why));
}
