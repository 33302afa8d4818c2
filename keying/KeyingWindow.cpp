#include "keying/KeyingWindow.h"

#include "data/Binder.h"
#include "data/FieldRules.h"
#include "data/TableView.h"
#include "platform/Dialogs.h"
#include "platform/Twips.h"
#include "reports/ResultSheet.h"
#include "reports/SubjectTableReport.h"
#include "reports/ProfileChart.h"
#include "scoring/ScoringKey.h"
#include "shell/MainWindow.h"
#include "shell/ThemeSkin.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// The subject panel: caption and IDE column, top to bottom.
const struct {
    const char *caption;
    const char *column;
} kSubjectLines[] = {
    {" :کد", "Code"},      {" :نام", "FName"},           {" :نام خانوادگي", "LName"},
    {" :جنس", "Jens"},     {" :سن", "Sen"},              {" :وضعيت تاهل", "Taahol"},
    {" :ميزان تحصيلات", "Tahsil"}, {" :تاريخ", "Date"}, {" :ساعت", "Time"},
};

// The results panel: three rows of five, rightmost first.
const char *const kResultRows[3][5] = {
    {"khodagahi", "khoodshkofaee", "masooliatpaz", "vaghegaraee", "control"},
    {"ebrazevojood", "esteghlal", "ravabet", "enetafpaz", "khooshbini"},
    {"ezatenafs", "hamdeli", "halemas", "tahalol", "shadmani"},
};

const char kHelpText[] =
    "براي کليد گذاري روي دکمه «انتخاب آزمودني» کليک کنيد، کد آزمودني را وارد کنيد و کليد Enter را بزنيد.\n\n"
    "نتيجه آزمون آزمودني در همين پنجره نمايش داده مي شود و در برنامه ذخيره مي شود.\n\n"
    "با دکمه «پرينت آزمودني انتخاب شده» نتيجه آزمودني اي که آخر از همه کليد گذاري شده است و با دکمه "
    "«پرينت کل آزمودني ها» نتيجه همه آزمودني ها چاپ مي شود.";

// The profile chart takes a column of its own at the left of the window.
constexpr int kChartColumn = 300;  // keeps the window within a 1280-pixel screen at its place
constexpr int kGap = 10;
constexpr int kContentLeft = kGap + kChartColumn + kGap;
constexpr int kStandingHeight = 150;

QString standingText(const Standing::Figures &figures, int column)
{
    return QStringLiteral("رتبه درصدي %1 · استاندارد %2")
        .arg(figures.percentile[size_t(column)], figures.standard[size_t(column)]);
}

QLineEdit *hiddenField(QWidget *parent, const char *name)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->hide();
    return field;
}

QLineEdit *shownField(QWidget *parent, const QString &name, const QString &accessibleName)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setAccessibleName(accessibleName);
    field->setFocusPolicy(Qt::NoFocus);
    return field;
}

// Captions written with a leading colon (" :کد") read right when laid out
// left to right: the colon then follows the word.
QLabel *caption(QWidget *parent, const QString &text)
{
    auto *label = new QLabel(text, parent);
    if (text.trimmed().startsWith(u':'))
        label->setLayoutDirection(Qt::LeftToRight);
    return label;
}
}  // namespace

KeyingWindow::KeyingWindow(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("FrmkLID"));
    setWindowTitle(QStringLiteral("کليد گذاري"));
    setLayoutDirection(Qt::RightToLeft);
    buildWindow();
    openViews();

    // Load: place, skin, help panel placement; results and help hidden.
    move(twipsPoint(2340, 765));
    applyThemeSkin(this, m_skin, m_theme->text());
    m_helpPanel->setGeometry(QRect(twipsPoint(1380, 1080), twipsSize(7635, 4935)));
    m_resultsPanel->hide();
    m_helpPanel->hide();
    m_currentCode->clear();
    updateChart();
    updateStanding();
}

void KeyingWindow::buildWindow()
{
    // Taller than designed by the standing figures under the scores.
    setFixedSize(twipsSize(12000, 7950) + QSize(kChartColumn + kGap, kStandingHeight));
    m_currentCode = hiddenField(this, "Text5");
    m_theme = hiddenField(this, "Text1");
    m_clinicName = hiddenField(this, "Text2");
    m_address = hiddenField(this, "Text3");
    m_scoreCode = hiddenField(this, "Text4");
    buildSubjectPanel();
    buildLegend();
    buildButtons();
    buildResultsPanel();
    buildChart();
    buildHelpPanel();
}

