#include "platform/ras/RasTexts.h"

#include "platform/ras/RasTypes.h"

#include <QHash>

namespace ras
{

QString stateText(uint32_t state)
{
    static const QHash<uint32_t, QString> texts = {
        {0, QStringLiteral("Apertura Porta...")},
        {1, QStringLiteral("Porta Aperta")},
        {2, QStringLiteral("Connessione Periferica...")},
        {3, QStringLiteral("Periferica Connessa")},
        {4, QStringLiteral("Tutte le periferiche connesse")},
        {5, QStringLiteral("Autenticazione Password...")},
        {6, QStringLiteral("Notifica autenticazione...")},
        {7, QStringLiteral("Nuovo tentativo autenticazione...")},
        {8, QStringLiteral("AuthCallback")},
        {9, QStringLiteral("AuthChangePassword")},
        {10, QStringLiteral("AuthProject")},
        {11, QStringLiteral("AuthLinkSpeed")},
        {12, QStringLiteral("AuthAck")},
        {13, QStringLiteral("Autentica di nuovo...")},
        {14, QStringLiteral("Autenticato")},
        {15, QStringLiteral("PrepareForCallback")},
        {16, QStringLiteral("WaitForModemReset")},
        {17, QStringLiteral("WaitForCallback")},
        {18, QStringLiteral("Projected")},
        {19, QStringLiteral("Inizio Autenticazione...")},
        {20, QStringLiteral("CallbackComplete")},
        {21, QStringLiteral("Accesso alla rete in corso...")},
        {22, QStringLiteral("SubEntryConnected")},
        {23, QStringLiteral("SubEntryDisconnected")},
        {4096, QStringLiteral("Interactive")},
        {4097, QStringLiteral("RetryAuthentication")},
        {4098, QStringLiteral("CallbackSetByCaller")},
        {4099, QStringLiteral("PasswordExpired")},
        {8192, QStringLiteral("Connesso")},
        {8193, QStringLiteral("Disconnesso")},
    };
    return texts.value(state, QStringLiteral("Attesa"));
}

QString errorText(uint32_t code)
{
    static const QHash<uint32_t, QString> texts = {
        {InvalidHandle, QStringLiteral("L'handle della connessione non è valido.")},
        {Pending, QStringLiteral("Un'operazione è in sospeso.")},
        {603, QStringLiteral("Il buffer è troppo piccolo.")},
        {619, QStringLiteral("La porta è stata scollegata.")},
        {EntryNotFound,
         QStringLiteral("Impossibile trovare la voce indicata nella rubrica telefonica.")},
        {629, QStringLiteral("La connessione è stata chiusa dal computer remoto.")},
        {PortNotAvailable,
         QStringLiteral("Il modem è già in uso oppure non è configurato correttamente.")},
        {LineBusy, QStringLiteral("La linea telefonica è occupata.")},
        {677, QStringLiteral("Ha risposto una persona invece di un modem.")},
        {NoAnswer, QStringLiteral("Il computer remoto non risponde.")},
        {NoCarrier, QStringLiteral("Impossibile rilevare la portante.")},
        {NoDialTone, QStringLiteral("Nessun segnale di linea.")},
        {AuthFailure,
         QStringLiteral("Accesso negato: nome utente o password non validi per questo dominio.")},
        {718, QStringLiteral("Il computer remoto non ha risposto in tempo utile.")},
    };
    if (code == Success)
        return {};
    const auto it = texts.constFind(code);
    if (it != texts.constEnd())
        return *it;
    return QStringLiteral("Errore di accesso remoto %1.").arg(code);
}

} // namespace ras
