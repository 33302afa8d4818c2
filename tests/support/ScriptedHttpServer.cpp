#include "ScriptedHttpServer.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

ScriptedHttpServer::ScriptedHttpServer()
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedHttpServer::accept);
}

ScriptedHttpServer::~ScriptedHttpServer() = default;

QString ScriptedHttpServer::baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }

void ScriptedHttpServer::script(const QList<Step> &steps, Ending ending)
{
    m_steps = steps;
    m_ending = ending;
}

void ScriptedHttpServer::respond(const QByteArray &statusLine, const QList<QByteArray> &headers,
                                 const QByteArray &body, Ending ending)
{
    QByteArray bytes = statusLine + "\r\n";
    for (const QByteArray &h : headers)
        bytes += h + "\r\n";
    bytes += "\r\n" + body;
    script({{bytes, 0}}, ending);
}

void ScriptedHttpServer::respondOk(const QByteArray &body)
{
    respond("HTTP/1.1 200 OK", {"Content-Length: " + QByteArray::number(body.size()), "Connection: close"}, body);
}

void ScriptedHttpServer::serveFile(const QByteArray &path, const QByteArray &body)
{
    m_fixed.insert(path, "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
                             "\r\nConnection: close\r\n\r\n" + body);
}

void ScriptedHttpServer::respondTrickled(const QByteArray &head, const QByteArray &body, int piece, int delayMs,
                                         Ending ending)
{
    QList<Step> steps{{head, 0}};
    for (qsizetype i = 0; i < body.size(); i += piece)
        steps.append({body.mid(i, piece), delayMs});
    script(steps, ending);
}

void ScriptedHttpServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        ++m_connections;
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            const QByteArray buffer = socket->property("received").toByteArray() + socket->readAll();
            socket->setProperty("received", buffer);
            const qsizetype end = buffer.indexOf("\r\n\r\n");
            if (end < 0 || socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            const QByteArray request = buffer.left(end + 4);
            m_requests.append(request);
            if (onRequest)
                onRequest(request);
            // A path with an answer of its own gets it whole, then the close.
            const QByteArray path = request.mid(request.indexOf(' ') + 1).split(' ').value(0);
            if (m_fixed.contains(path)) {
                socket->write(m_fixed.value(path));
                socket->disconnectFromHost();
                return;
            }
            m_sent = 0;
            serve(socket);
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void ScriptedHttpServer::serve(QTcpSocket *socket) { runStep(socket, 0); }

void ScriptedHttpServer::runStep(QTcpSocket *socket, int index)
{
    QPointer<QTcpSocket> guard(socket);
    if (index >= m_steps.size()) {
        socket->flush();
        switch (m_ending) {
        case Ending::Close:
            socket->disconnectFromHost();
            break;
        case Ending::Reset: {
            // A linger time of zero makes the close a reset.
            struct linger l{1, 0};
#ifdef Q_OS_WIN
            ::setsockopt(SOCKET(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char *>(&l),
                         sizeof l);
#else
            ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &l, sizeof l);
#endif
            socket->abort();
            break;
        }
        case Ending::Hold:
            break;
        }
        return;
    }
    const Step step = m_steps.at(index);
    auto send = [this, guard, step, index] {
        if (!guard || guard->state() != QAbstractSocket::ConnectedState)
            return;
        guard->write(step.bytes);
        guard->flush();
        m_sent += step.bytes.size();
        runStep(guard, index + 1);
    };
    if (step.delayMs > 0)
        QTimer::singleShot(step.delayMs, this, send);
    else
        send();
}

PythonHttpServer::PythonHttpServer(const QString &folder)
{
    m_process = new QProcess;
    for (int attempt = 0; attempt < 5 && !m_running; ++attempt) {
        {
            QTcpServer probe;
            probe.listen(QHostAddress::LocalHost, 0);
            m_port = probe.serverPort();
        }
        m_process->setStandardOutputFile(QProcess::nullDevice());
        m_process->setStandardErrorFile(QProcess::nullDevice());
        m_process->start(QStringLiteral("python3"),
                         {"-m", "http.server", QString::number(m_port), "--bind", "127.0.0.1", "--directory", folder});
        if (!m_process->waitForStarted(10000))
            continue;
        // Ready when it takes a connection.
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 10000 && m_process->state() == QProcess::Running) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, m_port);
            if (probe.waitForConnected(200)) {
                m_running = true;
                break;
            }
            QThread::msleep(50);
        }
        if (!m_running) {
            m_process->kill();
            m_process->waitForFinished(3000);
        }
    }
}

PythonHttpServer::~PythonHttpServer()
{
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(3000)) {
            m_process->kill();
            m_process->waitForFinished(3000);
        }
    }
    delete m_process;
}

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();  // free again once the probe is gone
}
