#include "records/StatFileExport.h"

#include "data/Database.h"
#include "platform/Dialogs.h"
#include "platform/SafeFile.h"
#include "scoring/ScoringKey.h"
#include "testrun/AnswerCoding.h"
#include "testrun/TestRunTexts.h"

#include <QFileInfo>
#include <QHash>

#include <readstat.h>

#include <memory>

namespace StatFileExport {
namespace {
enum class Kind { Text, Number, Sex, Marital, Answer };

struct Column {
    QString name;
    QString label;
    Kind kind;
    int item = 0;  // for answers: the item, whose direction picks the labels
};

const QString kTotalCaption = QStringLiteral("نمره كل");

// A subscale's caption by its column ("khodagahi") or its abbreviation ("ES");
// anything else is the total.
QString scaleCaption(const QString &columnOrAbbreviation)
{
    for (const auto &s : ScoringKey::subscales())
        if (columnOrAbbreviation == QLatin1String(s.column) || columnOrAbbreviation == QLatin1String(s.abbreviation))
            return QString::fromUtf8(s.caption);
    return kTotalCaption;
}

// The export's columns, named and ordered as the CSV's header, with what each holds.
QList<Column> columnsOf(const QStringList &extraNames)
{
    const QHash<QString, Column> identity = {
        {"Code", {"Code", QStringLiteral("کد آزمودني"), Kind::Text}},
        {"FName", {"FName", QStringLiteral("نام"), Kind::Text}},
        {"LName", {"LName", QStringLiteral("نام خانوادگي"), Kind::Text}},
        {"Group", {"Group", QStringLiteral("گروه"), Kind::Text}},
        {"Sen", {"Sen", QStringLiteral("سن"), Kind::Number}},
        {"Jens", {"Jens", QStringLiteral("جنس"), Kind::Sex}},
        {"Taahol", {"Taahol", QStringLiteral("وضعيت تأهل"), Kind::Marital}},
        {"Tahsil", {"Tahsil", QStringLiteral("تحصيلات"), Kind::Text}},
        {"Date", {"Date", QStringLiteral("تاريخ ثبت"), Kind::Text}},
        {"Time", {"Time", QStringLiteral("ساعت ثبت"), Kind::Text}},
    };
    QList<Column> columns;
    for (const QString &name : CsvExport::header()) {
        if (identity.contains(name))
            columns << identity.value(name);
        else if (name.startsWith('Q') && name.mid(1).toInt() > 0)
            columns << Column{name, QStringLiteral("پاسخ گويه %1").arg(name.mid(1)), Kind::Answer, name.mid(1).toInt()};
        else
            columns << Column{name, scaleCaption(name), Kind::Number};
    }
    // PR_<abbreviation> and SS_<abbreviation>, as the CSV names them.
    for (const QString &name : extraNames) {
        const QString kind = name.startsWith(QLatin1String("PR_")) ? QStringLiteral("رتبه درصدي") : QStringLiteral("نمره استاندارد");
        columns << Column{name, kind + ' ' + scaleCaption(name.mid(3)), Kind::Number};
    }
    return columns;
}

// The file ReadStat writes goes through SafeFile: whole or not at all.
ssize_t writeBytes(const void *data, size_t length, void *context)
{
    auto *out = static_cast<SafeFile *>(context);
    return out->write(static_cast<const char *>(data), qint64(length)) ? ssize_t(length) : -1;
}

bool number(const QString &text, double *value)
{
    bool ok = false;
    *value = text.trimmed().toDouble(&ok);
    return ok && !text.trimmed().isEmpty();
}

int codeOf(const QList<QPair<int, QString>> &codes, const QString &value)
{
    for (const auto &[code, text] : codes)
        if (text == value.trimmed())
            return code;
    return 0;
}
}  // namespace

QString dialogFilter() { return QStringLiteral("CSV|*.csv|SPSS|*.sav|Stata|*.dta"); }

bool write(Format format, const TableView &view, const QString &file, const CsvExport::Progress &progress,
           QString *error, qint64 *rowsWritten, const CsvExport::ExtraColumns &extra, Unlabelled *unlabelled)
{
    if (format == Format::Csv)
        return CsvExport::write(view, file, progress, error, rowsWritten, extra);
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (rowsWritten)
        *rowsWritten = 0;
    const QList<Column> columns = columnsOf(extra.names);

    // A first pass finds how many rows there are and how wide each text
    // column is: both formats fix them before the first row.
    QList<int> widths(columns.size(), 1);
    qint64 total = 0;
    const auto measure = [&](const QStringList &row) {
        for (qsizetype i = 0; i < columns.size(); ++i)
            if (columns[i].kind == Kind::Text)
                widths[i] = qMax(widths[i], int(row.value(int(i)).toUtf8().size()));
        return true;
    };
    if (!CsvExport::forEachRow(view, extra, {}, error, measure, &total))
        return false;

    SafeFile out(file);
    if (!out.open())
        return fail(QStringLiteral("فايل ساخته نشد: ") + out.reason());
    std::unique_ptr<readstat_writer_t, decltype(&readstat_writer_free)> writer(readstat_writer_init(),
                                                                              readstat_writer_free);
    readstat_set_data_writer(writer.get(), writeBytes);
    readstat_writer_set_file_label(writer.get(), "Mehrsan");
    if (format == Format::Dta)
        readstat_writer_set_file_format_version(writer.get(), 118);  // Stata 14 and later: UTF-8

    const auto labelSet = [&](const char *name, const QList<QPair<int, QString>> &codes) {
        readstat_label_set_t *set = readstat_add_label_set(writer.get(), READSTAT_TYPE_DOUBLE, name);
        for (const auto &[code, text] : codes)
            readstat_label_double_value(set, code, text.toUtf8().constData());
        return set;
    };
    // The stored answer is the option turned the item's way: on an ascending
    // item value k is option k, on a descending one option 6 - k.
    const QStringList options = {TestRunTexts::kOption1, TestRunTexts::kOption2, TestRunTexts::kOption3,
                                 TestRunTexts::kOption4, TestRunTexts::kOption5};
    QList<QPair<int, QString>> ascending, descending;
    for (int v = 1; v <= 5; ++v) {
        ascending << qMakePair(v, options[v - 1]);
        descending << qMakePair(v, options[5 - v]);
    }
    readstat_label_set_t *sex = labelSet("sex", sexCodes());
    readstat_label_set_t *marital = labelSet("marital", maritalCodes());
    readstat_label_set_t *answerUp = labelSet("answer_ascending", ascending);
    readstat_label_set_t *answerDown = labelSet("answer_descending", descending);

    QList<readstat_variable_t *> variables;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const Column &c = columns[i];
        const bool text = c.kind == Kind::Text;
        readstat_variable_t *v = readstat_add_variable(writer.get(), c.name.toUtf8().constData(),
                                                       text ? READSTAT_TYPE_STRING : READSTAT_TYPE_DOUBLE,
                                                       text ? size_t(widths[i]) : 0);
        readstat_variable_set_label(v, c.label.toUtf8().constData());
        if (c.kind == Kind::Sex)
            readstat_variable_set_label_set(v, sex);
        else if (c.kind == Kind::Marital)
            readstat_variable_set_label_set(v, marital);
        else if (c.kind == Kind::Answer)
            readstat_variable_set_label_set(v, AnswerCoding::isAscending(c.item) ? answerUp : answerDown);
        variables << v;
    }

