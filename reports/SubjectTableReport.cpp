#include "reports/SubjectTableReport.h"

#include "data/TableView.h"
#include "reports/ReportPainting.h"
#include "reports/ReportPreview.h"

#include <QBuffer>
#include <QDir>
#include <QPointer>
#include <QTemporaryFile>

#include <array>
#include <memory>

namespace {
constexpr int kWidth = 9513;
constexpr int kReportHeaderHeight = 1605;
constexpr int kPageHeaderHeight = 390;
constexpr int kDetailHeight = 378;
constexpr int kReportFooterHeight = 378;
constexpr int kTopBottomMargin = 720;
constexpr char kSeparator = '\x1f';

struct Column {
    const char *heading;
    const char *field;   // the control's name in the report
    const char *column;  // IDE column; empty for the row number
    int headingLeft;  // as designed; a heading is centred over its field's cell
    int fieldLeft;
};

const char kTitle[] = "گزارش نتيجه تست  هوش هيجاني Tavor   ";  // Label3
const char kAddressCaption[] = ":آدرس";                           // Label15

// Right to left, as printed.
const std::array<Column, 21> kColumns = {{
    {"رديف", "Text1", "", 9021, 9046},
    {"کد", "txtCode", "Code", 8606, 8669},
    {"گروه", "txtGroup1", "Group", 8215, 8253},
    {"سن", "txtScore", "Sen", 7770, 7808},
    {"جنس", "Text6", "Jens", 7276, 7326},
    {"كل", "txtkol", "kol", 6809, 6841},
    {"ES", "txtkhodagahi", "khodagahi", 6395, 6425},
    {"AS", "txtebrazevojood", "ebrazevojood", 6009, 6009},
    {"SR", "txtezatenafs", "ezatenafs", 5556, 5518},
    {"SA", "txtkhoodshkofaee", "khoodshkofaee", 5102, 5103},
    {"IN", "txtesteghlal", "esteghlal", 4651, 4687},
    {"EM", "txthamdeli", "hamdeli", 4157, 4157},
    {"RE", "txtmasooliatpaz", "masooliatpaz", 3663, 3666},
    {"IR", "txtravabet", "ravabet", 3169, 3175},
    {"PS", "txthalemas", "halemas", 2721, 2759},
    {"RT", "txtvaghegaraee", "vaghegaraee", 2226, 2230},
    {"FL", "txtenetafpaz", "enetafpaz", 1736, 1739},
    {"ST", "txttahalol", "tahalol", 1285, 1323},
    {"IC", "txtcontrol", "control", 869, 869},
    {"OP", "txtkhooshbini", "khooshbini", 413, 454},
    {"HA", "txtshadmani", "shadmani", 0, 0},
}};

// The vertical rules of the table, left to right.
const std::array<int, 22> kRules = {0,    388,  828,  1280, 1698, 2180, 2682, 3126, 3620, 4114, 4608,
                                    5064, 5494, 5942, 6407, 6813, 7239, 7733, 8219, 8607, 9022, 9513};

// The cell between the rules around a field standing at `left`; headings and
// values are centred in their column's cell.
QRect cell(int left, int top, int height)
{
    int from = 0;
    for (int rule : kRules) {
        if (rule > left)
            return QRect(from + 15, top, rule - from - 30, height);
        from = rule;
    }
    return QRect(from, top, kWidth - from, height);
}

QFont tableFont() { return reportFont(QStringLiteral("B Nazanin"), 9.75, true); }

void drawPageHeader(ReportCanvas &canvas, int top)
{
    canvas.box(QRect(0, top, 9510, 378), QColor(0xE0, 0xE0, 0xE0));
    const QFont font = tableFont();
    for (const Column &c : kColumns) {
        canvas.label(cell(c.fieldLeft, top, kPageHeaderHeight), QString::fromUtf8(c.heading), font, Qt::AlignCenter);
    }
    canvas.vLines(kRules.data(), int(kRules.size()), top, top + kPageHeaderHeight);
    canvas.hLine(0, kWidth, top);
    canvas.hLine(0, kWidth, top + kPageHeaderHeight);
}
}  // namespace

QString SubjectTableReport::fixedCaption(const QString &name)
{
    if (name == QLatin1String("Label3"))
        return QString::fromUtf8(kTitle);
    if (name == QLatin1String("Label15"))
        return QString::fromUtf8(kAddressCaption);
    for (const Column &c : kColumns)
        if (name == QLatin1String(c.field))
            return QString::fromUtf8(c.heading);
    return QString();
}

