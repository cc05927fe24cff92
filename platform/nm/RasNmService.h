#pragma once
// The dial-up service over NetworkManager, for desktops that manage modems,
// Bluetooth dial-up networking, mobile broadband and PPPoE through it.
//
// Entries are the ids of NetworkManager's connections of those kinds (Wi-Fi,
// Ethernet and the rest are left out). Connections are its active
// connections of those kinds, whoever activated them, so the watch meters a
// connection made from the desktop's own menu as well as one dialled here.
// A dial is ActivateConnection; NetworkManager's device and connection
// signals become the dial's notifications, on the service's own thread, in
// order. Hang-up is DeactivateConnection.
//
// Everything goes through the system bus (DBUS_SYSTEM_BUS_ADDRESS where it
// is set). When NetworkManager leaves the bus, its connections read as gone.

#include "platform/ras/RasEntryNote.h"
#include "platform/ras/RasErrorNote.h"
#include "platform/ras/RasService.h"

#include <QDBusConnection>
#include <QHash>
#include <QThread>
#include <map>
#include <memory>
#include <mutex>

class TNmDialer;
struct NmDial;

class TRasNmService : public IRasService
{
public:
    TRasNmService();
    ~TRasNmService() override;
    TRasNmService(const TRasNmService&) = delete;
    TRasNmService& operator=(const TRasNmService&) = delete;

    QStringList entries() override;
    QString entriesProblem() override;
    std::vector<RasConnection> connections() override;
    uint32_t connectionStatus(RasHandle handle, RasConnStatus& status) override;
    // Numbers and secrets are NetworkManager's own.
    bool usesCredentials() const override { return false; }
    RasHandle dial(const RasDialParams& params, RasNotifier notifier) override;
    uint32_t hangUp(RasHandle handle) override;
    QString errorText(uint32_t code) override;

    // How many dial-up connections NetworkManager has; -1 when it is not on
    // the system bus.
    static int dialUpConnectionCount();

private:
    struct Entry {
        QString id;
        QString settingsPath;
    };
    // The dial-up connections, in NetworkManager's order; problem says why
    // there are none when they cannot be listed.
    static std::vector<Entry> listDialUp(const QDBusConnection& bus, QString& problem);
    RasHandle handleOf(const QString& activePath);
    bool isDialUpSettings(const QString& settingsPath, const QString& type);

    QString m_busName;
    QDBusConnection m_bus;
    TRasErrorNote m_note;
    TRasEntryNote m_entryNote;
    QThread m_thread;
    TNmDialer* m_dialer = nullptr;

    std::mutex m_mutex;                  // guards what follows
    QHash<QString, RasHandle> m_handles; // active connection -> handle
    QHash<RasHandle, QString> m_actives; // handle -> active connection
    RasHandle m_nextHandle = 1;
    RasHandle m_nextDialHandle;
    std::map<RasHandle, std::shared_ptr<NmDial>> m_dials;
    QHash<QString, bool> m_dialUpSettings; // settings object -> is a dial-up kind
};
