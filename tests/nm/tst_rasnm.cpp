// The NetworkManager backend against python3-dbusmock on a private bus:
// which connections are entries, a connection activated by someone else
// metered by the watch, dials with their progress and errors, the dialler
// retrying a busy modem, hang-up, and NetworkManager leaving the bus.
#include "app/SettingsStore.h"
#include "dialup/AutoDialPlan.h"
#include "platform/nm/NmBackend.h"
#include "platform/nm/RasNmService.h"
#include "platform/ras/RasTexts.h"
#include "platform/system/Registry.h"
#include "tests/dialup/AutoDialFixture.h"
#include "tests/nm/NmMock.h"
#include "tests/support/CliRun.h"
#include "tests/support/DialRecorder.h"
#include "tests/support/TestSupport.h"
#include "tests/watch/WatchFixture.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using dialtest::Seen;
using nmtest::NmMock;
using nmtest::waitFor;

namespace
{

// Device states and reasons as NetworkManager reports them.
enum : uint {
    Disconnected = 30,
    Prepare = 40,
    Config = 50,
    NeedAuth = 60,
    IpConfig = 70,
    Activated = 100,
    Failed = 120,
    ModemBusy = 23,
    ModemNoCarrier = 25,
    NoSecrets = 7,
    PppFailed = 14,
    FirmwareMissing = 35,
};

// Active connection states.
enum : uint { AcActivated = 2, AcDeactivated = 4 };

// One step of a scripted activation: the modem's state and reason; Activated
// also makes the active connection activated, Failed deactivates and drops it.
struct Step {
    uint state;
    uint reason = 0;
};

// Plays steps on the mock for the active connection path.
void play(NmMock& mock, const QString& path, const QList<Step>& steps)
{
    uint old = Disconnected;
    for (const Step& s : steps) {
        mock.device(s.state, old, s.reason);
        old = s.state;
        if (s.state == Activated)
            mock.active(path, AcActivated);
        if (s.state == Failed) {
            mock.active(path, AcDeactivated, 3);
            mock.remove(path);
        }
    }
}

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class TestRasNm : public QObject
{
    Q_OBJECT

private:
    QString m_noTools;
    std::unique_ptr<NmMock> m_mock;
    QString m_casa; // settings object of the modem connection "Casa"

private slots:
    void initTestCase()
    {
        testsupport::pinItalianLocale();
        m_noTools = nmtest::missingTools();
    }

    void init()
    {
        if (!m_noTools.isEmpty())
            QSKIP(qPrintable(m_noTools));
        m_mock = std::make_unique<NmMock>();
        QVERIFY2(m_mock->start(), "the NetworkManager mock did not start");
        m_mock->addModem();
        m_casa = m_mock->addConnection(QStringLiteral("Casa"), QStringLiteral("gsm"));
        QVERIFY(!m_casa.isEmpty());
    }
    void cleanup() { m_mock.reset(); }

    // Only the kinds that dial are entries, whatever their names.
    void entriesAreDialUpConnections()
    {
        NmMock& mock = *m_mock;
        const auto bt = [](const char* kind) {
            nm::Settings s;
            s[QStringLiteral("bluetooth")][QStringLiteral("type")] = QString::fromLatin1(kind);
            return s;
        };
        mock.addConnection(QStringLiteral("Cdma"), QStringLiteral("cdma"));
        mock.addConnection(QStringLiteral("Telefono BT"), QStringLiteral("bluetooth"), bt("dun"));
        mock.addConnection(QStringLiteral("Cuffie BT"), QStringLiteral("bluetooth"), bt("panu"));
        mock.addConnection(QStringLiteral("ADSL"), QStringLiteral("pppoe"));
        mock.addConnection(QStringLiteral("Wi-Fi di casa"), QStringLiteral("802-11-wireless"));
        mock.addConnection(QStringLiteral("Cavo"), QStringLiteral("802-3-ethernet"));
        mock.addConnection(QStringLiteral("Lavoro/Roma"), QStringLiteral("gsm"));
        TRasNmService service;
        QCOMPARE(service.entries(),
                 (QStringList{"ADSL", "Casa", "Cdma", "Lavoro/Roma", "Telefono BT"}));
        QCOMPARE(service.entriesProblem(), QString());
        QCOMPARE(TRasNmService::dialUpConnectionCount(), 5);
        QVERIFY(!service.usesCredentials());

        mock.stop();
        QVERIFY(service.entries().isEmpty());
        QCOMPARE(service.entriesProblem(),
                 QStringLiteral("NetworkManager non è in esecuzione: nessuna connessione da "
                                "mostrare."));
        QCOMPARE(TRasNmService::dialUpConnectionCount(), -1);
    }

    // Activated from the desktop's menu while the program watches: seen
    // activating (yellow), then activated (green, stored), then gone: one
    // record in the archive. A Wi-Fi connection up at the same time is not
    // a dial-up one and does not count.
    void outsideActivationIsMetered()
    {
        NmMock& mock = *m_mock;
        const QString wifi =
            mock.addConnection(QStringLiteral("Wi-Fi"), QStringLiteral("802-11-wireless"));
        QVERIFY(!mock.activate(wifi).isEmpty());
        mock.activationStopsAtActivating();
        TRasNmService service;
        watchtest::Fixture f(service);
        QVERIFY(f.saveProfile(QStringLiteral("Prova"), watchtest::liraPerSecond()));
        f.confirmInDialog();
        f.watcher.watchOn();
        f.tick();
        QCOMPARE(f.view.light(), lightIndex(LightImage::Red));

        const QString active = mock.activate(m_casa);
        QVERIFY(!active.isEmpty());
        f.tick();
        QCOMPARE(f.watch.light, Light::Yellow);
        QCOMPARE(f.records.running.provider, QStringLiteral("Casa"));
        f.ticks(2);
        QVERIFY(f.archiveBytes().isEmpty());

        play(mock, active, {{Prepare}, {Config}, {IpConfig}, {Activated}});
        f.tick();
        QCOMPARE(f.watch.light, Light::Green);
        f.ticks(25);
        QCOMPARE(f.archiveBytes().size(), ConnRecord::Size);

        mock.deactivate(active);
        f.tick();
        QVERIFY(!f.watch.running);
        QCOMPARE(f.view.endDialogs, QList<Light>{Light::Green});
        QCOMPARE(f.archiveBytes().size(), ConnRecord::Size);
        QCOMPARE(f.recordAt(0).provider, QStringLiteral("Casa"));
        QVERIFY(f.recordAt(0).costo > 0);
    }

    // Each dial's notifications, in order, from the service's own thread,
    // ending in the error the dialler acts on.
    void dials_data()
    {
        QTest::addColumn<QList<Step>>("steps");
        QTest::addColumn<QList<Seen>>("expected");
        QTest::addColumn<QString>("errorText"); // "": the usual text of the error
        const QList<Seen> placing{{0, 0}, {2, 0}};
        QTest::newRow("connects")
            << QList<Step>{{Prepare}, {Config}, {NeedAuth}, {IpConfig}, {Activated}}
            << QList<Seen>{{0, 0}, {2, 0}, {3, 0}, {5, 0}, {14, 0}, {ras::Connected, 0}}
            << QString();
        QTest::newRow("busy") << QList<Step>{{Prepare}, {Failed, ModemBusy}}
                              << (placing + QList<Seen>{{2, ras::LineBusy}}) << QString();
        QTest::newRow("no carrier") << QList<Step>{{Prepare}, {Failed, ModemNoCarrier}}
                                    << (placing + QList<Seen>{{2, ras::NoCarrier}}) << QString();
        QTest::newRow("no secrets")
            << QList<Step>{{Prepare}, {Config}, {NeedAuth}, {Failed, NoSecrets}}
            << QList<Seen>{{0, 0}, {2, 0}, {3, 0}, {5, 0}, {5, ras::AuthFailure}} << QString();
        QTest::newRow("ppp failed") << QList<Step>{{Prepare}, {Config}, {Failed, PppFailed}}
                                    << QList<Seen>{{0, 0}, {2, 0}, {3, 0}, {3, 718}} << QString();
        QTest::newRow("other reason")
            << QList<Step>{{Prepare}, {Failed, FirmwareMissing}}
            << (placing + QList<Seen>{{2, ras::DeviceError}})
            << QStringLiteral("NetworkManager non ha potuto attivare la connessione: firmware del "
                              "dispositivo mancante (motivo 35).");
    }
    void dials()
    {
        QFETCH(QList<Step>, steps);
        QFETCH(QList<Seen>, expected);
        QFETCH(QString, errorText);
        NmMock& mock = *m_mock;
        mock.activationStopsAtActivating();
        TRasNmService service;
        dialtest::Recorder rec;
        const RasHandle h = rec.dial(service, QStringLiteral("Casa"));
        QVERIFY(waitFor([&] { return mock.activeConnections().size() == 1; }));
        QVERIFY(waitFor([&] { return !rec.snapshot().isEmpty(); }));
        play(mock, mock.activeConnections().first(), steps);
        QVERIFY(waitFor([&] { return rec.ended(ras::Connected); }));
        QTest::qWait(100); // nothing follows the end
        QCOMPARE(rec.snapshot(), expected);
        QVERIFY(rec.otherThread);
        QVERIFY(std::all_of(rec.handles.begin(), rec.handles.end(),
                            [&](RasHandle x) { return x == h; }));
        if (!errorText.isEmpty())
            QCOMPARE(service.errorText(expected.last().error), errorText);

        const std::vector<RasConnection> conns = service.connections();
        if (expected.last().error == 0) {
            QCOMPARE(conns.size(), size_t(1));
            QCOMPARE(conns[0].entryName, QStringLiteral("Casa"));
            RasConnStatus st;
            QCOMPARE(service.connectionStatus(conns[0].handle, st), uint32_t(ras::Success));
            QCOMPARE(st.state, uint32_t(ras::Connected));
        } else {
            QVERIFY(conns.empty());
        }
    }

    void dialOfAnUnknownEntry()
    {
        TRasNmService service;
        dialtest::Recorder rec;
        rec.dial(service, QStringLiteral("Wi-Fi"));
        QVERIFY(waitFor([&] { return rec.ended(ras::Connected); }));
        QCOMPARE(rec.snapshot(), (QList<Seen>{{0, 0}, {0, ras::EntryNotFound}}));
        QVERIFY(m_mock->activeConnections().isEmpty());
    }

    // The program hangs up what it dialled: DeactivateConnection, the wait
    // sees it go; nothing is reported after the hang-up.
    void hangUp()
    {
        TRasNmService service;
        RasState state;
        TSystemClock clock;
        TDialUp dialUp(service, state, clock);
        dialtest::Recorder rec;
        rec.dial(service, QStringLiteral("Casa"));
        QVERIFY(waitFor([&] { return rec.ended(ras::Connected); }));
        QCOMPARE(rec.snapshot().last(), (Seen{ras::Connected, 0}));
        QCOMPARE(dialUp.probe().outcome, RasProbe::Connected);

        QCOMPARE(dialUp.hangUpWithWait(), RasHangUp::Gone);
        QVERIFY(m_mock->activeConnections().isEmpty());
        QCOMPARE(dialUp.probe().outcome, RasProbe::NoConnection);
        QTest::qWait(100);
        QCOMPARE(rec.snapshot().last(), (Seen{ras::Connected, 0}));
    }

    // A connection NetworkManager will not let this user close: the hang-up
    // says so at once.
    void hangUpRefused()
    {
        TRasNmService service;
        RasState state;
        TSystemClock clock;
        TDialUp dialUp(service, state, clock);
        QVERIFY(!m_mock->activate(m_casa).isEmpty());
        m_mock->deactivationRefused();
        QCOMPARE(dialUp.probe().outcome, RasProbe::Connected);
        QElapsedTimer t;
        t.start();
        QCOMPARE(dialUp.hangUpWithWait(), RasHangUp::Refused);
        QVERIFY(t.elapsed() < 5000);
        QCOMPARE(dialUp.errorText(state.hangUpError),
                 QStringLiteral("NetworkManager non permette a questo utente di aprire o chiudere "
                                "la connessione: la gestisce un altro utente o il sistema."));
        QCOMPARE(dialUp.probe().outcome, RasProbe::Connected);
    }

    // The modem is busy twice; the dialler dials again, and the third
    // activation connects.
    void diallerRetriesABusyModem()
    {
        NmMock& mock = *m_mock;
        mock.activationStopsAtActivating();
        TRasNmService service;
        dialtest::Fixture f(service);
        f.providerRecord(QStringLiteral("Casa"), QStringLiteral("0701234"), QString(), QString());
        // Each new activation gets the next script, as the modem answers.
        QList<QList<Step>> scripts{{{Prepare}, {Failed, ModemBusy}},
                                   {{Prepare}, {Failed, ModemBusy}},
                                   {{Prepare}, {Config}, {IpConfig}, {Activated}}};
        QStringList seen;
        QTimer modem;
        QObject::connect(&modem, &QTimer::timeout, [&] {
            for (const QString& active : mock.activeConnections())
                if (!seen.contains(active) && !scripts.isEmpty()) {
                    seen << active;
                    play(mock, active, scripts.takeFirst());
                }
        });
        modem.start(20);

        const auto outcome = f.plan.run({QStringLiteral("Casa"), "5", true, {}, "1", true});

        QCOMPARE(outcome, TAutoDialPlan::Outcome::Connected);
        QCOMPARE(f.windows.lines, (QStringList{"Tentativo 1 di 5 con", "Tentativo 2 di 5 con",
                                               "Tentativo 3 di 5 con"}));
        QVERIFY(f.status.texts.contains(ras::errorText(ras::LineBusy)));
        // NetworkManager keeps its own secrets: none were asked for.
        QVERIFY(f.windows.trace.filter(QStringLiteral("creds")).isEmpty());
        QVERIFY(f.watch.connected);
        f.tick();
        QCOMPARE(f.watch.light, Light::Green);
        QCOMPARE(service.connections().size(), size_t(1));
    }

    // NetworkManager stops while connected: no crash, the connection is
    // gone, the session ends and is offered for keeping.
    void networkManagerLeavesWhileConnected()
    {
        NmMock& mock = *m_mock;
        TRasNmService service;
        watchtest::Fixture f(service);
        QVERIFY(f.saveProfile(QStringLiteral("Prova"), watchtest::liraPerSecond()));
        f.confirmInDialog();
        f.watcher.watchOn();
        QVERIFY(!mock.activate(m_casa).isEmpty());
        f.ticks(3);
        QCOMPARE(f.watch.light, Light::Green);
        const RasHandle h = service.connections().front().handle;

        mock.stop();
        f.tick();
        QVERIFY(!f.watch.running);
        QCOMPARE(f.view.endDialogs, QList<Light>{Light::Green});
        QCOMPARE(f.archiveBytes().size(), ConnRecord::Size);
        RasConnStatus st;
        QCOMPARE(service.connectionStatus(h, st), uint32_t(ras::InvalidHandle));
        QVERIFY(service.connections().empty());
        QCOMPARE(service.hangUp(h), uint32_t(ras::Success));

        // A dial now fails at once, saying why.
        dialtest::Recorder rec;
        rec.dial(service, QStringLiteral("Casa"));
        QVERIFY(waitFor([&] { return rec.ended(ras::Connected); }));
        QCOMPARE(rec.snapshot(), (QList<Seen>{{0, 0}, {0, ras::DeviceError}}));
        QCOMPARE(service.errorText(ras::DeviceError),
                 QStringLiteral("NetworkManager non è in esecuzione: nessuna connessione da "
                                "mostrare."));
    }

    // NetworkManager leaving in the middle of a dial ends the dial.
    void networkManagerLeavesWhileDialling()
    {
        NmMock& mock = *m_mock;
        mock.activationStopsAtActivating();
        TRasNmService service;
        dialtest::Recorder rec;
        rec.dial(service, QStringLiteral("Casa"));
        QVERIFY(waitFor([&] { return mock.activeConnections().size() == 1; }));
        play(mock, mock.activeConnections().first(), {{Prepare}});
        QVERIFY(waitFor([&] { return rec.snapshot().size() == 2; }));
        mock.stop();
        QVERIFY(waitFor([&] { return rec.ended(ras::Connected); }));
        QCOMPARE(rec.snapshot(), (QList<Seen>{{0, 0}, {2, 0}, {2, ras::DeviceError}}));
        QCOMPARE(service.errorText(ras::DeviceError),
                 QStringLiteral("NetworkManager è terminato durante la connessione."));
    }

    // With pppd offering no entries and NetworkManager some, the program
    // runs on NetworkManager; tarvelo-cli shows it.
    void chosenAndShownByTheCommandLine()
    {
        QTemporaryDir dir;
        {
            TRegFile reg(TRegFile::defaultPath());
            TSettingsStore store(reg);
            Settings s;
            store.peek(s);
            s.pppPeers = dir.filePath(QStringLiteral("nessun-peer"));
            QVERIFY(store.save(s));
        }
        const QString active = m_mock->activate(m_casa);
        const auto run = [&](const QStringList& args) {
            testsupport::CliRun r;
            QTextStream out(&r.out);
            QTextStream err(&r.err);
            r.status = runCli(QStringList{"--folder", dir.path()} + args, dir.path(), out, err,
                              nmBackendHooks());
            out.flush();
            err.flush();
            return r;
        };
        testsupport::CliRun r = run({"ras", "backend"});
        QCOMPARE(r.status, 0);
        QVERIFY2(r.out.startsWith(QStringLiteral(
                     "nm\tNetworkManager\nmotivo: NetworkManager ha 1 connessione via modem e "
                     "pppd nessuna\n")),
                 qPrintable(r.out));
        r = run({"ras", "entries"});
        QCOMPARE(r.out, QStringLiteral("Casa\n"));
        r = run({"ras", "status"});
        QVERIFY2(r.out.endsWith(QStringLiteral("\tCasa\t8192 Connesso\t0\n")), qPrintable(r.out));
        m_mock->deactivate(active);
        QVERIFY(QFile::remove(TRegFile::defaultPath()));
    }
};

QTEST_MAIN(TestRasNm)
#include "tst_rasnm.moc"
