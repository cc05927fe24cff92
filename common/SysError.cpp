#include "common/SysError.h"

#include <cerrno>

QString systemErrorText(int errorNumber)
{
    switch (errorNumber) {
    case EPERM:
        return QStringLiteral("operazione non permessa");
    case ENOENT:
        return QStringLiteral("file o cartella inesistente");
    case EINTR:
        return QStringLiteral("chiamata di sistema interrotta");
    case EIO:
        return QStringLiteral("errore di input/output");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("dispositivo inesistente");
    case EBADF:
        return QStringLiteral("descrittore di file non valido");
    case EAGAIN:
        return QStringLiteral("risorsa temporaneamente non disponibile");
    case ENOMEM:
        return QStringLiteral("memoria esaurita");
    case EACCES:
        return QStringLiteral("permesso negato");
    case EBUSY:
        return QStringLiteral("dispositivo o risorsa occupati");
    case EEXIST:
        return QStringLiteral("il file esiste già");
    case EXDEV:
        return QStringLiteral("collegamento tra file system diversi");
    case ENOTDIR:
        return QStringLiteral("non è una cartella");
    case EISDIR:
        return QStringLiteral("è una cartella");
    case EINVAL:
        return QStringLiteral("argomento non valido");
    case ENFILE:
        return QStringLiteral("troppi file aperti nel sistema");
    case EMFILE:
        return QStringLiteral("troppi file aperti");
    case ETXTBSY:
        return QStringLiteral("file in uso");
    case EFBIG:
        return QStringLiteral("file troppo grande");
    case ENOSPC:
        return QStringLiteral("spazio esaurito sul dispositivo");
    case EROFS:
        return QStringLiteral("file system in sola lettura");
    case EMLINK:
        return QStringLiteral("troppi collegamenti");
    case ENAMETOOLONG:
        return QStringLiteral("nome del file troppo lungo");
    case ENOLCK:
        return QStringLiteral("nessun blocco disponibile");
    case ENOSYS:
        return QStringLiteral("funzione non disponibile");
    case ENOTEMPTY:
        return QStringLiteral("cartella non vuota");
    case ELOOP:
        return QStringLiteral("troppi livelli di collegamenti simbolici");
    case EOVERFLOW:
        return QStringLiteral("valore troppo grande");
    case EOPNOTSUPP:
        return QStringLiteral("operazione non supportata");
    case EDQUOT:
        return QStringLiteral("quota del disco superata");
    case ESTALE:
        return QStringLiteral("file remoto non più valido");
    case ENETDOWN:
        return QStringLiteral("rete non attiva");
    case ENETUNREACH:
        return QStringLiteral("rete non raggiungibile");
    case ECONNABORTED:
        return QStringLiteral("connessione annullata");
    case ECONNRESET:
        return QStringLiteral("connessione chiusa dall'altro capo");
    case ETIMEDOUT:
        return QStringLiteral("tempo scaduto");
    case ECONNREFUSED:
        return QStringLiteral("connessione rifiutata");
    case EHOSTUNREACH:
        return QStringLiteral("host non raggiungibile");
    case EADDRINUSE:
        return QStringLiteral("indirizzo già in uso");
    default:
        return QStringLiteral("errore di sistema %1").arg(errorNumber);
    }
}

QString systemErrorText(const QString& step, int errorNumber)
{
    return step + QStringLiteral(": ") + systemErrorText(errorNumber);
}
