// Which dial-up backend the program runs on: the "RasBackend" setting, and
// with "auto" what the system offers; tarvelo-cli ras backend|entries|status
// on the chosen one.
#include "app/RasSetup.h"
#include "app/Settings.h"
#include "app/SettingsStore.h"
#include "common/Clock.h"
#include "platform/ppp/RasPppService.h"
#include "platform/ras/RasBackend.h"
#include "platform/ras/RasSimService.h"
#include "platform/system/Registry.h"
#include "tests/support/CliRun.h"
#include "tests/support/FakeRasService.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(RasBackendKind)

namespace
{

struct Machine {
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("programma"));
    // Not named pppd: links of other tests (or of the machine) must not show.
    QString pppd = dir.filePath(QStringLiteral("sbin/pppd-di-prova"));
    QString peers = dir.filePath(QStringLiteral("peers"));

    Machine()
    {
        QDir().mkpath(folder);
        QDir().mkpath(peers);
    }
    RasBackendSettings settings(const QString& backend = QStringLiteral("auto")) const
    {
        RasBackendSettings s;
        s.backend = backend;
        s.ppp.command = pppd;
        s.ppp.peers = peers;
        s.ppp.run = dir.filePath(QStringLiteral("run"));
        return s;
    }
    void installPppd()
    {
        QDir().mkpath(QFileInfo(pppd).path());
        testsupport::writeFileBytes(pppd, "#!/bin/sh\n");
    }
    void peer(const QString& name) { testsupport::writeFileBytes(peers + '/' + name, "noauth\n"); }
    void simulated() { QDir().mkpath(folder + QStringLiteral("/ras-sim")); }
};

} // namespace

