#pragma once
// Picks the dial-up service backend. The settings value "RasBackend" names
// it: "sim" (the simulated service), "ppp" (pppd), "nm" (NetworkManager), or
// "auto", which takes the simulated service when the program folder has
// ras-sim/ (a demo or test folder), else the real service that has dial-up
// entries: pppd when it is installed, NetworkManager when it has dial-up
// connections and pppd has none, the simulated service when neither is there.

#include "platform/ppp/RasPppService.h"
#include "platform/ras/RasService.h"

#include <QString>
#include <functional>
#include <memory>

class IClock;

enum class RasBackendKind { Simulated, Ppp, NetworkManager };

struct RasBackendSettings {
    QString backend = QStringLiteral("auto"); // as stored; anything unknown reads as "auto"
    PppPaths ppp;                             // the system's paths, or the overrides stored
};

// What the choice needs of NetworkManager, given by the backend built on
// QtDBus (platform/nm) so that this library stays QtCore-only. Left empty,
// NetworkManager is never chosen.
struct NmBackendHooks {
    // How many dial-up connections NetworkManager has; -1 when it is not on
    // the system bus.
    std::function<int()> dialUpConnections;
    std::function<std::unique_ptr<IRasService>()> create;
};

struct RasBackendChoice {
    RasBackendKind kind = RasBackendKind::Simulated;
    QString reason; // why, a sentence for the user
    // What the backend does with a provider record's telephone number, user
    // name and password, for the user (the options' provider page).
    QString note;

    // "sim", "ppp", "nm", as the setting names it.
    QString name() const;
    // The service for the user: "servizio simulato", "pppd", "NetworkManager".
    QString title() const;
};

RasBackendChoice chooseRasBackend(const RasBackendSettings& settings, const QString& programFolder,
                                  const NmBackendHooks& nm = {});

// clock: the simulated service's (see TRasSimStore); it must outlive the service.
std::unique_ptr<IRasService> createRasService(const RasBackendChoice& choice,
                                              const RasBackendSettings& settings,
                                              const QString& programFolder, const IClock& clock,
                                              const NmBackendHooks& nm = {});
