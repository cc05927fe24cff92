#include "platform/nm/NmDialer.h"

#include "platform/nm/NmBus.h"
#include "platform/nm/NmMapping.h"
#include "platform/ras/RasErrorNote.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>

namespace
{

// Active connection states (NMActiveConnectionState).
constexpr uint32_t Activated = 2;
constexpr uint32_t Deactivating = 3;

} // namespace

TNmDialer::TNmDialer(const QDBusConnection& bus, TRasErrorNote& note) : m_bus(bus), m_note(note) {}

void TNmDialer::start()
{
    m_bus.connect(nm::Service, QString(), nm::DeviceInterface, QStringLiteral("StateChanged"), this,
                  SLOT(deviceStateChanged(uint, uint, uint, QDBusMessage)));
    m_bus.connect(nm::Service, QString(), nm::ActiveInterface, QStringLiteral("StateChanged"), this,
                  SLOT(activeStateChanged(uint, uint, QDBusMessage)));
    m_watcher = new QDBusServiceWatcher(nm::Service, m_bus,
                                        QDBusServiceWatcher::WatchForUnregistration, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this,
            &TNmDialer::networkManagerGone);
}

void TNmDialer::report(NmDial& dial, uint32_t state, uint32_t error)
{
    {
        std::lock_guard lock(dial.mutex);
        if (dial.hungUp)
            return;
        dial.lastState = state;
        if (error != 0) {
            dial.failure = error;
            dial.ended = true;
        }
        if (state == ras::Connected)
            dial.connected = true;
    }
    if (dial.notifier)
        dial.notifier({dial.handle, ras::DialEventMessage, state, error, 0});
}

void TNmDialer::fail(NmDial& dial, uint32_t error, const QString& detail)
{
    uint32_t state;
    {
        std::lock_guard lock(dial.mutex);
        if (dial.ended || dial.connected)
            return;
        state = dial.lastState;
    }
    if (error == ras::DeviceError)
        m_note.setDetail(detail);
    report(dial, state, error);
    forget();
}

void TNmDialer::advance(NmDial& dial, uint32_t state)
{
    {
        std::lock_guard lock(dial.mutex);
        if (dial.ended || dial.connected || state == nm::NoState || state <= dial.lastState)
            return;
    }
    report(dial, state, 0);
    if (state == ras::Connected)
        forget();
}

void TNmDialer::refuse(const std::shared_ptr<NmDial>& dial, uint32_t error, const QString& detail)
{
    report(*dial, ras::OpenPort, 0);
    if (error == ras::DeviceError)
        m_note.setDetail(detail);
    report(*dial, ras::OpenPort, error);
}

void TNmDialer::dial(const std::shared_ptr<NmDial>& dial, const QString& settingsPath)
{
    report(*dial, ras::OpenPort, 0);
    const QDBusObjectPath none(QStringLiteral("/"));
    const nm::Reply r =
        nm::call(m_bus, nm::ManagerPath, nm::ManagerInterface, QStringLiteral("ActivateConnection"),
                 {QVariant::fromValue(QDBusObjectPath(settingsPath)), QVariant::fromValue(none),
                  QVariant::fromValue(none)});
    if (!r.ok() || r.arguments.isEmpty()) {
        const uint32_t error = r.errorName == nm::PermissionDenied ? uint32_t(ras::AccessDenied)
                                                                   : uint32_t(ras::DeviceError);
        m_note.setDetail(QStringLiteral("NetworkManager non ha attivato la connessione: %1")
                             .arg(r.errorMessage.isEmpty() ? r.errorName : r.errorMessage));
        report(*dial, ras::OpenPort, error);
        return;
    }
    const QString active = qdbus_cast<QDBusObjectPath>(r.arguments.first()).path();
    bool hungUp;
    {
        std::lock_guard lock(dial->mutex);
        dial->activePath = active;
        hungUp = dial->hungUp;
        dial->ended = hungUp;
    }
    if (hungUp) {
        deactivate(m_bus, active);
        return;
    }
    m_dials.append(dial);
    readDevice(*dial);
    // Signals sent before this point were queued behind the reply: they are
    // handled next, in order. What the state already is is taken from here.
    const auto props = nm::properties(m_bus, active, nm::ActiveInterface);
    const uint32_t state = props ? props->value(QStringLiteral("State")).toUInt() : 0;
    if (state == Activated)
        advance(*dial, ras::Connected);
    else if (!props || state >= Deactivating)
        fail(*dial, ras::DeviceError,
             QStringLiteral("NetworkManager ha chiuso la connessione appena attivata."));
}

void TNmDialer::readDevice(NmDial& dial)
{
    QString active;
    {
        std::lock_guard lock(dial.mutex);
        if (!dial.devicePath.isEmpty())
            return;
        active = dial.activePath;
    }
    const auto devices =
        nm::property(m_bus, active, nm::ActiveInterface, QStringLiteral("Devices"));
    const QStringList paths = devices ? nm::paths(*devices) : QStringList();
    std::lock_guard lock(dial.mutex);
    if (!paths.isEmpty())
        dial.devicePath = paths.first();
}

void TNmDialer::deviceStateChanged(uint newState, uint, uint reason, const QDBusMessage& message)
{
    const QString device = message.path();
    for (const std::shared_ptr<NmDial>& d : QList(m_dials)) {
        readDevice(*d);
        {
            std::lock_guard lock(d->mutex);
            if (d->devicePath != device)
                continue;
        }
        if (nm::deviceEnded(newState))
            fail(*d, nm::errorOfDeviceReason(reason),
                 QStringLiteral("NetworkManager non ha potuto attivare la connessione: %1 "
                                "(motivo %2).")
                     .arg(nm::deviceReasonText(reason))
                     .arg(reason));
        else
            advance(*d, nm::stateOfDevice(newState));
    }
}

void TNmDialer::activeStateChanged(uint state, uint reason, const QDBusMessage& message)
{
    const QString active = message.path();
    for (const std::shared_ptr<NmDial>& d : QList(m_dials)) {
        {
            std::lock_guard lock(d->mutex);
            if (d->activePath != active)
                continue;
        }
        if (state == Activated)
            advance(*d, ras::Connected);
        else if (state >= Deactivating)
            fail(*d, nm::errorOfConnectionReason(reason),
                 QStringLiteral("NetworkManager non ha potuto attivare la connessione: %1 "
                                "(motivo %2).")
                     .arg(nm::connectionReasonText(reason))
                     .arg(reason));
    }
}

void TNmDialer::networkManagerGone()
{
    for (const std::shared_ptr<NmDial>& d : QList(m_dials))
        fail(*d, ras::DeviceError,
             QStringLiteral("NetworkManager è terminato durante la connessione."));
    m_dials.clear();
}

void TNmDialer::forget()
{
    m_dials.removeIf([](const std::shared_ptr<NmDial>& d) {
        std::lock_guard lock(d->mutex);
        return d->ended || d->connected || d->hungUp;
    });
}

uint32_t TNmDialer::deactivate(const QDBusConnection& bus, const QString& activePath)
{
    const nm::Reply r =
        nm::call(bus, nm::ManagerPath, nm::ManagerInterface, QStringLiteral("DeactivateConnection"),
                 {QVariant::fromValue(QDBusObjectPath(activePath))});
    // Any other refusal means the connection is not active any more.
    return r.errorName == nm::PermissionDenied ? uint32_t(ras::AccessDenied)
                                               : uint32_t(ras::Success);
}
