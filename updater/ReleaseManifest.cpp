#include "updater/ReleaseManifest.h"

#include "platform/Dialogs.h"

#include <QMap>
#include <QRegularExpression>
#include <QVersionNumber>

#include <openssl/evp.h>

#include <memory>

namespace ReleaseManifest {
namespace {
const QByteArray kAlgorithm = QByteArrayLiteral("Ed");

// A signify file: an untrusted comment line, then one line of base64 that
// starts with the algorithm "Ed" and the 8-byte key number.
bool parseSignifyFile(const QByteArray &text, int payloadSize, QByteArray *keyNumber, QByteArray *payload)
{
    const QList<QByteArray> lines = text.split('\n');
    // Two lines, each ended by a newline, as signify writes them.
    if (lines.size() != 3 || !lines[2].isEmpty() || !lines[0].startsWith("untrusted comment: "))
        return false;
    const auto decoded = QByteArray::fromBase64Encoding(lines[1], QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.size() != 2 + 8 + payloadSize || !decoded.decoded.startsWith(kAlgorithm))
        return false;
    *keyNumber = decoded.decoded.mid(2, 8);
    *payload = decoded.decoded.mid(10);
    return true;
}

bool verifyEd25519(const QByteArray &publicKey, const QByteArray &message, const QByteArray &signature)
{
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                    reinterpret_cast<const unsigned char *>(publicKey.constData()),
                                    size_t(publicKey.size())),
        EVP_PKEY_free);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!key || !context || EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return false;
    return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char *>(signature.constData()),
                            size_t(signature.size()), reinterpret_cast<const unsigned char *>(message.constData()),
                            size_t(message.size())) == 1;
}

Verdict with(Problem problem, const QString &detail = QString())
{
    Verdict v;
    v.problem = problem;
    v.detail = detail;
    return v;
}

// The four lines, each once and nothing else; *why names what is wrong.
bool parseManifest(const QByteArray &bytes, Manifest *m, QString *why)
{
    static const QRegularExpression version(QStringLiteral(R"(^\d{1,4}(\.\d{1,4}){0,3}$)"));
    static const QRegularExpression fileName(QStringLiteral(R"(^[A-Za-z0-9._-]{1,100}$)"));
    static const QRegularExpression size(QStringLiteral(R"(^\d{1,12}$)"));
    static const QRegularExpression sha256(QStringLiteral("^[0-9a-fA-F]{64}$"));
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QMap<QString, QString> fields;
    for (const QByteArray &line : lines) {
        const QString text = QString::fromLatin1(line);
        const int blank = int(text.indexOf(' '));
        const QString name = text.left(blank), value = blank < 0 ? QString() : text.mid(blank + 1);
        if (blank <= 0 || fields.contains(name)) {
            *why = text.left(40);
            return false;
        }
        fields.insert(name, value);
    }
    const QList<QPair<QString, const QRegularExpression *>> expected = {
        {"version", &version}, {"file", &fileName}, {"size", &size}, {"sha256", &sha256}};
    if (fields.size() != expected.size()) {
        *why = QStringLiteral("%1 lines").arg(fields.size());
        return false;
    }
    for (const auto &[name, form] : expected) {
        if (!fields.contains(name) || !form->match(fields.value(name)).hasMatch()) {
            *why = name + ' ' + fields.value(name).left(70);
            return false;
        }
    }
    m->version = fields.value("version");
    m->file = fields.value("file");
    m->size = fields.value("size").toLongLong();
    m->sha256 = QByteArray::fromHex(fields.value("sha256").toLatin1());
    return true;
}
}  // namespace

bool isNewer(const QString &version, const QString &than)
{
    // By number, part by part; trailing zero parts count for nothing (2.1.0
    // is 2.1), which QVersionNumber only does once normalized.
    return QVersionNumber::fromString(version).normalized() > QVersionNumber::fromString(than).normalized();
}

bool parsePublicKey(const QByteArray &fileText, PublisherKey *key)
{
    return parseSignifyFile(fileText, 32, &key->keyNumber, &key->publicKey);
}

