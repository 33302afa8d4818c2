#include "reports/ResultSheet.h"

#include "platform/ProgramFolder.h"
#include "reports/ProfileChart.h"
#include "reports/ReportPainting.h"
#include "reports/ReportPreview.h"
#include "scoring/ScoringKey.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPointer>
#include <QRegularExpression>

#include <memory>

namespace {
constexpr int kWidth = 7230;
constexpr int kDetailHeight = 7620;
constexpr int kTopMargin = 1440;

struct Pair {
    const char *captionLabel;
    const char *caption;
    QRect captionBox;
    const char *valueLabel;
    QRect valueBox;
    const char *column;
};

// The subject line and the education line.
const Pair kSubject[] = {
    {"Label2", "کد", QRect(5472, 1152, 600, 465), "Label15", QRect(4752, 1152, 669, 465), "Code"},
    {"Label7", "گروه", QRect(4176, 1152, 576, 465), "Label16", QRect(3600, 1152, 669, 465), "Group"},
    {"Label10", "سن", QRect(3168, 1152, 432, 465), "Label19", QRect(2592, 1152, 669, 465), "Sen"},
    {"Label6", "جنس", QRect(2160, 1152, 432, 465), "Label20", QRect(1584, 1152, 669, 465), "Jens"},
    {"Label4", "تاهل", QRect(1152, 1152, 432, 465), "Label21", QRect(432, 1152, 813, 465), "Taahol"},
    {"Label3", "تحصيلات", QRect(4976, 1764, 900, 465), "Label22", QRect(3024, 1728, 1965, 465), "Tahsil"},
};

// The scores: the right column, then the left column.
const Pair kScores[] = {
    {"Label11", "خود آگاهي هيجاني ", QRect(4346, 2520, 1395, 345), "Label12", QRect(3852, 2538, 480, 339), "khodagahi"},
    {"Label8", "ابراز وجود", QRect(4346, 2961, 1395, 345), "Label17", QRect(3852, 2979, 480, 339), "ebrazevojood"},
    {"Label13", "عزت نفس ", QRect(4346, 3339, 1395, 345), "Label23", QRect(3852, 3357, 480, 339), "ezatenafs"},
    {"Label18", "خود شکوفايي", QRect(4346, 3780, 1395, 345), "Label24", QRect(3852, 3798, 480, 339), "khoodshkofaee"},
    {"Label25", "استقلال", QRect(4346, 4221, 1395, 345), "Label26", QRect(3852, 4239, 480, 339), "esteghlal"},
    {"Label27", "همدلي", QRect(4346, 4598, 1395, 345), "Label28", QRect(3852, 4617, 480, 339), "hamdeli"},
    {"Label30", "مسؤوليت پذيري اجتماعي", QRect(4346, 4977, 1395, 345), "Label31", QRect(3852, 4995, 480, 339), "masooliatpaz"},
    {"Label32", "روابط بين فردي", QRect(4346, 5418, 1395, 345), "Label33", QRect(3852, 5436, 480, 339), "ravabet"},
    {"Label43", "حل مسأله", QRect(1764, 2583, 1394, 345), "Label37", QRect(1260, 2601, 489, 339), "halemas"},
    {"Label34", "واقع گرايي", QRect(1764, 3024, 1394, 345), "Label35", QRect(1260, 2979, 489, 339), "vaghegaraee"},
    {"Label42", "انعطاف پذيري", QRect(1764, 3402, 1394, 345), "Label36", QRect(1260, 3420, 489, 339), "enetafpaz"},
    {"Label44", "تحمل فشار رواني", QRect(1764, 3843, 1394, 345), "Label38", QRect(1260, 3861, 489, 339), "tahalol"},
    {"Label45", "کنترل تکانش", QRect(1764, 4220, 1395, 345), "Label39", QRect(1269, 4239, 480, 339), "control"},
    {"Label46", "خوش بيني", QRect(1826, 4599, 1395, 345), "Label40", QRect(1269, 4617, 480, 339), "khooshbini"},
    {"Label47", "شادماني", QRect(1827, 5039, 1134, 345), "Label41", QRect(1260, 5039, 480, 345), "shadmani"},
    {"Label49", "نمره كل", QRect(1827, 5480, 1134, 345), "Label48", QRect(1260, 5480, 480, 345), "kol"},
};

const char kTitle[] = "پرسشنامه هوش هيجاني Tavor";
const char kAddressCaption[] = "آدرس";  // Label9

// The sheet's background: a light card with a double frame and a band
// behind the title.
void drawCard(QPainter &p)
{
    const QRect card(0, 0, 6330, kDetailHeight);
    QLinearGradient fill(card.topLeft(), card.bottomLeft());
    fill.setColorAt(0, QColor(0xfd, 0xfa, 0xf1));
    fill.setColorAt(1, QColor(0xf3, 0xee, 0xe0));
    p.fillRect(card, fill);
    p.fillRect(QRect(120, 120, 6090, 780), QColor(0xe3, 0xee, 0xea));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x2e, 0x6b, 0x5c), 30));
    p.drawRect(card.adjusted(45, 45, -45, -45));
    p.setPen(QPen(QColor(0x2e, 0x6b, 0x5c), 12));
    p.drawRect(card.adjusted(105, 105, -105, -105));
}

