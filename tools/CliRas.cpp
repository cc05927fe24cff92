// tarvelo-cli ras: which dial-up backend the program runs on and what it
// sees (backend, entries, status), and commands that drive the simulated
// service of a program folder, so that connections "made by another
// program" can be staged by hand or by a test while the program watches.
#include "tools/Cli.h"

#include "app/RasSetup.h"
#include "platform/ras/RasSimStore.h"
#include "platform/ras/RasTexts.h"
#include "platform/system/Registry.h"

namespace
{

int usageError(CliContext& ctx, const QString& text)
{
    ctx.err << text << "\n"
            << "uso: ras backend | entries | status | add VOCE [--phone NUMERO] | connect VOCE"
               " | connecting VOCE [--busy] | drop [VOCE]\n"
            << "(backend, entries e status valgono per il servizio scelto dalle impostazioni;"
               " gli altri comandi per il servizio simulato. connect e connecting fanno"
               " avanzare la chiamata della VOCE ancora in corso, se c'è; altrimenti"
               " aggiungono una connessione)\n";
    return 2;
}

// The phone-book spelling of an entry, or an error when it is not there.
std::optional<QString> knownEntry(CliContext& ctx, const TRasSimStore& store, const QString& name)
{
    const auto e = store.phoneBook().find(name);
    if (!e) {
        ctx.err << "voce non presente nella rubrica " << store.phoneBookPath() << ": " << name
                << "\n";
        return std::nullopt;
    }
    return e->name;
}

int addConnection(CliContext& ctx, TRasSimStore& store, const QString& name, uint32_t state,
                  uint32_t error)
{
    const auto entry = knownEntry(ctx, store, name);
    if (!entry)
        return 1;
    const QString phone = store.phoneBook().find(*entry)->phoneNumber;
    RasHandle handle = 0;
    QString why;
    const bool ok = store.update(
        [&](SimConnections& s) {
            // A call of this entry still being set up moves on (to connected,
            // or to a busy line), as a real dial would; otherwise a further
            // connection is staged beside the others.
            for (SimConnection& c : s.list)
                if (c.entryName == *entry && c.state != ras::Connected && c.closingAt == 0) {
                    c.state = state;
                    c.error = error;
                    handle = c.handle;
                    return;
                }
            handle = s.allocateHandle();
            s.list.push_back({handle, *entry, phone, state, error, 0});
        },
        why);
    if (!ok) {
        ctx.err << "impossibile registrare la connessione: " << why << "\n";
        return 1;
    }
    ctx.out << handle << "\t" << *entry << "\t" << ras::stateText(state) << "\n";
    return 0;
}

int drop(CliContext& ctx, TRasSimStore& store, const QString& name)
{
    qsizetype dropped = 0;
    QString why;
    const bool ok = store.update(
        [&](SimConnections& s) {
            dropped = std::erase_if(s.list, [&](const SimConnection& c) {
                return name.isEmpty() || c.entryName.compare(name, Qt::CaseInsensitive) == 0;
            });
        },
        why);
    if (!ok) {
        ctx.err << "impossibile chiudere le connessioni: " << why << "\n";
        return 1;
    }
    ctx.out << "connessioni chiuse: " << dropped << "\n";
    return 0;
}

// The backend the program would run on, as the settings choose it.
RasSetup chosenBackend(CliContext& ctx)
{
    TRegFile registry(TRegFile::defaultPath());
    return setUpRasService(registry, ctx.folder, ctx.clock, ctx.nm);
}

int printBackend(CliContext& ctx)
{
    const RasSetup setup = chosenBackend(ctx);
    ctx.out << setup.choice.name() << "\t" << setup.choice.title() << "\n"
            << "motivo: " << setup.choice.reason << "\n";
    if (setup.choice.kind == RasBackendKind::Ppp)
        ctx.out << "pppd: " << setup.settings.ppp.command
                << "\tconnessioni: " << setup.settings.ppp.peers
                << "\tfile pid: " << setup.settings.ppp.run << "\n";
    return 0;
}

int backendEntries(CliContext& ctx, IRasService& service)
{
    for (const QString& name : service.entries())
        ctx.out << name << "\n";
    const QString problem = service.entriesProblem();
    if (problem.isEmpty())
        return 0;
    ctx.err << QString(problem).replace(QLatin1Char('\r'), QLatin1Char('\n')) << "\n";
    return 1;
}

int backendStatus(CliContext& ctx, IRasService& service)
{
    const std::vector<RasConnection> conns = service.connections();
    if (conns.empty())
        ctx.out << "nessuna connessione attiva\n";
    for (const RasConnection& c : conns) {
        RasConnStatus st;
        if (service.connectionStatus(c.handle, st) != ras::Success)
            continue; // gone since it was listed
        ctx.out << c.handle << "\t" << c.entryName << "\t" << st.state << " "
                << ras::stateText(st.state) << "\t" << st.error;
        if (st.error != 0)
            ctx.out << " " << service.errorText(st.error);
        ctx.out << "\n";
    }
    return 0;
}

int status(CliContext& ctx, const TRasSimStore& store)
{
    const SimConnections s = store.connections();
    if (s.list.empty())
        ctx.out << "nessuna connessione attiva\n";
    for (const auto& c : s.list) {
        ctx.out << c.handle << "\t" << c.entryName << "\t" << c.state << " "
                << ras::stateText(c.state) << "\t" << c.error;
        if (c.error != 0)
            ctx.out << " " << ras::errorText(c.error);
        if (c.closingAt != 0)
            ctx.out << "\tin chiusura";
        ctx.out << "\n";
    }
    return 0;
}

} // namespace