Verdict check(const QByteArray &manifest, const QByteArray &signatureFile, const QList<PublisherKey> &keys,
              const QString &runningVersion, const QString &expectedFile)
{
    if (keys.isEmpty())
        return with(Problem::NoKeys);
    QByteArray keyNumber, signature;
    if (!parseSignifyFile(signatureFile, 64, &keyNumber, &signature))
        return with(Problem::NoSignature);
    const PublisherKey *signer = nullptr;
    for (const PublisherKey &k : keys)
        if (k.keyNumber == keyNumber)
            signer = &k;
    if (!signer)
        return with(Problem::UnknownKey, QString::fromLatin1(keyNumber.toHex()));
    if (!verifyEd25519(signer->publicKey, manifest, signature))
        return with(Problem::BadSignature);

    // Only now is the manifest the publisher's word.
    Verdict v;
    if (!parseManifest(manifest, &v.manifest, &v.detail)) {
        v.problem = Problem::BadManifest;
        return v;
    }
    if (!isNewer(v.manifest.version, runningVersion)) {
        v.problem = Problem::NotNewer;
        return v;
    }
    if (v.manifest.file != expectedFile) {
        v.problem = Problem::WrongFile;
        return v;
    }
    v.problem = Problem::None;
    return v;
}

QString problemText(const Verdict &v)
{
    const QString nothingRuns = QStringLiteral("\nچيزي اجرا نشد و فايل قبلي دست نخورد.");
    switch (v.problem) {
    case Problem::None:
        return QString();
    case Problem::NoKeys:
        return QStringLiteral("اين نسخه برنامه کليد ناشر را براي بررسي امضاي نسخه هاي تازه ندارد و آن ها را "
                              "خودکار نصب نمي کند.\nنسخه تازه را از سايت ناشر بگيريد و دستي نصب کنيد.");
    case Problem::NoSignature:
        return QStringLiteral("امضاي نسخه تازه در سايت نيست يا خوانا نيست؛ معلوم نيست ناشر آن را منتشر کرده باشد.") +
               nothingRuns;
    case Problem::UnknownKey:
        return QStringLiteral("نسخه تازه با کليدي امضا شده است که اين برنامه آن را کليد ناشر نمي شناسد.") +
               nothingRuns + technicalDetail(QStringLiteral("signify key id %1").arg(v.detail));
    case Problem::BadSignature:
        return QStringLiteral("امضاي نسخه تازه درست نيست: فهرست نسخه يا امضاي آن در راه تغيير کرده است.") + nothingRuns;
    case Problem::BadManifest:
        return QStringLiteral("فهرست امضاشده نسخه تازه خوانا نيست.") + nothingRuns + technicalDetail(v.detail);
    case Problem::NotNewer:
        return QStringLiteral("نسخه %1 در سايت از نسخه اين برنامه تازه تر نيست؛ نسخه قديمي تر دوباره نصب نمي شود.")
                   .arg(v.manifest.version) + nothingRuns;
    case Problem::WrongFile:
        return QStringLiteral("فهرست امضاشده نسخه تازه فايل ديگري را نام مي برد: %1").arg(leftToRight(v.manifest.file)) +
               nothingRuns;
    }
    return QString();
}

QString sizeMismatchText(qint64 announced, qint64 signedSize)
{
    return QStringLiteral("اندازه فايل نصب (%1 بايت) با اندازه امضاشده آن (%2 بايت) يکي نيست.\n"
                          "چيزي اجرا نشد و فايل قبلي دست نخورد.")
        .arg(announced)
        .arg(signedSize);
}

QString hashMismatchText()
{
    return QStringLiteral("فايل نصب دريافت شده با فايلي که ناشر امضا کرده است يکي نيست: فايل در راه تغيير "
                          "کرده است.\nچيزي اجرا نشد و فايل قبلي دست نخورد.") +
           technicalDetail(QStringLiteral("SHA-256 of the download differs from the signed manifest"));
}

QString fetchFailedText(const QString &what, const QString &why)
{
    // The download control's own words (English) are for whoever looks further.
    return QStringLiteral("%1 از سايت گرفته نشد؛ بدون آن معلوم نيست ناشر اين نسخه را منتشر کرده باشد.\n"
                          "چيزي اجرا نشد و فايل قبلي دست نخورد.").arg(what) +
           technicalDetail(why);
}

}  // namespace ReleaseManifest
