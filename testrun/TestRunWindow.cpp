#include "testrun/TestRunWindow.h"

#include "data/Binder.h"
#include "data/TableView.h"
#include "platform/Dialogs.h"
#include "platform/Twips.h"
#include "shell/ThemeSkin.h"
#include "testrun/TestRunTexts.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace TestRunTexts;
using AnswerCoding::Direction;

namespace {
QPointer<TestRunWindow> &loadedWindow()
{
    static QPointer<TestRunWindow> window;
    return window;
}

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsPoint(left, top), twipsSize(width, height));
}

// The identity panel: caption and column of each field, in reading order.
struct IdentityField {
    const QString &caption;
    const char *column;
};
const IdentityField kIdentityFields[] = {
    {kCodeCaption, "Code"},     {kFNameCaption, "FName"}, {kLNameCaption, "LName"},
    {kJensCaption, "Jens"},     {kSenCaption, "Sen"},     {kTaaholCaption, "Taahol"},
    {kTahsilCaption, "Tahsil"}, {kDateCaption, "Date"},   {kTimeCaption, "Time"},
};

const QString *const kOptionCaptions[] = {&kOption1, &kOption2, &kOption3, &kOption4, &kOption5};

constexpr int kItemPoints = 15;

QFont persianFont(const char *family, int points, bool bold = false)
{
    QFont font(QString::fromLatin1(family), points);
    font.setBold(bold);
    return font;
}
}  // namespace

TestRunWindow::TestRunWindow(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FrmTest"));
    setWindowTitle(kCaption);
    setWindowFlag(Qt::Window);
    setWindowModality(Qt::ApplicationModal);
    buildWindow();
    openViews();
    load();
}

TestRunWindow::~TestRunWindow()
{
    if (m_loop)
        m_loop->quit();
}

TestRunWindow *TestRunWindow::loaded()
{
    if (!loadedWindow())
        loadedWindow() = new TestRunWindow;
    return loadedWindow();
}

bool TestRunWindow::isLoaded() { return !loadedWindow().isNull(); }

void TestRunWindow::unload()
{
    if (TestRunWindow *window = loadedWindow()) {
        loadedWindow() = nullptr;
        window->hide();
        window->deleteLater();
    }
}

void TestRunWindow::prepareNextRun()
{
    // The window unloaded itself when it closed; touching its controls loads
    // it again, hidden, and runs its load steps before these.
    unload();
    TestRunWindow *w = loaded();
    w->m_instructions->setVisible(true);
    w->m_start->setVisible(true);
    w->m_back->setVisible(false);
    w->m_title->setVisible(false);
    w->m_next->setVisible(false);
    w->m_identity->setVisible(true);
    w->m_itemLabel->setVisible(true);
    w->m_counter->setText(QStringLiteral("0"));
}

void TestRunWindow::exec()
{
    show();
    raise();
    activateWindow();
    QEventLoop loop;
    m_loop = &loop;
    loop.exec(QEventLoop::DialogExec);
    m_loop = nullptr;
}

// ---------------------------------------------------------------- building

void TestRunWindow::buildWindow()
{
    setFixedSize(twipsSize(10200, 8700));
    buildInstructionPage();
    buildIdentityPanel();
    buildItemPage();

    // Start and Exit share one place.
    m_start = new QPushButton(kStart, this);
    m_start->setObjectName(QStringLiteral("Command1"));
    m_start->setGeometry(twipsRect(4050, 7950, 2100, 540));
    m_start->setFont(persianFont("B Nazanin", 13, true));
    connect(m_start, &QPushButton::clicked, this, &TestRunWindow::start);

    m_exit = new QPushButton(kExit, this);
    m_exit->setObjectName(QStringLiteral("Command5"));
    m_exit->setGeometry(m_start->geometry());
    m_exit->setFont(m_start->font());
    m_exit->hide();
    connect(m_exit, &QPushButton::clicked, this, &QWidget::close);

    // Next and Back from the keyboard: keys that the item-number field and
    // the options leave alone.
    auto *nextKey = new QShortcut(QKeySequence(Qt::Key_PageDown), this);
    connect(nextKey, &QShortcut::activated, this, [this] {
        if (m_next->isVisible())
            m_next->click();
    });
    auto *backKey = new QShortcut(QKeySequence(Qt::Key_PageUp), this);
    connect(backKey, &QShortcut::activated, this, [this] {
        if (m_back->isVisible())
            m_back->click();
    });
}

