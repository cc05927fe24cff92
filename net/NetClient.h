#pragma once
// Base of the program's Internet clients: where to connect, how long any one
// operation may take, and what went wrong last. The clients are asynchronous
// (they report through signals and never block the user-interface thread);
// a client object serves one request at a time.

#include <QAbstractSocket>
#include <QObject>
#include <QString>

class TNetClient : public QObject
{
    Q_OBJECT

public:
    // Socket error numbers reported to the user ("errore numero ..."): 10013
    // and up, the numbers the help pages list and the program's users know.
    static constexpr int ErrAccess = 10013;
    static constexpr int ErrInvalidArgument = 10022;
    static constexpr int ErrNetworkDown = 10050;
    static constexpr int ErrConnectionAborted = 10053;
    static constexpr int ErrConnectionReset = 10054;
    static constexpr int ErrTimedOut = 10060;
    static constexpr int ErrConnectionRefused = 10061;
    static constexpr int ErrHostNotFound = 11001;

    explicit TNetClient(QObject* parent = nullptr) : QObject(parent) {}

    QString host;
    quint16 port = 0;
    int timeOutMs = 10000; // for the whole request
    int reportLevel = 0;   // 0: no progress texts; higher: more of them

    // Status code of the last protocol reply (HTTP: 200, 404, ...); 0 when
    // no reply arrived.
    quint16 replyNumber() const { return m_replyNumber; }
    // Socket error number of the last failure; 0 after a success.
    int lastErrorNumber() const { return m_lastErrorNumber; }
    // A short description of the last failure, for logs and tests.
    QString lastErrorText() const { return m_lastErrorText; }

    static int socketErrorNumber(QAbstractSocket::SocketError error);

signals:
    void connected();
    void disconnected();
    void invalidHost();
    void hostResolved();
    void progress(const QString& text);
    void connectionFailed();

protected:
    void resetState()
    {
        m_replyNumber = 0;
        m_lastErrorNumber = 0;
        m_lastErrorText.clear();
    }
    void setReplyNumber(quint16 n) { m_replyNumber = n; }
    void setError(int number, const QString& text)
    {
        m_lastErrorNumber = number;
        m_lastErrorText = text;
    }
    void status(int level, const QString& text)
    {
        if (reportLevel >= level)
            emit progress(text);
    }

private:
    quint16 m_replyNumber = 0;
    int m_lastErrorNumber = 0;
    QString m_lastErrorText;
};