// The first page's background: the card, with hairlines under the subject
// lines and above the address.
void drawBackground(QPainter &p)
{
    drawCard(p);
    p.setPen(QPen(QColor(0x9d, 0xb8, 0xad), 10));
    p.drawLine(300, 2340, 6030, 2340);
    p.drawLine(300, 6100, 6030, 6100);
}

// Below the band, on a card of its own: the profile chart with the standing
// figures in two columns at its left, the total, and what the figures are
// relative to. The page's printable height is 13958 twips.
constexpr int kChartCardTop = kDetailHeight + 80;
const QRect kChartCard(0, kChartCardTop, 6330, 6240);
const QRect kChartTitleBox(300, kChartCardTop + 110, 5730, 380);
constexpr int kPercentileLeft = 1000;  // the percentile column, right of the standard score
constexpr int kStandardLeft = 250;
constexpr int kFigureWidth = 700;
constexpr int kHeadingsTop = kChartCardTop + 500;
const QRectF kChartArea(1750, kChartCardTop + 900, 4330, 3900);
constexpr int kTotalTop = kChartCardTop + 4900;
const QRect kTotalBand(250, kTotalTop - 20, 5830, 360);
const QRect kDescriptionBox(300, kTotalTop + 400, 5730, 520);
const QRect kReasonBox(300, kTotalTop + 930, 5730, 330);

void drawChartCard(QPainter &p)
{
    p.fillRect(kChartCard, QColor(0xfd, 0xfa, 0xf1));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x2e, 0x6b, 0x5c), 30));
    p.drawRect(kChartCard.adjusted(45, 45, -45, -45));
    p.setPen(QPen(QColor(0x2e, 0x6b, 0x5c), 12));
    p.drawRect(kChartCard.adjusted(105, 105, -105, -105));
}
}  // namespace

void ResultSheet::setCaption(const QString &label, const QString &text) { m_captions.insert(label, text); }