class TestRasBackend : public QObject
{
    Q_OBJECT

private slots:
    void choice_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<bool>("simFolder");
        QTest::addColumn<bool>("pppd");
        QTest::addColumn<int>("peers");
        QTest::addColumn<int>("nm"); // NetworkManager's dial-up connections; -1 not running
        QTest::addColumn<RasBackendKind>("kind");
        QTest::addColumn<QString>("reason"); // %1 pppd, %2 peers folder
        QTest::addColumn<bool>("nmAsked");
        using K = RasBackendKind;
        const auto row = [](const char* tag, const char* backend, bool sim, bool pppd, int peers,
                            int nm, K kind, const char* reason, bool nmAsked) {
            QTest::newRow(tag) << QString::fromUtf8(backend) << sim << pppd << peers << nm << kind
                               << QString::fromUtf8(reason) << nmAsked;
        };
        row("demo folder", "auto", true, true, 2, 3, K::Simulated,
            "la cartella del programma contiene ras-sim/", false);
        row("pppd with peers", "auto", false, true, 2, 3, K::Ppp,
            "pppd è installato (%1) e ha 2 connessioni in %2", false);
        row("pppd with one peer", "", false, true, 1, -1, K::Ppp,
            "pppd è installato (%1) e ha 1 connessione in %2", false);
        row("NetworkManager has them, pppd none", "auto", false, true, 0, 2, K::NetworkManager,
            "NetworkManager ha 2 connessioni via modem e pppd nessuna", true);
        row("no pppd, NetworkManager has one", "auto", false, false, 0, 1, K::NetworkManager,
            "NetworkManager ha 1 connessione via modem e pppd nessuna", true);
        row("pppd without peers", "auto", false, true, 0, 0, K::Ppp, "pppd è installato (%1)",
            true);
        row("nothing", "auto", false, false, 0, -1, K::Simulated,
            "né pppd né NetworkManager hanno connessioni via modem", true);
        row("NetworkManager without dial-up", "auto", false, false, 0, 0, K::Simulated,
            "né pppd né NetworkManager hanno connessioni via modem", true);
        row("asked: sim", "sim", false, true, 2, 2, K::Simulated, "impostazione RasBackend=sim",
            false);
        row("asked: ppp, not installed", "ppp", true, false, 0, 2, K::Ppp,
            "impostazione RasBackend=ppp", false);
        row("asked: PPP", " PPP ", false, false, 0, -1, K::Ppp, "impostazione RasBackend=ppp",
            false);
        row("asked: nm", "nm", true, true, 2, -1, K::NetworkManager, "impostazione RasBackend=nm",
            false);
        row("unknown value", "modem", false, true, 1, -1, K::Ppp,
            "RasBackend=modem non è un valore noto (auto, ppp, nm, sim); pppd è installato (%1) "
            "e ha 1 connessione in %2",
            false);
    }
    void choice()
    {
        QFETCH(QString, backend);
        QFETCH(bool, simFolder);
        QFETCH(bool, pppd);
        QFETCH(int, peers);
        QFETCH(int, nm);
        QFETCH(RasBackendKind, kind);
        QFETCH(QString, reason);
        QFETCH(bool, nmAsked);
        Machine m;
        if (simFolder)
            m.simulated();
        if (pppd)
            m.installPppd();
        for (int i = 0; i < peers; ++i)
            m.peer(QStringLiteral("voce%1").arg(i));
        int asked = 0;
        NmBackendHooks hooks;
        hooks.dialUpConnections = [&] {
            ++asked;
            return nm;
        };
        hooks.create = [] { return std::make_unique<FakeRasService>(); };

        const RasBackendChoice c = chooseRasBackend(m.settings(backend), m.folder, hooks);
        QCOMPARE(c.kind, kind);
        QCOMPARE(c.reason, reason.arg(m.pppd, m.peers));
        // NetworkManager is asked only when the choice depends on it.
        QCOMPARE(asked > 0, nmAsked);
        QVERIFY(!c.note.isEmpty());

        const TSystemClock clock;
        const auto service = createRasService(c, m.settings(backend), m.folder, clock, hooks);
        switch (kind) {
        case RasBackendKind::Simulated:
            QVERIFY(dynamic_cast<TRasSimService*>(service.get()));
            break;
        case RasBackendKind::Ppp:
            QVERIFY(dynamic_cast<TRasPppService*>(service.get()));
            break;
        case RasBackendKind::NetworkManager:
            QVERIFY(dynamic_cast<FakeRasService*>(service.get()));
            break;
        }
    }

    // Without the NetworkManager backend built in, asking for it falls back
    // to the automatic choice and says so.
    void nmNotBuilt()
    {
        Machine m;
        const RasBackendChoice c = chooseRasBackend(m.settings(QStringLiteral("nm")), m.folder);
        QCOMPARE(c.kind, RasBackendKind::Simulated);
        QVERIFY(c.reason.startsWith(
            QStringLiteral("NetworkManager non è disponibile in questa versione; ")));
    }

    // The pppd paths stored in the settings replace the system's own; an
    // empty value keeps it.
    void pathsFromSettings()
    {
        Settings s;
        RasBackendSettings r = rasBackendSettings(s);
        QCOMPARE(r.backend, QStringLiteral("auto"));
        QCOMPARE(r.ppp.command, QStringLiteral("/usr/sbin/pppd"));
        QCOMPARE(r.ppp.peers, QStringLiteral("/etc/ppp/peers"));
        QCOMPARE(r.ppp.run, QStringLiteral("/run"));
        QCOMPARE(r.ppp.proc, QStringLiteral("/proc"));
        s.pppCommand = QStringLiteral(" /opt/pppd ");
        s.pppPeers = QStringLiteral("/opt/peers");
        s.pppRun = QStringLiteral("  ");
        r = rasBackendSettings(s);
        QCOMPARE(r.ppp.command, QStringLiteral("/opt/pppd"));
        QCOMPARE(r.ppp.peers, QStringLiteral("/opt/peers"));
        QCOMPARE(r.ppp.run, QStringLiteral("/run"));
    }

    // tarvelo-cli on the backend the settings choose: the choice and why, the
    // entries (and why there are none), the active connections.
    void commandLine()
    {
        Machine m;
        m.installPppd();
        m.peer(QStringLiteral("casa"));
        m.peer(QStringLiteral("Lavoro"));
        {
            TRegFile reg(TRegFile::defaultPath());
            TSettingsStore store(reg);
            Settings s;
            store.peek(s);
            s.rasBackend = QStringLiteral("ppp");
            s.pppCommand = m.pppd;
            s.pppPeers = m.peers;
            s.pppRun = m.dir.filePath(QStringLiteral("run"));
            QVERIFY(store.save(s));
        }
        testsupport::CliRun r = testsupport::runCliIn(m.folder, {"ras", "backend"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("ppp\tpppd\nmotivo: impostazione RasBackend=ppp\n"
                                       "pppd: %1\tconnessioni: %2\tfile pid: %3\n")
                            .arg(m.pppd, m.peers, m.dir.filePath(QStringLiteral("run"))));

        r = testsupport::runCliIn(m.folder, {"ras", "entries"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("casa\nLavoro\n"));

        // No process of that name runs: nothing active.
        r = testsupport::runCliIn(m.folder, {"ras", "status"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("nessuna connessione attiva\n"));

        QVERIFY(QDir(m.peers).removeRecursively());
        r = testsupport::runCliIn(m.folder, {"ras", "entries"});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err, QStringLiteral("La cartella %1 non esiste: pppd non ha nessuna "
                                       "connessione configurata.\n")
                            .arg(m.peers));
        QVERIFY(QFile::remove(TRegFile::defaultPath()));
    }
};

QTEST_GUILESS_MAIN(TestRasBackend)
#include "tst_rasbackend.moc"
