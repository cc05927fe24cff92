#include "app/RasSetup.h"

#include "app/Settings.h"
#include "app/SettingsStore.h"

RasBackendSettings rasBackendSettings(const Settings& s)
{
    RasBackendSettings r;
    r.backend = s.rasBackend;
    const auto take = [](QString& path, const QString& stored) {
        if (!stored.trimmed().isEmpty())
            path = stored.trimmed();
    };
    take(r.ppp.command, s.pppCommand);
    take(r.ppp.peers, s.pppPeers);
    take(r.ppp.run, s.pppRun);
    return r;
}

RasSetup setUpRasService(IRegistry& registry, const QString& programFolder, const IClock& clock,
                         const NmBackendHooks& nm)
{
    Settings stored;
    TSettingsStore(registry).peek(stored);
    RasSetup setup;
    setup.settings = rasBackendSettings(stored);
    setup.choice = chooseRasBackend(setup.settings, programFolder, nm);
    setup.service = createRasService(setup.choice, setup.settings, programFolder, clock, nm);
    return setup;
}
