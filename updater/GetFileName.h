#pragma once
#include <QString>

// The file-name part of an http:// address: the text after its last "/" (the
// last character itself never counts), provided that text has a "." before its
// last character. Anything else, https:// included, gives empty text.
// "http://site/Soft/Zelq/setup-Zelq.exe" gives "setup-Zelq.exe",
// "http://www.zelq.ir" gives "www.zelq.ir", "http://site/dir/" gives "".
QString GetFileName(const QString &address);

// The last part of a path (isFileName) or everything up to and including its
// last separator. The separator is "/" for an address; a local path may use
// "/" or "\". A path without separator comes back whole.
QString PathPart(const QString &path, bool isFileName, bool isUrl);

// The path with a separator at its end.
QString WithTrailingBackslash(const QString &path);
