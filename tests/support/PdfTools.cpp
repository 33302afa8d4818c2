#include "PdfTools.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {
QString run(const QString &program, const QStringList &arguments, bool *ok = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(120000);
    if (ok)
        *ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    return QString::fromUtf8(process.readAllStandardOutput());
}
}  // namespace

namespace PdfTools {

int pageCount(const QString &file)
{
#ifdef Q_OS_WIN
    // Poppler's pdfinfo is a Linux program the Windows tests cannot start:
    // Qt writes each page as an object of its own, /Type /Page, in a whole
    // file from %PDF- to %%EOF.
    QFile pdf(file);
    if (!pdf.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = pdf.readAll();
    if (!bytes.startsWith("%PDF-") || !bytes.trimmed().endsWith("%%EOF"))
        return -1;
    return int(QString::fromLatin1(bytes).count(QRegularExpression(QStringLiteral(R"(/Type\s*/Page(?![A-Za-z]))"))));
#else
    bool ok = false;
    const QString info = run(QStringLiteral("pdfinfo"), {file}, &ok);
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral(R"(^Pages:\s+(\d+))"),
                                                         QRegularExpression::MultilineOption)
                                          .match(info);
    return ok && m.hasMatch() ? m.captured(1).toInt() : -1;
#endif
}

QString text(const QString &file, int first, int last)
{
    QStringList args{QStringLiteral("-enc"), QStringLiteral("UTF-8"), QStringLiteral("-f"), QString::number(first)};
    if (last > 0)
        args << QStringLiteral("-l") << QString::number(last);
    args << file << QStringLiteral("-");
    return run(QStringLiteral("pdftotext"), args);
}

QString plain(const QString &text)
{
    QString out = text.normalized(QString::NormalizationForm_KC);
    out.remove(QRegularExpression(QStringLiteral("[\\x{200E}\\x{200F}\\x{202A}-\\x{202E}\\x{2066}-\\x{2069}]")));
    out.replace(QChar(0x06CC), QChar(0x064A));
    out.replace(QChar(0x06A9), QChar(0x0643));
    return out.simplified();
}

QList<Word> words(const QString &file)
{
    const QString html = run(QStringLiteral("pdftotext"),
                             {QStringLiteral("-bbox"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), file,
                              QStringLiteral("-")});
    QList<Word> out;
    QXmlStreamReader xml(html);
    int page = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("page")) {
            ++page;
        } else if (xml.name() == QLatin1String("word")) {
            Word w;
            w.page = page;
            const auto a = xml.attributes();
            w.xMin = a.value(QLatin1String("xMin")).toDouble();
            w.yMin = a.value(QLatin1String("yMin")).toDouble();
            w.xMax = a.value(QLatin1String("xMax")).toDouble();
            w.yMax = a.value(QLatin1String("yMax")).toDouble();
            w.text = xml.readElementText();
            out << w;
        }
    }
    return out;
}

}  // namespace PdfTools
