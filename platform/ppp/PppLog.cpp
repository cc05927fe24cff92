#include "platform/ppp/PppLog.h"

#include "platform/ras/RasTypes.h"

#include <QRegularExpression>

namespace ppp
{

namespace
{

// pppd's exit statuses (pppd(8), EXIT STATUS).
enum Exit {
    ExitOk = 0,
    FatalError = 1,
    OptionError = 2,
    NotRoot = 3,
    NoKernelSupport = 4,
    UserRequest = 5,
    LockFailed = 6,
    OpenFailed = 7,
    ConnectFailed = 8,
    PtyCommandFailed = 9,
    NegotiationFailed = 10,
    PeerAuthFailed = 11,
    IdleTimeout = 12,
    ConnectTime = 13,
    Callback = 14,
    PeerDead = 15,
    Hangup = 16,
    Loopback = 17,
    InitFailed = 18,
    AuthToPeerFailed = 19,
    TrafficLimit = 20,
    CnidAuthFailed = 21,
};

// What chat says when an ABORT string matched: "Failed (BUSY)".
uint32_t chatFailure(const QString& reason)
{
    const QString r = reason.trimmed().toUpper();
    if (r == QLatin1String("BUSY"))
        return ras::LineBusy;
    if (r == QLatin1String("NO CARRIER"))
        return ras::NoCarrier;
    if (r == QLatin1String("NO DIALTONE") || r == QLatin1String("NO DIAL TONE"))
        return ras::NoDialTone;
    if (r == QLatin1String("VOICE"))
        return ras::VoiceAnswer;
    if (r == QLatin1String("NO ANSWER") || r == QLatin1String("DELAYED"))
        return ras::NoAnswer;
    return ras::DeviceError;
}

} // namespace

LogLine readLogLine(const QString& text)
{
    LogLine l;
    // pppd prefixes what it writes before the log is set up with its name.
    QString line = text.trimmed();
    if (line.startsWith(QLatin1String("pppd: ")))
        line = line.mid(6);

    static const QRegularExpression chatFailed(QStringLiteral("^Failed \\((.*)\\)$"));
    if (const auto m = chatFailed.match(line); m.hasMatch()) {
        l.failure = chatFailure(m.captured(1));
        if (l.failure == ras::DeviceError)
            l.detail = QStringLiteral("Il modem ha risposto %1.").arg(m.captured(1));
        return l;
    }
    if (line == QLatin1String("Serial connection established.")) {
        l.state = ras::DeviceConnected;
    } else if (line.startsWith(QLatin1String("Using interface "))) {
        l.interfaceName = line.mid(16).trimmed();
    } else if (line.startsWith(QLatin1String("Connect: "))) {
        l.state = ras::AllDevicesConnected;
    } else if (line.contains(QLatin1String("authentication succeeded"))) {
        l.state = ras::Authenticated;
    } else if (line.contains(QLatin1String("authentication failed"))) {
        l.failure = ras::AuthFailure;
    } else if (line.startsWith(QLatin1String("local  IP address")) ||
               line.startsWith(QLatin1String("local  LL address"))) {
        l.state = ras::Connected;
    } else if (line.startsWith(QLatin1String("Can't open options file"))) {
        l.failure = ras::EntryNotFound;
    } else if (line.contains(QLatin1String(" is locked by pid ")) ||
               line.startsWith(QLatin1String("Failed to open "))) {
        l.failure = ras::PortNotAvailable;
    } else if (line == QLatin1String("Modem hangup")) {
        l.failure = ras::RemoteDisconnected;
    } else if (line.contains(QLatin1String("lacks kernel support for PPP"))) {
        l.failure = ras::DeviceError;
        l.detail = exitText(NoKernelSupport);
    }
    return l;
}

uint32_t dialError(int exitStatus, uint32_t failure)
{
    switch (exitStatus) {
    case KilledBySignal:
    case UserRequest:
        return ras::PortDisconnected;
    case ConnectFailed:
        // No reason from chat (a peer running "chat -v" logs to syslog only),
        // or a time-out: the remote side did not answer.
        return failure ? failure : uint32_t(ras::NoAnswer);
    case OptionError:
        return failure == ras::EntryNotFound ? failure : uint32_t(ras::DeviceError);
    case PeerAuthFailed:
    case AuthToPeerFailed:
    case CnidAuthFailed:
        return ras::AuthFailure;
    case LockFailed:
    case OpenFailed:
    case PtyCommandFailed:
    case InitFailed:
        return ras::PortNotAvailable;
    case NegotiationFailed:
        return ras::NegotiationFailed;
    case PeerDead:
    case Hangup:
    case ExitOk:
        return failure ? failure : uint32_t(ras::RemoteDisconnected);
    default:
        return failure ? failure : uint32_t(ras::DeviceError);
    }
}

QString exitText(int exitStatus)
{
    QString why;
    switch (exitStatus) {
    case KilledBySignal:
        return QStringLiteral("pppd è stato interrotto da un segnale.");
    case FatalError:
        why = QStringLiteral("errore grave");
        break;
    case OptionError:
        why = QStringLiteral("errore nelle opzioni della connessione");
        break;
    case NotRoot:
        why = QStringLiteral("pppd non è installato con i permessi di root");
        break;
    case NoKernelSupport:
        why = QStringLiteral("il sistema non ha il supporto PPP nel kernel");
        break;
    case IdleTimeout:
        why = QStringLiteral("nessun traffico per il tempo massimo di inattività");
        break;
    case ConnectTime:
        why = QStringLiteral("raggiunta la durata massima della connessione");
        break;
    case Callback:
        why = QStringLiteral("richiamata dal computer remoto");
        break;
    case Loopback:
        why = QStringLiteral("la linea rimanda indietro i dati (loopback)");
        break;
    case TrafficLimit:
        why = QStringLiteral("raggiunto il limite di traffico");
        break;
    default:
        why = QStringLiteral("errore");
        break;
    }
    return QStringLiteral("pppd è terminato con il codice %1 (%2).").arg(exitStatus).arg(why);
}

} // namespace ppp