QStringList SubjectTableReport::columns()
{
    QStringList out;
    for (const Column &c : kColumns)
        if (*c.column)
            out << QString::fromLatin1(c.column);
    return out;
}

// The packed rows (UTF-8 values separated by 0x1F) in a private temporary
// file, 0600 like every file of the program, with where each row starts;
// in memory only when no such file can be made.
class SubjectTableReport::Rows
{
public:
    Rows()
    {
        m_file.setFileTemplate(QDir::temp().filePath(QStringLiteral("mehrsan-report-XXXXXX")));
        if (m_file.open())
            m_device = &m_file;
        else if (m_memory.open(QIODevice::ReadWrite))
            m_device = &m_memory;
    }
    void append(const QByteArray &row)
    {
        m_starts.push_back(m_end);
        m_end += row.size();
        m_pending += row;
        if (m_pending.size() > (1 << 16))
            flush();
    }
    void flush()
    {
        if (m_device && !m_pending.isEmpty() && m_device->seek(m_device->size()))
            m_device->write(m_pending);
        m_pending.clear();
    }
    int count() const { return int(m_starts.size()); }
    QByteArray row(int index) const
    {
        const qint64 start = m_starts[size_t(index)];
        const qint64 end = size_t(index) + 1 < m_starts.size() ? m_starts[size_t(index) + 1] : m_end;
        if (!m_device || !m_device->seek(start))
            return QByteArray();
        return m_device->read(end - start);
    }

private:
    QTemporaryFile m_file;
    QBuffer m_memory;
    QIODevice *m_device = nullptr;
    std::vector<qint64> m_starts;
    qint64 m_end = 0;
    QByteArray m_pending;
};

void SubjectTableReport::setDataSource(const TableView &view)
{
    auto rows = std::make_shared<Rows>();
    m_pagesFor = -1;
    const QStringList names = columns();
    QStringList resolved;
    for (const QString &name : names)
        resolved << view.resolveColumn(name);
    // Read in slices, each from the key the one before ended on, so that a
    // large table is never one huge query result nor counted through.
    constexpr int kSlice = 1000;
    for (qint64 key = -1;;) {
        const auto slice = view.rowsAfter(key, kSlice, names, nullptr, &key);
        for (const auto &row : slice) {
            QByteArray packed;
            for (int i = 0; i < names.size(); ++i) {
                if (i)
                    packed += kSeparator;
                QString v = row.value(resolved[i]);
                packed += v.remove(QChar(kSeparator)).toUtf8();
            }
            rows->append(packed);
        }
        if (slice.size() < kSlice)
            break;
    }
    rows->flush();
    m_rows = rows;
}

int SubjectTableReport::rowCount() const { return m_rows ? m_rows->count() : 0; }

QList<QByteArray> SubjectTableReport::rowValues(int row) const
{
    if (!m_rows || row < 0 || row >= m_rows->count())
        return {};
    return m_rows->row(row).split(kSeparator);
}

QString SubjectTableReport::value(int row, const QString &column) const
{
    const int index = columns().indexOf(column);
    if (index < 0)
        return QString();
    return QString::fromUtf8(rowValues(row).value(index));
}

QList<SubjectTableReport::Page> SubjectTableReport::paginate(int rows, double pageHeight)
{
    QList<Page> pages;
    Page page;
    page.reportHeader = true;
    double y = kReportHeaderHeight + kPageHeaderHeight;
    for (int row = 0; row < rows; ++row) {
        // A row that does not fit starts a new page, unless the page holds no
        // row yet below its headers (a page too short for any row still
        // takes one, so that every row is printed).
        if (y + kDetailHeight > pageHeight && (page.rowCount > 0 || page.reportHeader)) {
            pages << page;
            page = Page();
            page.firstRow = row;
            y = kPageHeaderHeight;
        }
        if (page.rowCount == 0)
            page.firstRow = row;
        ++page.rowCount;
        y += kDetailHeight;
    }
    if (y + kReportFooterHeight > pageHeight && (page.rowCount > 0 || page.reportHeader)) {
        pages << page;
        page = Page();
        page.firstRow = rows;
    }
    page.reportFooter = true;
    pages << page;
    return pages;
}

