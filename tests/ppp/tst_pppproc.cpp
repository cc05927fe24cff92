// The pppd backend's view of the system, over folders the test lays out: a
// proc folder with pppd processes, the pid files of a run folder, a peers
// folder. No process is started and none is signalled.
#include "common/Clock.h"
#include "common/SysError.h"
#include "dialup/DialUp.h"
#include "platform/ppp/NetInterface.h"
#include "platform/ppp/ProcTable.h"
#include "platform/ppp/RasPppService.h"
#include "tests/ppp/ThreadCapabilities.h"
#include "tests/support/DialRecorder.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>

using dialtest::Seen;

namespace
{

struct Folders {
    QTemporaryDir dir;
    QString proc = dir.filePath(QStringLiteral("proc"));
    QString run = dir.filePath(QStringLiteral("run"));
    QString peers = dir.filePath(QStringLiteral("peers"));

    Folders()
    {
        for (const QString& f : {proc, run, peers})
            QDir().mkpath(f);
    }
    PppPaths paths() const
    {
        PppPaths p;
        p.command = QStringLiteral("/usr/sbin/pppd");
        p.peers = peers;
        p.run = run;
        p.proc = proc;
        return p;
    }
    // A process as /proc shows it.
    void process(int pid, const QByteArray& comm, char state, int ppid, quint64 start,
                 const QList<QByteArray>& args)
    {
        const QString d = proc + QStringLiteral("/%1").arg(pid);
        QDir().mkpath(d);
        QByteArray stat =
            QByteArray::number(pid) + " (" + comm + ") " + state + " " + QByteArray::number(ppid);
        for (int f = 5; f <= 21; ++f)
            stat += " 0";
        stat += " " + QByteArray::number(start) + " 0 0 0\n";
        QVERIFY(testsupport::writeFileBytes(d + QStringLiteral("/stat"), stat));
        QVERIFY(testsupport::writeFileBytes(d + QStringLiteral("/comm"), comm + '\n'));
        QVERIFY(
            testsupport::writeFileBytes(d + QStringLiteral("/cmdline"), args.join('\0') + '\0'));
    }
    void pidFile(const QString& name, const QByteArray& text)
    {
        QVERIFY(testsupport::writeFileBytes(run + QLatin1Char('/') + name, text));
    }
};

QList<QPair<RasHandle, QString>> listed(TRasPppService& s)
{
    QList<QPair<RasHandle, QString>> out;
    for (const RasConnection& c : s.connections())
        out.append({c.handle, c.entryName});
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

class TestPppProc : public QObject
{
    Q_OBJECT

private slots:
    void statFields()
    {
        const auto s = parseProcStat("77 (my (odd) pppd) S 12 77 77 0 -1 0 0 0 0 0 0 0 0 0 "
                                     "20 0 1 0 4242 100 5\n");
        QVERIFY(s);
        QCOMPARE(s->comm, QByteArray("my (odd) pppd"));
        QCOMPARE(s->state, 'S');
        QCOMPARE(s->ppid, pid_t(12));
        QCOMPARE(s->startTime, quint64(4242));
        QVERIFY(!parseProcStat("77 (pppd) S 12 0"));
        QVERIFY(!parseProcStat(""));
    }

    // Every running pppd is a connection, whoever started it, named after
    // its peer, its link name, its interface, or plain "pppd".
    void connectionsOfEveryPppd()
    {
        Folders f;
        f.process(100, "pppd", 'S', 1, 5000, {"/usr/sbin/pppd", "call", "casa"});
        f.process(101, "pppd", 'S', 100, 5010, {"/usr/sbin/pppd", "call", "casa"}); // its fork
        f.process(200, "pppd", 'S', 1, 6000, {"pppd", "/dev/ttyS0", "115200"});
        f.pidFile(QStringLiteral("ppp-lavoro.pid"), "200\nppp1\n");
        f.pidFile(QStringLiteral("ppp1.pid"), "200\n");
        f.process(300, "pppd", 'S', 1, 7000, {"pppd", "/dev/ttyS1"});
        f.pidFile(QStringLiteral("ppp2.pid"), "300\n");
        f.process(400, "pppd", 'S', 1, 8000, {"pppd", "nodetach"});
        f.process(500, "pppd", 'Z', 1, 9000, {}); // ended, not yet reaped
        f.process(600, "bash", 'S', 1, 9100, {"bash", "-c", "pppd call x"});
        f.pidFile(QStringLiteral("sshd.pid"), "600\n");
        TRasPppService service(f.paths());
        const QList<QPair<RasHandle, QString>> expected{{100, QStringLiteral("casa")},
                                                        {200, QStringLiteral("lavoro")},
                                                        {300, QStringLiteral("ppp2")},
                                                        {400, QStringLiteral("pppd")}};
        QCOMPARE(listed(service), expected);

        // None of these interfaces exists here: each is still placing its call.
        for (const auto& [handle, name] : expected) {
            RasConnStatus st{99, 99};
            QCOMPARE(service.connectionStatus(handle, st), uint32_t(ras::Success));
            QCOMPARE(st.state, uint32_t(ras::ConnectDevice));
            QCOMPARE(st.error, 0u);
        }
    }

    // A link is connected once its interface is up with an address.
    void connectedOnceTheInterfaceHasAnAddress()
    {
        if (!interfaceHasAddress(QStringLiteral("lo")))
            QSKIP("the loopback interface is down here (a private network namespace?)");
        Folders f;
        f.process(100, "pppd", 'S', 1, 5000, {"pppd", "call", "casa"});
        f.pidFile(QStringLiteral("ppp-casa.pid"), "100\nlo\n"); // stands for ppp0
        TRasPppService service(f.paths());
        RasState state;
        TManualClock clock;
        const RasProbeResult r = TDialUp(service, state, clock).probe();
        QCOMPARE(r.outcome, RasProbe::Connected);
        QCOMPARE(r.entryName, QStringLiteral("casa"));
        QCOMPARE(r.handle, RasHandle(100));
    }

    // A handle names one process: once its pid belongs to another process
    // (another start time) or to nothing, the connection is gone, and a
    // hang-up signals nobody.
    void reusedPidReadsAsGone()
    {
        Folders f;
        f.process(100, "pppd", 'S', 1, 5000, {"pppd", "call", "casa"});
        TRasPppService service(f.paths());
        QCOMPARE(listed(service).size(), 1);
        RasConnStatus st;
        QCOMPARE(service.connectionStatus(100, st), uint32_t(ras::Success));

        f.process(100, "pppd", 'S', 1, 5600, {"pppd", "call", "casa"});
        QCOMPARE(service.connectionStatus(100, st), uint32_t(ras::InvalidHandle));
        QCOMPARE(service.hangUp(100), uint32_t(ras::Success));

        f.process(100, "sleep", 'S', 1, 5000, {"sleep", "9"});
        QCOMPARE(service.connectionStatus(100, st), uint32_t(ras::InvalidHandle));

        QVERIFY(QDir(f.proc + QStringLiteral("/100")).removeRecursively());
        QCOMPARE(service.connectionStatus(100, st), uint32_t(ras::InvalidHandle));
        QCOMPARE(service.connectionStatus(4321, st), uint32_t(ras::InvalidHandle));
        QCOMPARE(service.hangUp(0), uint32_t(ras::Success));
    }

    void entriesArePeerFiles()
    {
        Folders f;
        for (const char* name : {"casa", "Alfa", "lavoro", ".nascosto", "casa~", "casa.bak",
                                 "provider.dpkg-old", "provider.ucf-dist"})
            QVERIFY(testsupport::writeFileBytes(f.peers + QLatin1Char('/') + name, "noauth\n"));
        QVERIFY(QDir().mkpath(f.peers + QStringLiteral("/cartella")));
        TRasPppService service(f.paths());
        QCOMPARE(service.entries(), (QStringList{QStringLiteral("Alfa"), QStringLiteral("casa"),
                                                 QStringLiteral("lavoro")}));
        QCOMPARE(service.entriesProblem(), QString());
    }

    // A user outside the group dip cannot read /etc/ppp/peers: the list is
    // empty and the service says what to do, instead of showing nothing.
    void unreadablePeersSayWhy()
    {
        Folders f;
        QVERIFY(testsupport::writeFileBytes(f.peers + QStringLiteral("/casa"), "noauth\n"));
        QVERIFY(QFile::setPermissions(f.peers, {}));
        TRasPppService service(f.paths());
        QStringList names;
        {
            ThreadWithout dac({CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH});
            if (!dac.ok() && ::geteuid() == 0)
                QSKIP("cannot drop the capabilities that let root read any folder");
            names = service.entries();
        }
        QFile::setPermissions(f.peers, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(names.isEmpty());
        const QString problem = service.entriesProblem();
        QVERIFY2(problem.startsWith(
                     QStringLiteral("Non è possibile leggere le connessioni di pppd nella cartella "
                                    "%1: permesso negato.\rPer vederle il tuo utente deve far "
                                    "parte del gruppo dip: sudo adduser ")
                         .arg(f.peers)),
                 qPrintable(problem));
        QVERIFY(problem.endsWith(QStringLiteral(" dip, poi esci dalla sessione e rientra.")));

        // Readable again: the message goes.
        QCOMPARE(service.entries(), QStringList{QStringLiteral("casa")});
        QCOMPARE(service.entriesProblem(), QString());

        TRasPppService none([&] {
            PppPaths p = f.paths();
            p.peers = f.dir.filePath(QStringLiteral("nessuna"));
            return p;
        }());
        QVERIFY(none.entries().isEmpty());
        QCOMPARE(none.entriesProblem(),
                 QStringLiteral("La cartella %1 non esiste: pppd non ha nessuna connessione "
                                "configurata.")
                     .arg(f.dir.filePath(QStringLiteral("nessuna"))));
    }

    // The telephone number reaches the peer's connect line as a variable;
    // no password ever goes on the command line (anyone can read it).
    void dialArguments()
    {
        RasDialParams p;
        p.entryName = QStringLiteral("casa");
        p.userName = QStringLiteral("mario");
        p.password = QStringLiteral("segreta");
        const QStringList bare{"call", "casa", "nopersist", "nodetach", "logfd", "3"};
        QCOMPARE(TRasPppService::dialArguments(p), bare);
        p.phoneNumber = QStringLiteral("070 123\n456");
        const QStringList withPhone = bare + QStringList{"set", "TARVELO_PHONE=070 123456"};
        QCOMPARE(TRasPppService::dialArguments(p), withPhone);
        QVERIFY(!TRasPppService::dialArguments(p).join(' ').contains(QLatin1String("segreta")));
    }

    // A peer that is not there, or a name pppd would take for a path, fails
    // at once without starting pppd.
    void dialOfAMissingPeer_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("no such file") << QStringLiteral("nessuna");
        QTest::newRow("a path") << QStringLiteral("../../etc/passwd");
        QTest::newRow("empty") << QString();
    }
    void dialOfAMissingPeer()
    {
        QFETCH(QString, entry);
        Folders f;
        PppPaths paths = f.paths();
        paths.command = f.dir.filePath(QStringLiteral("pppd-che-non-esiste"));
        TRasPppService service(paths);
        dialtest::Recorder rec;
        const RasHandle h = rec.dial(service, entry);
        QTRY_VERIFY(rec.ended(0x2000));
        QCOMPARE(rec.snapshot(), (QList<Seen>{{0, 0}, {0, ras::EntryNotFound}}));
        QVERIFY(rec.otherThread);
        QVERIFY(h != 0);
        RasConnStatus st;
        QCOMPARE(service.connectionStatus(h, st), uint32_t(ras::InvalidHandle));
    }

    // pppd that cannot be started (not installed, or not in group dip)
    // fails the dial with the reason, through the notifier.
    void dialWithoutPppd()
    {
        Folders f;
        QVERIFY(testsupport::writeFileBytes(f.peers + QStringLiteral("/casa"), "noauth\n"));
        PppPaths paths = f.paths();
        paths.command = f.dir.filePath(QStringLiteral("pppd-che-non-esiste"));
        TRasPppService service(paths);
        dialtest::Recorder rec;
        rec.dial(service, QStringLiteral("casa"));
        QTRY_VERIFY(rec.ended(0x2000));
        QCOMPARE(rec.snapshot(), (QList<Seen>{{0, 0}, {0, ras::DeviceError}}));
        QCOMPARE(service.errorText(ras::DeviceError),
                 QStringLiteral("Non è possibile avviare pppd (%1): %2.")
                     .arg(paths.command, systemErrorText(ENOENT)));
    }
};

QTEST_GUILESS_MAIN(TestPppProc)
#include "tst_pppproc.moc"
