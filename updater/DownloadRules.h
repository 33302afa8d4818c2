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

struct Verdict {
    enum Action { ReadBody, Fail };
    Action action = Fail;
    QString error;             // the error text, for Fail
    qint64 expected = 0;       // bytes the server announced, for ReadBody
    bool lengthKnown = false;  // false: read until the server ends the body
};

// What the response says to do. `contentLengthValue` is the value of the
// Content-Length header (empty when absent); `url` names the file in the
// not-found message.
Verdict examineResponse(const QString &headerText, const QString &contentLengthValue, const QString &url);

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
QString notEnoughSpace();
QString connectionReset();
QString errorOccurred(const QString &description);
QString writeFailure(int code, const QString &description);

}  // namespace DownloadRules
