#pragma once
// A scripted TCP server on 127.0.0.1 (never any other address) for the
// Internet client tests. Each accepted connection is handed to the handler,
// which writes what the case needs: a daytime line, an HTTP reply, or
// nothing at all (a silent server, for time-outs).

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

class LocalServer : public QTcpServer
{
public:
    using Handler = std::function<void(QTcpSocket*)>;

    explicit LocalServer(Handler handler) : m_handler(std::move(handler))
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection()) {
                ++m_connections;
                m_handler(s);
            }
        });
    }
    bool start() { return listen(QHostAddress::LocalHost, 0); }
    quint16 port() const { return serverPort(); }
    int connections() const { return m_connections; }

    // A port on 127.0.0.1 where nothing listens (it was free a moment ago).
    static quint16 closedPort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const quint16 port = probe.serverPort();
        probe.close();
        return port;
    }

    // Daytime: send the text and close, as the protocol has it.
    static Handler sendAndClose(const QByteArray& text)
    {
        return [text](QTcpSocket* s) {
            s->write(text);
            s->disconnectFromHost();
        };
    }

private:
    Handler m_handler;
    int m_connections = 0;
};
