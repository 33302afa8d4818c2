#include "records/ComparisonWindow.h"

#include "platform/Dialogs.h"
#include "platform/ProgramFolder.h"
#include "records/ComparisonCsv.h"
#include "reports/ComparisonSheet.h"
#include "reports/ProfileChart.h"
#include "shell/ThemeSkin.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace AC = AdministrationComparison;

namespace {
// Both profiles on the result sheet's chart, with their key above it.
class ComparisonChart : public QWidget
{
public:
    explicit ComparisonChart(const AC::Comparison *comparison, QWidget *parent)
        : QWidget(parent), m_comparison(comparison)
    {
        setObjectName(QStringLiteral("ChartCompare"));
        setAccessibleName(QStringLiteral("نيمرخ دو اجرا"));
        setLayoutDirection(Qt::RightToLeft);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(360, 420);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0xfd, 0xfb, 0xf5));
        const QList<ProfileChart::Line> lines = ComparisonSheet::profileLines(*m_comparison);
        const QRectF area = QRectF(rect()).adjusted(8, 8, -8, -6);
        const double keyHeight = fontMetrics().height() * 1.4;
        ProfileChart::paintKey(painter, lines, QRectF(area.left(), area.top(), area.width(), keyHeight), font());
        ProfileChart::paintLines(painter, lines, area.adjusted(0, keyHeight + 6, 0, 0), font());
    }

private:
    const AC::Comparison *m_comparison;
};

QLabel *plainLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}
}  // namespace

ComparisonWindow::ComparisonWindow(AC::Comparison comparison, const QString &themeText, QWidget *parent)
    : QWidget(parent, Qt::Window), m_comparison(std::move(comparison))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("FrmCompare"));
    setWindowTitle(ComparisonSheet::title());
    setLayoutDirection(Qt::RightToLeft);
    buildWindow();
    applyThemeSkin(this, m_skin, themeText);
    showComparison();
}

