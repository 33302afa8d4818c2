// The registration panel of the main window: a subject's code, names, sex,
// age, marital status, education and group, stored as the subject's IDE row
// together with an empty Answer row.
#include "shell/MainWindow.h"

#include "data/Binder.h"
#include "data/Database.h"
#include "data/TableView.h"
#include "platform/Dialogs.h"
#include "shell/PanelKeys.h"
#include "shell/Registration.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
struct FieldSpec {
    const char *name;    // control
    const char *label;   // caption beside it, as the window has always shown it
    const char *spoken;  // accessible name
};

// The label is drawn left to right, as its text was written: the colon stands
// on the side of the field.
QLabel *fieldLabel(const char *text, QWidget *buddy, QWidget *parent)
{
    auto *label = new QLabel(QString::fromUtf8(text), parent);
    label->setLayoutDirection(Qt::LeftToRight);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(buddy);
    return label;
}

QLineEdit *hiddenField(const char *name, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->hide();
    return field;
}

// The bound registration fields and their IDE columns.
const QList<QPair<const char *, const char *>> kColumns = {
    {"Text11", "Code"}, {"Text6", "FName"}, {"Text4", "LName"}, {"Text16", "Jens"}, {"Text5", "Sen"},
    {"Text15", "Taahol"}, {"Text7", "Tahsil"}, {"Text8", "Date"}, {"Text9", "Time"}, {"Text17", "Group"}};

QComboBox *choiceList(const char *name, const QStringList &items, const char *spoken, QWidget *parent)
{
    auto *list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setEditable(false);  // only the items, no typing
    list->addItems(items);
    list->setCurrentIndex(-1);
    list->setPlaceholderText(QStringLiteral("انتخاب کنيد"));
    list->setAccessibleName(QString::fromUtf8(spoken));
    return list;
}
}  // namespace

void MainWindow::buildRegistrationPanel(QFrame *panel)
{
    auto lineEdit = [panel](const FieldSpec &f) {
        auto *e = new QLineEdit(panel);
        e->setObjectName(QString::fromLatin1(f.name));
        e->setAccessibleName(QString::fromUtf8(f.spoken));
        // Latin codes and digits start at the right edge like Persian text.
        e->setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
        return e;
    };
    m_code = lineEdit({"Text11", "", "کد آزمودني"});
    QLineEdit *firstName = lineEdit({"Text6", "", "نام"});
    QLineEdit *familyName = lineEdit({"Text4", "", "نام خانوادگي"});
    m_age = lineEdit({"Text5", "", "سن"});
    QLineEdit *education = lineEdit({"Text7", "", "تحصيلات"});
    m_date = lineEdit({"Text8", "", "تاريخ ثبت نام"});
    m_time = lineEdit({"Text9", "", "ساعت ثبت نام"});
    m_sexList = choiceList("Combo2", {QStringLiteral("مرد"), QStringLiteral("زن")}, "جنس", panel);
    m_maritalList = choiceList("Combo1", {QStringLiteral("مجرد"), QStringLiteral("متأهل")}, "تاهل", panel);
    m_groupList = choiceList("Combo3", {"A", "B", "C", "D", "E", "F", "G"}, "گروه", panel);
    hiddenField("Text16", panel);
    hiddenField("Text15", panel);
    hiddenField("Text17", panel);

    m_age->setMaxLength(2);
    m_age->setLayoutDirection(Qt::LeftToRight);
    m_age->installEventFilter(this);
    connect(m_age, &QLineEdit::textEdited, this, &MainWindow::ageEdited);
    connect(m_age, &QLineEdit::textChanged, this, [this](const QString &t) {
        if (Registration::isAgeText(t))
            m_lastAgeText = t;
    });
    // Date and time are those of the moment the panel opened; they are shown, not typed.
    for (QLineEdit *e : {m_date, m_time}) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::ClickFocus);
        e->setLayoutDirection(Qt::LeftToRight);
    }
    // A choice in a list goes into its hidden bound field at once.
    for (QComboBox *list : {m_sexList, m_maritalList, m_groupList})
        connect(list, &QComboBox::currentIndexChanged, this, &MainWindow::copyListChoices);

    // Two columns read from the right: the first five checks on the right,
    // the rest on the left, each label on the right of its field.
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(18);
    const QList<QPair<const char *, QWidget *>> right = {
        {" :کد", m_code}, {" :نام", firstName}, {" :نام خانوادگي", familyName}, {" :جنس", m_sexList}, {" :سن", m_age}};
    const QList<QPair<const char *, QWidget *>> left = {
        {" :تاهل", m_maritalList}, {" :گروه", m_groupList}, {" :تحصيلات", education}, {" :تاريخ", m_date}, {" :ساعت", m_time}};
    for (int row = 0; row < right.size(); ++row) {
        grid->addWidget(fieldLabel(right[row].first, right[row].second, panel), row, 0);
        grid->addWidget(right[row].second, row, 1);
        grid->addWidget(fieldLabel(left[row].first, left[row].second, panel), row, 3);
        grid->addWidget(left[row].second, row, 4);
    }
    grid->setColumnMinimumWidth(2, 16);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);

    auto *save = new QPushButton(QStringLiteral("ذخيره"), panel);
    save->setObjectName(QStringLiteral("Command8"));
    auto *cancel = new QPushButton(QStringLiteral("انصراف"), panel);
    cancel->setObjectName(QStringLiteral("Command10"));
    for (QPushButton *b : {save, cancel})
        b->setMinimumSize(110, 34);
    connect(save, &QPushButton::clicked, this, &MainWindow::saveRegistration);
    connect(cancel, &QPushButton::clicked, this, &MainWindow::cancelRegistration);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addSpacing(16);
    buttons->addWidget(cancel);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(16, 18, 16, 14);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);

    // The order of the checks, down the right column and then the left one.
    QWidget *order[] = {m_code, firstName, familyName, m_sexList, m_age, m_maritalList, m_groupList, education, save, cancel};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);

    // Enter saves, Escape cancels.
    PanelKeys::install(panel, [this] { saveRegistration(); }, [this] { cancelRegistration(); });
}

