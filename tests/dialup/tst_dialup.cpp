// The program's side of the dial-up layer, over a service the test controls.
#include "common/Clock.h"
#include "dialup/DialUp.h"
#include "dialup/ProviderRecord.h"
#include "platform/ras/RasTexts.h"
#include "tests/support/FakeRasService.h"

#include <QTest>

Q_DECLARE_METATYPE(RasProbe)

class TestDialUp : public QObject
{
    Q_OBJECT

private:
    // Everything a test needs, fresh each time; sleeping moves the clock.
    struct Fixture : FakeRasService {
        RasState state;
        TManualClock clock;
        qint64 slept = 0;
        std::function<void()> onSleep;
        TDialUp dialup{*this, state, clock, [this](int ms) {
                           slept += ms;
                           clock.advanceMs(ms);
                           if (onSleep)
                               onSleep();
                       }};
    };

private slots:
    void probeOutcomes_data()
    {
        QTest::addColumn<uint32_t>("state");
        QTest::addColumn<uint32_t>("error");
        QTest::addColumn<RasProbe>("outcome");
        QTest::newRow("connected") << uint32_t(0x2000) << 0u << RasProbe::Connected;
        QTest::newRow("connected despite error") << uint32_t(0x2000) << 676u << RasProbe::Connected;
        QTest::newRow("busy") << uint32_t(ras::ConnectDevice) << 676u << RasProbe::Busy;
        QTest::newRow("opening port") << uint32_t(ras::OpenPort) << 0u << RasProbe::Connecting;
        QTest::newRow("authenticating")
            << uint32_t(ras::Authenticate) << 600u << RasProbe::Connecting;
        QTest::newRow("failed otherwise")
            << uint32_t(ras::ConnectDevice) << 678u << RasProbe::Connecting;
        QTest::newRow("disconnected") << uint32_t(0x2001) << 0u << RasProbe::Connecting;
    }
    void probeOutcomes()
    {
        QFETCH(uint32_t, state);
        QFETCH(uint32_t, error);
        QFETCH(RasProbe, outcome);
        Fixture f;
        f.add(5, QStringLiteral("Casa"), state, error);
        const RasProbeResult r = f.dialup.probe();
        QCOMPARE(r.outcome, outcome);
        QCOMPARE(r.entryName, QStringLiteral("Casa"));
        QCOMPARE(r.handle, RasHandle(5));
        QCOMPARE(r.state, state);
        QCOMPARE(r.error, error);
    }

    void probeWithoutConnection()
    {
        Fixture f;
        f.state.lastError = 676;
        QCOMPARE(f.dialup.probe().outcome, RasProbe::NoConnection);
        QVERIFY(f.dialup.probe().entryName.isEmpty());

        // Two connections do not fit the one-record query.
        f.add(1, QStringLiteral("Uno"), 0x2000);
        f.add(2, QStringLiteral("Due"), 0x2000);
        QCOMPARE(f.dialup.probe().outcome, RasProbe::NoConnection);

        // A failed status query is no connection either.
        f.conns.pop_back();
        f.statusFails = true;
        QCOMPARE(f.dialup.probe().outcome, RasProbe::NoConnection);
        QCOMPARE(f.state.lastError, 676u);
    }

    void probeCutsEntryNameTo49()
    {
        Fixture f;
        const QString name = QString(49, QLatin1Char('a')) + QString(11, QLatin1Char('b'));
        f.add(9, name, 0x2000);
        QCOMPARE(f.dialup.probe().entryName, QString(49, QLatin1Char('a')));
    }

    // Every status error is kept, 0 included, except "pending".
    void probeKeepsLastErrorUnlessPending()
    {
        Fixture f;
        f.add(3, QStringLiteral("Casa"), ras::ConnectDevice, 676);
        f.dialup.probe();
        QCOMPARE(f.state.lastError, 676u);
        f.status[3] = {ras::Authenticate, 600};
        f.dialup.probe();
        QCOMPARE(f.state.lastError, 676u);
        f.status[3] = {0x2000, 0};
        f.dialup.probe();
        QCOMPARE(f.state.lastError, 0u);
    }

