// SafeFile on Windows: the same steps as on Linux with the system's own
// calls. The hidden file is made with _wsopen_s (UTF-16 names, so Persian
// folders work), FlushFileBuffers (through _commit) puts it on disk, and
// MoveFileExW with MOVEFILE_WRITE_THROUGH replaces the destination and
// returns only once the new name is on disk too. The file is private through
// the ACLs of the user's profile folder it is written in.
#include "platform/SafeFile.h"

#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

namespace {
std::wstring native(const QString &path) { return QDir::toNativeSeparators(path).toStdWString(); }

// Six letters, as mkstemp makes them on Linux.
QString randomSuffix()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString s;
    for (int i = 0; i < 6; ++i)
        s += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
    return s;
}
}  // namespace

SafeFile::SafeFile(const QString &destination) : m_destination(QFileInfo(destination).absoluteFilePath()) {}

SafeFile::~SafeFile() { cancel(); }

bool SafeFile::fail(int code) { return fail(code, QString::fromLocal8Bit(std::strerror(code))); }

bool SafeFile::fail(int code, const QString &text)
{
    if (m_error == 0) {
        m_error = code;
        m_errorString = text;
    }
    cancel();
    return false;
}

bool SafeFile::open()
{
    cancel();
    m_error = 0;
    m_errorString.clear();
    m_written = 0;
    const QFileInfo target(m_destination);
    if (target.isDir())
        return fail(EISDIR);
    if (target.exists() && !target.isWritable())
        return fail(EACCES);
    const QString folder = target.absolutePath();
    if (!QFileInfo(folder).isDir())
        return fail(ENOENT);

    removeLeftovers(m_destination);
    const QString prefix = '.' + target.fileName() + '.';
    const QDir dir(folder);
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        const QString name = dir.filePath(prefix + randomSuffix());
        const errno_t e = _wsopen_s(&m_fd, native(name).c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY,
                                    _SH_DENYWR, _S_IREAD | _S_IWRITE);
        if (e == 0)
            m_temp = name;
        else if (e != EEXIST)
            return fail(e);
    }
    if (m_fd < 0)
        return fail(EEXIST);
    return true;
}

void SafeFile::removeLeftovers(const QString &destination)
{
    const QFileInfo target(destination);
    const QString prefix = '.' + target.fileName() + '.';
    QDir dir(target.absolutePath());
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (name.size() == prefix.size() + 6 && name.startsWith(prefix))
            dir.remove(name);
}

bool SafeFile::write(const char *data, qint64 size)
{
    if (m_fd < 0)
        return m_error ? false : fail(EBADF);
    qint64 done = 0;
    while (done < size) {
        const unsigned int chunk = unsigned(qMin<qint64>(size - done, 1 << 30));
        const int n = ::_write(m_fd, data + done, chunk);
        if (n < 0)
            return fail(errno);
        if (n == 0)
            return fail(EIO);
        done += n;
    }
    m_written += size;
    return true;
}

bool SafeFile::commit(const Verify &verify)
{
    if (m_fd < 0)
        return m_error ? false : fail(EBADF);
    if (::_commit(m_fd) != 0)  // FlushFileBuffers
        return fail(errno);
    struct _stati64 written;
    if (::_fstati64(m_fd, &written) != 0)
        return fail(errno);
    if (written.st_size != m_written)
        return fail(EIO, QStringLiteral("the file on disk holds %1 of %2 bytes").arg(written.st_size).arg(m_written));
    if (::_close(m_fd) != 0) {
        m_fd = -1;
        return fail(errno);
    }
    m_fd = -1;
    QString why;
    if (verify && !verify(m_temp, &why))
        return fail(EIO, why);
    if (!FileSystem::replace(m_temp, m_destination, &why))
        return fail(EACCES, why);
    m_temp.clear();
    // What now stands at the destination must be what was written.
    if (QFileInfo(m_destination).size() != m_written)
        return fail(EIO, QStringLiteral("the file on disk is not as long as what was written"));
    return true;
}

void SafeFile::cancel()
{
    if (m_fd >= 0) {
        ::_close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        _wunlink(native(m_temp).c_str());
        m_temp.clear();
    }
}