void KeyingWindow::buildSubjectPanel()
{
    m_subjectPanel = new QFrame(this);
    m_subjectPanel->setObjectName(QStringLiteral("Frame1"));
    m_subjectPanel->setFrameShape(QFrame::StyledPanel);
    m_subjectPanel->setGeometry(width() - 270, 10, 260, 300);
    auto *grid = new QGridLayout(m_subjectPanel);
    grid->setContentsMargins(10, 8, 10, 8);
    grid->setVerticalSpacing(4);
    int row = 0;
    for (const auto &line : kSubjectLines) {
        const QString text = QString::fromUtf8(line.caption);
        QLabel *label = caption(m_subjectPanel, text);
        QLineEdit *field = shownField(m_subjectPanel, QStringLiteral("txt") + QLatin1String(line.column),
                                      text.trimmed().mid(1).trimmed());
        // Codes, ages and dates line up with the Persian texts at the right.
        field->setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
        label->setBuddy(field);
        grid->addWidget(label, row, 0, Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(field, row, 1);
        m_subjectFields.insert(QString::fromLatin1(line.column), field);
        ++row;
    }
    grid->setColumnStretch(1, 1);
    // The subject's group: not shown in the window, printed on the result sheet.
    QLineEdit *group = hiddenField(m_subjectPanel, "txtGroup");
    m_subjectFields.insert(QStringLiteral("Group"), group);
}

void KeyingWindow::buildResultsPanel()
{
    m_resultsPanel = new QFrame(this);
    m_resultsPanel->setObjectName(QStringLiteral("Frame2"));
    m_resultsPanel->setFrameShape(QFrame::StyledPanel);
    m_resultsPanel->setGeometry(kContentLeft, 320, width() - kContentLeft - 10, height() - 330);
    auto *grid = new QGridLayout(m_resultsPanel);
    grid->setContentsMargins(10, 8, 10, 8);
    grid->setHorizontalSpacing(6);

    QFont small = font();
    small.setPointSizeF(7.5);
    auto standingLabel = [this, small](const QString &column) {
        auto *label = new QLabel(m_resultsPanel);
        label->setObjectName(QStringLiteral("lblStanding") + column);
        label->setFont(small);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_standingLabels.insert(column, label);
        return label;
    };
    auto scoreField = [this](const QString &column, const QString &name) {
        QLineEdit *field = shownField(m_resultsPanel, QStringLiteral("txt") + column, name);
        field->setFixedWidth(44);
        field->setAlignment(Qt::AlignCenter);
        m_scoreFields.insert(column, field);
        return field;
    };
    // In a right-to-left grid column 0 is the rightmost: each caption stands
    // to the right of its value.
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 5; ++c) {
            const QString column = QString::fromLatin1(kResultRows[r][c]);
            const auto &subscale = ScoringKey::subscales()[ScoringKey::indexOfColumn(column)];
            const QString text = QString::fromUtf8(subscale.caption);
            auto *label = new QLabel(text, m_resultsPanel);
            QLineEdit *field = scoreField(column, text);
            label->setBuddy(field);
            grid->addWidget(label, 2 * r, 2 * c, Qt::AlignRight | Qt::AlignVCenter);
            grid->addWidget(field, 2 * r, 2 * c + 1, Qt::AlignRight | Qt::AlignVCenter);
            grid->addWidget(standingLabel(column), 2 * r + 1, 2 * c, 1, 2, Qt::AlignRight | Qt::AlignTop);
        }
    }
    const QString totalCaption = QStringLiteral("نمره كل");
    auto *totalLine = new QHBoxLayout;
    auto *totalLabel = new QLabel(totalCaption, m_resultsPanel);
    QLineEdit *total = scoreField(ScoringKey::totalColumn(), totalCaption);
    totalLabel->setBuddy(total);
    totalLine->addStretch();
    totalLine->addWidget(totalLabel);
    totalLine->addWidget(total);
    totalLine->addSpacing(8);
    totalLine->addWidget(standingLabel(ScoringKey::totalColumn()));
    totalLine->addStretch();
    grid->addLayout(totalLine, 6, 0, 1, 10);

    // Whom the figures compare with, and what they are relative to.
    auto *referenceLine = new QHBoxLayout;
    auto *referenceLabel = new QLabel(QStringLiteral("مقايسه با:"), m_resultsPanel);
    m_reference = new QComboBox(m_resultsPanel);
    m_reference->setObjectName(QStringLiteral("CmbReference"));
    m_reference->addItems(Standing::referenceCaptions());
    m_reference->setAccessibleName(QStringLiteral("گروه مرجع رتبه ها"));
    referenceLabel->setBuddy(m_reference);
    referenceLine->addWidget(referenceLabel);
    referenceLine->addWidget(m_reference);
    referenceLine->addStretch();
    grid->addLayout(referenceLine, 7, 0, 1, 10);
    m_standingNote = new QLabel(m_resultsPanel);
    m_standingNote->setObjectName(QStringLiteral("lblStandingNote"));
    m_standingNote->setFont(small);
    m_standingNote->setWordWrap(true);
    m_standingNote->setAlignment(Qt::AlignRight | Qt::AlignTop | Qt::AlignAbsolute);
    grid->addWidget(m_standingNote, 8, 0, 1, 10);
    connect(m_reference, &QComboBox::currentIndexChanged, this, &KeyingWindow::updateStanding);
}