    readstat_error_t status = format == Format::Sav ? readstat_begin_writing_sav(writer.get(), &out, long(total))
                                                    : readstat_begin_writing_dta(writer.get(), &out, long(total));
    const auto failed = [&](readstat_error_t e) {
        out.cancel();
        return fail(QStringLiteral("نوشتن فايل ممکن نشد: ") +
                    (out.error() ? out.reason() : technicalDetail(QString::fromUtf8(readstat_error_message(e)))));
    };
    if (status != READSTAT_OK)
        return failed(status);

    qint64 done = 0;
    const QList<QPair<int, QString>> sexes = sexCodes(), maritals = maritalCodes();
    Unlabelled notLabelled;
    const auto writeRow = [&](const QStringList &row) {
        // A subject registered since the first pass is left out: the file has
        // said how many rows it holds.
        if (done == total)
            return true;
        readstat_error_t rowStatus = readstat_begin_row(writer.get());
        for (qsizetype i = 0; rowStatus == READSTAT_OK && i < columns.size(); ++i) {
            const QString value = row.value(int(i));
            double x = 0;
            int code = 0;
            switch (columns[i].kind) {
            case Kind::Text:
                rowStatus = readstat_insert_string_value(writer.get(), variables[i], value.toUtf8().constData());
                break;
            case Kind::Sex:
            case Kind::Marital:
                code = codeOf(columns[i].kind == Kind::Sex ? sexes : maritals, value);
                // Empty is missing as entered; anything else unknown is counted and told.
                if (!code && !value.trimmed().isEmpty())
                    ++(columns[i].kind == Kind::Sex ? notLabelled.sex : notLabelled.marital);
                rowStatus = code ? readstat_insert_double_value(writer.get(), variables[i], code)
                                 : readstat_insert_missing_value(writer.get(), variables[i]);
                break;
            case Kind::Number:
            case Kind::Answer:
                // Empty, unanswered or not a number: system-missing, never 0.
                rowStatus = number(value, &x) ? readstat_insert_double_value(writer.get(), variables[i], x)
                                              : readstat_insert_missing_value(writer.get(), variables[i]);
                break;
            }
        }
        if (rowStatus == READSTAT_OK)
            rowStatus = readstat_end_row(writer.get());
        if (rowStatus != READSTAT_OK)
            return failed(rowStatus);
        ++done;
        return true;
    };
    if (!CsvExport::forEachRow(view, extra, progress, error, writeRow)) {
        out.cancel();
        return false;
    }
    // A subject deleted since the first pass leaves the file a row short.
    if (done != total)
        return failed(READSTAT_ERROR_ROW_COUNT_MISMATCH);
    status = readstat_end_writing(writer.get());
    if (status != READSTAT_OK)
        return failed(status);
    if (!out.commit())
        return fail(QStringLiteral("نوشتن فايل ممکن نشد: ") + out.reason());
    if (rowsWritten)
        *rowsWritten = done;
    if (unlabelled)
        *unlabelled = notLabelled;
    return true;
}

}  // namespace StatFileExport
