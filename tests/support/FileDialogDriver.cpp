#include "FileDialogDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>

FileDialogDriver::FileDialogDriver(const QString &typedName, QMessageBox::StandardButton answer)
    : m_typedName(typedName), m_answer(answer)
{
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &FileDialogDriver::poll);
    m_timer.start();
}

void FileDialogDriver::poll()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (box && box->isVisible() && qobject_cast<QFileDialog *>(box->parentWidget())) {
            questions << box->text();
            m_cancel = m_answer != QMessageBox::Yes;
            if (QAbstractButton *b = box->button(m_answer))
                b->click();
            else
                box->reject();
            return;
        }
    }
    for (QWidget *w : windows) {
        auto *dialog = qobject_cast<QFileDialog *>(w);
        if (!dialog || !dialog->isVisible())
            continue;
        sawDialog = true;
        if (!m_accepted) {
            m_accepted = true;
            if (!typeToChoose.isEmpty())
                if (auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"))) {
                    const int index = types->findText(typeToChoose, Qt::MatchStartsWith);
                    types->setCurrentIndex(index);
                    // as the operator's pick does
                    emit types->activated(index);
                    emit types->textActivated(types->itemText(index));
                }
            seenTitle = dialog->windowTitle();
            if (auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox")))
                if (QPushButton *save = buttons->button(QDialogButtonBox::Save) ? buttons->button(QDialogButtonBox::Save)
                                                                                 : buttons->button(QDialogButtonBox::Open))
                    seenSaveButton = save->text();
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (name)
                name->setText(m_typedName);
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        } else if (m_cancel || ++m_waited > 250) {
            // After a No, or when the dialog never closes: leave it.
            m_cancel = false;
            m_waited = 0;
            QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
        }
        return;
    }
}