void KeyingWindow::setReference(Standing::Reference reference) { m_reference->setCurrentIndex(int(reference)); }

void KeyingWindow::scheduleStanding()
{
    m_standingPending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_standingPending)
            updateStanding();
    });
}

void KeyingWindow::updateStanding()
{
    m_standingPending = false;
    // Figures for the subject whose scores the window shows, read afresh.
    const QString code = m_scoreCode->text();
    if (m_resultsPanel->isHidden() || code.isEmpty())
        m_standing = Standing::figures({}, false, QString(), Standing::Sample());
    else
        m_standing = Standing::standingOf(code, Standing::Reference(m_reference->currentIndex()));
    const QStringList columns = ScoringKey::scoreColumns();
    for (int c = 0; c < columns.size(); ++c)
        m_standingLabels.value(columns[c])->setText(standingText(m_standing, c));
    m_standingNote->setText(m_standing.reason.isEmpty() ? m_standing.description
                                                        : m_standing.description + QStringLiteral("\n") + m_standing.reason);
}

void KeyingWindow::buildChart()
{
    m_chartPanel = new QFrame(this);
    m_chartPanel->setObjectName(QStringLiteral("Frame5"));
    m_chartPanel->setFrameShape(QFrame::StyledPanel);
    m_chartPanel->setGeometry(kGap, 10, kChartColumn, height() - 20);
    auto *column = new QVBoxLayout(m_chartPanel);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(4);
    auto *title = new QLabel(QStringLiteral("نيمرخ نمره ها"), m_chartPanel);
    title->setObjectName(QStringLiteral("lblChart"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);
    m_chart = new ProfileChartWidget(m_chartPanel);
    m_chart->setObjectName(QStringLiteral("chartProfile"));
    m_chart->setAccessibleName(title->text());
    column->addWidget(m_chart, 1);
    // The bars follow the score fields, whatever set them: a keying, or the
    // stored row shown again after a refused commit.
    for (QLineEdit *field : std::as_const(m_scoreFields))
        connect(field, &QLineEdit::textChanged, this, &KeyingWindow::updateChart);
}

void KeyingWindow::updateChart()
{
    // Like the results panel, the chart shows scores only after a keying.
    QStringList scores;
    if (!m_resultsPanel->isHidden())
        for (const auto &subscale : ScoringKey::subscales())
            scores << m_scoreFields.value(QString::fromLatin1(subscale.column))->text();
    m_chart->setScores(scores);
}

void KeyingWindow::buildLegend()
{
    m_legend = new QFrame(this);
    m_legend->setObjectName(QStringLiteral("Frame3"));
    m_legend->setFrameShape(QFrame::StyledPanel);
    m_legend->setGeometry(kContentLeft, 10, 310, 300);
    auto *column = new QVBoxLayout(m_legend);
    column->setContentsMargins(8, 4, 8, 4);
    column->setSpacing(0);
    auto *title = new QLabel(QStringLiteral("علائم اختصاري"), m_legend);
    title->setObjectName(QStringLiteral("lblLegend"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);
    QFont small = font();
    small.setPointSizeF(8.5);
    for (const auto &subscale : ScoringKey::subscales()) {
        auto *line = new QLabel(QString::fromUtf8(subscale.legendLine), m_legend);
        line->setObjectName(QStringLiteral("lblLegend") + QLatin1String(subscale.abbreviation));
        line->setFont(small);
        column->addWidget(line);
    }
    column->addStretch();
}

void KeyingWindow::buildHelpPanel()
{
    m_helpPanel = new QFrame(this);
    m_helpPanel->setObjectName(QStringLiteral("Frame4"));
    m_helpPanel->setFrameShape(QFrame::Box);
    m_helpPanel->setAutoFillBackground(true);
    auto *column = new QVBoxLayout(m_helpPanel);
    column->setContentsMargins(16, 12, 16, 12);
    auto *title = new QLabel(QStringLiteral("راهنما"), m_helpPanel);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() + 2);
    title->setFont(bold);
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);
    auto *text = new QLabel(QString::fromUtf8(kHelpText), m_helpPanel);
    text->setObjectName(QStringLiteral("lblHelp"));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignTop | Qt::AlignRight | Qt::AlignAbsolute);
    column->addWidget(text, 1);
    auto *close = new QPushButton(QStringLiteral("خروج"), m_helpPanel);
    close->setObjectName(QStringLiteral("Command7"));
    close->setFixedWidth(110);
    column->addWidget(close, 0, Qt::AlignHCenter);
    connect(close, &QPushButton::clicked, m_helpPanel, &QWidget::hide);
}