void TestRunWindow::buildInstructionPage()
{
    auto label = [this](const char *name, const QString &text, const QFont &font) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(font);
        l->setWordWrap(true);
        return l;
    };
    m_title = label("SkinLabel3", kTitle, persianFont("B Titr", 22));
    m_title->setAlignment(Qt::AlignCenter);
    // The later labels lie over the lower part of the paragraph's box, so the
    // paragraph keeps to the top of it.
    m_instructions = label("SkinLabel4", kInstructions, persianFont("B Nazanin", 13));
    m_instructions->setAlignment(Qt::AlignTop | Qt::AlignRight | Qt::AlignAbsolute);
    m_noRightOrWrong = label("SkinLabel5", kNoRightOrWrong, persianFont("B Nazanin", 13, true));
    m_noRightOrWrong->setAlignment(Qt::AlignCenter);
    m_legend = label("SkinLabel6", kScaleLegend, persianFont("B Nazanin", 13, true));
    m_legend->setAlignment(Qt::AlignCenter);
    m_legend->setWordWrap(false);
}

void TestRunWindow::buildIdentityPanel()
{
    m_identity = new QFrame(this);
    m_identity->setObjectName(QStringLiteral("Frame1"));
    m_identity->setFrameShape(QFrame::StyledPanel);
    m_identity->setGeometry(twipsRect(300, 120, 9600, 2790));
    m_identity->hide();

    auto *grid = new QGridLayout(m_identity);
    grid->setContentsMargins(10, 8, 10, 8);
    grid->setHorizontalSpacing(6);
    int i = 0;
    for (const IdentityField &f : kIdentityFields) {
        const QString column = QString::fromLatin1(f.column);
        auto *caption = new QLabel(f.caption, m_identity);
        caption->setObjectName("Lbl" + column);
        auto *field = new QLineEdit(m_identity);
        field->setObjectName("Txt" + column);
        field->setProperty("column", column);
        caption->setBuddy(field);
        field->setAccessibleName(f.caption.trimmed().remove(QLatin1Char(':')));
        // Three columns of three fields, read from the right.
        const int row = i % 3, col = i / 3;
        grid->addWidget(caption, row, col * 2);
        grid->addWidget(field, row, col * 2 + 1);
        grid->setColumnStretch(col * 2 + 1, 1);
        if (column == QLatin1String("Code")) {
            field->setReadOnly(true);
            m_codeField = field;
        } else if (column == QLatin1String("Sen")) {
            field->setMaxLength(3);
            // Pasted text must be digits too; typed keys are filtered below.
            field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")),
                                                                field));
            field->installEventFilter(this);
            m_ageField = field;
        }
        ++i;
    }
}

