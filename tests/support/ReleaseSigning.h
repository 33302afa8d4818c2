#pragma once
#include "updater/ReleaseManifest.h"

#include <QByteArray>
#include <QString>

// The publisher's side of a release, done with the real signify tool: a key
// pair, the manifest of a setup file, and the manifest's detached signature.
class SignifyKey
{
public:
    // A new key pair <name>.pub / <name>.sec in the folder (no passphrase).
    SignifyKey(const QString &folder, const QString &name);
    // An existing key pair, from its .sec file (the .pub beside it).
    static SignifyKey fromSecretKey(const QString &secretKeyFile);

    bool isValid() const { return m_valid; }
    QString publicKeyFile() const { return m_pub; }
    ReleaseManifest::PublisherKey publisherKey() const;
    // The .sig file signify -S writes for this message.
    QByteArray sign(const QByteArray &message) const;

private:
    SignifyKey() = default;
    QString m_pub, m_sec;
    bool m_valid = false;
};

// The manifest lines of a setup file's bytes.
QByteArray manifestFor(const QByteArray &setup, const QString &version = QStringLiteral("2.2"),
                       const QString &file = QStringLiteral("setup-Zelq.exe"));
