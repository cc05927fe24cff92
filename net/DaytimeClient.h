#pragma once
// Daytime client (TCP, port 13): connects, takes the text the server sends
// until its first line is complete (or the server closes the connection),
// and hands it over at once. The text is untrusted: it is capped in size and
// only ever parsed, never acted upon.

#include "net/NetClient.h"

#include <QByteArray>
#include <QTimer>

class QTcpSocket;

class TDaytimeClient : public TNetClient
{
    Q_OBJECT

public:
    static constexpr quint16 DefaultPort = 13;
    // Anything longer is not a daytime answer.
    static constexpr int MaxAnswerBytes = 1024;

    explicit TDaytimeClient(QObject* parent = nullptr);
    ~TDaytimeClient() override;

    // Starts a request to host:port; the outcome comes with finished(). False
    // (and no signal) when a request is already running.
    bool requestDayTime();
    bool isBusy() const { return m_socket != nullptr; }
    // The text of the last successful request.
    QString dayTime() const { return m_answer; }

signals:
    // ok: dayTime() holds the answer; otherwise lastErrorNumber() tells why.
    // Emitted after the connection is released, so a handler may start a new
    // request or deleteLater() the client.
    void finished(bool ok);

private:
    void onReadyRead();
    bool hasCompleteLine() const;
    void onError(QAbstractSocket::SocketError error);
    void onTimeOut();
    void succeed();
    void fail(int number, const QString& text);
    void release();

    QTcpSocket* m_socket = nullptr;
    QTimer m_timer;
    QByteArray m_buffer;
    QString m_answer;
};
