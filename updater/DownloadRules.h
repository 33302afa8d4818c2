#pragma once
#include <QString>

// The decisions of one download, kept apart from the network and the file so
// that each rule can be checked on its own: what the response headers say, how
// the percentage is rounded, whether the disk has room, and how a download ends.
namespace DownloadRules {

// The status field of a response header text that begins with its status line
// ("HTTP/1.1 200 OK"): characters 10 to 12.
QString statusField(const QString &headerText);

// Content-Length as a byte count; false in `known` when the header is missing
// or does not begin with a number.
qint64 contentLength(const QString &value, bool *known);

// A 200 or 206 must say how long the body is: a body that only the closing
// connection ends cannot be told from one cut by a reset, and Qt takes a
// malformed chunked body for a whole one. Without a length the download is
// refused before anything is written.
struct Verdict {
    enum Action { ReadBody, Fail };
    Action action = Fail;
    QString error;             // the error text, for Fail
    qint64 expected = 0;       // bytes the server announced, for ReadBody
    bool lengthKnown = false;  // false: read until the server ends the body
};

// What the response says to do. `contentLengthValue` is the value of the
// Content-Length header (empty when absent); `url` names the file in the
// not-found message. `contentRangeValue` is that of Content-Range: every
// request asks for the whole file, so a 206 must say "bytes 0-(N-1)/N" with N
// its Content-Length; one that starts elsewhere, stops short or says nothing
// is refused rather than saved as the file. A Content-Length that is not one
// plain number (two headers arrive joined as "1000, 20051") and a
// Content-Encoding other than identity are refused too.
Verdict examineResponse(const QString &headerText, const QString &contentLengthValue, const QString &url,
                        const QString &contentRangeValue = QString(),
                        const QString &contentEncodingValue = QString());

// The first byte a Content-Range value ("bytes 500-999/1000") says the body
// starts at; -1 when it says no start.
qint64 rangeStart(const QString &contentRangeValue);

// received / expected as a whole percentage, halves going to the even neighbour.
int percent(qint64 received, qint64 expected);

// The disk has room when its free bytes reach the expected length.
bool enoughSpace(qint64 freeBytes, qint64 expected);

// How a download that got as far as its body ends.
enum class Outcome {
    Complete,  // every byte is in: the file goes into place, completion is raised
    Silent,    // cancelled, or an error was already raised: no further event
    Reset      // bytes are missing and nobody has been told yet
};
Outcome finish(qint64 received, qint64 expected, bool lengthKnown, bool bodyEndedCleanly, bool cancelled,
               bool errorRaised);

// The texts the control raises.
QString gettingInformation();
QString unknownLengthDescription();
QString notEnoughSpace();
QString connectionReset();
QString errorOccurred(const QString &description);
QString writeFailure(int code, const QString &description);

}  // namespace DownloadRules
