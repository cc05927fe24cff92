#pragma once
// A NetworkManager of the test's own: python3-dbusmock's NetworkManager
// template on a private bus (dbus-daemon), which the backend reaches as the
// system bus through DBUS_SYSTEM_BUS_ADDRESS. The template activates a
// connection at once; tests that follow a dial step by step make activation
// stop at "activating" and script the rest with the mock's UpdateProperties
// and EmitSignal, as NetworkManager's devices would report it.

#include "platform/nm/NmBus.h"
#include "tests/support/WaitFor.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QThread>

namespace nmtest
{

// A method of a mock object: name, in and out signatures, Python code.
struct MockMethod {
    QString name, in, out, code;
};

inline QDBusArgument& operator<<(QDBusArgument& a, const MockMethod& m)
{
    a.beginStructure();
    a << m.name << m.in << m.out << m.code;
    a.endStructure();
    return a;
}
inline const QDBusArgument& operator>>(const QDBusArgument& a, MockMethod& m)
{
    a.beginStructure();
    a >> m.name >> m.in >> m.out >> m.code;
    a.endStructure();
    return a;
}

// A device's state with its reason, (uu).
struct StateReason {
    uint state = 0;
    uint reason = 0;
};

inline QDBusArgument& operator<<(QDBusArgument& a, const StateReason& r)
{
    a.beginStructure();
    a << r.state << r.reason;
    a.endStructure();
    return a;
}
inline const QDBusArgument& operator>>(const QDBusArgument& a, StateReason& r)
{
    a.beginStructure();
    a >> r.state >> r.reason;
    a.endStructure();
    return a;
}

} // namespace nmtest

Q_DECLARE_METATYPE(nmtest::MockMethod)
Q_DECLARE_METATYPE(nmtest::StateReason)

namespace nmtest
{

inline const QString MockInterface = QStringLiteral("org.freedesktop.DBus.Mock");
inline const QString ModemPath = QStringLiteral("/org/freedesktop/NetworkManager/Devices/modem0");
inline const QString DebianPython = QStringLiteral("/usr/bin/python3");

// Why the mock cannot run here, or "".
inline QString missingTools()
{
    if (!QFileInfo(QStringLiteral("/usr/bin/dbus-daemon")).isExecutable())
        return QStringLiteral("dbus-daemon is not installed (Debian package dbus)");
    if (!QFileInfo(DebianPython).isExecutable())
        return QStringLiteral("/usr/bin/python3 runs the NetworkManager mock");
    QProcess p;
    p.start(DebianPython, {QStringLiteral("-c"), QStringLiteral("import dbusmock")});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return QStringLiteral(
            "python3-dbusmock is not installed (Debian package python3-dbusmock)");
    return {};
}

class NmMock
{
public:
    NmMock()
    {
        nm::registerTypes();
        qDBusRegisterMetaType<MockMethod>();
        qDBusRegisterMetaType<QList<MockMethod>>();
        qDBusRegisterMetaType<StateReason>();
    }
    ~NmMock()
    {
        stop();
        m_bus.kill();
        m_bus.waitForFinished();
        QDBusConnection::disconnectFromBus(QStringLiteral("nm-mock-test"));
    }