void TestRunWindow::buildItemPage()
{
    m_itemLabel = new QLabel(this);
    m_itemLabel->setObjectName(QStringLiteral("SkinLbl5"));
    // Item texts come from the item editor or a server's operator: shown as
    // written, never as markup.
    m_itemLabel->setTextFormat(Qt::PlainText);
    m_itemLabel->setGeometry(twipsRect(480, 3360, 8535, 1455));
    m_itemLabel->setFont(persianFont("B Nazanin", kItemPoints, true));
    m_itemLabel->setWordWrap(true);
    m_itemLabel->setAlignment(Qt::AlignVCenter | Qt::AlignRight | Qt::AlignAbsolute);
    m_itemLabel->hide();

    m_optionFrame = new QGroupBox(this);
    m_optionFrame->setObjectName(QStringLiteral("Frame2"));
    m_optionFrame->setGeometry(twipsRect(480, 4900, 8535, 2200));
    m_optionFrame->setAccessibleName(kOptionsName);
    m_optionFrame->hide();
    // Whatever the skin, the five circles and the item number must stand out:
    // a subject who sees no circle does not see a choice.
    m_optionFrame->setStyleSheet(QStringLiteral(
        "QGroupBox { margin-top: 14px; padding-top: 8px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 14px;"
        " padding: 0 6px; font-weight: bold; }"
        "QRadioButton { spacing: 8px; }"
        "QRadioButton::indicator { width: 12px; height: 12px; border: 2px solid #404040;"
        " border-radius: 8px; background: #ffffff; }"
        "QRadioButton::indicator:checked { background: qradialgradient(cx:0.5, cy:0.5, radius:0.5,"
        " fx:0.5, fy:0.5, stop:0 #202020, stop:0.5 #202020, stop:0.6 #ffffff, stop:1 #ffffff); }"
        "QRadioButton:focus { text-decoration: underline; }"));
    m_optionFrame->setFont(persianFont("B Nazanin", 12, true));
    auto *column = new QVBoxLayout(m_optionFrame);
    column->setContentsMargins(16, 4, 16, 4);
    column->setSpacing(0);
    auto *group = new QButtonGroup(m_optionFrame);
    for (int k = 1; k <= AnswerCoding::OptionCount; ++k) {
        auto *option = new QRadioButton(*kOptionCaptions[k - 1], m_optionFrame);
        option->setObjectName(QStringLiteral("Option%1").arg(k));
        option->setFont(persianFont("B Nazanin", 13));
        // Leading edge, which is the right in this right-to-left window.
        column->addWidget(option, 0, Qt::AlignLeft);
        group->addButton(option, k);
        // Whoever checks the option, mouse, keyboard or a screen reader's
        // Toggle, the choice is stored; showing a stored answer is not a choice.
        connect(option, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked && !m_showingStored)
                SaveChoice();
        });
        m_options << option;
    }

    m_back = new QPushButton(kBack, this);
    m_back->setObjectName(QStringLiteral("CmdBack"));
    m_back->setGeometry(twipsRect(6600, 7230, 1800, 540));
    m_back->setToolTip(QStringLiteral("Page Up"));
    m_back->hide();
    connect(m_back, &QPushButton::clicked, this, [this] { step(-1); });

    m_counter = new QLineEdit(QStringLiteral("1"), this);
    m_counter->setObjectName(QStringLiteral("Text6"));
    m_counter->setGeometry(twipsRect(4650, 7230, 900, 540));
    m_counter->setAlignment(Qt::AlignCenter);
    m_counter->setAccessibleName(kCounterName);
    m_counter->hide();
    m_counter->installEventFilter(this);
    m_acceptedCounter = m_counter->text();
    connect(m_counter, &QLineEdit::textChanged, this, &TestRunWindow::counterChange);

    m_next = new QPushButton(kNext, this);
    m_next->setObjectName(QStringLiteral("CmdNext"));
    m_next->setGeometry(twipsRect(1800, 7230, 1800, 540));
    m_next->setToolTip(QStringLiteral("Page Down"));
    m_next->hide();
    connect(m_next, &QPushButton::clicked, this, [this] { step(+1); });

    m_answerField = new QLineEdit(this);
    m_answerField->setObjectName(QStringLiteral("Text12"));
    m_answerField->hide();

    // Tab order follows the page: identity, options, Back, the item number, Next, Exit.
    QWidget *previous = m_options.last();
    for (QWidget *w : {static_cast<QWidget *>(m_back), static_cast<QWidget *>(m_counter),
                       static_cast<QWidget *>(m_next)}) {
        setTabOrder(previous, w);
        previous = w;
    }
}

