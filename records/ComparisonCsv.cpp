#include "records/ComparisonCsv.h"

#include "platform/SafeFile.h"
#include "records/CsvExport.h"

namespace AC = AdministrationComparison;

namespace ComparisonCsv {

QStringList header()
{
    return {QStringLiteral("مقياس"), QStringLiteral("قبل"), QStringLiteral("بعد"), QStringLiteral("تفاوت"),
            QStringLiteral("تعداد گروه مرجع (n)"), QStringLiteral("انحراف معيار (SD)"), QStringLiteral("آلفاي کرونباخ (α)"),
            QStringLiteral("شاخص تغيير پايا (RCI)"), QStringLiteral("نتيجه")};
}

QList<QStringList> rows(const AC::Comparison &comparison)
{
    QList<QStringList> out;
    for (int s = 0; s < AC::kScales; ++s) {
        QStringList texts = AC::rowTexts(comparison, s, false);
        // A figure that is not there is an empty cell, which every
        // spreadsheet and statistics package reads as missing.
        for (int i = 3; i <= 6; ++i)
            if (texts[i] == QStringLiteral("—"))
                texts[i].clear();
        out << (QStringList{AC::scaleName(s)} + texts);
    }
    return out;
}

bool write(const AC::Comparison &comparison, const QString &file, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    QString text;
    auto line = [&text](const QStringList &fields, bool numbers) {
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (i > 0)
                text += u',';
            // The figures are the program's own numbers, negative ones
            // included: only the texts go through the guard against formulas.
            const bool figure = numbers && i > 0 && i < fields.size() - 1;
            text += figure ? fields[i] : CsvExport::field(fields[i]);
        }
        text += QStringLiteral("\r\n");
    };
    line(header(), false);
    for (const QStringList &row : rows(comparison))
        line(row, true);
    SafeFile out(file);
    if (!out.open())
        return fail(QStringLiteral("فايل ساخته نشد: ") + out.errorString());
    if (!out.write(QByteArray("\xEF\xBB\xBF") + text.toUtf8()) || !out.commit())
        return fail(QStringLiteral("نوشتن فايل ممکن نشد: ") + out.errorString());
    return true;
}

}  // namespace ComparisonCsv
