// The settings panels of the main window: the settings menu, the theme
// choice, the clinic's name and address, and the question editor.
#include "shell/MainWindow.h"

#include "data/Binder.h"
#include "data/TableView.h"
#include "platform/Dialogs.h"
#include "shell/ThemeChangedNotice.h"
#include "shell/PanelKeys.h"
#include "shell/Registration.h"
#include "shell/ThemeSkin.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QPushButton *panelButton(const QString &caption, const char *name, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

// The label is drawn left to right, as its text was written: the colon stands
// on the side of the field.
QLabel *fieldLabel(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setLayoutDirection(Qt::LeftToRight);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(buddy);
    return label;
}

QFrame *panelNamed(QWidget *window, const char *name)
{
    return window->findChild<QFrame *>(QString::fromLatin1(name));
}

void showPanel(QWidget *window, const char *name, QWidget *focus = nullptr)
{
    QFrame *panel = panelNamed(window, name);
    panel->show();
    panel->raise();
    if (focus)
        focus->setFocus();
}
// Save and cancel side by side, centred under a panel's fields.
QHBoxLayout *saveCancelRow(QPushButton *save, QPushButton *cancel)
{
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton *b : {save, cancel}) {
        b->setMinimumSize(100, 34);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    return buttons;
}
}  // namespace

void MainWindow::buildSettingsMenu(QFrame *panel)
{
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    auto *theme = panelButton(QStringLiteral("تغيير تم برنامه"), "Command68", panel);
    auto *clinic = panelButton(QStringLiteral(" تعريف نام کلينيک"), "Command67", panel);
    auto *questions = panelButton(QStringLiteral("ويرايش سوالات"), "Command66", panel);
    auto *close = panelButton(QStringLiteral("خروج"), "Command69", panel);
    for (QPushButton *b : {theme, clinic, questions, close}) {
        b->setMinimumHeight(34);
        layout->addWidget(b);
    }
    // A blank button without action, below what the menu shows.
    auto *blank = panelButton(QStringLiteral(" "), "Command65", panel);
    blank->setFocusPolicy(Qt::NoFocus);
    blank->setGeometry(10, panel->height() + 10, panel->width() - 20, 30);

    connect(theme, &QPushButton::clicked, this, [this] {
        closePanels();
        showPanel(this, "Frame8");
        showPanel(this, "Frame6", panelNamed(this, "Frame6")->findChild<QPushButton *>());
    });
    connect(clinic, &QPushButton::clicked, this, [this] {
        closePanels();
        showPanel(this, "Frame8");
        showPanel(this, "Frame9", m_clinicNameField);
    });
    connect(questions, &QPushButton::clicked, this, &MainWindow::openQuestionEditor);
    connect(close, &QPushButton::clicked, this, &MainWindow::closePanels);
    PanelKeys::install(panel, nullptr, [this] { closePanels(); });
}

void MainWindow::buildThemePanel(QFrame *panel)
{
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(3);
    for (int theme = 1; theme <= 11; ++theme) {
        auto *button = panelButton(themeButtonCaption(theme), "", panel);
        button->setObjectName(QStringLiteral("Theme%1").arg(theme));
        connect(button, &QPushButton::clicked, this, [this, theme] { chooseTheme(theme); });
        layout->addWidget(button);
    }
    layout->addSpacing(4);
    auto *close = panelButton(QStringLiteral("خروج"), "Command46", panel);
    connect(close, &QPushButton::clicked, panel, &QWidget::hide);
    layout->addWidget(close);
    PanelKeys::install(panel, nullptr, [panel] { panel->hide(); });
}

void MainWindow::buildClinicPanel(QFrame *panel)
{
    m_clinicNameField = new QLineEdit(panel);
    m_clinicNameField->setObjectName(QStringLiteral("Text2"));
    m_clinicNameField->setAccessibleName(QStringLiteral("نام کلينيک"));
    m_addressField = new QLineEdit(panel);
    m_addressField->setObjectName(QStringLiteral("Text14"));
    m_addressField->setAccessibleName(QStringLiteral("آدرس کلينيک"));
    // The clinic-name label follows the name field, also while it is typed.
    connect(m_clinicNameField, &QLineEdit::textChanged, m_clinicName, &QLabel::setText);

    auto *save = panelButton(QStringLiteral("ذخيره "), "Command64", panel);
    auto *cancel = panelButton(QStringLiteral("انصراف"), "Command7", panel);
    connect(save, &QPushButton::clicked, this, &MainWindow::saveClinic);
    connect(cancel, &QPushButton::clicked, this, &MainWindow::cancelClinic);

    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(12);
    grid->addWidget(fieldLabel(QStringLiteral(" :نام"), m_clinicNameField, panel), 0, 0);
    grid->addWidget(m_clinicNameField, 0, 1);
    grid->addWidget(fieldLabel(QStringLiteral(" :آدرس"), m_addressField, panel), 1, 0);
    grid->addWidget(m_addressField, 1, 1);
    auto *buttons = saveCancelRow(save, cancel);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(14, 16, 14, 12);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);

    PanelKeys::install(panel, [this] { saveClinic(); }, [this] { cancelClinic(); });
}