int cliRas(CliContext& ctx)
{
    QStringList args = ctx.args;
    if (args.isEmpty())
        return usageError(ctx, QStringLiteral("manca il sottocomando"));
    const QString sub = args.takeFirst();
    TRasSimStore store(ctx.folder, ctx.clock);

    // Options after the positional words.
    std::optional<QString> phone;
    bool busy = false;
    QStringList words;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == QLatin1String("--phone") && sub == QLatin1String("add") && !args.isEmpty())
            phone = args.takeFirst();
        else if (a == QLatin1String("--busy") && sub == QLatin1String("connecting"))
            busy = true;
        else if (a.startsWith(QLatin1String("--")))
            return usageError(ctx, QStringLiteral("opzione non valida: ") + a);
        else
            words << a;
    }
    const auto needWords = [&](int min, int max) {
        return words.size() >= min && words.size() <= max;
    };

    if (sub == QLatin1String("backend") && needWords(0, 0))
        return printBackend(ctx);
    std::optional<RasSetup> real;
    if ((sub == QLatin1String("entries") || sub == QLatin1String("status")) && needWords(0, 0)) {
        RasSetup setup = chosenBackend(ctx);
        if (setup.choice.kind != RasBackendKind::Simulated)
            real = std::move(setup);
    }
    if (real)
        return sub == QLatin1String("entries") ? backendEntries(ctx, *real->service)
                                               : backendStatus(ctx, *real->service);

    if (sub == QLatin1String("entries") && needWords(0, 0)) {
        const TRasPhoneBook pb = store.phoneBook();
        for (const auto& e : pb.entries())
            ctx.out << e.name << "\t" << e.phoneNumber << "\n";
        return 0;
    }
    if (sub == QLatin1String("add") && needWords(1, 1)) {
        QString why;
        if (!store.setEntry(words[0], phone, why)) {
            ctx.err << why << "\n";
            return 1;
        }
        const auto e = store.phoneBook().find(words[0]);
        ctx.out << e->name << "\t" << e->phoneNumber << "\n";
        return 0;
    }
    if (sub == QLatin1String("connect") && needWords(1, 1))
        return addConnection(ctx, store, words[0], ras::Connected, 0);
    if (sub == QLatin1String("connecting") && needWords(1, 1))
        return addConnection(ctx, store, words[0], ras::ConnectDevice,
                             busy ? uint32_t(ras::LineBusy) : 0u);
    if (sub == QLatin1String("drop") && needWords(0, 1))
        return drop(ctx, store, words.value(0));
    if (sub == QLatin1String("status") && needWords(0, 0))
        return status(ctx, store);
    return usageError(ctx, QStringLiteral("argomenti non validi per ras ") + sub);
}
