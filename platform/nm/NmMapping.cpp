#include "platform/nm/NmMapping.h"

#include "platform/ras/RasTypes.h"

#include <QHash>

namespace nm
{

namespace
{

// Device state reasons (NMDeviceStateReason).
enum DeviceReason : uint32_t {
    NoSecrets = 7,
    SupplicantFailed = 10,
    PppStartFailed = 12,
    PppDisconnect = 13,
    PppFailed = 14,
    ModemBusy = 23,
    ModemNoDialTone = 24,
    ModemNoCarrier = 25,
    ModemDialTimeout = 26,
    ModemDialFailed = 27,
    ModemInitFailed = 28,
    UserRequested = 39,
};

// Active connection state reasons (NMActiveConnectionStateReason).
enum ConnectionReason : uint32_t {
    UserDisconnected = 2,
    DeviceDisconnected = 3,
    ConnectTimeout = 6,
    ConnectionNoSecrets = 9,
    LoginFailed = 10,
};

} // namespace

uint32_t stateOfDevice(uint32_t s)
{
    if (s == 40)
        return ras::ConnectDevice;
    if (s == 50)
        return ras::DeviceConnected;
    if (s == 60)
        return ras::Authenticate;
    if (s >= 70 && s <= 90)
        return ras::Authenticated;
    if (s == 100)
        return ras::Connected;
    return NoState;
}

bool deviceEnded(uint32_t s)
{
    return s >= 110 || (s > 0 && s <= 30);
}

uint32_t errorOfDeviceReason(uint32_t reason)
{
    switch (reason) {
    case ModemBusy:
        return ras::LineBusy;
    case ModemNoDialTone:
        return ras::NoDialTone;
    case ModemNoCarrier:
        return ras::NoCarrier;
    case ModemDialTimeout:
        return ras::NoAnswer;
    case ModemDialFailed:
    case ModemInitFailed:
        return ras::PortNotAvailable;
    case NoSecrets:
    case SupplicantFailed:
        return ras::AuthFailure;
    case PppStartFailed:
    case PppFailed:
        return ras::NegotiationFailed;
    case PppDisconnect:
        return ras::RemoteDisconnected;
    case UserRequested:
        return ras::PortDisconnected;
    default:
        return ras::DeviceError;
    }
}

uint32_t errorOfConnectionReason(uint32_t reason)
{
    switch (reason) {
    case ConnectionNoSecrets:
    case LoginFailed:
        return ras::AuthFailure;
    case ConnectTimeout:
        return ras::NoAnswer;
    case UserDisconnected:
        return ras::PortDisconnected;
    case DeviceDisconnected:
        return ras::RemoteDisconnected;
    default:
        return ras::DeviceError;
    }
}

QString deviceReasonText(uint32_t reason)
{
    static const QHash<uint32_t, QString> texts = {
        {1, QStringLiteral("motivo sconosciuto")},
        {4, QStringLiteral("configurazione del dispositivo non riuscita")},
        {5, QStringLiteral("nessun indirizzo IP disponibile")},
        {6, QStringLiteral("indirizzo IP scaduto")},
        {15, QStringLiteral("DHCP non avviato")},
        {16, QStringLiteral("errore DHCP")},
        {17, QStringLiteral("DHCP non riuscito")},
        {29, QStringLiteral("APN non accettato")},
        {30, QStringLiteral("il modem non cerca la rete mobile")},
        {31, QStringLiteral("registrazione rifiutata dalla rete mobile")},
        {32, QStringLiteral("registrazione sulla rete mobile scaduta")},
        {33, QStringLiteral("registrazione sulla rete mobile non riuscita")},
        {34, QStringLiteral("verifica del PIN non riuscita")},
        {35, QStringLiteral("firmware del dispositivo mancante")},
        {36, QStringLiteral("dispositivo rimosso")},
        {37, QStringLiteral("sistema in sospensione")},
        {38, QStringLiteral("connessione rimossa")},
        {41, QStringLiteral("il modem non risponde più")},
        {42, QStringLiteral("il modem non è più disponibile")},
        {44, QStringLiteral("connessione Bluetooth non riuscita")},
        {45, QStringLiteral("SIM mancante")},
        {46, QStringLiteral("PIN della SIM non accettato")},
        {47, QStringLiteral("PUK della SIM richiesto")},
        {48, QStringLiteral("SIM non accettata")},
        {53, QStringLiteral("dipendenza non riuscita")},
    };
    return texts.value(reason, QStringLiteral("motivo %1").arg(reason));
}

QString connectionReasonText(uint32_t reason)
{
    static const QHash<uint32_t, QString> texts = {
        {0, QStringLiteral("motivo sconosciuto")},
        {4, QStringLiteral("servizio fermato")},
        {5, QStringLiteral("configurazione IP non valida")},
        {7, QStringLiteral("il servizio non si è avviato in tempo")},
        {8, QStringLiteral("il servizio non si è avviato")},
        {11, QStringLiteral("connessione rimossa")},
        {12, QStringLiteral("dipendenza non riuscita")},
        {13, QStringLiteral("dispositivo non disponibile")},
        {14, QStringLiteral("dispositivo rimosso")},
    };
    return texts.value(reason, QStringLiteral("motivo %1").arg(reason));
}

bool isDialUpKind(const QString& type, const QString& bluetoothType)
{
    if (type == QLatin1String("gsm") || type == QLatin1String("cdma") ||
        type == QLatin1String("pppoe"))
        return true;
    return type == QLatin1String("bluetooth") && bluetoothType == QLatin1String("dun");
}

} // namespace nm
