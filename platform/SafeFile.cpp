#include "platform/SafeFile.h"

#include "platform/Dialogs.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

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
    m_fd = FileSystem::createPrivateFile(folder, '.' + target.fileName() + '.', &m_temp);
    if (m_fd < 0)
        return fail(errno);
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
    if (const int code = FileSystem::writeAll(m_fd, data, size))
        return fail(code);
    m_written += size;
    return true;
}

bool SafeFile::commit(const Verify &verify)
{
    if (m_fd < 0)
        return m_error ? false : fail(EBADF);
    qint64 onDisk = 0;
    if (const int code = FileSystem::flushToDisk(m_fd, &onDisk))
        return fail(code);
    if (onDisk != m_written)
        return fail(EIO, QStringLiteral("the file on disk holds %1 of %2 bytes").arg(onDisk).arg(m_written));
    const int closed = FileSystem::closeFile(m_fd);
    m_fd = -1;
    if (closed)
        return fail(closed);
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
    // On Windows the replace lets the program's own lock on the destination
    // go for the rename and takes it again on the new file.
    errno = 0;
    if (!FileSystem::replace(m_temp, m_destination, &why))
        return fail(errno ? errno : EACCES, why);
    m_temp.clear();
    // A rename is durable only once the folder holding the name is on disk too.
    FileSystem::syncFolder(QFileInfo(m_destination).absolutePath());
    if (QFileInfo(m_destination).size() != expected)
        qWarning("SafeFile: %s changed length as it took its name", qPrintable(m_destination));
    return true;
}

void SafeFile::cancel()
{
    if (m_fd >= 0) {
        FileSystem::closeFile(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        FileSystem::removeFile(m_temp);
        m_temp.clear();
    }
}

QString SafeFile::reason() const
{
    QString sentence;
    switch (m_error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
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
