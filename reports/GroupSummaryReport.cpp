#include "reports/GroupSummaryReport.h"

#include "reports/ReportPreview.h"
#include "reports/ProfileChart.h"
#include "scoring/ScoringKey.h"

#include <QPainter>
#include <QPointer>

namespace {
constexpr int kWidth = 9500;
constexpr int kMargin = 1000;
const QString kNone = QStringLiteral("—");

// The table: the name at the right, then the figures right to left.
constexpr int kNameWidth = 2300;
constexpr int kFigureWidth = (kWidth - kNameWidth) / 7;
constexpr int kTableTop = 1000;
constexpr int kRowHeight = 300;
constexpr int kTableBottom = kTableTop + 17 * kRowHeight;
const QRectF kChartArea(600, kTableBottom + 800, 8300, 5400);

QString oneDecimal(double value) { return QString::number(value, 'f', 1); }
QString twoDecimals(double value) { return QString::number(value, 'f', 2); }
}  // namespace

QStringList GroupSummaryReport::headings()
{
    return {QStringLiteral("تعداد"), QStringLiteral("ميانگين"), QStringLiteral("انحراف معيار"),
            QStringLiteral("کمينه"), QStringLiteral("ميانه"), QStringLiteral("بيشينه"), QStringLiteral("آلفاي کرونباخ")};
}

QStringList GroupSummaryReport::rowTexts(int column) const
{
    const ValueCounts &v = m_summary.scores[size_t(column)];
    QStringList out = {QString::number(v.count())};
    if (v.isEmpty())
        out << kNone << kNone << kNone << kNone << kNone;
    else
        out << oneDecimal(v.mean()) << (v.count() > 1 ? oneDecimal(v.standardDeviation()) : kNone)
            << QString::number(v.minimum()) << oneDecimal(v.median()) << QString::number(v.maximum());
    if (column < ScoringKey::kSubscaleCount && m_summary.consistency[size_t(column)].isDefined())
        out << twoDecimals(m_summary.consistency[size_t(column)].alpha());
    else
        out << kNone;
    return out;
}

QPageLayout GroupSummaryReport::designedLayout() { return reportPageLayout(kWidth, kMargin); }

int GroupSummaryReport::reportWidth() const { return kWidth; }

void GroupSummaryReport::paintPage(ReportCanvas &canvas, int page) const
{
    if (page != 0)
        return;
    QPainter &painter = canvas.painter();
    const QFont title = reportFont(QStringLiteral("B Titr"), 14.25, true);
    const QFont bold = reportFont(QStringLiteral("B Nazanin"), 9.75, true);
    const QFont plain = reportFont(QStringLiteral("B Nazanin"), 9.75, false);
    const QFont small = reportFont(QStringLiteral("B Nazanin"), 8.25, false);

    painter.fillRect(QRect(0, 0, kWidth, 560), QColor(0xe3, 0xee, 0xea));
    canvas.label(QRect(0, 0, kWidth, 560), QStringLiteral("خلاصه نتايج ") + m_summary.title(), title, Qt::AlignCenter);
    canvas.label(QRect(0, 600, kWidth, 340),
                 QStringLiteral("آزمودني ها: %1   کليد گذاري شده: %2").arg(m_summary.subjects).arg(m_summary.keyed),
                 bold, Qt::AlignRight | Qt::AlignVCenter);

    // The table, ruled, its headings on a grey band.
    painter.fillRect(QRect(0, kTableTop, kWidth, kRowHeight), QColor(0xe0, 0xe0, 0xe0));
    const int right = kWidth - kNameWidth;
    auto cell = [&](int index, int row) {
        return QRect(right - (index + 1) * kFigureWidth, kTableTop + row * kRowHeight, kFigureWidth, kRowHeight);
    };
    canvas.label(QRect(right, kTableTop, kNameWidth, kRowHeight).adjusted(0, 0, -60, 0), QStringLiteral("خرده مقياس"),
                 bold, Qt::AlignRight | Qt::AlignVCenter);
    const QStringList heads = headings();
    for (int i = 0; i < heads.size(); ++i)
        canvas.label(cell(i, 0), heads[i], bold, Qt::AlignCenter);
    const auto &subscales = ScoringKey::subscales();
    for (int c = 0; c < GroupSummary::kColumns; ++c) {
        const int row = c + 1;
        if (c == GroupSummary::kColumns - 1)
            painter.fillRect(QRect(0, kTableTop + row * kRowHeight, kWidth, kRowHeight), QColor(0xf1, 0xf5, 0xf3));
        const QString name = c < ScoringKey::kSubscaleCount ? QString::fromUtf8(subscales[size_t(c)].caption)
                                                            : QStringLiteral("نمره كل");
        canvas.label(QRect(right, kTableTop + row * kRowHeight, kNameWidth, kRowHeight).adjusted(0, 0, -60, 0), name,
                     c == GroupSummary::kColumns - 1 ? bold : plain, Qt::AlignRight | Qt::AlignVCenter);
        const QStringList texts = rowTexts(c);
        for (int i = 0; i < texts.size(); ++i)
            canvas.label(cell(i, row), texts[i], plain, Qt::AlignCenter);
    }
    for (int r = 0; r <= 17; ++r)
        canvas.hLine(0, kWidth, kTableTop + r * kRowHeight);
    QList<int> xs = {0, right, kWidth};
    for (int i = 1; i < heads.size(); ++i)
        xs << right - i * kFigureWidth;
    std::sort(xs.begin(), xs.end());
    canvas.vLines(xs.constData(), int(xs.size()), kTableTop, kTableBottom);

    // The mean profile.
    canvas.label(QRect(0, kTableBottom + 200, kWidth, 450),
                 QStringLiteral("نيمرخ ميانگين گروه (خط زير هر ستون: يک انحراف معيار کمتر و بيشتر از ميانگين)"), bold,
                 Qt::AlignCenter);
    QStringList means;
    QList<double> spreads;
    for (int c = 0; c < ScoringKey::kSubscaleCount; ++c) {
        const ValueCounts &v = m_summary.scores[size_t(c)];
        means << (v.isEmpty() ? QString() : oneDecimal(v.mean()));
        spreads << (v.count() > 1 ? v.standardDeviation() : 0.0);
    }
    painter.save();
    ProfileChart::paint(painter, means, kChartArea, bold, spreads);
    painter.restore();

    canvas.label(QRect(0, int(kChartArea.bottom()) + 150, kWidth, 900),
                 QStringLiteral("هر خرده مقياس از آزمودني هاي کليد گذاري شده اي که به هر شش سوال آن پاسخ داده اند و نمره "
                                "کل از آنان که به هر 90 سوال پاسخ داده اند. آلفاي کرونباخ از شش پاسخ ذخيره شده هر خرده "
                                "مقياس. اين ارقام از آزمودني هاي همين مرکز است، نه هنجار منتشر شده."),
                 small, Qt::AlignRight | Qt::AlignTop, true);
}

bool GroupSummaryReport::saveAsPdf(const QString &file, QString *error) const
{
    return PagedReport::saveAsPdf(file, QStringLiteral("GroupSummary"), error);
}

void GroupSummaryReport::show() const
{
    static QPointer<ReportPreview> preview;
    ReportPreview::showReport(preview, QStringLiteral("خلاصه گروه"), std::make_shared<const GroupSummaryReport>(*this),
                              QStringLiteral("Mehrsan-summary.pdf"));
}