    void stateTexts_data()
    {
        QTest::addColumn<uint32_t>("state");
        QTest::addColumn<QString>("text");
        const std::pair<uint32_t, const char*> table[] = {
            {0, "Apertura Porta..."},
            {1, "Porta Aperta"},
            {2, "Connessione Periferica..."},
            {3, "Periferica Connessa"},
            {4, "Tutte le periferiche connesse"},
            {5, "Autenticazione Password..."},
            {6, "Notifica autenticazione..."},
            {7, "Nuovo tentativo autenticazione..."},
            {8, "AuthCallback"},
            {9, "AuthChangePassword"},
            {10, "AuthProject"},
            {11, "AuthLinkSpeed"},
            {12, "AuthAck"},
            {13, "Autentica di nuovo..."},
            {14, "Autenticato"},
            {15, "PrepareForCallback"},
            {16, "WaitForModemReset"},
            {17, "WaitForCallback"},
            {18, "Projected"},
            {19, "Inizio Autenticazione..."},
            {20, "CallbackComplete"},
            {21, "Accesso alla rete in corso..."},
            {22, "SubEntryConnected"},
            {23, "SubEntryDisconnected"},
            {4096, "Interactive"},
            {4097, "RetryAuthentication"},
            {4098, "CallbackSetByCaller"},
            {4099, "PasswordExpired"},
            {8192, "Connesso"},
            {8193, "Disconnesso"},
            {24, "Attesa"},
            {4100, "Attesa"},
            {8194, "Attesa"},
            {0xFFFFFFFF, "Attesa"},
        };
        for (const auto& [state, text] : table)
            QTest::addRow("%u", state) << state << QString::fromUtf8(text);
    }
    void stateTexts()
    {
        QFETCH(uint32_t, state);
        QFETCH(QString, text);
        QCOMPARE(TDialUp::stateText(state), text);
    }

    void errorTexts()
    {
        Fixture f;
        QCOMPARE(f.dialup.errorText(676), QStringLiteral("errore 676"));
        QCOMPARE(ras::errorText(676), QStringLiteral("La linea telefonica è occupata."));
        QVERIFY(ras::errorText(0).isEmpty());
        QVERIFY(!ras::errorText(12345).isEmpty());
        for (uint32_t code : {678u, 680u, 691u})
            QVERIFY(!ras::errorText(code).contains(QString::number(code)));
    }

    void enumerationKeepsOldSlotsAndStopsAt20()
    {
        Fixture f;
        for (int i = 0; i < 20; ++i)
            f.state.entries[size_t(i)] = QStringLiteral("vecchia %1").arg(i);
        f.names = {QStringLiteral("A"), QStringLiteral("B")};
        TProviderRecord current;
        current.entryName = QStringLiteral("A");
        current.password = QStringLiteral("x");
        f.dialup.enumerateEntries(current);
        QCOMPARE(current, TProviderRecord());
        QCOMPARE(f.state.entries[0], QStringLiteral("A"));
        QCOMPARE(f.state.entries[1], QStringLiteral("B"));
        QCOMPARE(f.state.entries[2], QStringLiteral("vecchia 2"));
        QCOMPARE(f.state.entries[19], QStringLiteral("vecchia 19"));

        f.names.clear();
        f.dialup.enumerateEntries(current);
        QCOMPARE(f.state.entries[0], QStringLiteral("A"));

        for (int i = 0; i < 25; ++i)
            f.names << QStringLiteral("voce %1").arg(i);
        f.dialup.enumerateEntries(current);
        QCOMPARE(f.state.entries[0], QStringLiteral("voce 0"));
        QCOMPARE(f.state.entries[19], QStringLiteral("voce 19"));
    }

    void dialPassesTheProviderRecord()
    {
        Fixture f;
        f.state.dialHandle = 3;
        TProviderRecord p;
        p.entryName = QStringLiteral("Casa");
        p.phoneNumber = QStringLiteral("0701234");
        p.userName = QStringLiteral("u");
        p.password = QStringLiteral("pw");
        f.dialup.dial(p, [](const RasNotification&) {});
        QCOMPARE(f.dials.size(), 1);
        const RasDialParams& d = f.dials.first();
        QCOMPARE(d.entryName, p.entryName);
        QCOMPARE(d.phoneNumber, p.phoneNumber);
        QCOMPARE(d.userName, p.userName);
        QCOMPARE(d.password, p.password);
        QCOMPARE(d.domain, QStringLiteral("*"));
        QVERIFY(d.callbackNumber.isEmpty());
        QCOMPARE(d.subEntry, 0u);
        QCOMPARE(f.state.dialHandle, RasHandle(77));
    }

    void quickHangUpUsesTheNotifiedHandle()
    {
        Fixture f;
        f.state.dialHandle = 1;
        RasNotification n;
        n.handle = 42;
        f.dialup.noteNotification(n);
        f.dialup.quickHangUp();
        QCOMPARE(f.hungUp, QList<RasHandle>{42});
        QCOMPARE(f.slept, 1000);
    }

