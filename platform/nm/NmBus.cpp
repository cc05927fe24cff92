#include "platform/nm/NmBus.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>

namespace nm
{

namespace
{

const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
// NetworkManager answers at once; a bus that does not must not hold the
// watch's tick for long.
constexpr int CallTimeoutMs = 5000;

} // namespace

void registerTypes()
{
    static const bool once = [] {
        qDBusRegisterMetaType<Settings>();
        return true;
    }();
    (void)once;
}

Reply call(const QDBusConnection& bus, const QString& path, const QString& interface,
           const QString& method, const QList<QVariant>& arguments)
{
    QDBusMessage m = QDBusMessage::createMethodCall(Service, path, interface, method);
    m.setArguments(arguments);
    const QDBusMessage r = bus.call(m, QDBus::Block, CallTimeoutMs);
    Reply reply;
    if (r.type() == QDBusMessage::ReplyMessage) {
        reply.arguments = r.arguments();
    } else {
        reply.errorName =
            r.errorName().isEmpty() ? QStringLiteral("org.freedesktop.DBus.Error") : r.errorName();
        reply.errorMessage = r.errorMessage();
    }
    return reply;
}

std::optional<QVariantMap> properties(const QDBusConnection& bus, const QString& path,
                                      const QString& interface)
{
    const Reply r = call(bus, path, PropertiesInterface, QStringLiteral("GetAll"), {interface});
    if (!r.ok() || r.arguments.isEmpty())
        return std::nullopt;
    return qdbus_cast<QVariantMap>(r.arguments.first());
}

std::optional<QVariant> property(const QDBusConnection& bus, const QString& path,
                                 const QString& interface, const QString& name)
{
    const Reply r = call(bus, path, PropertiesInterface, QStringLiteral("Get"), {interface, name});
    if (!r.ok() || r.arguments.isEmpty())
        return std::nullopt;
    return qdbus_cast<QDBusVariant>(r.arguments.first()).variant();
}

QStringList paths(const QVariant& value)
{
    QStringList out;
    for (const QDBusObjectPath& p : qdbus_cast<QList<QDBusObjectPath>>(value))
        out << p.path();
    return out;
}

std::optional<Settings> connectionSettings(const QDBusConnection& bus, const QString& path)
{
    registerTypes();
    const Reply r = call(bus, path, ConnectionInterface, QStringLiteral("GetSettings"));
    if (!r.ok() || r.arguments.isEmpty())
        return std::nullopt;
    return qdbus_cast<Settings>(r.arguments.first());
}

bool running(const QDBusConnection& bus)
{
    return bus.isConnected() && bus.interface() &&
           bus.interface()->isServiceRegistered(Service).value();
}

} // namespace nm
