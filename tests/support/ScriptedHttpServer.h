#pragma once
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include <functional>

class QTcpSocket;

// An HTTP server on 127.0.0.1 that answers every request with a script of
// its own: raw bytes, pauses between them, and how the connection ends. It
// runs on the test's thread, served whenever the code under test lets
// events run. Each request head is kept for the test to look at.
class ScriptedHttpServer : public QObject
{
    Q_OBJECT
public:
    enum class Ending {
        Close,  // orderly close after the last step
        Reset,  // connection reset (RST) after the last step
        Hold    // keep the connection open and silent
    };
    struct Step {
        QByteArray bytes;
        int delayMs = 0;  // pause before these bytes are sent
    };

    ScriptedHttpServer();
    ~ScriptedHttpServer() override;

    quint16 port() const { return m_server.serverPort(); }
    QString baseUrl() const;           // http://127.0.0.1:<port>
    QString url(const QString &path) const { return baseUrl() + path; }

    // The script every request gets.
    void script(const QList<Step> &steps, Ending ending = Ending::Close);
    // A whole response in one piece: status line, headers (each "Name: value"), body.
    void respond(const QByteArray &statusLine, const QList<QByteArray> &headers, const QByteArray &body,
                 Ending ending = Ending::Close);
    // A 200 response with Content-Length.
    void respondOk(const QByteArray &body);
    // A plain 200 with this body for requests of this path ("/a/b.txt"),
    // whatever the script says for the others.
    void serveFile(const QByteArray &path, const QByteArray &body);
    // Headers at once, then the body in pieces of `piece` bytes, `delayMs` apart.
    void respondTrickled(const QByteArray &head, const QByteArray &body, int piece, int delayMs,
                         Ending ending = Ending::Close);

    QList<QByteArray> requests() const { return m_requests; }
    int connections() const { return m_connections; }
    // Bytes of the script sent so far on the latest connection.
    qint64 bytesSent() const { return m_sent; }
    // Runs when a complete request head has arrived, before the answer starts.
    std::function<void(const QByteArray &request)> onRequest;

private:
    void accept();
    void serve(QTcpSocket *socket);
    void runStep(QTcpSocket *socket, int index);

    QTcpServer m_server;
    QList<Step> m_steps;
    QHash<QByteArray, QByteArray> m_fixed;
    Ending m_ending = Ending::Close;
    QList<QByteArray> m_requests;
    int m_connections = 0;
    qint64 m_sent = 0;
};

// Starts "python3 -m http.server" on a free port of 127.0.0.1, serving a folder;
// stopped when destroyed.
class PythonHttpServer
{
public:
    explicit PythonHttpServer(const QString &folder);
    ~PythonHttpServer();
    bool isRunning() const { return m_running; }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    QString url(const QString &path) const { return baseUrl() + path; }

private:
    class QProcess *m_process = nullptr;
    quint16 m_port = 0;
    bool m_running = false;
};

// A port on 127.0.0.1 that nothing listens on.
quint16 closedPort();