QPageLayout SubjectTableReport::designedLayout() { return reportPageLayout(kWidth, kTopBottomMargin); }

int SubjectTableReport::reportWidth() const { return kWidth; }

const QList<SubjectTableReport::Page> &SubjectTableReport::pages(double pageHeight) const
{
    if (m_pagesFor != pageHeight) {
        m_pages = paginate(rowCount(), pageHeight);
        m_pagesFor = pageHeight;
    }
    return m_pages;
}

int SubjectTableReport::pageCount(double pageHeight) const { return int(pages(pageHeight).size()); }

void SubjectTableReport::paintPage(ReportCanvas &canvas, int pageIndex) const
{
    const QList<Page> &all = pages(canvas.pageHeight());
    if (pageIndex < 0 || pageIndex >= all.size())
        return;
    const Page &page = all[pageIndex];
    const QFont font = tableFont();
    const int fieldCount = int(kColumns.size());
    int y = 0;
    if (page.reportHeader) {
        canvas.box(QRect(0, 0, 9510, kReportHeaderHeight), QColor(0xC0, 0xC0, 0xC0));
        canvas.label(QRect(56, 113, 9373, 776), m_clinicName, reportFont(QStringLiteral("B Titr"), 14.25, true),
                     Qt::AlignCenter);
        canvas.label(QRect(1436, 945, 6105, 510), QString::fromUtf8(kTitle),
                     reportFont(QStringLiteral("B Nazanin"), 12, true), Qt::AlignCenter);
        y += kReportHeaderHeight;
    }
    drawPageHeader(canvas, y);
    y += kPageHeaderHeight;

    for (int r = page.firstRow; r < page.firstRow + page.rowCount; ++r) {
        const QList<QByteArray> values = rowValues(r);
        for (int c = 0; c < fieldCount; ++c) {
            const QString text = c == 0 ? QString::number(r + 1) : QString::fromUtf8(values.value(c - 1));
            // The first five fields are 360 high, the scores 240.
            const int height = c < 6 ? 360 : 240;
            canvas.label(cell(kColumns[c].fieldLeft, y + (kDetailHeight - height) / 2, height), text, font,
                         Qt::AlignCenter);
        }
        canvas.vLines(kRules.data(), int(kRules.size()), y, y + kDetailHeight);
        canvas.hLine(0, kWidth, y + kDetailHeight);
        y += kDetailHeight;
    }

    if (page.reportFooter) {
        const QFont mitra = reportFont(QStringLiteral("B Mitra"), 9.75, false);
        const QFont mitraBold = reportFont(QStringLiteral("B Mitra"), 9.75, true);
        canvas.label(QRect(252, y + 45, 4164, 288), QStringLiteral("تهيه شده با نرم افزار مهرسان"), mitra,
                     Qt::AlignLeft | Qt::AlignVCenter);
        canvas.label(QRect(3906, y, 5040, kReportFooterHeight), m_address, mitraBold,
                     Qt::AlignRight | Qt::AlignVCenter);
        canvas.label(QRect(8945, y, 555, kReportFooterHeight), QString::fromUtf8(kAddressCaption), mitraBold,
                     Qt::AlignRight | Qt::AlignVCenter, false, Qt::LeftToRight);
    }
}

bool SubjectTableReport::saveAsPdf(const QString &file, QString *error) const
{
    return PagedReport::saveAsPdf(file, QStringLiteral("DataRPrint"), error);
}

SubjectTableReport &SubjectTableReport::instance()
{
    static SubjectTableReport report;
    return report;
}

void SubjectTableReport::show() const
{
    static QPointer<ReportPreview> preview;
    ReportPreview::showReport(preview, QStringLiteral("گزارش نتيجه تست آزمودني ها"),
                              std::make_shared<const SubjectTableReport>(*this), QStringLiteral("Mehrsan-report.pdf"));
}

void showSubjectTable(const TableView &view, const QString &clinicName, const QString &address)
{
    SubjectTableReport &report = SubjectTableReport::instance();
    report.setDataSource(view);
    report.setClinicName(clinicName);
    report.setAddress(address);
    report.show();
}

bool saveSubjectTablePdf(const TableView &view, const QString &clinicName, const QString &address,
                         const QString &file, QString *error)
{
    SubjectTableReport report;
    report.setDataSource(view);
    report.setClinicName(clinicName);
    report.setAddress(address);
    return report.saveAsPdf(file, error);
}