    // Starts the bus and the mock; the backend's system bus is this one from
    // now on.
    bool start()
    {
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--print-address=1"),
                     QStringLiteral("--nofork")});
        if (!m_bus.waitForReadyRead(10000))
            return false;
        m_address = QString::fromLocal8Bit(m_bus.readLine()).trimmed();
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.toLocal8Bit());
        m_conn = QDBusConnection::connectToBus(m_address, QStringLiteral("nm-mock-test"));
        if (!m_conn.isConnected())
            return false;
        m_mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_mock.setStandardOutputFile(QProcess::nullDevice());
        m_mock.start(DebianPython,
                     {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                      QStringLiteral("--template"), QStringLiteral("networkmanager")});
        for (int i = 0; i < 300; ++i) {
            if (m_conn.interface()->isServiceRegistered(nm::Service).value())
                return true;
            QThread::msleep(20);
        }
        return false;
    }

    // NetworkManager leaves the bus.
    void stop()
    {
        if (m_mock.state() == QProcess::NotRunning)
            return;
        m_mock.terminate();
        if (!m_mock.waitForFinished(5000)) {
            m_mock.kill();
            m_mock.waitForFinished();
        }
    }

    QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                      const QList<QVariant>& args = {})
    {
        QDBusMessage m = QDBusMessage::createMethodCall(nm::Service, path, interface, method);
        m.setArguments(args);
        const QDBusMessage r = m_conn.call(m, QDBus::Block, 10000);
        if (r.type() == QDBusMessage::ErrorMessage)
            qWarning() << "mock call" << method << "failed:" << r.errorMessage();
        return r;
    }

    // A connection in NetworkManager's settings; its settings object.
    QString addConnection(const QString& id, const QString& type, const nm::Settings& extra = {})
    {
        nm::Settings s = extra;
        s[QStringLiteral("connection")][QStringLiteral("id")] = id;
        s[QStringLiteral("connection")][QStringLiteral("type")] = type;
        const QDBusMessage r = call(nm::SettingsPath, nm::SettingsInterface,
                                    QStringLiteral("AddConnection"), {QVariant::fromValue(s)});
        return r.arguments().isEmpty() ? QString()
                                       : qdbus_cast<QDBusObjectPath>(r.arguments().first()).path();
    }

    // A modem device, disconnected; NetworkManager hangs active connections
    // up through its devices.
    void addModem()
    {
        QVariantMap props{
            {QStringLiteral("Interface"), QStringLiteral("ttyUSB0")},
            {QStringLiteral("DeviceType"), uint(8)},
            {QStringLiteral("State"), uint(30)},
            {QStringLiteral("StateReason"), QVariant::fromValue(StateReason{30, 0})},
            {QStringLiteral("ActiveConnection"),
             QVariant::fromValue(QDBusObjectPath(QStringLiteral("/")))},
            {QStringLiteral("AvailableConnections"), QVariant::fromValue(QList<QDBusObjectPath>())},
        };
        call(QStringLiteral("/org/freedesktop"), MockInterface, QStringLiteral("AddObject"),
             {ModemPath, nm::DeviceInterface, props, QVariant::fromValue(QList<MockMethod>())});
    }

    // From now on an activation stops at "activating" on the modem, as a real
    // modem's does; the test says what follows.
    void activationStopsAtActivating()
    {
        const QString code =
            QStringLiteral(
                "self.count = getattr(self, 'count', 0) + 1\n"
                "path = self.AddActiveConnection([], args[0], args[2], 't%d' % self.count, "
                "dbus.UInt32(1))\n"
                "objects[path].Set('org.freedesktop.NetworkManager.Connection.Active', 'Devices', "
                "dbus.Array([dbus.ObjectPath('%1')], signature='o'))\n"
                "ret = path\n")
                .arg(ModemPath);
        call(nm::ManagerPath, MockInterface, QStringLiteral("AddMethod"),
             {nm::ManagerInterface, QStringLiteral("ActivateConnection"), QStringLiteral("ooo"),
              QStringLiteral("o"), code});
    }

    // NetworkManager refuses every hang-up from now on, as polkit does for a
    // connection of another user's session.
    void deactivationRefused()
    {
        call(nm::ManagerPath, MockInterface, QStringLiteral("AddMethod"),
             {nm::ManagerInterface, QStringLiteral("DeactivateConnection"), QStringLiteral("o"),
              QString(),
              QStringLiteral("raise dbus.exceptions.DBusException('Not authorized', "
                             "name='org.freedesktop.NetworkManager.PermissionDenied')")});
    }

    QStringList activeConnections()
    {
        const QDBusMessage r = call(
            nm::ManagerPath, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"), {nm::ManagerInterface, QStringLiteral("ActiveConnections")});
        return r.arguments().isEmpty()
                   ? QStringList()
                   : nm::paths(qdbus_cast<QDBusVariant>(r.arguments().first()).variant());
    }

    // What nmcli or the desktop's menu would do.
    QString activate(const QString& settingsPath)
    {
        const QDBusObjectPath none(QStringLiteral("/"));
        const QDBusMessage r =
            call(nm::ManagerPath, nm::ManagerInterface, QStringLiteral("ActivateConnection"),
                 {QVariant::fromValue(QDBusObjectPath(settingsPath)), QVariant::fromValue(none),
                  QVariant::fromValue(none)});
        return r.arguments().isEmpty() ? QString()
                                       : qdbus_cast<QDBusObjectPath>(r.arguments().first()).path();
    }
    void deactivate(const QString& active)
    {
        call(nm::ManagerPath, nm::ManagerInterface, QStringLiteral("DeactivateConnection"),
             {QVariant::fromValue(QDBusObjectPath(active))});
    }

    // The modem moves to state, with NetworkManager's reason.
    void device(uint state, uint old, uint reason = 0)
    {
        updateAndEmit(ModemPath, nm::DeviceInterface, {{QStringLiteral("State"), state}},
                      QStringLiteral("uuu"), {state, old, reason});
    }
    // An active connection moves to state, with NetworkManager's reason.
    void active(const QString& path, uint state, uint reason = 0)
    {
        updateAndEmit(path, nm::ActiveInterface, {{QStringLiteral("State"), state}},
                      QStringLiteral("uu"), {state, reason});
    }
    // NetworkManager drops an active connection that failed.
    void remove(const QString& active)
    {
        call(nm::ManagerPath, MockInterface, QStringLiteral("RemoveActiveConnection"),
             {ModemPath, active});
    }

private:
    void updateAndEmit(const QString& path, const QString& interface, const QVariantMap& props,
                       const QString& signature, const QList<uint>& args)
    {
        call(path, MockInterface, QStringLiteral("UpdateProperties"), {interface, props});
        QVariantList values;
        for (uint a : args)
            values << QVariant::fromValue(a);
        call(path, MockInterface, QStringLiteral("EmitSignal"),
             {interface, QStringLiteral("StateChanged"), signature, values});
    }

    QProcess m_bus;
    QProcess m_mock;
    QString m_address;
    QDBusConnection m_conn{QString()};
};

using testsupport::waitFor;

} // namespace nmtest