    void hangUpWithWaitEndsWhenGone()
    {
        Fixture f;
        f.add(8, QStringLiteral("Casa"), 0x2000);
        f.queriesUntilGone = 3;
        QCOMPARE(f.dialup.hangUpWithWait(), RasHangUp::Gone);
        QCOMPARE(f.hungUp, QList<RasHandle>{8});
        QCOMPARE(f.slept, 3 * TDialUp::WaitStepMs);
        QVERIFY(f.conns.empty());
        QVERIFY(!f.state.hangUpRunning);

        // Nothing to hang up: done at once.
        QCOMPARE(f.dialup.hangUpWithWait(), RasHangUp::Gone);
        QCOMPARE(f.hungUp.size(), 1);
    }

    // Rounds repeat while connections are counted, within one time bound.
    void hangUpWithWaitTakesEveryConnection()
    {
        Fixture f;
        f.add(1, QStringLiteral("Uno"), 0x2000);
        f.add(2, QStringLiteral("Due"), ras::ConnectDevice);
        f.queriesUntilGone = 1;
        QCOMPARE(f.dialup.hangUpWithWait(), RasHangUp::Gone);
        QCOMPARE(f.hungUp, (QList<RasHandle>{1, 2}));
        QVERIFY(f.conns.empty());
    }

    void hangUpWithWaitTimesOut()
    {
        Fixture f;
        f.add(8, QStringLiteral("Casa"), 0x2000);
        f.queriesUntilGone = -1;
        QCOMPARE(f.dialup.hangUpWithWait(), RasHangUp::TimedOut);
        QVERIFY(f.slept >= TDialUp::HangUpTimeoutMs);
        QVERIFY(f.slept < TDialUp::HangUpTimeoutMs + TDialUp::WaitStepMs);
        QVERIFY(!f.state.hangUpRunning);

        // The retry starts a fresh 30 seconds.
        f.slept = 0;
        QCOMPARE(f.dialup.hangUpWithWait(), RasHangUp::TimedOut);
        QVERIFY(f.slept >= TDialUp::HangUpTimeoutMs);
    }

    // A connection that comes straight back after each hang-up cannot hold
    // the caller past the bound.
    void hangUpWithWaitBoundsReturningConnections()
    {
        Fixture f;
        f.add(8, QStringLiteral("Casa"), 0x2000);
        RasHandle next = 9;
        f.onGone = [&] {
            f.clock.advanceMs(1000); // each hang-up takes the service a second
            f.add(next++, QStringLiteral("Casa"), 0x2000);
        };
        QCOMPARE(f.dialup.hangUpWithWait(), RasHangUp::TimedOut);
        QCOMPARE(f.hungUp.size(), 30);
    }

    // A connection the service will not close (another user's) ends the wait
    // at once with the service's reason, instead of 30 silent seconds.
    void hangUpWithWaitRefused()
    {
        Fixture f;
        f.add(8, QStringLiteral("Casa"), 0x2000);
        f.hangUpRefusal = ras::AccessDenied;
        QCOMPARE(f.dialup.hangUpWithWait(), RasHangUp::Refused);
        QCOMPARE(f.state.hangUpError, uint32_t(ras::AccessDenied));
        QCOMPARE(f.hungUp, QList<RasHandle>{8});
        QCOMPARE(f.slept, 0);
        QVERIFY(!f.state.hangUpRunning);
    }

    void hangUpWithWaitRefusesReentry()
    {
        Fixture f;
        f.add(8, QStringLiteral("Casa"), 0x2000);
        f.queriesUntilGone = 2;
        QList<RasHangUp> inner;
        f.onSleep = [&] { inner << f.dialup.hangUpWithWait(); };
        QCOMPARE(f.dialup.hangUpWithWait(), RasHangUp::Gone);
        QCOMPARE(inner, (QList<RasHangUp>{RasHangUp::AlreadyRunning, RasHangUp::AlreadyRunning}));
        QCOMPARE(f.hungUp.size(), 1);

        // The dialler can clear a guard left behind.
        f.state.hangUpRunning = true;
        QCOMPARE(f.dialup.hangUpWithWait(), RasHangUp::AlreadyRunning);
        f.state.hangUpRunning = false;
        QCOMPARE(f.dialup.hangUpWithWait(), RasHangUp::Gone);
    }
};

QTEST_GUILESS_MAIN(TestDialUp)
#include "tst_dialup.moc"
