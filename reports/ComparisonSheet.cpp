#include "reports/ComparisonSheet.h"

#include "platform/Dialogs.h"
#include "reports/ReportPreview.h"
#include "scoring/ScoringKey.h"

#include <QPainter>
#include <QPointer>
#include <QRegularExpression>

#include <algorithm>
#include <utility>

namespace AC = AdministrationComparison;

namespace {
constexpr int kWidth = 9500;
constexpr int kMargin = 1000;
const QColor kBand(0xe3, 0xee, 0xea);
const QColor kFrame(0x2e, 0x6b, 0x5c);
const QColor kWarning(0xfb, 0xee, 0xd9);

// The table, right to left: the scale's name, then the figures.
constexpr int kNameWidth = 2500;
constexpr int kFigureWidth = 1000;
constexpr int kIndexWidth = 1200;
constexpr int kHeadHeight = 300;
constexpr int kRowHeight = 255;

// The foot's table of the reference: one column per scale.
constexpr int kFootCaptionWidth = 1100;

QStringList legendScores(const std::array<qint64, AC::kScales> &scores)
{
    const QStringList columns = AC::scaleColumns();
    QStringList out;
    for (const auto &subscale : ScoringKey::subscales())
        out << QString::number(scores[size_t(columns.indexOf(QString::fromLatin1(subscale.column)))]);
    return out;
}

QString abbreviation(int scale)
{
    const int index = ScoringKey::indexOfColumn(AC::scaleColumns().value(scale));
    return index < 0 ? QStringLiteral("كل") : QString::fromLatin1(ScoringKey::subscales()[size_t(index)].abbreviation);
}
}  // namespace

QList<ProfileChart::Line> ComparisonSheet::profileLines(const AC::Comparison &comparison)
{
    ProfileChart::Line before{legendScores(comparison.before.scores), kFrame, Qt::SolidLine, false,
                              QStringLiteral("قبل (%1)").arg(leftToRight(comparison.before.code))};
    ProfileChart::Line after{legendScores(comparison.after.scores), QColor(0xb0, 0x3a, 0x1e), Qt::DashLine, true,
                             QStringLiteral("بعد (%1)").arg(leftToRight(comparison.after.code))};
    return {before, after};
}

