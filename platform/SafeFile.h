#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

// Writes a file so that it replaces its destination only when every byte is
// verifiably on disk, readable and writable by its owner alone (0600). The
// bytes go to a hidden file beside the destination, each write straight to
// the system (no buffer that could fail later unnoticed); commit() syncs it, checks that the file on disk is exactly as
// long as what was written, and only then renames it over the destination.
// Any failure, or destruction before commit(), removes the hidden file and
// leaves the destination as it was.
//
// QSaveFile is not used: it has reported a successful commit() after its last
// buffered write failed on a full disk, leaving a 0-byte file in place.
class SafeFile
{
public:
    explicit SafeFile(const QString &destination);
    ~SafeFile();
    SafeFile(const SafeFile &) = delete;
    SafeFile &operator=(const SafeFile &) = delete;

    // Creates the hidden file (and clears such files left by a writer that was
    // cut off). The destination's folder must exist.
    bool open();
    bool isOpen() const { return m_fd >= 0; }
    bool write(const char *data, qint64 size);
    bool write(const QByteArray &bytes) { return write(bytes.constData(), bytes.size()); }
    qint64 written() const { return m_written; }
    // Checks the whole written file (under its hidden name) before it goes in
    // place: false, with the reason in *why, keeps the destination as it was.
    using Verify = std::function<bool(const QString &writtenFile, QString *why)>;
    bool commit(const Verify &verify = {});
    // Drops what was written; the destination stays as it was.
    void cancel();

    // Removes the hidden files of a destination left by a writer that was cut
    // off (a kill halfway through a copy). Only while no writer of it runs.
    static void removeLeftovers(const QString &destination);

    // The system's error number and description of the first failure.
    int error() const { return m_error; }
    QString errorString() const { return m_errorString; }
    // Why the write failed, for a box: a Persian sentence the reader can act
    // on, the system's own words behind the details control.
    QString reason() const;
    QString destination() const { return m_destination; }

private:
    bool fail(int code);
    bool fail(int code, const QString &text);

    QString m_destination;
    QString m_temp;
    int m_fd = -1;
    qint64 m_written = 0;
    int m_error = 0;
    QString m_errorString;
};
