// What the statistics files share whichever formats the build writes: the
// format a name asks for and its name, the codes of sex and marital state,
// and the notice of values the file could not label.
#include "records/StatFileExport.h"

#include <QFileInfo>
#include <QStringList>

namespace StatFileExport {

QList<QPair<int, QString>> sexCodes() { return {{1, QStringLiteral("مرد")}, {2, QStringLiteral("زن")}}; }
QList<QPair<int, QString>> maritalCodes() { return {{1, QStringLiteral("مجرد")}, {2, QStringLiteral("متأهل")}}; }

Format formatOf(const QString &file)
{
    const QString suffix = QFileInfo(file).suffix().toLower();
    return suffix == QLatin1String("sav") ? Format::Sav : suffix == QLatin1String("dta") ? Format::Dta : Format::Csv;
}

QString formatName(Format format)
{
    return format == Format::Sav ? QStringLiteral("SPSS") : format == Format::Dta ? QStringLiteral("Stata") : QStringLiteral("CSV");
}

QString unlabelledNotice(const Unlabelled &unlabelled)
{
    QStringList lines;
    const auto line = [&](qint64 count, const QString &field, const QList<QPair<int, QString>> &codes) {
        if (count > 0)
            lines << QStringLiteral("%1 آزمودني در ستون «%2» مقداري جز «%3» و «%4» دارند؛ اين مقدار در فايل خالي "
                                    "(گمشده) آمده است.")
                         .arg(count)
                         .arg(field, codes.value(0).second, codes.value(1).second);
    };
    line(unlabelled.sex, QStringLiteral("جنس"), sexCodes());
    line(unlabelled.marital, QStringLiteral("وضعيت تأهل"), maritalCodes());
    if (lines.isEmpty())
        return QString();
    return lines.join(u'\n') + QStringLiteral("\nبراي درست کردن آن ها، مقدار را در ثبت آزمودني اصلاح کنيد و خروجي را "
                                               "دوباره بسازيد.");
}

}  // namespace StatFileExport
