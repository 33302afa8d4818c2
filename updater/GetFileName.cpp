#include "updater/GetFileName.h"

QString GetFileName(const QString &address)
{
    const QString scheme = QStringLiteral("http://");
    if (address.size() < 2)
        return QString();
    if (!address.startsWith(scheme) || address == scheme)
        return QString();
    // The last character is never taken as the separator.
    const qsizetype slash = address.lastIndexOf('/', address.size() - 2);
    const QString name = address.mid(slash + 1);
    if (name.size() < 2 || name.lastIndexOf('.', name.size() - 2) < 0)
        return QString();
    return name;
}

QString PathPart(const QString &path, bool isFileName, bool isUrl)
{
    qsizetype last = path.lastIndexOf('/');
    if (!isUrl)
        last = qMax(last, path.lastIndexOf('\\'));
    if (last < 0)
        return path;
    return isFileName ? path.mid(last + 1) : path.left(last + 1);
}

QString WithTrailingBackslash(const QString &path)
{
    if (path.endsWith('/') || path.endsWith('\\'))
        return path;
    return path + '/';
}