void KeyingWindow::buildButtons()
{
    auto *frame = new QWidget(this);
    frame->setObjectName(QStringLiteral("buttons"));
    frame->setGeometry(kContentLeft + 320, 10, width() - kContentLeft - 600, 300);
    auto *column = new QVBoxLayout(frame);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    const struct {
        const char *name;
        const char *caption;
    } buttons[] = {
        {"Command1", "انتخاب آزمودني"},
        {"Command6", "پرينت آزمودني انتخاب شده"},
        {"Command3", "پرينت کل  آزمودني ها "},
        {"Command2", "راهنما"},
        {"Command4", " خروج"},
    };
    for (const auto &b : buttons) {
        auto *button = new QPushButton(QString::fromUtf8(b.caption), frame);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setMinimumHeight(40);
        column->addWidget(button);
    }
    column->addStretch();
    auto byName = [frame](const char *name) { return frame->findChild<QPushButton *>(QString::fromLatin1(name)); };
    connect(byName("Command1"), &QPushButton::clicked, this, &KeyingWindow::selectSubject);
    connect(byName("Command6"), &QPushButton::clicked, this, &KeyingWindow::printSelectedSubject);
    connect(byName("Command3"), &QPushButton::clicked, this, &KeyingWindow::printAllSubjects);
    connect(byName("Command2"), &QPushButton::clicked, this, [this] {
        m_helpPanel->show();
        m_helpPanel->raise();
    });
    connect(byName("Command4"), &QPushButton::clicked, this, &QWidget::close);
}

void KeyingWindow::openViews()
{
    m_binder = new Binder(this);
    answerView = new TableView(QStringLiteral("Answer"), this);
    subjectView = new TableView(QStringLiteral("IDE"), this);
    scoreView = new TableView(QStringLiteral("IDE"), this);
    allSubjectsView = new TableView(QStringLiteral("IDE"), this);
    settingsView = new TableView(QStringLiteral("Theme"), this);
    const QList<QPair<TableView *, const char *>> names = {
        {answerView, "Adodc1"}, {subjectView, "Adodc2"}, {scoreView, "Adodc3"}, {allSubjectsView, "Adodc4"}, {settingsView, "Adodc5"}};
    for (const auto &[view, name] : names)
        view->setObjectName(QString::fromLatin1(name));

    for (auto it = m_subjectFields.cbegin(); it != m_subjectFields.cend(); ++it)
        m_binder->bind(it.value(), subjectView, it.key());
    for (auto it = m_scoreFields.cbegin(); it != m_scoreFields.cend(); ++it)
        m_binder->bind(it.value(), scoreView, it.key());
    m_binder->bind(m_scoreCode, scoreView, QStringLiteral("Code"));
    m_binder->bind(m_theme, settingsView, QStringLiteral("TH"));
    m_binder->bind(m_clinicName, settingsView, QStringLiteral("Name"));
    m_binder->bind(m_address, settingsView, QStringLiteral("Adress"));
}

QString KeyingWindow::currentCode() const { return m_currentCode->text(); }

QString KeyingWindow::shownValue(const QString &column) const
{
    for (const auto *fields : {&m_subjectFields, &m_scoreFields})
        for (auto it = fields->cbegin(); it != fields->cend(); ++it)
            if (it.key().compare(column, Qt::CaseInsensitive) == 0)
                return it.value()->text();
    return QString();
}

QStringList KeyingWindow::storedAnswers() const
{
    QStringList items;
    for (int i = 1; i <= ScoringKey::kItemCount; ++i)
        items << QString::number(i);
    const auto rows = answerView->rows(0, 1, items);
    QStringList answers;
    for (const QString &item : items)
        answers << (rows.isEmpty() ? QString() : rows.first().value(item));
    return answers;
}

