#include "net/DaytimeClient.h"

#include <QTcpSocket>

TDaytimeClient::TDaytimeClient(QObject* parent) : TNetClient(parent)
{
    port = DefaultPort;
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &TDaytimeClient::onTimeOut);
}

TDaytimeClient::~TDaytimeClient()
{
    release();
}

bool TDaytimeClient::requestDayTime()
{
    if (m_socket)
        return false;
    resetState();
    m_buffer.clear();
    m_answer.clear();

    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::hostFound, this, &TNetClient::hostResolved);
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        status(2, QStringLiteral("Connesso a %1").arg(host));
        emit connected();
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &TDaytimeClient::onReadyRead);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &TDaytimeClient::onError);
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        emit disconnected();
        succeed();
    });

    m_timer.start(qMax(1, timeOutMs));
    status(1, QStringLiteral("Connessione a %1...").arg(host));
    if (host.isEmpty() || port == 0) {
        // Reported from the event loop like every other outcome, so callers
        // never see finished() before requestDayTime() returns.
        QTimer::singleShot(0, this, [this] {
            if (m_socket)
                fail(ErrInvalidArgument, QStringLiteral("indirizzo del server mancante"));
        });
        return true;
    }
    m_socket->connectToHost(host, port);
    return true;
}

// The answer is one line: once it is complete it is used at once, so the
// time is taken when it arrived, however long the server keeps the
// connection open afterwards.
bool TDaytimeClient::hasCompleteLine() const
{
    const qsizetype lineEnd = m_buffer.indexOf('\n');
    return lineEnd >= 0 && !m_buffer.left(lineEnd).trimmed().isEmpty();
}

void TDaytimeClient::onReadyRead()
{
    if (!m_socket)
        return;
    m_buffer += m_socket->readAll();
    if (m_buffer.size() > MaxAnswerBytes)
        fail(ErrConnectionAborted, QStringLiteral("risposta troppo lunga"));
    else if (hasCompleteLine())
        succeed();
}

void TDaytimeClient::onError(QAbstractSocket::SocketError error)
{
    if (!m_socket)
        return;
    // The server closing the connection is how a daytime answer ends;
    // disconnected() follows and completes the request.
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    if (error == QAbstractSocket::HostNotFoundError)
        emit invalidHost();
    else
        emit connectionFailed();
    fail(socketErrorNumber(error), m_socket->errorString());
}

void TDaytimeClient::onTimeOut()
{
    if (!m_socket)
        return;
    m_buffer += m_socket->readAll();
    if (hasCompleteLine()) {
        succeed();
        return;
    }
    fail(ErrTimedOut, QStringLiteral("tempo scaduto"));
}

void TDaytimeClient::succeed()
{
    if (!m_socket)
        return;
    m_buffer += m_socket->readAll();
    if (m_buffer.size() > MaxAnswerBytes) {
        fail(ErrConnectionAborted, QStringLiteral("risposta troppo lunga"));
        return;
    }
    m_answer = QString::fromLatin1(m_buffer);
    release();
    status(2, QStringLiteral("Risposta ricevuta"));
    emit finished(true);
}

void TDaytimeClient::fail(int number, const QString& text)
{
    setError(number, text);
    release();
    status(1, QStringLiteral("Errore %1: %2").arg(number).arg(text));
    emit finished(false);
}

void TDaytimeClient::release()
{
    m_timer.stop();
    if (!m_socket)
        return;
    QTcpSocket* socket = m_socket;
    m_socket = nullptr;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}
