#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

// The publisher's signed description of a release, published beside the setup
// as setup-Zelq.exe.manifest:
//
//   version 2.2
//   file setup-Zelq.exe
//   size 20051
//   sha256 <64 hex digits>
//
// with its detached signature setup-Zelq.exe.manifest.sig, made by signify
// (Ed25519 over the manifest's bytes). Nothing is run unless the signature
// verifies against one of the publisher keys compiled into the program.
namespace ReleaseManifest {

// A signify public key: its 8-byte key number and its 32-byte Ed25519 key.
struct PublisherKey {
    QByteArray keyNumber;
    QByteArray publicKey;
};

// The text of a signify .pub file ("untrusted comment: …" and one base64
// line); false when it is not one.
bool parsePublicKey(const QByteArray &fileText, PublisherKey *key);

struct Manifest {
    QString version;
    QString file;
    qint64 size = -1;
    QByteArray sha256;  // 32 bytes
};

enum class Problem {
    None,
    NoKeys,          // this build carries no publisher key
    NoSignature,     // the .sig is not a signify signature
    UnknownKey,      // signed, but with a key this build does not carry
    BadSignature,    // the signature does not verify
    BadManifest,     // not the four lines, each once
    NotNewer,        // the version is not higher than the running program's
    WrongFile,       // the manifest names another file
};

struct Verdict {
    Problem problem = Problem::NoKeys;
    QString detail;  // what was found, for the message
    Manifest manifest;
};

// True when `version` is above `than`, compared part by part as numbers:
// 2.1.0 equals 2.1, 2.10 is above 2.9.
bool isNewer(const QString &version, const QString &than);

// Checks the manifest's signature against the keys, then its lines: a
// version above `runningVersion` and the file name `expectedFile`.
Verdict check(const QByteArray &manifest, const QByteArray &signatureFile, const QList<PublisherKey> &keys,
              const QString &runningVersion, const QString &expectedFile);

// The operator's message for a problem, in Persian.
QString problemText(const Verdict &verdict);

// Messages of the download that the manifest describes.
QString sizeMismatchText(qint64 announced, qint64 signedSize);
QString hashMismatchText();
QString fetchFailedText(const QString &what, const QString &why);

}  // namespace ReleaseManifest
