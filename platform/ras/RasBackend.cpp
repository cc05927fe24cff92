#include "platform/ras/RasBackend.h"

#include "platform/ras/RasSimService.h"

#include <QDir>
#include <QFileInfo>

QString RasBackendChoice::name() const
{
    switch (kind) {
    case RasBackendKind::Ppp:
        return QStringLiteral("ppp");
    case RasBackendKind::NetworkManager:
        return QStringLiteral("nm");
    case RasBackendKind::Simulated:
        break;
    }
    return QStringLiteral("sim");
}

QString RasBackendChoice::title() const
{
    switch (kind) {
    case RasBackendKind::Ppp:
        return QStringLiteral("pppd");
    case RasBackendKind::NetworkManager:
        return QStringLiteral("NetworkManager");
    case RasBackendKind::Simulated:
        break;
    }
    return QStringLiteral("servizio simulato");
}

namespace
{

QString connectionCount(int n)
{
    return n == 1 ? QStringLiteral("1 connessione") : QStringLiteral("%1 connessioni").arg(n);
}

QString backendNote(RasBackendKind kind, const RasBackendSettings& settings)
{
    switch (kind) {
    case RasBackendKind::Ppp:
        return QStringLiteral(
                   "Le connessioni sono quelle di pppd, una per file nella cartella %1; Tarvelo! "
                   "le compone con \"pppd call NOME\" e misura anche quelle avviate con pon.\r"
                   "Il numero di telefono di questa scheda arriva alla connessione nella "
                   "variabile %2: è usato solo se la riga connect del file lo passa a chat (-T "
                   "\"$%2\") e lo script di chat lo compone con \\T; altrimenti vale il numero "
                   "scritto nello script.\rNome utente e password di questa scheda non sono "
                   "usati: valgono quelli del file della connessione e di /etc/ppp/pap-secrets o "
                   "/etc/ppp/chap-secrets.")
            .arg(settings.ppp.peers, TRasPppService::PhoneVariable);
    case RasBackendKind::NetworkManager:
        return QStringLiteral(
            "Le connessioni sono quelle via modem di NetworkManager (modem, cellulare, Bluetooth, "
            "PPPoE); Tarvelo! le attiva e misura anche quelle attivate da altri programmi.\r"
            "Numero di telefono, nome utente e password di questa scheda non sono usati: valgono "
            "quelli impostati in NetworkManager.");
    case RasBackendKind::Simulated:
        break;
    }
    return QStringLiteral("Le connessioni sono quelle del servizio simulato (cartella ras-sim/ "
                          "del programma, comando tarvelo-cli ras), che usa il numero di "
                          "telefono, il nome utente e la password di questa scheda.");
}

RasBackendChoice chooseKind(const RasBackendSettings& settings, const QString& programFolder,
                            const NmBackendHooks& nm)
{
    const auto pick = [](RasBackendKind kind, const QString& reason) {
        RasBackendChoice c;
        c.kind = kind;
        c.reason = reason;
        return c;
    };
    const QString asked = settings.backend.trimmed().toLower();
    const QString stored = QStringLiteral("impostazione RasBackend=%1").arg(asked);
    if (asked == QLatin1String("sim"))
        return pick(RasBackendKind::Simulated, stored);
    if (asked == QLatin1String("ppp"))
        return pick(RasBackendKind::Ppp, stored);
    if (asked == QLatin1String("nm") && nm.create)
        return pick(RasBackendKind::NetworkManager, stored);

    QString prefix;
    if (asked == QLatin1String("nm"))
        prefix = QStringLiteral("NetworkManager non è disponibile in questa versione; ");
    else if (!asked.isEmpty() && asked != QLatin1String("auto"))
        prefix = QStringLiteral("RasBackend=%1 non è un valore noto (auto, ppp, nm, sim); ")
                     .arg(settings.backend);

    if (QFileInfo(QDir(programFolder).filePath(QStringLiteral("ras-sim"))).isDir())
        return pick(RasBackendKind::Simulated,
                    prefix + QStringLiteral("la cartella del programma contiene ras-sim/"));

    const QString pppd = settings.ppp.command;
    const bool pppInstalled = QFileInfo(pppd).isFile();
    int peers = 0;
    if (pppInstalled)
        peers = int(TRasPppService(settings.ppp).entries().size());
    if (peers > 0)
        return pick(RasBackendKind::Ppp,
                    prefix + QStringLiteral("pppd è installato (%1) e ha %2 in %3")
                                 .arg(pppd, connectionCount(peers), settings.ppp.peers));

    const int nmConnections = nm.dialUpConnections && nm.create ? nm.dialUpConnections() : -1;
    if (nmConnections > 0)
        return pick(RasBackendKind::NetworkManager,
                    prefix + QStringLiteral("NetworkManager ha %1 via modem e pppd nessuna")
                                 .arg(connectionCount(nmConnections)));
    if (pppInstalled)
        return pick(RasBackendKind::Ppp,
                    prefix + QStringLiteral("pppd è installato (%1)").arg(pppd));
    return pick(RasBackendKind::Simulated,
                prefix + QStringLiteral("né pppd né NetworkManager hanno connessioni via modem"));
}

} // namespace

RasBackendChoice chooseRasBackend(const RasBackendSettings& settings, const QString& programFolder,
                                  const NmBackendHooks& nm)
{
    RasBackendChoice c = chooseKind(settings, programFolder, nm);
    c.note = backendNote(c.kind, settings);
    return c;
}

std::unique_ptr<IRasService> createRasService(const RasBackendChoice& choice,
                                              const RasBackendSettings& settings,
                                              const QString& programFolder, const IClock& clock,
                                              const NmBackendHooks& nm)
{
    switch (choice.kind) {
    case RasBackendKind::Ppp:
        return std::make_unique<TRasPppService>(settings.ppp);
    case RasBackendKind::NetworkManager:
        if (nm.create)
            return nm.create();
        break;
    case RasBackendKind::Simulated:
        break;
    }
    return std::make_unique<TRasSimService>(programFolder, clock);
}