QString ComparisonSheet::proposedFileName(const AC::Comparison &comparison, const QString &suffix)
{
    auto safe = [](QString code) {
        return code.trimmed().replace(QRegularExpression(QStringLiteral(R"([\\/:*?"<>|\s])")), QStringLiteral("_"));
    };
    return QStringLiteral("Mehrsan-compare-%1-%2.%3").arg(safe(comparison.before.code), safe(comparison.after.code), suffix);
}

QPageLayout ComparisonSheet::designedLayout() { return reportPageLayout(kWidth, kMargin); }

int ComparisonSheet::reportWidth() const { return kWidth; }

void ComparisonSheet::paintPage(ReportCanvas &canvas, int page) const
{
    if (page != 0)
        return;
    QPainter &painter = canvas.painter();
    const QFont titleFont = reportFont(QStringLiteral("B Titr"), 14.25, true);
    const QFont bold = reportFont(QStringLiteral("B Nazanin"), 9.75, true);
    const QFont plain = reportFont(QStringLiteral("B Nazanin"), 9.75, false);
    const QFont small = reportFont(QStringLiteral("B Nazanin"), 8.25, false);
    const QFont smallBold = reportFont(QStringLiteral("B Nazanin"), 8.25, true);
    const AC::Comparison &c = m_comparison;

    // The title on the sheet's band, framed as the result sheet is.
    painter.fillRect(QRect(0, 0, kWidth, 560), kBand);
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kFrame, 20));
    painter.drawRect(QRect(0, 0, kWidth, 560).adjusted(30, 30, -30, -30));
    painter.restore();
    canvas.label(QRect(0, 0, kWidth, 560), title(), titleFont, Qt::AlignCenter);

    int y = 620;
    for (const auto &[caption, who] : {std::pair{QStringLiteral("قبل:"), &c.before}, std::pair{QStringLiteral("بعد:"), &c.after}}) {
        canvas.label(QRect(kWidth - 700, y, 700, 300), caption, bold, Qt::AlignRight | Qt::AlignVCenter);
        canvas.label(QRect(0, y, kWidth - 700, 300), AC::registrationLine(*who), plain, Qt::AlignRight | Qt::AlignVCenter);
        y += 310;
    }
    y += 40;
    for (const QString &warning : c.warnings) {
        const QRect box(0, y, kWidth, 430);
        painter.fillRect(box, kWarning);
        canvas.label(box.adjusted(60, 20, -60, -20), QStringLiteral("هشدار: ") + warning, small,
                     Qt::AlignRight | Qt::AlignVCenter, true);
        y += 460;
    }
    y += 60;

    // The table, ruled, its headings on a grey band.
    const int tableTop = y;
    const QStringList heads = {QStringLiteral("قبل"), QStringLiteral("بعد"), QStringLiteral("تفاوت"),
                               QStringLiteral("شاخص تغيير پايا (RCI)"), QStringLiteral("نتيجه")};
    const int widths[] = {kFigureWidth, kFigureWidth, kFigureWidth, kIndexWidth,
                          kWidth - kNameWidth - 3 * kFigureWidth - kIndexWidth};
    painter.fillRect(QRect(0, tableTop, kWidth, kHeadHeight), QColor(0xe0, 0xe0, 0xe0));
    canvas.label(QRect(kWidth - kNameWidth, tableTop, kNameWidth, kHeadHeight).adjusted(0, 0, -60, 0),
                 QStringLiteral("مقياس"), bold, Qt::AlignRight | Qt::AlignVCenter);
    QList<int> xs = {0, kWidth, kWidth - kNameWidth};
    {
        int right = kWidth - kNameWidth;
        for (int i = 0; i < heads.size(); ++i) {
            canvas.label(QRect(right - widths[i], tableTop, widths[i], kHeadHeight), heads[i], smallBold, Qt::AlignCenter);
            right -= widths[i];
            xs << right;
        }
    }
    for (int s = 0; s < AC::kScales; ++s) {
        const int top = tableTop + kHeadHeight + s * kRowHeight;
        const bool total = s == AC::kScales - 1;
        if (total)
            painter.fillRect(QRect(0, top, kWidth, kRowHeight), QColor(0xf1, 0xf5, 0xf3));
        canvas.label(QRect(kWidth - kNameWidth, top, kNameWidth, kRowHeight).adjusted(0, 0, -60, 0), AC::scaleName(s),
                     total ? bold : plain, Qt::AlignRight | Qt::AlignVCenter);
        const QStringList texts = AC::rowTexts(c, s);
        const QStringList shown = {texts[0], texts[1], texts[2], texts[6], texts[7]};
        int right = kWidth - kNameWidth;
        for (int i = 0; i < shown.size(); ++i) {
            const bool verdict = i == shown.size() - 1;
            // Figures are laid out left to right, so that a minus stays at their left.
            canvas.label(QRect(right - widths[i], top, widths[i], kRowHeight), shown[i],
                         verdict && c.rows[size_t(s)].verdict != AC::Verdict::NoChange ? bold : plain, Qt::AlignCenter,
                         false, verdict ? Qt::RightToLeft : Qt::LeftToRight);
            right -= widths[i];
        }
    }
    const int tableBottom = tableTop + kHeadHeight + AC::kScales * kRowHeight;
    canvas.hLine(0, kWidth, tableTop);
    for (int r = 0; r <= AC::kScales; ++r)
        canvas.hLine(0, kWidth, tableTop + kHeadHeight + r * kRowHeight);
    std::sort(xs.begin(), xs.end());
    canvas.vLines(xs.constData(), int(xs.size()), tableTop, tableBottom);
    y = tableBottom + 50;

    canvas.label(QRect(0, y, kWidth, 420), AC::directionText(), small, Qt::AlignRight | Qt::AlignTop, true);
    y += 440;

    // Both profiles on the result sheet's chart, with their key above it.
    const QList<ProfileChart::Line> lines = profileLines(c);
    painter.save();
    ProfileChart::paintKey(painter, lines, QRectF(600, y, kWidth - 1200, 260), small);
    painter.restore();
    y += 300;
    const QRectF chartArea(600, y, kWidth - 1200, 3700);
    painter.save();
    ProfileChart::paintLines(painter, lines, chartArea, bold);
    painter.restore();
    y = int(chartArea.bottom()) + 80;

    // The foot: the formula, whom it is measured against, and the reference's
    // figures of every scale.
    painter.fillRect(QRect(0, y, kWidth, 12), kFrame);
    y += 40;
    canvas.label(QRect(0, y, kWidth, 280), AC::formulaText(), bold, Qt::AlignCenter, false, Qt::LeftToRight);
    y += 280;
    canvas.label(QRect(0, y, kWidth, 700),
                 QStringLiteral("SD و α هر مقياس از %1؛ هر خرده مقياس از آنان که به هر شش سوال آن پاسخ داده اند، نمره "
                                "کل از آنان که به هر 90 سوال پاسخ داده اند (α آن با پانزده خرده مقياس به عنوان اجزاي آن).")
                     .arg(c.referenceDescription),
                 small, Qt::AlignRight | Qt::AlignTop, true);
    y += 720;
    const int columnWidth = (kWidth - kFootCaptionWidth) / AC::kScales;
    const QStringList footCaptions = {QStringLiteral("مقياس"), QStringLiteral("n"), QStringLiteral("SD"),
                                      QStringLiteral("α")};
    constexpr int kFootRow = 230;
    for (int r = 0; r < footCaptions.size(); ++r)
        canvas.label(QRect(kWidth - kFootCaptionWidth, y + r * kFootRow, kFootCaptionWidth, kFootRow).adjusted(0, 0, -40, 0),
                     footCaptions[r], smallBold, Qt::AlignRight | Qt::AlignVCenter);
    painter.fillRect(QRect(0, y, kWidth, kFootRow), QColor(0xe0, 0xe0, 0xe0));
    for (int s = 0; s < AC::kScales; ++s) {
        const int right = kWidth - kFootCaptionWidth - s * columnWidth;
        const QStringList texts = AC::rowTexts(c, s);
        const QStringList cells = {abbreviation(s), texts[3], texts[4], texts[5]};
        for (int r = 0; r < cells.size(); ++r)
            canvas.label(QRect(right - columnWidth, y + r * kFootRow, columnWidth, kFootRow), cells[r],
                         r == 0 ? smallBold : small, Qt::AlignCenter, false, Qt::LeftToRight);
    }
    for (int r = 0; r <= footCaptions.size(); ++r)
        canvas.hLine(0, kWidth, y + r * kFootRow);
    QList<int> footXs = {0, kWidth};
    for (int s = 0; s < AC::kScales; ++s)
        footXs << kWidth - kFootCaptionWidth - s * columnWidth;
    std::sort(footXs.begin(), footXs.end());
    canvas.vLines(footXs.constData(), int(footXs.size()), y, y + int(footCaptions.size()) * kFootRow);
    y += int(footCaptions.size()) * kFootRow + 60;

    const QStringList notes = AC::notes(c);
    for (int i = 0; i < notes.size(); ++i) {
        canvas.label(QRect(0, y, kWidth, 240), QStringLiteral("(%1) %2").arg(i + 1).arg(notes[i]), small,
                     Qt::AlignRight | Qt::AlignVCenter);
        y += 240;
    }
}

bool ComparisonSheet::saveAsPdf(const QString &file, QString *error) const
{
    return PagedReport::saveAsPdf(file, QStringLiteral("Compare"), error);
}

void ComparisonSheet::show() const
{
    static QPointer<ReportPreview> preview;
    ReportPreview::showReport(preview, title(), std::make_shared<const ComparisonSheet>(*this),
                              proposedFileName(m_comparison, QStringLiteral("pdf")));
}