void TestRunWindow::openViews()
{
    m_binder = new Binder(this);
    const struct {
        TableView **view;
        const char *name;
        const char *table;
    } views[] = {{&settingsView, "Adodc1", "Theme"}, {&answerView, "Adodc2", "Answer"}, {&subjectView, "Adodc3", "IDE"},
                 {&closingAnswerView, "Adodc4", "Answer"}, {&closingSubjectView, "Adodc5", "IDE"},   {&itemView, "Adodc6", "QU"}};
    for (const auto &v : views) {
        *v.view = new TableView(QString::fromLatin1(v.table), this);
        (*v.view)->setObjectName(QString::fromLatin1(v.name));
    }
    m_binder->bind(m_answerField, answerView, QStringLiteral("1"));
    for (QLineEdit *field : m_identity->findChildren<QLineEdit *>())
        m_binder->bind(field, subjectView, field->property("column").toString());
}

// ---------------------------------------------------------------- the run

void TestRunWindow::load()
{
    move(twipsPoint(2340, 765));
    applyThemeSkin(this, m_skin, settingsView->field(QStringLiteral("TH")));

    m_instructions->setGeometry(twipsRect(600, 3000, 9075, 4095));
    m_legend->setGeometry(twipsRect(600, 5340, 9075, 555));
    m_noRightOrWrong->setGeometry(twipsRect(600, 4380, 9075, 555));
    m_title->setGeometry(twipsRect(1200, 600, 7635, 1515));
    for (QLabel *l : {m_instructions, m_legend, m_noRightOrWrong, m_title})
        l->show();

    m_next->hide();
    m_back->hide();
    m_answerField->hide();
}

void TestRunWindow::start()
{
    m_itemLabel->show();
    m_itemLabel->setGeometry(twipsRect(480, 3360, 8535, 1455));
    for (QLabel *l : {m_instructions, m_legend, m_noRightOrWrong, m_title})
        l->hide();
    for (QWidget *w : {static_cast<QWidget *>(m_identity), static_cast<QWidget *>(m_optionFrame),
                       static_cast<QWidget *>(m_counter), static_cast<QWidget *>(m_itemLabel),
                       static_cast<QWidget *>(m_next)})
        w->show();
    m_counter->setText(QStringLiteral("0"));
    m_back->show();
    m_codeField->setFocus();
    m_start->hide();
    m_exit->show();
    // Passing through "0" makes "1" a change even when the counter read "1".
    m_counter->setText(QStringLiteral("1"));
}

void TestRunWindow::step(int delta) { m_counter->setText(QString::number(counterValue() + delta)); }

int TestRunWindow::counterValue() const { return CounterText::read(m_counter->text()).value; }

// Runs on every change of the item number, typed or set here. Setting the
// number from inside runs this again, to the end, before the outer run goes on.
void TestRunWindow::counterChange()
{
    const QString text = m_counter->text();
    const CounterText read = CounterText::read(text);
    if (read.kind == CounterText::NotANumber) {
        // Pasted or dropped text: refused, the field keeps what it had.
        {
            const QSignalBlocker quiet(m_counter);
            m_counter->setText(m_acceptedCounter);
        }
        QApplication::beep();
        showTimedMessage(this, kMustBeNumber);
        return;
    }
    if (read.plain != text) {
        // "05", " 5" or Persian digits: the plain number takes their place.
        m_counter->setText(read.plain);
        return;
    }
    m_acceptedCounter = text;

    if (text.isEmpty()) {
        m_itemLabel->clear();
        m_counter->setText(QStringLiteral("1"));
    }
    if (counterValue() < 0) {
        showTimedMessage(this, kStart);
        m_counter->setText(QStringLiteral("1"));
        useItem(counterValue());
    } else if (counterValue() == 0) {
        return;
    }
    if (counterValue() > AnswerCoding::ItemCount) {
        commitAnswerRow();
        showTimedMessage(this, kEnd);
        m_counter->setText(QString::number(AnswerCoding::ItemCount));
        m_optionFrame->setTitle(m_counter->text());
    }
    if (counterValue() <= AnswerCoding::ItemCount)
        showItem();
}

