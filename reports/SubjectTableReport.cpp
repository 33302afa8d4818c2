#include "reports/SubjectTableReport.h"

#include "platform/Dialogs.h"

#include "data/Database.h"
#include "data/TableView.h"
#include "reports/ReportPainting.h"
#include "reports/ReportPreview.h"

#include <QPointer>
#include <QSqlQuery>

#include <array>
#include <memory>

namespace {
constexpr int kWidth = 9513;
constexpr int kReportHeaderHeight = 1605;
constexpr int kPageHeaderHeight = 390;
constexpr int kDetailHeight = 378;
constexpr int kReportFooterHeight = 378;
constexpr int kTopBottomMargin = 720;

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

// The rows taken, copied by the store itself into a temporary table of the
// program's connection (on the file, SQLite keeps it in a temporary file of
// its own, 0600 and without a name), numbered from 1 in the view's order:
// a page is read by its numbers when it is drawn, so neither the rows nor the
// time to reach the last page grow here with the table.
class SubjectTableReport::Rows
{
public:
    Rows(const TableView &view, const QStringList &columns)
        : m_table(QStringLiteral("report_rows_%1").arg(++s_tables)), m_columns(int(columns.size()))
    {
        const bool server = Database::isServer();
        QStringList defs{server ? QStringLiteral("n bigint PRIMARY KEY") : QStringLiteral("n INTEGER PRIMARY KEY")};
        QStringList select;
        for (int i = 0; i < m_columns; ++i) {
            defs << QStringLiteral("c%1 TEXT").arg(i);
            select << QStringLiteral("\"IDE\".") + Database::quoted(view.resolveColumn(columns[i]));
        }
        QSqlQuery q(Database::connection());
        // No right to temporary tables on the server, a full temporary disk:
        // the report is refused, never shown empty.
        if (!q.exec(QStringLiteral("CREATE TEMP TABLE %1 (%2)").arg(m_table, defs.join(u',')))) {
            m_error = Database::errorText(q.lastError());
            return;
        }
        m_made = true;
        // The file numbers the rows as they are inserted in order, ten times
        // faster than a window function; a server numbers them by one.
        QStringList targets;
        for (int i = 0; i < m_columns; ++i)
            targets << QStringLiteral("c%1").arg(i);
        QString sql = server ? QStringLiteral("INSERT INTO %1 SELECT ROW_NUMBER() OVER (ORDER BY \"IDE\".rowid), %2 FROM \"IDE\"")
                                   .arg(m_table, select.join(u','))
                             : QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM \"IDE\"")
                                   .arg(m_table, targets.join(u','), select.join(u','));
        const bool filtered = view.isFiltered();
        if (filtered)
            sql += view.filterColumn().isEmpty() ? QStringLiteral(" WHERE 1 = 0")
                                                 : QStringLiteral(" WHERE \"IDE\".") + Database::quoted(view.filterColumn()) +
                                                       QStringLiteral(" = ?");
        if (!server)
            sql += QStringLiteral(" ORDER BY \"IDE\".rowid");
        q.prepare(sql);
        if (filtered && !view.filterColumn().isEmpty())
            q.addBindValue(view.filterValue());
        if (q.exec() && q.exec(QStringLiteral("SELECT COALESCE(MAX(n), 0) FROM %1").arg(m_table)) && q.next())
            m_count = q.value(0).toInt();
        else
            m_error = Database::errorText(q.lastError());
    }
    // Empty when the rows were taken, else the store's reason.
    QString error() const { return m_error; }
    ~Rows()
    {
        if (m_made && Database::isOpen())
            QSqlQuery(Database::connection()).exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(m_table));
    }
    int count() const { return m_count; }
    // Rows first .. first + n - 1 (0-based), each its columns' values.
    QList<QStringList> range(int first, int n) const
    {
        QList<QStringList> out;
        QSqlQuery q(Database::connection());
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT * FROM %1 WHERE n > ? AND n <= ? ORDER BY n").arg(m_table));
        q.addBindValue(first);
        q.addBindValue(first + n);
        if (!q.exec())
            return out;
        while (q.next()) {
            QStringList row;
            for (int i = 1; i <= m_columns; ++i)
                row << q.value(i).toString();
            out << row;
        }
        return out;
    }

private:
    inline static int s_tables = 0;
    QString m_table;
    int m_columns = 0;
    bool m_made = false;
    int m_count = 0;
    QString m_error;
};

bool SubjectTableReport::setDataSource(const TableView &view, QString *error)
{
    m_pagesFor = -1;
    m_rows.reset();  // its table goes before the next is made
    auto rows = std::make_shared<Rows>(view, columns());
    if (!rows->error().isEmpty()) {
        if (error)
            *error = cannotBeMadeText(rows->error());
        return false;
    }
    m_rows = std::move(rows);
    return true;
}

QString SubjectTableReport::cannotBeMadeText(const QString &storeError)
{
    return QStringLiteral("گزارش جدول آزمودني ها ساخته نشد: بانک اطلاعاتي جايي براي آماده کردن رديف هاي گزارش نداد؛ "
                          "ديسک موقت پر است يا کاربر برنامه روي سرور اجازه ساختن جدول موقت ندارد.\n"
                          "آزمودني ها دست نخورده اند. از مسئول رايانه يا سرور بخواهيد جاي ديسک يا اين اجازه را "
                          "فراهم کند و گزارش را دوباره بگيريد.") +
           technicalDetail(storeError);
}

int SubjectTableReport::rowCount() const { return m_rows ? m_rows->count() : 0; }

QString SubjectTableReport::value(int row, const QString &column) const
{
    const int index = columns().indexOf(column);
    if (index < 0)
        return QString();
    if (!m_rows || row < 0 || row >= m_rows->count())
        return QString();
    return m_rows->range(row, 1).value(0).value(index);
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

    const QList<QStringList> rows = m_rows ? m_rows->range(page.firstRow, page.rowCount) : QList<QStringList>();
    for (int r = page.firstRow; r < page.firstRow + page.rowCount; ++r) {
        const QStringList values = rows.value(r - page.firstRow);
        for (int c = 0; c < fieldCount; ++c) {
            const QString text = c == 0 ? QString::number(r + 1) : values.value(c - 1);
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

bool showSubjectTable(const TableView &view, const QString &clinicName, const QString &address, QWidget *owner)
{
    SubjectTableReport &report = SubjectTableReport::instance();
    QString error;
    if (!report.setDataSource(view, &error)) {
        showMessage(owner, error, QStringLiteral("خطا"), QMessageBox::Warning);
        return false;
    }
    report.setClinicName(clinicName);
    report.setAddress(address);
    report.show();
    return true;
}

bool saveSubjectTablePdf(const TableView &view, const QString &clinicName, const QString &address,
                         const QString &file, QString *error)
{
    SubjectTableReport report;
    if (!report.setDataSource(view, error))
        return false;
    report.setClinicName(clinicName);
    report.setAddress(address);
    return report.saveAsPdf(file, error);
}
