#include "net/HttpClient.h"

#include "platform/file/AtomicFile.h"

#include <QNetworkRequest>

THttpClient::THttpClient(QObject* parent) : TNetClient(parent)
{
    port = 80;
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &THttpClient::onTimeOut);
}

THttpClient::~THttpClient()
{
    release();
}

bool THttpClient::isAcceptableUrl(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty() && url.userInfo().isEmpty();
}

QUrl THttpClient::webAddress(const QString& text)
{
    const QString t = text.trimmed();
    const QUrl url(t.contains(QLatin1String("://")) ? t : QStringLiteral("http://") + t,
                   QUrl::StrictMode);
    return isAcceptableUrl(url) ? url : QUrl();
}

bool THttpClient::get(const QString& address)
{
    if (isBusy())
        return false;
    resetState();
    m_body.clear();
    m_finalUrl.clear();

    const QUrl url = webAddress(address);
    if (!url.isValid()) {
        m_pending = true;
        // Reported from the event loop like every other outcome.
        QTimer::singleShot(0, this, [this] {
            m_pending = false;
            fail(ErrInvalidArgument, QStringLiteral("indirizzo non valido"));
        });
        return true;
    }
    host = url.host();
    port = quint16(url.port(url.scheme().toLower() == QLatin1String("https") ? 443 : 80));

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);

    status(1, QStringLiteral("Richiesta di %1...").arg(url.toDisplayString()));
    m_reply = m_nam.get(request);
    connect(m_reply, &QNetworkReply::finished, this, &THttpClient::onFinished);
    connect(m_reply, &QNetworkReply::redirected, this, &THttpClient::redirected);
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        if (m_reply && (received > MaxBodyBytes || total > MaxBodyBytes))
            fail(ErrConnectionAborted, QStringLiteral("risposta troppo lunga"));
    });
    m_timer.start(qMax(1, timeOutMs));
    return true;
}

void THttpClient::onFinished()
{
    if (!m_reply)
        return;
    const QVariant statusCode = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // A status tells of a reply only when the request itself went through:
    // a redirect that was not followed (a loop, or to another scheme) leaves
    // the status of the last hop behind it. Errors of 4xx and 5xx are replies.
    if (!statusCode.isValid() || (isTransportError(m_reply->error()) && statusCode.toInt() < 400)) {
        fail(networkErrorNumber(m_reply->error()), m_reply->errorString());
        return;
    }
    setReplyNumber(quint16(statusCode.toInt()));
    m_finalUrl = m_reply->url();
    const QByteArray body = m_reply->readAll();
    if (body.size() > MaxBodyBytes) {
        fail(ErrConnectionAborted, QStringLiteral("risposta troppo lunga"));
        return;
    }
    const bool success = replyNumber() >= 200 && replyNumber() <= 299;
    if (success && bodyToFile) {
        // The bytes come from the network: never through a link planted in
        // the folder, wherever it leads.
        const AtomicWriteResult written =
            writeFileAtomically(bodyFile, body, false, LinkPolicy::Refuse);
        if (!written.ok) {
            fail(ErrAccess, bodyFile + QStringLiteral(": ") + written.error);
            return;
        }
    } else if (success) {
        m_body = body;
    }
    release();
    status(2, QStringLiteral("Risposta %1").arg(replyNumber()));
    complete(true);
}

void THttpClient::onTimeOut()
{
    if (m_reply)
        fail(ErrTimedOut, QStringLiteral("tempo scaduto"));
}

void THttpClient::complete(bool ok)
{
    emit finished(ok);
    if (ok && replyNumber() >= 200 && replyNumber() <= 299)
        emit succeeded();
    else
        emit failed();
}

void THttpClient::fail(int number, const QString& text)
{
    setError(number, text);
    if (number == ErrHostNotFound)
        emit invalidHost();
    else if (number == ErrConnectionRefused || number == ErrTimedOut)
        emit connectionFailed();
    release();
    status(1, QStringLiteral("Errore %1: %2").arg(number).arg(text));
    complete(false);
}

void THttpClient::release()
{
    m_timer.stop();
    if (!m_reply)
        return;
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

bool THttpClient::isTransportError(QNetworkReply::NetworkError error)
{
    // Content and server errors (4xx, 5xx) come with a reply; the others
    // (connection, proxy, protocol) mean there was none to speak of.
    const int e = int(error);
    return e != QNetworkReply::NoError && (e < 200 || (e >= 300 && e < 400));
}

int THttpClient::networkErrorNumber(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return ErrConnectionRefused;
    case QNetworkReply::RemoteHostClosedError:
        return ErrConnectionReset;
    case QNetworkReply::HostNotFoundError:
        return ErrHostNotFound;
    case QNetworkReply::TimeoutError:
        return ErrTimedOut;
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
        return ErrNetworkDown;
    default:
        return ErrConnectionAborted;
    }
}