QString ResultSheet::valueLabelFor(const QString &column)
{
    for (const Pair &pair : kSubject)
        if (column.compare(QLatin1String(pair.column), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(pair.valueLabel);
    for (const Pair &pair : kScores)
        if (column.compare(QLatin1String(pair.column), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(pair.valueLabel);
    return QString();
}

QString ResultSheet::fixedCaption(const QString &label)
{
    if (label == QLatin1String("Title"))
        return QString::fromUtf8(kTitle);
    if (label == QLatin1String("Label9"))
        return QString::fromUtf8(kAddressCaption);
    for (const Pair &pair : kSubject)
        if (label == QLatin1String(pair.captionLabel))
            return QString::fromUtf8(pair.caption);
    for (const Pair &pair : kScores)
        if (label == QLatin1String(pair.captionLabel))
            return QString::fromUtf8(pair.caption);
    return QString();
}

QStringList ResultSheet::valueColumns()
{
    QStringList out;
    for (const Pair &pair : kSubject)
        out << QString::fromLatin1(pair.column);
    for (const Pair &pair : kScores)
        out << QString::fromLatin1(pair.column);
    return out;
}

QPageLayout ResultSheet::designedLayout() { return reportPageLayout(kWidth, kTopMargin); }

int ResultSheet::reportWidth() const { return kWidth; }

void ResultSheet::paintPage(ReportCanvas &canvas, int page) const
{
    if (page != 0)
        return;
    QPainter &painter = canvas.painter();
    painter.save();
    drawBackground(painter);
    painter.restore();

    const QFont nazanin = reportFont(QStringLiteral("B Nazanin"), 9.75, true);
    canvas.label(QRect(2079, 126, 2204, 756), QString::fromUtf8(kTitle),
                 reportFont(QStringLiteral("Arabic Transparent"), 14.25, true), Qt::AlignCenter, true);

    for (const Pair &pair : kSubject) {
        canvas.label(pair.captionBox, QString::fromUtf8(pair.caption), nazanin, Qt::AlignLeft | Qt::AlignVCenter);
        canvas.label(pair.valueBox, caption(QString::fromLatin1(pair.valueLabel)), nazanin,
                     QString::fromLatin1(pair.column) == QLatin1String("Tahsil") ? Qt::AlignRight | Qt::AlignVCenter
                                                                                 : Qt::AlignCenter);
    }
    for (const Pair &pair : kScores) {
        canvas.label(pair.captionBox, QString::fromUtf8(pair.caption), nazanin, Qt::AlignRight | Qt::AlignVCenter);
        canvas.label(pair.valueBox, caption(QString::fromLatin1(pair.valueLabel)), nazanin, Qt::AlignCenter);
    }

    // The clinic address, and the vendor's addresses on the web.
    canvas.label(QRect(5228, 6236, 639, 504), QString::fromUtf8(kAddressCaption), nazanin, Qt::AlignLeft | Qt::AlignTop);
    canvas.label(QRect(378, 6236, 4860, 810), caption(addressLabel()), nazanin, Qt::AlignRight | Qt::AlignTop, true);
    paintSiteLines(canvas, nazanin);
    paintChart(canvas);
}

void ResultSheet::paintSiteLines(ReportCanvas &canvas, const QFont &font)
{
    QString site = ProgramFolder::siteUrl();
    site.remove(QStringLiteral("http://")).remove(QStringLiteral("https://"));
    canvas.label(QRect(2160, 7012, 2010, 240), site, font, Qt::AlignCenter);
    canvas.label(QRect(2160, 7300, 2010, 240), site + QStringLiteral("/shop"), font, Qt::AlignCenter);
}

QStringList ResultSheet::chartScores() const
{
    QStringList out;
    for (const auto &subscale : ScoringKey::subscales())
        out << caption(valueLabelFor(QString::fromLatin1(subscale.column)));
    return out;
}

QRectF ResultSheet::chartArea() { return kChartArea; }

QFont ResultSheet::chartFont() { return reportFont(QStringLiteral("B Nazanin"), 9.75, true); }

void ResultSheet::paintChart(ReportCanvas &canvas) const
{
    QPainter &painter = canvas.painter();
    painter.save();
    drawChartCard(painter);
    painter.restore();

    const QFont nazanin = reportFont(QStringLiteral("B Nazanin"), 9.75, true);
    const QFont small = reportFont(QStringLiteral("B Nazanin"), 8.25, false);
    canvas.label(kChartTitleBox, QStringLiteral("نيمرخ نمره ها و جايگاه آزمودني در ميان آزمودني هاي اين مرکز"),
                 reportFont(QStringLiteral("Arabic Transparent"), 11.25, true), Qt::AlignCenter);
    canvas.label(QRect(kPercentileLeft, kHeadingsTop, kFigureWidth, 380), QStringLiteral("رتبه درصدي"), small,
                 Qt::AlignCenter, true);
    canvas.label(QRect(kStandardLeft, kHeadingsTop, kFigureWidth, 380), QStringLiteral("نمره استاندارد"), small,
                 Qt::AlignCenter, true);

    const QStringList scores = chartScores();
    painter.save();
    ProfileChart::paint(painter, scores, kChartArea, chartFont());
    painter.restore();

    // Each subscale's figures on its chart row, in the chart's own typeface.
    const ProfileChart::Layout chart = ProfileChart::layout(scores, kChartArea, chartFont());
    for (int i = 0; i < ScoringKey::kSubscaleCount; ++i) {
        const QRectF row = chart.rows[size_t(i)].captionBox;
        const int top = int(row.top());
        const int height = int(row.height());
        canvas.label(QRect(kPercentileLeft, top, kFigureWidth, height), m_standing.percentile[size_t(i)], chart.font,
                     Qt::AlignCenter);
        canvas.label(QRect(kStandardLeft, top, kFigureWidth, height), m_standing.standard[size_t(i)], chart.font,
                     Qt::AlignCenter);
    }

    // The total: caption, value and its figures on one band.
    painter.fillRect(kTotalBand, QColor(0xe3, 0xee, 0xea));
    const int last = Standing::kColumns - 1;
    const QRect line(0, kTotalTop, 0, 320);
    canvas.label(line.adjusted(4650, 0, 6000, 0), QString::fromUtf8(kScores[15].caption), nazanin,
                 Qt::AlignRight | Qt::AlignVCenter);
    canvas.label(line.adjusted(3600, 0, 4550, 0), caption(QString::fromLatin1(kScores[15].valueLabel)), nazanin,
                 Qt::AlignRight | Qt::AlignVCenter);
    canvas.label(line.adjusted(kPercentileLeft, 0, kPercentileLeft + kFigureWidth, 0), m_standing.percentile[size_t(last)],
                 nazanin, Qt::AlignCenter);
    canvas.label(line.adjusted(kStandardLeft, 0, kStandardLeft + kFigureWidth, 0), m_standing.standard[size_t(last)],
                 nazanin, Qt::AlignCenter);

    // What the figures are relative to, and why any is missing.
    canvas.label(kDescriptionBox, m_standing.description, small, Qt::AlignRight | Qt::AlignTop, true);
    canvas.label(kReasonBox, m_standing.reason, small, Qt::AlignRight | Qt::AlignTop, true);
}

bool ResultSheet::saveAsPdf(const QString &file, QString *error) const
{
    return PagedReport::saveAsPdf(file, QStringLiteral("DataR1"), error);
}

ResultSheet &ResultSheet::instance()
{
    static ResultSheet sheet;
    return sheet;
}

void ResultSheet::show() const
{
    static QPointer<ReportPreview> preview;
    // The proposed file name carries the code, with anything a file name
    // cannot hold replaced.
    QString code = caption(QStringLiteral("Label15")).trimmed();
    code.replace(QRegularExpression(QStringLiteral(R"([\\/:*?"<>|\s])")), QStringLiteral("_"));
    ReportPreview::showReport(preview, QStringLiteral("نتيجه آزمون آزمودني"), std::make_shared<const ResultSheet>(*this),
                              QStringLiteral("Mehrsan-%1.pdf").arg(code));
}
