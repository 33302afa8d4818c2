#include "platform/SafeFile.h"

#include "platform/Dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// A rename is durable only once the folder holding the name is on disk too.
void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
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
    QDir dir(folder);
    QByteArray pattern = QFile::encodeName(dir.filePath(prefix + QStringLiteral("XXXXXX")));
    m_fd = ::mkstemp(pattern.data());
    if (m_fd < 0)
        return fail(errno);
    m_temp = QFile::decodeName(pattern);
    // What is written holds records: its owner's alone, whatever the umask
    // (mkstemp makes it so; said again for whoever reads this).
    ::fchmod(m_fd, 0600);
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
        const ssize_t n = ::write(m_fd, data + done, size_t(size - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
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
    if (::fsync(m_fd) != 0)
        return fail(errno);
    struct stat written;
    if (::fstat(m_fd, &written) != 0)
        return fail(errno);
    if (written.st_size != m_written)
        return fail(EIO, QStringLiteral("the file on disk holds %1 of %2 bytes").arg(written.st_size).arg(m_written));
    if (::close(m_fd) != 0) {
        m_fd = -1;
        return fail(errno);
    }
    m_fd = -1;
    QString why;
    qint64 expected = m_written;
    if (verify) {
        if (!verify(m_temp, &why))
            return fail(EIO, why);
        // The check may change the copy itself (a restored backup loses what
        // is not the program's, and the file can shrink): what goes in place
        // is the copy as the check left it.
        expected = QFileInfo(m_temp).size();
    }
    // Everything that can fail is decided before the copy takes the name:
    // after the rename the destination is the new file, and that is success.
    if (std::rename(QFile::encodeName(m_temp).constData(), QFile::encodeName(m_destination).constData()) != 0)
        return fail(errno);
    m_temp.clear();
    syncFolder(QFileInfo(m_destination).absolutePath());
    if (QFileInfo(m_destination).size() != expected)
        qWarning("SafeFile: %s changed length as it took its name", qPrintable(m_destination));
    return true;
}

void SafeFile::cancel()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(QFile::encodeName(m_temp).constData());
        m_temp.clear();
    }
}

QString SafeFile::reason() const
{
    QString sentence;
    switch (m_error) {
    case ENOSPC:
    case EDQUOT:
        sentence = QStringLiteral("جاي خالي روي ديسک نيست؛ جا باز کنيد يا پوشه ديگري انتخاب کنيد.");
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        sentence = QStringLiteral("اجازه نوشتن در اين پوشه نيست؛ پوشه ديگري انتخاب کنيد.");
        break;
    case ENOENT:
        sentence = QStringLiteral("اين پوشه پيدا نشد؛ پوشه ديگري انتخاب کنيد.");
        break;
    case EISDIR:
        sentence = QStringLiteral("به اين نام پوشه اي هست؛ نام ديگري انتخاب کنيد.");
        break;
    default:
        sentence = QStringLiteral("ديسک نوشتن را نپذيرفت.");
        break;
    }
    return sentence + technicalDetail(m_errorString);
}
