#pragma once
// The dial-up service the program and the command-line tool run on, chosen
// from the settings as stored ("RasBackend" and the pppd paths) before the
// main bar loads them.

#include "platform/ras/RasBackend.h"

#include <memory>

class IRegistry;
struct Settings;

struct RasSetup {
    RasBackendSettings settings;
    RasBackendChoice choice;
    std::unique_ptr<IRasService> service;
};

// The backend settings of the settings record: a path left empty is the
// system's own.
RasBackendSettings rasBackendSettings(const Settings& s);

// Reads the settings without writing anything, chooses the backend and
// makes its service. nm: the NetworkManager backend, where it is built;
// clock: the simulated service's, outliving the service.
RasSetup setUpRasService(IRegistry& registry, const QString& programFolder, const IClock& clock,
                         const NmBackendHooks& nm = {});