void MainWindow::bindRegistrationFields()
{
    for (const auto &[control, column] : kColumns)
        m_binder->bind(findChild<QLineEdit *>(QString::fromLatin1(control)), subjectView, QString::fromLatin1(column));
}

void MainWindow::openRegistration()
{
    closePanels();
    QFrame *panel = findChild<QFrame *>(QStringLiteral("Frame10"));
    panel->show();
    panel->raise();
    // A fresh pending row; whatever another button left pending is dropped here.
    subjectView->addNew();
    const QDateTime opened = Registration::now();
    m_time->setText(Registration::timeOfDayText(opened.time()));
    m_date->setText(Registration::dateText(opened.date()));
    m_code->setFocus();
}

void MainWindow::copyListChoices()
{
    findChild<QLineEdit *>(QStringLiteral("Text16"))->setText(m_sexList->currentText());
    findChild<QLineEdit *>(QStringLiteral("Text15"))->setText(m_maritalList->currentText());
    findChild<QLineEdit *>(QStringLiteral("Text17"))->setText(m_groupList->currentText());
}

void MainWindow::saveRegistration()
{
    QFrame *panel = findChild<QFrame *>(QStringLiteral("Frame10"));
    if (!panel->isVisible())
        return;
    copyListChoices();
    const auto missing = Registration::firstMissing(
        [this](const QString &name) { return findChild<QLineEdit *>(name)->text(); });
    if (missing) {
        showTimedMessage(this, QString::fromUtf8(missing->message));
        if (auto *focus = findChild<QWidget *>(QString::fromLatin1(missing->focus)))
            focus->setFocus();
        return;
    }
    // What the panel shows is what is stored, as a new row: put it into a
    // pending new row whenever the view lost it (a refused attempt).
    QHash<QString, QString> typed;
    for (const auto &[control, column] : kColumns)
        typed.insert(QString::fromLatin1(column), findChild<QLineEdit *>(QString::fromLatin1(control))->text());
    auto pendTyped = [this, &typed] {
        subjectView->addNew();
        for (auto it = typed.cbegin(); it != typed.cend(); ++it)
            subjectView->setField(it.key(), it.value());
        m_binder->refresh(subjectView);
    };
    if (!subjectView->isPendingNew())
        pendTyped();

    // The IDE row and the Answer row are stored together or not at all.
    QString why;
    const Registration::Stored stored = Registration::storeSubject(*subjectView, *answerView, m_code->text(), &why);
    if (stored != Registration::Stored::Yes) {
        // Nothing of this attempt is kept: the Answer row goes, and the subject's
        // row is pending again with everything typed, for a corrected code.
        answerView->reread();
        if (!subjectView->isPendingNew())
            pendTyped();
        // Only a taken code asks for another code; a full disk or a locked
        // file must not send the operator trying codes.
        if (stored == Registration::Stored::CodeTaken)
            showTimedMessage(this, Registration::duplicateMessage());
        else
            showMessage(this, Registration::storeFailedMessage(why), QStringLiteral("خطا"), QMessageBox::Critical);
        return;
    }
    subjectView->reread();
    answerView->reread();
    closePanels();
    setExitMode(QStringLiteral("1"));
    answerView->reread();
}

void MainWindow::cancelRegistration()
{
    if (!findChild<QFrame *>(QStringLiteral("Frame10"))->isVisible())
        return;
    subjectView->reread();
    closePanels();
}

bool MainWindow::ageKeyFilter(QKeyEvent *event)
{
    QChar digit;
    switch (Registration::ageKey(event->key(), event->modifiers(), event->text(), &digit)) {
    case Registration::AgeKey::Pass:
        return false;
    case Registration::AgeKey::Replace:
        if (m_age->hasSelectedText() || m_age->text().size() < m_age->maxLength())
            m_age->insert(digit);
        return true;
    case Registration::AgeKey::Refuse:
        QApplication::beep();
        showTimedMessage(this, Registration::ageRefusedMessage());
        return true;
    }
    return false;
}

// Text pasted through the field's menu: Persian digits become 0 to 9, and
// anything that is not a number is refused like a key.
void MainWindow::ageEdited(const QString &text)
{
    if (Registration::isAgeText(text))
        return;
    const QString latin = Registration::latinDigits(text);
    if (Registration::isAgeText(latin)) {
        m_age->setText(latin);
        return;
    }
    m_age->setText(m_lastAgeText);
    QApplication::beep();
    showTimedMessage(this, Registration::ageRefusedMessage());
}