void ComparisonWindow::buildWindow()
{
    auto *layout = new QVBoxLayout(this);
    auto *heading = new QLabel(ComparisonSheet::title(), this);
    heading->setObjectName(QStringLiteral("LblCompareTitle"));
    heading->setAlignment(Qt::AlignCenter);
    heading->setFont(QFont(QStringLiteral("B Titr"), 13));
    layout->addWidget(heading);

    auto registration = [&](const QString &caption, QLabel **value, const QString &name) {
        auto *line = new QHBoxLayout;
        auto *label = new QLabel(caption, this);
        label->setFont(QFont(QStringLiteral("B Nazanin"), 11, QFont::Bold));
        *value = plainLabel(name, this);
        label->setBuddy(*value);
        (*value)->setAccessibleName(caption);
        line->addWidget(label);
        line->addWidget(*value, 1);
        layout->addLayout(line);
    };
    registration(QStringLiteral("قبل:"), &m_before, QStringLiteral("LblBefore"));
    registration(QStringLiteral("بعد:"), &m_after, QStringLiteral("LblAfter"));
    m_warnings = plainLabel(QStringLiteral("LblCompareWarnings"), this);
    m_warnings->setStyleSheet(QStringLiteral("QLabel { background: #fbeed9; color: #6b2a12; padding: 4px; }"));
    layout->addWidget(m_warnings);

    auto *referenceLine = new QHBoxLayout;
    auto *referenceLabel = new QLabel(QStringLiteral("گروه مرجع SD و آلفا:"), this);
    m_reference = new QComboBox(this);
    m_reference->setObjectName(QStringLiteral("CmbCompareReference"));
    m_reference->addItems(Standing::referenceCaptions());
    m_reference->setCurrentIndex(int(m_comparison.reference));
    m_reference->setAccessibleName(QStringLiteral("گروه مرجع مقايسه"));
    referenceLabel->setBuddy(m_reference);
    referenceLine->addWidget(referenceLabel);
    referenceLine->addWidget(m_reference);
    referenceLine->addStretch();
    layout->addLayout(referenceLine);
    connect(m_reference, &QComboBox::activated, this,
            [this](int index) { chooseReference(Standing::Reference(index)); });

    auto *middle = new QHBoxLayout;
    m_table = new QTableWidget(AC::kScales, 9, this);
    m_table->setObjectName(QStringLiteral("TblCompare"));
    m_table->setAccessibleName(QStringLiteral("جدول مقايسه دو اجرا"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("مقياس"), QStringLiteral("قبل"), QStringLiteral("بعد"),
                                        QStringLiteral("تفاوت"), QStringLiteral("تعداد"), QStringLiteral("انحراف معيار"),
                                        QStringLiteral("آلفا"), QStringLiteral("RCI"), QStringLiteral("نتيجه")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->verticalHeader()->setDefaultSectionSize(24);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_table->setMinimumSize(640, 24 * AC::kScales + 32);
    middle->addWidget(m_table, 3);
    m_chart = new ComparisonChart(&m_comparison, this);
    middle->addWidget(m_chart, 2);
    layout->addLayout(middle, 1);

    auto *direction = plainLabel(QStringLiteral("LblDirection"), this);
    direction->setText(AC::directionText());
    layout->addWidget(direction);
    auto *foot = new QHBoxLayout;
    m_reach = plainLabel(QStringLiteral("LblReference"), this);
    foot->addWidget(m_reach, 1);
    // The formula reads left to right, whatever the window's direction.
    auto *formula = plainLabel(QStringLiteral("LblFormula"), this);
    formula->setWordWrap(false);
    formula->setLayoutDirection(Qt::LeftToRight);
    formula->setText(AC::formulaText());
    formula->setFont(QFont(QStringLiteral("B Nazanin"), 11, QFont::Bold));
    foot->addWidget(formula);
    layout->addLayout(foot);
    m_notes = plainLabel(QStringLiteral("LblCompareNotes"), this);
    layout->addWidget(m_notes);

    auto *buttons = new QHBoxLayout;
    auto add = [&](const char *name, const QString &text) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(button);
        return button;
    };
    connect(add("CmdComparePrint", QStringLiteral("چاپ و PDF")), &QPushButton::clicked, this,
            &ComparisonWindow::printComparison);
    connect(add("CmdCompareCsv", QStringLiteral("خروجي CSV")), &QPushButton::clicked, this, &ComparisonWindow::exportCsv);
    buttons->addStretch();
    connect(add("CmdCompareClose", QStringLiteral("خروج")), &QPushButton::clicked, this, &QWidget::close);
    layout->addLayout(buttons);
    resize(1080, 760);
}

void ComparisonWindow::showComparison()
{
    const AC::Comparison &c = m_comparison;
    m_before->setText(AC::registrationLine(c.before));
    m_after->setText(AC::registrationLine(c.after));
    QStringList warnings;
    for (const QString &w : c.warnings)
        warnings << QStringLiteral("هشدار: ") + w;
    m_warnings->setText(warnings.join(u'\n'));
    m_warnings->setVisible(!warnings.isEmpty());
    {
        const QSignalBlocker block(m_reference);
        m_reference->setCurrentIndex(int(c.reference));
    }
    for (int s = 0; s < AC::kScales; ++s) {
        const QStringList texts = AC::rowTexts(c, s);
        QStringList cells = {AC::scaleName(s)};
        for (int i = 0; i < texts.size(); ++i)
            cells << (i == texts.size() - 1 ? texts[i] : AC::shownFigure(texts[i]));
        for (int col = 0; col < cells.size(); ++col) {
            auto *item = new QTableWidgetItem(cells[col]);
            item->setTextAlignment(col == 0 ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignCenter);
            const AC::ScaleRow &row = c.rows[size_t(s)];
            if (!row.computed && col >= 7)
                item->setToolTip(row.reason);
            if (col == 8 && row.verdict != AC::Verdict::NoChange && row.computed) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            m_table->setItem(s, col, item);
        }
    }
    m_reach->setText(QStringLiteral("SD و α هر مقياس از ") + c.referenceDescription +
                     QStringLiteral("؛ هر خرده مقياس از آنان که به هر شش سوال آن پاسخ داده اند، نمره کل از آنان که به هر "
                                    "90 سوال پاسخ داده اند."));
    QStringList notes;
    const QStringList reasons = AC::notes(c);
    for (int i = 0; i < reasons.size(); ++i)
        notes << QStringLiteral("(%1) %2").arg(i + 1).arg(reasons[i]);
    m_notes->setText(notes.join(u'\n'));
    m_notes->setVisible(!notes.isEmpty());
    m_chart->update();
}

void ComparisonWindow::chooseReference(Standing::Reference reference)
{
    AC::Comparison again;
    QString error;
    if (!AC::compareCodes(m_comparison.before.code, m_comparison.after.code, reference, &again, &error)) {
        showMessage(this, error, QStringLiteral("خطا"), QMessageBox::Warning);
        const QSignalBlocker block(m_reference);
        m_reference->setCurrentIndex(int(m_comparison.reference));
        return;
    }
    m_comparison = std::move(again);
    showComparison();
}

void ComparisonWindow::printComparison() { ComparisonSheet(m_comparison).show(); }

void ComparisonWindow::exportCsv()
{
    SaveOptions options;
    options.defaultSuffix = QStringLiteral("csv");
    const QString file = Dialogs::current().saveFileName(this, QStringLiteral("خروجي CSV"), ProgramFolder::backupFolder(),
                                                         QStringLiteral("CSV |*.csv"),
                                                         ComparisonSheet::proposedFileName(m_comparison, QStringLiteral("csv")),
                                                         options);
    if (file.isEmpty())
        return;
    QString error;
    if (ComparisonCsv::write(m_comparison, file, &error))
        showTimedMessage(this, QStringLiteral("مقايسه دو اجرا در فايل ذخيره شد"));
    else
        showMessage(this, error, QStringLiteral("خطا"), QMessageBox::Warning);
}