void MainWindow::buildQuestionEditor(QFrame *panel)
{
    m_itemNumber = new QLineEdit(panel);
    m_itemNumber->setObjectName(QStringLiteral("Text13"));
    m_itemNumber->setAccessibleName(QStringLiteral("شماره سوال"));
    m_itemNumber->setMaximumWidth(90);
    m_itemText = new QPlainTextEdit(panel);
    m_itemText->setObjectName(QStringLiteral("Text18"));
    m_itemText->setAccessibleName(QStringLiteral("متن سوال"));
    m_itemText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_itemText->setTabChangesFocus(true);
    connect(m_itemNumber, &QLineEdit::textChanged, this, &MainWindow::itemNumberChanged);
    // Enter in the number goes on to the item's text.
    connect(m_itemNumber, &QLineEdit::returnPressed, m_itemText, [this] { m_itemText->setFocus(); });

    auto *save = panelButton(QStringLiteral("ذخيره "), "Command16", panel);
    auto *cancel = panelButton(QStringLiteral("انصراف"), "Command15", panel);
    connect(save, &QPushButton::clicked, this, &MainWindow::saveQuestion);
    connect(cancel, &QPushButton::clicked, this, &MainWindow::cancelQuestion);

    auto *number = new QHBoxLayout;
    number->addWidget(fieldLabel(QStringLiteral(": شماره سوال  "), m_itemNumber, panel));
    number->addWidget(m_itemNumber);
    number->addStretch();
    auto *buttons = saveCancelRow(save, cancel);
    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->addLayout(number);
    layout->addWidget(m_itemText, 1);
    layout->addLayout(buttons);

    PanelKeys::install(panel, nullptr, [this] { cancelQuestion(); });
}

void MainWindow::openSettingsMenu()
{
    closePanels();
    showPanel(this, "Frame8", panelNamed(this, "Frame8")->findChild<QPushButton *>(QStringLiteral("Command68")));
}

void MainWindow::chooseTheme(int theme)
{
    setExitMode(QStringLiteral("1"));
    settingsView->reread();  // drops a clinic name typed but not saved
    m_theme->setText(QString::number(theme));
    if (!settingsView->commit()) {
        // The skin would not change: say so instead of reporting success.
        setExitMode(QStringLiteral("2"));
        settingsView->reread();
        showMessage(this, QStringLiteral("تم برنامه ذخيره نشد"), QStringLiteral("خطا"), QMessageBox::Critical);
        return;
    }
    settingsView->reread();
    (new ThemeChangedNotice)->show();
    close();
}

void MainWindow::saveClinic()
{
    if (!panelNamed(this, "Frame9")->isVisible())
        return;
    if (!settingsView->commit()) {
        showMessage(this, QStringLiteral("نام و آدرس کلينيک ذخيره نشد"), QStringLiteral("خطا"), QMessageBox::Critical);
        return;
    }
    settingsView->reread();
    settingsView->reread();
    panelNamed(this, "Frame9")->hide();
}

void MainWindow::cancelClinic() { panelNamed(this, "Frame9")->hide(); }

void MainWindow::openQuestionEditor()
{
    showPanel(this, "Frame1", m_itemNumber);
    m_itemNumber->setText(QStringLiteral("1"));
}

void MainWindow::itemNumberChanged(const QString &text)
{
    if (text.isEmpty()) {
        m_itemNumber->setText(QStringLiteral("1"));  // runs this again
        return;
    }
    // Digits typed on a Persian keyboard find the item as well.
    questionView->filterBy(QStringLiteral("id"), Registration::latinDigits(text));
}

void MainWindow::saveQuestion()
{
    if (!questionView->hasCurrent()) {
        // No item has the number in the field: there is nothing to store.
        showTimedMessage(this, QStringLiteral("سوالي با اين شماره وجود ندارد"));
        return;
    }
    if (!questionView->commit()) {
        showMessage(this, QStringLiteral("تغييرات ذخيره نشد"), QStringLiteral("خطا"), QMessageBox::Critical);
        return;
    }
    showTimedMessage(this, QStringLiteral("تغييرات ذخيره شد"));
}

void MainWindow::cancelQuestion()
{
    questionView->reread();
    panelNamed(this, "Frame1")->hide();
    m_itemNumber->setText(QStringLiteral("1"));
}
