#include "platform/nm/RasNmService.h"

#include "platform/nm/NmBus.h"
#include "platform/nm/NmDialer.h"
#include "platform/nm/NmMapping.h"

#include <QAtomicInt>
#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QMetaObject>

namespace
{

// Handles of dials lie above those of the active connections.
constexpr RasHandle FirstDialHandle = 0x40000000;

// Active connection states (NMActiveConnectionState).
constexpr uint32_t Activating = 1;
constexpr uint32_t Activated = 2;
constexpr uint32_t Deactivating = 3;

// A private connection to the system bus, under a name of its own. The bus's
// address is taken afresh each time (the D-Bus library would keep the first
// one it saw for the whole process).
QDBusConnection openBus(const QString& name)
{
    nm::registerTypes();
    const QString address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    return address.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SystemBus, name)
                             : QDBusConnection::connectToBus(address, name);
}

QString uniqueBusName()
{
    static QAtomicInt counter;
    return QStringLiteral("tarvelo-nm-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString settingString(const nm::Settings& s, const char* setting, const char* key)
{
    return s.value(QLatin1String(setting)).value(QLatin1String(key)).toString();
}

} // namespace

TRasNmService::TRasNmService()
    : m_busName(uniqueBusName()), m_bus(openBus(m_busName)), m_nextDialHandle(FirstDialHandle)
{
    m_dialer = new TNmDialer(m_bus, m_note);
    m_dialer->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("NetworkManager dialler"));
    m_thread.start();
    QMetaObject::invokeMethod(
        m_dialer, [this] { m_dialer->start(); }, Qt::BlockingQueuedConnection);
}

TRasNmService::~TRasNmService()
{
    {
        std::lock_guard lock(m_mutex);
        for (auto& [handle, dial] : m_dials) {
            std::lock_guard dl(dial->mutex);
            dial->hungUp = true; // nothing more is reported
        }
    }
    // Destroyed on its own thread as that thread finishes.
    m_dialer->deleteLater();
    m_thread.quit();
    m_thread.wait();
    QDBusConnection::disconnectFromBus(m_busName);
}

std::vector<TRasNmService::Entry> TRasNmService::listDialUp(const QDBusConnection& bus,
                                                            QString& problem)
{
    std::vector<Entry> out;
    if (!bus.isConnected()) {
        problem = QStringLiteral("Il bus di sistema (D-Bus) non è raggiungibile: non è possibile "
                                 "chiedere le connessioni a NetworkManager.");
        return out;
    }
    if (!nm::running(bus)) {
        problem = QStringLiteral("NetworkManager non è in esecuzione: nessuna connessione da "
                                 "mostrare.");
        return out;
    }
    const nm::Reply r =
        nm::call(bus, nm::SettingsPath, nm::SettingsInterface, QStringLiteral("ListConnections"));
    if (!r.ok() || r.arguments.isEmpty()) {
        problem = QStringLiteral("NetworkManager non ha dato l'elenco delle connessioni: %1")
                      .arg(r.errorMessage.isEmpty() ? r.errorName : r.errorMessage);
        return out;
    }
    for (const QString& path : nm::paths(r.arguments.first())) {
        const auto s = nm::connectionSettings(bus, path);
        if (!s)
            continue;
        if (nm::isDialUpKind(settingString(*s, "connection", "type"),
                             settingString(*s, "bluetooth", "type")))
            out.push_back({settingString(*s, "connection", "id"), path});
    }
    return out;
}

QStringList TRasNmService::entries()
{
    QString problem;
    QStringList names;
    for (const Entry& e : listDialUp(m_bus, problem))
        if (!e.id.isEmpty() && !names.contains(e.id))
            names << e.id;
    return m_entryNote.take(names, problem);
}

QString TRasNmService::entriesProblem()
{
    return m_entryNote.problem();
}

