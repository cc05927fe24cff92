// pppd's log and exit statuses read as dial progress and dial-up errors.
#include "platform/ppp/PppLog.h"
#include "platform/ras/RasTypes.h"

#include <QTest>

class TestPppLog : public QObject
{
    Q_OBJECT

private slots:
    void lines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<uint32_t>("state");
        QTest::addColumn<uint32_t>("failure");
        QTest::addColumn<QString>("interfaceName");
        const uint32_t none = ppp::NoState;
        const auto row = [](const char* tag, const char* line, uint32_t state, uint32_t failure,
                            const char* iface = "") {
            QTest::newRow(tag) << QString::fromUtf8(line) << state << failure
                               << QString::fromUtf8(iface);
        };
        // A dial as pppd logs it.
        row("serial line", "Serial connection established.", ras::DeviceConnected, 0);
        row("interface", "Using interface ppp1", none, 0, "ppp1");
        row("connect", "Connect: ppp1 <--> /dev/ttyS0", ras::AllDevicesConnected, 0);
        row("pap ok", "PAP authentication succeeded", ras::Authenticated, 0);
        row("chap ok", "CHAP authentication succeeded", ras::Authenticated, 0);
        row("ipv4 up", "local  IP address 10.0.0.2", ras::Connected, 0);
        row("ipv6 only up", "local  LL address fe80::1", ras::Connected, 0);
        row("remote address", "remote IP address 10.0.0.1", none, 0);
        // chat's reasons, with -s or -V.
        row("busy", "Failed (BUSY)", none, ras::LineBusy);
        row("no carrier", "Failed (NO CARRIER)", none, ras::NoCarrier);
        row("no dialtone", "Failed (NO DIALTONE)", none, ras::NoDialTone);
        row("no dial tone", "Failed (NO DIAL TONE)", none, ras::NoDialTone);
        row("no answer", "Failed (NO ANSWER)", none, ras::NoAnswer);
        row("delayed", "Failed (DELAYED)", none, ras::NoAnswer);
        row("voice", "Failed (VOICE)", none, 677);
        row("modem error", "Failed (ERROR)", none, ras::DeviceError);
        // chat's time-out says no reason; the exit status decides.
        row("chat time-out", "Failed", none, 0);
        // pppd's own failures.
        row("pap refused", "PAP authentication failed", none, ras::AuthFailure);
        row("chap refused", "CHAP authentication failed", none, ras::AuthFailure);
        row("missing peer", "pppd: Can't open options file /etc/ppp/peers/x: No such file", none,
            ras::EntryNotFound);
        row("port locked", "Device ttyS0 is locked by pid 42", none, ras::PortNotAvailable);
        row("port unopenable", "Failed to open /dev/ttyS9: No such file", none,
            ras::PortNotAvailable);
        row("hangup", "Modem hangup", none, 629);
        row("no ppp in kernel", "This system lacks kernel support for PPP.", none,
            ras::DeviceError);
        row("other", "Connect script failed", none, 0);
    }
    void lines()
    {
        QFETCH(QString, line);
        QFETCH(uint32_t, state);
        QFETCH(uint32_t, failure);
        QFETCH(QString, interfaceName);
        const ppp::LogLine l = ppp::readLogLine(line);
        QCOMPARE(l.state, state);
        QCOMPARE(l.failure, failure);
        QCOMPARE(l.interfaceName, interfaceName);
        // Every failure without a code of its own tells the user what happened.
        QCOMPARE(!l.detail.isEmpty(), failure == ras::DeviceError);
    }

    // The error a dial ends with: chat's reason where pppd's exit status 8
    // hides it, and never a busy line the log did not name (the dialler
    // would dial again a number that does not answer).
    void exits_data()
    {
        QTest::addColumn<int>("exitStatus");
        QTest::addColumn<uint32_t>("failure");
        QTest::addColumn<uint32_t>("error");
        const auto row = [](const char* tag, int exitStatus, uint32_t failure, uint32_t error) {
            QTest::newRow(tag) << exitStatus << failure << error;
        };
        row("busy", 8, ras::LineBusy, ras::LineBusy);
        row("no carrier", 8, ras::NoCarrier, ras::NoCarrier);
        row("no dial tone", 8, ras::NoDialTone, ras::NoDialTone);
        row("chat time-out", 8, 0, ras::NoAnswer);
        row("chat -v, reason only in syslog", 8, 0, ras::NoAnswer);
        row("missing peer", 2, ras::EntryNotFound, ras::EntryNotFound);
        row("other option error", 2, 0, ras::DeviceError);
        row("peer refused us", 19, 0, ras::AuthFailure);
        row("we refused the peer", 11, 0, ras::AuthFailure);
        row("auth line and status", 19, ras::AuthFailure, ras::AuthFailure);
        row("port locked", 6, 0, ras::PortNotAvailable);
        row("port unopenable", 7, 0, ras::PortNotAvailable);
        row("negotiation", 10, 0, 718);
        row("modem hung up", 16, 629, 629);
        row("killed from outside", 5, 0, 619);
        row("killed hard", ppp::KilledBySignal, 0, 619);
        row("no kernel support", 4, ras::DeviceError, ras::DeviceError);
        row("unknown status", 42, 0, ras::DeviceError);
    }
    void exits()
    {
        QFETCH(int, exitStatus);
        QFETCH(uint32_t, failure);
        QFETCH(uint32_t, error);
        QCOMPARE(ppp::dialError(exitStatus, failure), error);
    }

    void exitTexts()
    {
        QCOMPARE(ppp::exitText(4),
                 QStringLiteral("pppd è terminato con il codice 4 (il sistema non ha il supporto "
                                "PPP nel kernel)."));
        QCOMPARE(ppp::exitText(42), QStringLiteral("pppd è terminato con il codice 42 (errore)."));
    }
};

QTEST_GUILESS_MAIN(TestPppLog)
#include "tst_ppplog.moc"
