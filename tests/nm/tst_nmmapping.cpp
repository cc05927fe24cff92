// NetworkManager's states, reasons and connection kinds in the program's
// dial-up terms.
#include "platform/nm/NmMapping.h"
#include "platform/ras/RasTypes.h"

#include <QTest>

class TestNmMapping : public QObject
{
    Q_OBJECT

private slots:
    void deviceStates_data()
    {
        QTest::addColumn<uint>("device");
        QTest::addColumn<uint32_t>("state");
        QTest::addColumn<bool>("ended");
        const uint32_t none = nm::NoState;
        QTest::newRow("unknown") << 0u << none << false;
        QTest::newRow("disconnected") << 30u << none << true;
        QTest::newRow("prepare") << 40u << uint32_t(ras::ConnectDevice) << false;
        QTest::newRow("config") << 50u << uint32_t(ras::DeviceConnected) << false;
        QTest::newRow("need-auth") << 60u << uint32_t(ras::Authenticate) << false;
        QTest::newRow("ip-config") << 70u << uint32_t(ras::Authenticated) << false;
        QTest::newRow("secondaries") << 90u << uint32_t(ras::Authenticated) << false;
        QTest::newRow("activated") << 100u << uint32_t(ras::Connected) << false;
        QTest::newRow("deactivating") << 110u << none << true;
        QTest::newRow("failed") << 120u << none << true;
    }
    void deviceStates()
    {
        QFETCH(uint, device);
        QFETCH(uint32_t, state);
        QFETCH(bool, ended);
        QCOMPARE(nm::stateOfDevice(device), state);
        QCOMPARE(nm::deviceEnded(device), ended);
    }

    // Only a busy modem becomes the busy line the dialler dials again.
    void deviceReasons_data()
    {
        QTest::addColumn<uint>("reason");
        QTest::addColumn<uint32_t>("error");
        QTest::newRow("modem busy") << 23u << uint32_t(ras::LineBusy);
        QTest::newRow("no dial tone") << 24u << uint32_t(ras::NoDialTone);
        QTest::newRow("no carrier") << 25u << uint32_t(ras::NoCarrier);
        QTest::newRow("dial timeout") << 26u << uint32_t(ras::NoAnswer);
        QTest::newRow("dial failed") << 27u << uint32_t(ras::PortNotAvailable);
        QTest::newRow("modem init failed") << 28u << uint32_t(ras::PortNotAvailable);
        QTest::newRow("no secrets") << 7u << uint32_t(ras::AuthFailure);
        QTest::newRow("login failed") << 10u << uint32_t(ras::AuthFailure);
        QTest::newRow("ppp start failed") << 12u << 718u;
        QTest::newRow("ppp failed") << 14u << 718u;
        QTest::newRow("ppp disconnect") << 13u << 629u;
        QTest::newRow("user requested") << 39u << 619u;
        QTest::newRow("sim missing") << 45u << uint32_t(ras::DeviceError);
        QTest::newRow("unknown") << 1u << uint32_t(ras::DeviceError);
    }
    void deviceReasons()
    {
        QFETCH(uint, reason);
        QFETCH(uint32_t, error);
        QCOMPARE(nm::errorOfDeviceReason(reason), error);
    }

    void connectionReasons_data()
    {
        QTest::addColumn<uint>("reason");
        QTest::addColumn<uint32_t>("error");
        QTest::newRow("no secrets") << 9u << uint32_t(ras::AuthFailure);
        QTest::newRow("login failed") << 10u << uint32_t(ras::AuthFailure);
        QTest::newRow("connect timeout") << 6u << uint32_t(ras::NoAnswer);
        QTest::newRow("user disconnected") << 2u << 619u;
        QTest::newRow("device disconnected") << 3u << 629u;
        QTest::newRow("device removed") << 14u << uint32_t(ras::DeviceError);
    }
    void connectionReasons()
    {
        QFETCH(uint, reason);
        QFETCH(uint32_t, error);
        QCOMPARE(nm::errorOfConnectionReason(reason), error);
    }

    void reasonTexts()
    {
        QCOMPARE(nm::deviceReasonText(34), QStringLiteral("verifica del PIN non riuscita"));
        QCOMPARE(nm::deviceReasonText(999), QStringLiteral("motivo 999"));
        QCOMPARE(nm::connectionReasonText(14), QStringLiteral("dispositivo rimosso"));
    }

    void dialUpKinds_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("bluetooth");
        QTest::addColumn<bool>("dialUp");
        QTest::newRow("gsm") << "gsm"
                             << "" << true;
        QTest::newRow("cdma") << "cdma"
                              << "" << true;
        QTest::newRow("pppoe") << "pppoe"
                               << "" << true;
        QTest::newRow("bluetooth dun") << "bluetooth"
                                       << "dun" << true;
        QTest::newRow("bluetooth panu") << "bluetooth"
                                        << "panu" << false;
        QTest::newRow("bluetooth, type unknown") << "bluetooth"
                                                 << "" << false;
        QTest::newRow("wifi") << "802-11-wireless"
                              << "" << false;
        QTest::newRow("ethernet") << "802-3-ethernet"
                                  << "" << false;
        QTest::newRow("vpn") << "vpn"
                             << "" << false;
    }
    void dialUpKinds()
    {
        QFETCH(QString, type);
        QFETCH(QString, bluetooth);
        QFETCH(bool, dialUp);
        QCOMPARE(nm::isDialUpKind(type, bluetooth), dialUp);
    }
};

QTEST_GUILESS_MAIN(TestNmMapping)
#include "tst_nmmapping.moc"
