#pragma once
// HTTP client: GET of a full address, reply body into the file bodyFile (with
// bodyToFile) or kept in memory. Asynchronous: get() returns at once and
// finished() reports the outcome.
//
// Addresses are untrusted text: only a valid http/https address with a host
// and without user information is requested, redirects go only to addresses
// at least as safe (never https -> http), at most MaxRedirects of them, and
// a body larger than MaxBodyBytes is refused. The body file is written only
// for a 2xx reply, in one atomic replace, so an error page never lands in it
// and a broken transfer leaves the old file as it was.

#include "net/NetClient.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

class THttpClient : public TNetClient
{
    Q_OBJECT

public:
    static constexpr qint64 MaxBodyBytes = 1024 * 1024;
    static constexpr int MaxRedirects = 5;

    explicit THttpClient(QObject* parent = nullptr);
    ~THttpClient() override;

    // With bodyToFile, bodyFile is the name of the file that receives the
    // reply body; without it the body is kept (bodyBytes()).
    QString bodyFile;
    bool bodyToFile = false;

    // Starts a GET of address (see webAddress); false (and no signal) when a
    // request is already running. host is set to the address's host. A
    // redirect loop, a redirect to anything but http/https and an address
    // that cannot be reached end as failures like a refused connection.
    bool get(const QString& address);
    bool isBusy() const { return m_reply != nullptr || m_pending; }
    QByteArray bodyBytes() const { return m_body; }
    // The address whose reply arrived, after redirects.
    QUrl finalUrl() const { return m_finalUrl; }

    // A valid http/https address with a host and no user information.
    static bool isAcceptableUrl(const QUrl& url);
    // The address that text written by a person stands for: without a scheme
    // it is taken as http:// ("www.esempio.it/pagina"). Invalid unless the
    // result is acceptable (isAcceptableUrl).
    static QUrl webAddress(const QString& text);

signals:
    // ok: a reply arrived (replyNumber() tells which; the body is stored
    // only for 2xx). Not ok: no usable reply (host not found, refused
    // connection, time-out, bad address, body too large, file not
    // written); lastErrorNumber() tells why. Emitted after the request is
    // released, so a handler may start another or deleteLater() the client.
    void finished(bool ok);
    // Together with finished(): a 2xx reply, body stored.
    void succeeded();
    // Together with finished(): any other outcome.
    void failed();
    void redirected(const QUrl& to);

private:
    void onFinished();
    void onTimeOut();
    void complete(bool ok);
    void fail(int number, const QString& text);
    void release();
    static int networkErrorNumber(QNetworkReply::NetworkError error);
    static bool isTransportError(QNetworkReply::NetworkError error);

    QNetworkAccessManager m_nam;
    QNetworkReply* m_reply = nullptr;
    bool m_pending = false; // a refused address waiting to be reported
    QTimer m_timer;
    QByteArray m_body;
    QUrl m_finalUrl;
};
