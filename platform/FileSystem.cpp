#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QRandomGenerator>
#include <qt_windows.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cstddef>
#include <vector>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace FileSystem {

#ifdef Q_OS_WIN
namespace {
// The system's own name of a path: backslashes, UTF-16.
std::wstring native(const QString &path) { return QDir::toNativeSeparators(path).toStdWString(); }

QString lastError() { return qt_error_string(int(GetLastError())); }

bool sync(const QString &path, DWORD flags)
{
    const HANDLE h = CreateFileW(native(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | flags, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = FlushFileBuffers(h);
    CloseHandle(h);
    return ok;
}

// The lock's byte lies far beyond the end of any database: SQLite locks
// bytes at one gigabyte and reads and writes below it, so neither is
// stopped by a lock up there.
constexpr DWORD kLockOffsetHigh = 0x7fffffff;

}  // namespace

Entry entry(const QString &path, bool followLinks)
{
    Entry e;
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    const DWORD attributes = GetFileAttributesW(native(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return e;
    e.exists = true;
    const bool link = attributes & FILE_ATTRIBUTE_REPARSE_POINT;
    e.regular = !(attributes & FILE_ATTRIBUTE_DIRECTORY) && (followLinks || !link);
    e.ownerWritable = !(attributes & FILE_ATTRIBUTE_READONLY);
    // Files are private through the ACLs of the user's profile; what the
    // owner may do is what the attribute allows.
    e.ownerReadWrite = e.ownerWritable;
    const HANDLE h = CreateFileW(native(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, flags, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileInformationByHandle(h, &info))
            e.links = info.nNumberOfLinks;
        CloseHandle(h);
    }
    if (e.links == 0)
        e.links = 1;
    return e;
}

bool mayReadWrite(const QString &path) { return _waccess(native(path).c_str(), 06) == 0; }

bool mayWrite(const QString &path) { return _waccess(native(path).c_str(), 02) == 0; }

// A file in the user's own profile is theirs; the ACLs decide who else may
// read it, and QFileInfo::ownerId has no meaning here.
bool ownedByMe(const QString &) { return true; }

bool syncFile(const QString &path) { return sync(path, 0); }

// Names in a folder are on disk once MoveFileExW returns with
// MOVEFILE_WRITE_THROUGH: there is nothing to sync.
bool syncFolder(const QString &) { return true; }

namespace {
// The rename as Linux makes it, for a destination that another handle holds
// open (the database under its lock, while a backup is put in its place):
// Windows 10 replaces the name and the old file goes when its last handle
// closes. MoveFileExW refuses that case.
bool replaceOpenDestination(const QString &from, const QString &to)
{
    constexpr DWORD kReplaceIfExists = 0x1, kPosixSemantics = 0x2;  // FILE_RENAME_FLAG_*
    constexpr auto kFileRenameInfoEx = FILE_INFO_BY_HANDLE_CLASS(22);  // Windows 10 1607 and later
    const HANDLE h = CreateFileW(native(from).c_str(), DELETE | SYNCHRONIZE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const std::wstring target = native(to);
    const size_t nameBytes = target.size() * sizeof(wchar_t);
    std::vector<char> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t), 0);
    auto *info = reinterpret_cast<FILE_RENAME_INFO *>(buffer.data());
    const DWORD flags = kReplaceIfExists | kPosixSemantics;
    std::memcpy(buffer.data(), &flags, sizeof flags);  // the union of ReplaceIfExists and Flags
    info->RootDirectory = nullptr;
    info->FileNameLength = DWORD(nameBytes);
    std::memcpy(info->FileName, target.c_str(), nameBytes);
    const bool ok = SetFileInformationByHandle(h, kFileRenameInfoEx, info, DWORD(buffer.size()));
    CloseHandle(h);
    return ok && sync(to, 0);
}

HANDLE openLocked(const QString &file, bool *blocked)
{
    *blocked = false;
    const HANDLE h = CreateFileW(native(file).c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return h;
    OVERLAPPED at = {};
    at.Offset = 0;
    at.OffsetHigh = kLockOffsetHigh;
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const DWORD code = GetLastError();
        *blocked = code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING;
        CloseHandle(h);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

// The locks this program holds, by number: Windows will not replace a file
// that a handle of its own holds open, so replace() lets such a lock go for
// the moment of the rename and takes it again on the file now at the name
// (the lock file beside the database keeps other programs out meanwhile).
struct HeldLock {
    QString file;
    HANDLE handle = INVALID_HANDLE_VALUE;
};
QMutex heldMutex;
QHash<LockHandle, HeldLock> &heldLocks()
{
    static QHash<LockHandle, HeldLock> held;
    return held;
}
LockHandle lastLock = 0;

bool sameFile(const QString &a, const QString &b)
{
    return QFileInfo(a).absoluteFilePath().compare(QFileInfo(b).absoluteFilePath(), Qt::CaseInsensitive) == 0;
}
}  // namespace

bool replace(const QString &from, const QString &to, QString *why)
{
    QMutexLocker locked(&heldMutex);
    QList<HeldLock *> onDestination;
    for (HeldLock &held : heldLocks())
        if (held.handle != INVALID_HANDLE_VALUE && sameFile(held.file, to)) {
            CloseHandle(held.handle);
            held.handle = INVALID_HANDLE_VALUE;
            onDestination << &held;
        }
    bool ok = MoveFileExW(native(from).c_str(), native(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    const DWORD code = ok ? 0 : GetLastError();
    if (!ok && (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION))
        ok = replaceOpenDestination(from, to);
    for (HeldLock *held : onDestination) {
        bool blocked = false;
        held->handle = openLocked(to, &blocked);
    }
    if (!ok && why)
        *why = qt_error_string(int(code));
    return ok;
}

int createPrivateFile(const QString &folder, const QString &prefix, QString *name)
{
    // Six letters, as mkstemp takes them on Linux. The file is private
    // through the ACLs of the user's profile folder it is made in.
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const QDir dir(folder);
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString candidate = dir.filePath(prefix);
        for (int i = 0; i < 6; ++i)
            candidate += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
        int fd = -1;
        const errno_t e = _wsopen_s(&fd, native(candidate).c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY,
                                    _SH_DENYWR, _S_IREAD | _S_IWRITE);
        if (e == 0) {
            *name = candidate;
            return fd;
        }
        if (e != EEXIST) {
            errno = e;
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}

int writeAll(int fd, const char *data, qint64 size)
{
    for (qint64 done = 0; done < size;) {
        const int n = ::_write(fd, data + done, unsigned(qMin<qint64>(size - done, 1 << 30)));
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        done += n;
    }
    return 0;
}

int flushToDisk(int fd, qint64 *size)
{
    struct _stati64 written;
    if (::_commit(fd) != 0 || ::_fstati64(fd, &written) != 0)  // _commit is FlushFileBuffers
        return errno;
    *size = written.st_size;
    return 0;
}

int closeFile(int fd) { return ::_close(fd) == 0 ? 0 : errno; }

void removeFile(const QString &path) { _wunlink(native(path).c_str()); }

bool hardLink(const QString &file, const QString &newName)
{
    return CreateHardLinkW(native(newName).c_str(), native(file).c_str(), nullptr);
}

LockHandle lockFile(const QString &file, bool *blocked)
{
    const HANDLE h = openLocked(file, blocked);
    if (h == INVALID_HANDLE_VALUE)
        return NoLock;
    QMutexLocker locked(&heldMutex);
    heldLocks().insert(++lastLock, HeldLock{file, h});
    return lastLock;
}

void unlockFile(LockHandle handle)
{
    QMutexLocker locked(&heldMutex);
    const HeldLock held = heldLocks().take(handle);
    if (held.handle != INVALID_HANDLE_VALUE)
        CloseHandle(held.handle);  // closing the handle lets the lock go
}

#else

Entry entry(const QString &path, bool followLinks)
{
    Entry e;
    struct stat st;
    const QByteArray name = QFile::encodeName(path);
    if ((followLinks ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st)) != 0)
        return e;
    e.exists = true;
    e.regular = S_ISREG(st.st_mode);
    e.ownerReadWrite = (st.st_mode & 0600) == 0600;
    e.ownerWritable = st.st_mode & S_IWUSR;
    e.links = qint64(st.st_nlink);
    return e;
}

bool mayReadWrite(const QString &path) { return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0; }

bool mayWrite(const QString &path) { return ::access(QFile::encodeName(path).constData(), W_OK) == 0; }

bool ownedByMe(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && st.st_uid == ::geteuid();
}

namespace {
bool syncPath(const QString &path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}
}  // namespace

bool syncFile(const QString &path) { return syncPath(path, O_RDONLY); }

// A rename is durable only once the folder holding the name is on disk too.
bool syncFolder(const QString &folder) { return syncPath(folder, O_RDONLY | O_DIRECTORY); }

bool replace(const QString &from, const QString &to, QString *why)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    if (why)
        *why = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

int createPrivateFile(const QString &folder, const QString &prefix, QString *name)
{
    QByteArray pattern = QFile::encodeName(QDir(folder).filePath(prefix + QStringLiteral("XXXXXX")));
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return -1;
    // What is written holds records: its owner's alone, whatever the umask
    // (mkstemp makes it so; said again for whoever reads this).
    ::fchmod(fd, 0600);
    *name = QFile::decodeName(pattern);
    return fd;
}

int writeAll(int fd, const char *data, qint64 size)
{
    for (qint64 done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        done += n;
    }
    return 0;
}

int flushToDisk(int fd, qint64 *size)
{
    struct stat written;
    if (::fsync(fd) != 0 || ::fstat(fd, &written) != 0)
        return errno;
    *size = written.st_size;
    return 0;
}

int closeFile(int fd) { return ::close(fd) == 0 ? 0 : errno; }

void removeFile(const QString &path) { ::unlink(QFile::encodeName(path).constData()); }

bool hardLink(const QString &file, const QString &newName)
{
    return ::link(QFile::encodeName(file).constData(), QFile::encodeName(newName).constData()) == 0;
}

// flock, not fcntl: SQLite's own fcntl locks on the file are not disturbed, and
// its closing a descriptor of the file does not let this lock go.
LockHandle lockFile(const QString &file, bool *blocked)
{
    *blocked = false;
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return NoLock;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        *blocked = errno == EWOULDBLOCK;
        ::close(fd);
        return NoLock;
    }
    return LockHandle(fd);
}

void unlockFile(LockHandle handle)
{
    if (handle != NoLock)
        ::close(int(handle));  // closing the descriptor lets the flock go
}

#endif

}  // namespace FileSystem
