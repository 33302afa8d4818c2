#pragma once
#include <QByteArray>
#include <QList>
#include <QPageLayout>
#include <QString>
#include <QStringList>

#include <memory>

#include "reports/ReportPainting.h"

class QWidget;
class TableView;

// The table of subjects: one ruled row per subject with its row number, code,
// group, age, sex, total and the fifteen scores under their abbreviations;
// the clinic name at the top, the clinic address at the end, the column
// headings at the top of every page. Printed for all subjects from the keying
// window and for one group from the subject-code window.
//
// A SubjectTableReport holds the rows it was given (its data source as it was read)
// and its two captions; it draws itself on any printer or PDF writer.
class SubjectTableReport : public PagedReport
{
public:
    SubjectTableReport() = default;

    // Takes the rows visible through the view now: its current filter, its
    // order. Later changes to the view do not change the report. False, with
    // a Persian reason, when the store could not take them (no temporary
    // table: no right to one on the server, a full temporary disk); the
    // report then holds no rows and must not be shown as if there were none.
    bool setDataSource(const TableView &view, QString *error = nullptr);
    static QString cannotBeMadeText(const QString &storeError);
    // Label9, the clinic name in the report header (designed caption: one blank).
    void setClinicName(const QString &name) { m_clinicName = name; }
    // Label14, the clinic address in the report footer.
    void setAddress(const QString &address) { m_address = address; }
    QString clinicName() const { return m_clinicName; }
    QString address() const { return m_address; }

    int rowCount() const;
    // A value of one data row (0-based) for an IDE column of the report.
    QString value(int row, const QString &column) const;
    // The printed caption of a fixed label: "Label3" the title, "Label15" the
    // address caption, a field's name ("txtCode") the heading over it.
    static QString fixedCaption(const QString &name);
    // The IDE columns the report prints, right to left after the row number.
    static QStringList columns();

    // How the rows fall on pages of the given printable height (twips).
    struct Page {
        int firstRow = 0;
        int rowCount = 0;
        bool reportHeader = false;
        bool reportFooter = false;
    };
    static QList<Page> paginate(int rows, double pageHeight);

    // A4 portrait, the table centred across it.
    static QPageLayout designedLayout();
    QPageLayout pageLayout() const override { return designedLayout(); }
    int reportWidth() const override;
    int pageCount(double pageHeight) const override;
    using PagedReport::pageCount;
    // Row numbers start at 1 on every printing and every showing.
    void paintPage(ReportCanvas &canvas, int page) const override;
    bool saveAsPdf(const QString &file, QString *error = nullptr) const;

    // The report of this run: created at its first use, reused by every print,
    // its captions staying until overwritten.
    static SubjectTableReport &instance();
    // Opens the preview window with this report (or shows the open one again
    // with it) and returns at once.
    void show() const;

private:
    QString m_clinicName = QStringLiteral(" ");
    QString m_address;
    // The rows taken, kept by the store: a million of them would take
    // hundreds of MB here.
    class Rows;
    std::shared_ptr<const Rows> m_rows;
    // The pages for the printable height they were worked out for.
    mutable QList<Page> m_pages;
    mutable double m_pagesFor = -1;
    const QList<Page> &pages(double pageHeight) const;
};

// The print commands of the windows in one call each: the rows of the view as
// it is filtered now (in its order), the clinic name for the header and the
// address for the footer. showSubjectTable fills the report of this run and
// opens its preview without waiting; saveSubjectTablePdf writes the same
// report straight to a PDF file. A print that keeps the header as the last
// print left it passes SubjectTableReport::instance().clinicName().
// A report that cannot be made is said so in a box over `owner`.
bool showSubjectTable(const TableView &view, const QString &clinicName, const QString &address,
                      QWidget *owner = nullptr);
bool saveSubjectTablePdf(const TableView &view, const QString &clinicName, const QString &address,
                         const QString &file, QString *error = nullptr);