// Points the hidden answer field at the item's column and captions the option frame.
void TestRunWindow::useItem(int item)
{
    if (item < 1 || item > AnswerCoding::ItemCount)
        return;
    m_item = item;
    m_binder->setColumn(m_answerField, QString::number(item));
    m_optionFrame->setTitle(QString::number(item));
}

void TestRunWindow::showItem()
{
    const int item = counterValue();
    if (item < 1 || item > AnswerCoding::ItemCount)
        return;
    itemView->filter("ID='" + QString::number(item) + "'");
    m_itemLabel->setText(itemView->field(QStringLiteral("QUs")));
    fitItemText();
    useItem(item);
    ShowChoice();
}

// The item texts can be edited in the settings and may grow long: the type
// shrinks until the whole text fits the label.
void TestRunWindow::fitItemText()
{
    QFont font = m_itemLabel->font();
    for (int points = kItemPoints; points >= 8; --points) {
        font.setPointSize(points);
        const QRect needed = QFontMetrics(font).boundingRect(QRect(0, 0, m_itemLabel->width(), 100000),
                                                             Qt::TextWordWrap, m_itemLabel->text());
        if (needed.height() <= m_itemLabel->height())
            break;
    }
    m_itemLabel->setFont(font);
}

// ---------------------------------------------------------------- answers

void TestRunWindow::SaveChoice()
{
    if (AnswerCoding::isAscending(m_item))
        SaveAscending();
    else
        SaveDescending();
}

void TestRunWindow::SaveAscending() { saveStored(Direction::Ascending); }
void TestRunWindow::SaveDescending() { saveStored(Direction::Descending); }

void TestRunWindow::saveStored(Direction direction)
{
    if (m_item < 1)
        return;
    for (int k = 1; k <= AnswerCoding::OptionCount; ++k) {
        if (m_options[k - 1]->isChecked()) {
            m_answerField->setText(AnswerCoding::storedValue(direction, k));
            break;
        }
    }
    if (!answerView->commit()) {
        showMessage(this, kAnswerNotSaved.arg(m_item) + "\n" + answerView->lastError(), kErrorTitle,
                    QMessageBox::Critical);
        // Drop the refused value so that the options show what is really stored.
        answerView->moveFirst();
        ShowChoice();
    }
}

void TestRunWindow::ShowChoice()
{
    if (AnswerCoding::isAscending(m_item))
        ShowAscending();
    else
        ShowDescending();
}

void TestRunWindow::ShowAscending() { showStored(Direction::Ascending); }
void TestRunWindow::ShowDescending() { showStored(Direction::Descending); }

void TestRunWindow::showStored(Direction direction)
{
    selectOption(AnswerCoding::optionFor(direction, m_answerField->text()));
}

// Selects option 1..5 without storing anything; 0 clears all five.
void TestRunWindow::selectOption(int option)
{
    const QScopedValueRollback showing(m_showingStored, true);
    QButtonGroup *group = m_options.first()->group();
    group->setExclusive(false);
    for (int k = 1; k <= AnswerCoding::OptionCount; ++k)
        m_options[k - 1]->setChecked(k == option);
    group->setExclusive(true);
}

// A choice from the keyboard, as if the option had been clicked.
void TestRunWindow::chooseOption(int option)
{
    if (!m_optionFrame->isVisible() || option < 1 || option > AnswerCoding::OptionCount)
        return;
    QRadioButton *button = m_options[option - 1];
    button->setFocus();
    button->click();
}

bool TestRunWindow::commitAnswerRow()
{
    if (answerView->commit())
        return true;
    showMessage(this, kAnswersNotSaved + "\n" + answerView->lastError(), kErrorTitle, QMessageBox::Critical);
    return false;
}

