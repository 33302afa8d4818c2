#include "ReleaseSigning.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {
bool runSignify(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral("signify-openbsd"), arguments);
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QByteArray readAll(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

SignifyKey::SignifyKey(const QString &folder, const QString &name)
    : m_pub(QDir(folder).filePath(name + ".pub")), m_sec(QDir(folder).filePath(name + ".sec"))
{
    QFile::remove(m_pub);
    QFile::remove(m_sec);
    m_valid = runSignify({"-G", "-n", "-p", m_pub, "-s", m_sec});
}

SignifyKey SignifyKey::fromSecretKey(const QString &secretKeyFile)
{
    SignifyKey key;
    key.m_sec = secretKeyFile;
    key.m_pub = secretKeyFile.chopped(4) + ".pub";
    key.m_valid = QFile::exists(key.m_sec) && QFile::exists(key.m_pub);
    return key;
}

ReleaseManifest::PublisherKey SignifyKey::publisherKey() const
{
    ReleaseManifest::PublisherKey key;
    ReleaseManifest::parsePublicKey(readAll(m_pub), &key);
    return key;
}

QByteArray SignifyKey::sign(const QByteArray &message) const
{
    QTemporaryDir dir;
    const QString file = dir.filePath("setup-Zelq.exe.manifest");
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(message) != message.size())
        return QByteArray();
    f.close();
    if (!runSignify({"-S", "-s", m_sec, "-m", file}))
        return QByteArray();
    return readAll(file + ".sig");
}

QByteArray manifestFor(const QByteArray &setup, const QString &version, const QString &file)
{
    return "version " + version.toLatin1() + "\nfile " + file.toLatin1() + "\nsize " +
           QByteArray::number(setup.size()) + "\nsha256 " +
           QCryptographicHash::hash(setup, QCryptographicHash::Sha256).toHex() + "\n";
}