void KeyingWindow::selectSubject()
{
    key(inputBox(this, QStringLiteral(" Enter Number "), QStringLiteral(" کد آزمودني را وارد کنيد"), QString(),
                 {FieldRules::maxLength(QStringLiteral("IDE"), QStringLiteral("Code")), QStringLiteral("کد آزمودني")}));
}

void KeyingWindow::key(const QString &code)
{
    if (code.isEmpty()) {
        showTimedMessage(this, QStringLiteral("شما بايد شماره آزمودني مورد نظر را وارد كنيد"));
        return;
    }
    // The answers may have been stored since this window opened.
    const QString expression = QStringLiteral("code='") + code + u'\'';
    answerView->reread();
    answerView->filter(expression);
    subjectView->filter(expression);
    if (answerView->rowCount() == 0) {
        showTimedMessage(this, QStringLiteral("فردي با اين مشخصات وجود ندارد"));
        m_resultsPanel->hide();
        updateChart();
        updateStanding();
        return;
    }
    // Answers without a registered subject: there is no row to store the
    // scores in, so nothing is computed or stored.
    if (!subjectView->hasCurrent()) {
        m_resultsPanel->hide();
        updateChart();
        updateStanding();
        showMessage(this,
                    QStringLiteral("براي اين کد پاسخ ها ثبت شده است ولي مشخصات آزمودني پيدا نشد؛ "
                                   "نمره ها ذخيره نشد."),
                    QStringLiteral("خطا"), QMessageBox::Warning);
        return;
    }

    const QStringList answers = storedAnswers();
    const QList<int> missing = ScoringKey::unansweredItems(answers);
    if (!missing.isEmpty())
        showMessage(this, ScoringKey::unansweredWarning(missing), QStringLiteral("خطا"), QMessageBox::Warning);

    m_resultsPanel->show();
    scoreView->filter(expression);
    updateChart();
    m_currentCode->setText(code);

    const ScoringKey::Scores scores = ScoringKey::score(answers);
    const QStringList columns = ScoringKey::scoreColumns();
    const QStringList values = scores.texts();
    for (int i = 0; i < columns.size(); ++i) {
        m_scoreFields.value(columns[i])->setText(values[i]);
        scoreView->setField(columns[i], values[i]);
    }
    if (!scoreView->commit()) {
        const QString why = scoreView->lastError();
        // Drop the unstored values: the fields show what the row still holds.
        scoreView->filter(expression);
        updateStanding();
        showMessage(this,
                    QStringLiteral("نمره ها ذخيره نشد و اطلاعات آزمودني تغييري نکرد.") +
                        (why.isEmpty() ? QString() : QStringLiteral("\n") + why),
                    QStringLiteral("خطا"), QMessageBox::Warning);
        return;
    }
    // The figures read the whole reference sample: they follow once the
    // keying is done, so that keying stays as quick with many subjects.
    scheduleStanding();
    showTimedMessage(this, QStringLiteral("اطلاعات با موفقيت محاسبه و ذخيره شد"));
}

void KeyingWindow::printSelectedSubject()
{
    const QString code = currentCode();
    if (code.isEmpty()) {
        showTimedMessage(this,
                         QStringLiteral("ابتدا روي انتخاب آزمودني کليک کرده سپس کد آزمودني را وارد کنيد بعد روي "
                                        "پرينت کليک کنيد "),
                         2000);
        return;
    }
    // After a code that was not found the subject fields show nobody; the
    // sheet is for the subject keyed last, so show that subject again.
    if (subjectView->field(QStringLiteral("Code")) != code)
        subjectView->filter(QStringLiteral("code='") + code + u'\'');

    ResultSheet &sheet = ResultSheet::instance();
    for (const QString &column : ResultSheet::valueColumns())
        sheet.setCaption(ResultSheet::valueLabelFor(column), shownValue(column));
    sheet.setCaption(ResultSheet::addressLabel(), m_address->text());
    if (m_standingPending)
        updateStanding();
    sheet.setStanding(m_standing);
    sheet.show();
    m_currentCode->clear();
}

void KeyingWindow::printAllSubjects()
{
    // Scores keyed during this visit were stored through the score view.
    allSubjectsView->reread();
    showSubjectTable(*allSubjectsView, m_clinicName->text(), m_address->text(), this);
}

void KeyingWindow::closeEvent(QCloseEvent *event)
{
    MainWindow::load();
    event->accept();
}
