#pragma once
// The NetworkManager backend's own thread: activates connections for the
// dialler and turns NetworkManager's signals into the dial's notifications,
// in the order they arrive. Lives on a QThread of the service; every slot
// runs there.

#include "platform/ras/RasTypes.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <memory>
#include <mutex>

class QDBusServiceWatcher;
class TRasErrorNote;

// One dial, shared between the service (user-interface thread: status and
// hang-up) and the dialler's thread (progress).
struct NmDial {
    explicit NmDial(RasHandle h, RasNotifier n) : handle(h), notifier(std::move(n)) {}

    const RasHandle handle;
    const RasNotifier notifier;

    std::mutex mutex;    // guards what follows
    QString activePath;  // the active connection, once NetworkManager has made it
    QString devicePath;  // the device it runs on, once known
    bool hungUp = false; // report nothing more; deactivate as soon as it exists
    bool ended = false;  // failed, or hung up: the dial is over
    bool connected = false;
    uint32_t lastState = 0;
    uint32_t failure = 0;
};

class TNmDialer : public QObject
{
    Q_OBJECT
public:
    TNmDialer(const QDBusConnection& bus, TRasErrorNote& note);

    // Subscribes to the signals it follows; call on its thread before any dial.
    void start();
    // Activates settingsPath for dial, reporting its progress.
    void dial(const std::shared_ptr<NmDial>& dial, const QString& settingsPath);
    // Reports the opening of the port, then error, as a dial refused at once.
    void refuse(const std::shared_ptr<NmDial>& dial, uint32_t error, const QString& detail);

    // Deactivates an active connection; ras::Success, or ras::AccessDenied when
    // NetworkManager refuses (safe from any thread).
    static uint32_t deactivate(const QDBusConnection& bus, const QString& activePath);

private slots:
    void deviceStateChanged(uint newState, uint oldState, uint reason, const QDBusMessage& message);
    void activeStateChanged(uint state, uint reason, const QDBusMessage& message);
    void networkManagerGone();

private:
    void report(NmDial& dial, uint32_t state, uint32_t error);
    // Ends the dial with error (the detail for ras::DeviceError).
    void fail(NmDial& dial, uint32_t error, const QString& detail);
    void advance(NmDial& dial, uint32_t state);
    void readDevice(NmDial& dial);
    void forget();

    QDBusConnection m_bus;
    TRasErrorNote& m_note;
    QDBusServiceWatcher* m_watcher = nullptr;
    QList<std::shared_ptr<NmDial>> m_dials; // dials still reporting
};
