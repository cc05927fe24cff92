#pragma once
// NetworkManager on D-Bus: names, and the few calls the backend makes.
// Properties are read with explicit org.freedesktop.DBus.Properties calls,
// never through QDBusInterface's introspection (which gives empty values
// where the introspection data is missing).

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QMap>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <optional>

namespace nm
{

inline const QString Service = QStringLiteral("org.freedesktop.NetworkManager");
inline const QString ManagerPath = QStringLiteral("/org/freedesktop/NetworkManager");
inline const QString ManagerInterface = QStringLiteral("org.freedesktop.NetworkManager");
inline const QString SettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
inline const QString SettingsInterface = QStringLiteral("org.freedesktop.NetworkManager.Settings");
inline const QString ConnectionInterface =
    QStringLiteral("org.freedesktop.NetworkManager.Settings.Connection");
inline const QString ActiveInterface =
    QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
inline const QString DeviceInterface = QStringLiteral("org.freedesktop.NetworkManager.Device");
inline const QString PermissionDenied =
    QStringLiteral("org.freedesktop.NetworkManager.PermissionDenied");

// A connection's settings: setting name -> key -> value (a{sa{sv}}).
using Settings = QMap<QString, QVariantMap>;

// Makes the settings type known to QtDBus (once per process).
void registerTypes();

// The outcome of a call: the reply's arguments, or the error.
struct Reply {
    QList<QVariant> arguments;
    QString errorName; // empty on success
    QString errorMessage;
    bool ok() const { return errorName.isEmpty(); }
};

Reply call(const QDBusConnection& bus, const QString& path, const QString& interface,
           const QString& method, const QList<QVariant>& arguments = {});

// Properties.GetAll and Properties.Get.
std::optional<QVariantMap> properties(const QDBusConnection& bus, const QString& path,
                                      const QString& interface);
std::optional<QVariant> property(const QDBusConnection& bus, const QString& path,
                                 const QString& interface, const QString& name);

// An "ao" value as paths.
QStringList paths(const QVariant& value);

// Connection.GetSettings of a settings object.
std::optional<Settings> connectionSettings(const QDBusConnection& bus, const QString& path);

// NetworkManager has its name on the bus.
bool running(const QDBusConnection& bus);

} // namespace nm

Q_DECLARE_METATYPE(nm::Settings)