int TRasNmService::dialUpConnectionCount()
{
    const QString name = uniqueBusName();
    int count = -1;
    {
        const QDBusConnection bus = openBus(name);
        if (nm::running(bus)) {
            QString problem;
            count = int(listDialUp(bus, problem).size());
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return count;
}

RasHandle TRasNmService::handleOf(const QString& activePath)
{
    std::lock_guard lock(m_mutex);
    const auto it = m_handles.constFind(activePath);
    if (it != m_handles.constEnd())
        return *it;
    const RasHandle h = m_nextHandle++;
    m_handles.insert(activePath, h);
    m_actives.insert(h, activePath);
    return h;
}

bool TRasNmService::isDialUpSettings(const QString& settingsPath, const QString& type)
{
    if (type != QLatin1String("bluetooth"))
        return nm::isDialUpKind(type, QString());
    // Only a Bluetooth connection's settings tell dial-up from the rest.
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_dialUpSettings.constFind(settingsPath);
        if (it != m_dialUpSettings.constEnd())
            return *it;
    }
    const auto s = nm::connectionSettings(m_bus, settingsPath);
    if (!s)
        return false;
    const bool dialUp = nm::isDialUpKind(type, settingString(*s, "bluetooth", "type"));
    std::lock_guard lock(m_mutex);
    m_dialUpSettings.insert(settingsPath, dialUp);
    return dialUp;
}

std::vector<RasConnection> TRasNmService::connections()
{
    std::vector<RasConnection> out;
    const auto actives = nm::property(m_bus, nm::ManagerPath, nm::ManagerInterface,
                                      QStringLiteral("ActiveConnections"));
    if (!actives)
        return out;
    for (const QString& path : nm::paths(*actives)) {
        const auto props = nm::properties(m_bus, path, nm::ActiveInterface);
        if (!props)
            continue;
        const QString type = props->value(QStringLiteral("Type")).toString();
        const QString settings =
            qdbus_cast<QDBusObjectPath>(props->value(QStringLiteral("Connection"))).path();
        if (isDialUpSettings(settings, type))
            out.push_back({handleOf(path), props->value(QStringLiteral("Id")).toString()});
    }
    return out;
}

uint32_t TRasNmService::connectionStatus(RasHandle handle, RasConnStatus& status)
{
    QString active;
    uint32_t failure = 0;
    {
        std::lock_guard lock(m_mutex);
        const auto d = m_dials.find(handle);
        if (d != m_dials.end()) {
            std::lock_guard dl(d->second->mutex);
            if (d->second->activePath.isEmpty()) {
                // NetworkManager has not answered the activation yet.
                if (d->second->ended)
                    return ras::InvalidHandle;
                status = {ras::OpenPort, 0};
                return ras::Success;
            }
            active = d->second->activePath;
            failure = d->second->failure;
        } else {
            active = m_actives.value(handle);
        }
    }
    if (active.isEmpty())
        return ras::InvalidHandle;
    const auto state = nm::property(m_bus, active, nm::ActiveInterface, QStringLiteral("State"));
    // Gone from the bus, or NetworkManager itself gone.
    if (!state)
        return ras::InvalidHandle;
    switch (state->toUInt()) {
    case Activating:
        status.state = ras::ConnectDevice;
        break;
    case Activated:
        status.state = ras::Connected;
        break;
    case Deactivating:
        status.state = ras::Disconnected;
        break;
    default:
        return ras::InvalidHandle;
    }
    status.error = failure;
    return ras::Success;
}

RasHandle TRasNmService::dial(const RasDialParams& params, RasNotifier notifier)
{
    QString problem;
    QString settingsPath;
    for (const Entry& e : listDialUp(m_bus, problem))
        if (e.id == params.entryName) {
            settingsPath = e.settingsPath;
            break;
        }
    std::shared_ptr<NmDial> d;
    {
        std::lock_guard lock(m_mutex);
        // Dials that are over are no longer asked about.
        std::erase_if(m_dials, [](const auto& entry) {
            std::lock_guard dl(entry.second->mutex);
            return entry.second->ended && !entry.second->connected;
        });
        d = std::make_shared<NmDial>(m_nextDialHandle++, std::move(notifier));
        m_dials[d->handle] = d;
    }
    if (settingsPath.isEmpty()) {
        // Not one of NetworkManager's dial-up connections, or NetworkManager
        // is not there to ask.
        const uint32_t error =
            problem.isEmpty() ? uint32_t(ras::EntryNotFound) : uint32_t(ras::DeviceError);
        QMetaObject::invokeMethod(
            m_dialer, [dialer = m_dialer, d, error, problem] { dialer->refuse(d, error, problem); },
            Qt::QueuedConnection);
    } else {
        QMetaObject::invokeMethod(
            m_dialer, [dialer = m_dialer, d, settingsPath] { dialer->dial(d, settingsPath); },
            Qt::QueuedConnection);
    }
    return d->handle;
}

uint32_t TRasNmService::hangUp(RasHandle handle)
{
    if (handle == 0)
        return ras::Success;
    QString active;
    {
        std::lock_guard lock(m_mutex);
        const auto d = m_dials.find(handle);
        if (d != m_dials.end()) {
            std::lock_guard dl(d->second->mutex);
            d->second->hungUp = true;
            d->second->ended = true;
            // Not made yet: the dialler deactivates it as soon as it is.
            active = d->second->activePath;
            if (active.isEmpty())
                return ras::Success;
        } else {
            active = m_actives.value(handle);
        }
    }
    if (active.isEmpty())
        return ras::Success;
    return TNmDialer::deactivate(m_bus, active);
}

QString TRasNmService::errorText(uint32_t code)
{
    if (code == ras::AccessDenied)
        return QStringLiteral("NetworkManager non permette a questo utente di aprire o chiudere "
                              "la connessione: la gestisce un altro utente o il sistema.");
    return m_note.text(code);
}