// ---------------------------------------------------------------- leaving

// Exit and the close box both end here, so that leaving by either way stores
// the same things.
void TestRunWindow::closeEvent(QCloseEvent *event)
{
    finishRun();
    event->accept();
    if (m_loop)
        m_loop->quit();
}

void TestRunWindow::finishRun()
{
    commitAnswerRow();
    if (!subjectView->commit())
        showMessage(this, kIdentityNotSaved + "\n" + subjectView->lastError(), kErrorTitle, QMessageBox::Critical);
    closingAnswerView->commit();
    settingsView->reread();
    answerView->reread();
    subjectView->reread();
    closingSubjectView->reread();
}

// ---------------------------------------------------------------- keys

// Keys the focused option left alone: digits choose an option, Up and Down
// move the choice. Only while an option has the focus: a subject who types an
// item number elsewhere must not overwrite the answer on screen.
void TestRunWindow::keyPressEvent(QKeyEvent *event)
{
    const bool onOptions = m_options.contains(qobject_cast<QRadioButton *>(QApplication::focusWidget()));
    if (onOptions && m_optionFrame->isVisible() && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        const QString text = event->text();
        const int digit = text.size() == 1 ? digitOf(text.at(0)) : -1;
        if (digit >= 1 && digit <= AnswerCoding::OptionCount) {
            chooseOption(digit);
            return;
        }
        if (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) {
            int chosen = 0;
            for (int k = 1; k <= AnswerCoding::OptionCount; ++k)
                if (m_options[k - 1]->isChecked())
                    chosen = k;
            const bool down = event->key() == Qt::Key_Down;
            if (chosen == 0)
                chooseOption(down ? 1 : AnswerCoding::OptionCount);
            else
                chooseOption(qBound(1, chosen + (down ? 1 : -1), AnswerCoding::OptionCount));
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

bool TestRunWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == m_counter || watched == m_ageField))
        return filterNumberKey(static_cast<QLineEdit *>(watched), static_cast<QKeyEvent *>(event));
    return QWidget::eventFilter(watched, event);
}

namespace {
// Keys that move the cursor or the focus, or edit, without typing anything.
bool movesOrEdits(int key)
{
    switch (key) {
    case Qt::Key_Backspace: case Qt::Key_Delete: case Qt::Key_Return: case Qt::Key_Enter:
    case Qt::Key_Tab: case Qt::Key_Backtab: case Qt::Key_Left: case Qt::Key_Right:
    case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_Home: case Qt::Key_End:
    case Qt::Key_PageUp: case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

// Shift, Ctrl, Alt and the like pressed on their own.
bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift: case Qt::Key_Control: case Qt::Key_Alt: case Qt::Key_AltGr: case Qt::Key_Meta:
    case Qt::Key_Super_L: case Qt::Key_Super_R: case Qt::Key_CapsLock: case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}
}  // namespace

// The item number and the age take digits, Backspace and Enter; the keys that
// move or edit without typing (arrows, Home, End, Delete, Tab) keep their work.
// Any other key, Escape, control characters and Ctrl or Alt combinations
// included, is swallowed with a beep and the notice.
bool TestRunWindow::filterNumberKey(QLineEdit *field, QKeyEvent *event)
{
    if (isModifierKey(event->key()))
        return false;
    const bool combination = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!combination) {
        if (movesOrEdits(event->key()))
            return false;
        const QString text = event->text();
        const int digit = text.size() == 1 ? digitOf(text.at(0)) : -1;
        if (digit >= 0 && text.at(0).unicode() < 0x80)
            return false;
        if (digit >= 0) {
            // A Persian keyboard types Persian digits: they go in as plain digits.
            field->insert(QString::number(digit));
            return true;
        }
    }
    QApplication::beep();
    showTimedMessage(this, kMustBeNumber);
    return true;
}
