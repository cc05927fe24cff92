// The pppd backend against real chat, a fake modem and a stand-in for pppd:
// a link made by someone else metered by the watch, dials with their
// progress and errors, the dialler retrying a busy line, hang-ups.
#include "dialup/AutoDialPlan.h"
#include "platform/ppp/RasPppService.h"
#include "platform/ras/RasTexts.h"
#include "tests/dialup/AutoDialFixture.h"
#include "tests/ppp/PppWorld.h"
#include "tests/ppp/ThreadCapabilities.h"
#include "tests/support/DialRecorder.h"
#include "tests/support/TestSupport.h"
#include "tests/watch/WatchFixture.h"

#include <QTest>
#include <csignal>

using dialtest::Seen;
using ppptest::waitFor;
using ppptest::World;

class TestRasPpp : public QObject
{
    Q_OBJECT

private:
    QString m_noTools;
    QString m_noNetwork;

private slots:
    void initTestCase()
    {
        testsupport::pinItalianLocale();
        m_noTools = ppptest::missingTools();
        m_noNetwork = m_noTools.isEmpty() ? ppptest::noPrivateNetwork() : m_noTools;
    }

    // "pon casa" while the program watches: seen placing its call (yellow),
    // then connected (green, the record written), then gone ("poff"): one
    // connection, one record in the archive.
    void outsideLinkIsMetered()
    {
        if (!m_noNetwork.isEmpty())
            QSKIP(qPrintable(m_noNetwork));
        World w;
        QVERIFY(w.startModem({}, true));
        w.peer(QStringLiteral("casa"), QStringLiteral("555"));
        TRasPppService service(w.paths());
        watchtest::Fixture f(service);
        QVERIFY(f.saveProfile(QStringLiteral("Prova"), watchtest::liraPerSecond()));
        f.confirmInDialog();
        f.watcher.watchOn();
        f.tick();
        QCOMPARE(f.view.light(), lightIndex(LightImage::Red));

        QProcess* pppd = w.pon(QStringLiteral("casa"));
        QVERIFY(waitFor([&] {
            f.tick();
            return f.watch.light == Light::Yellow;
        }));
        QVERIFY(f.watch.running);
        QVERIFY(!f.watch.connected);
        QCOMPARE(f.records.running.provider, QStringLiteral("casa"));
        f.ticks(3);
        QCOMPARE(f.watch.light, Light::Yellow);
        QVERIFY(f.archiveBytes().isEmpty());

        w.answer();
        QVERIFY(waitFor([&] {
            f.tick();
            return f.watch.light == Light::Green;
        }));
        QVERIFY(f.watch.connected);
        f.ticks(25);
        QCOMPARE(f.archiveBytes().size(), ConnRecord::Size);

        ::kill(pid_t(pppd->processId()), SIGTERM); // poff
        QVERIFY(pppd->waitForFinished(10000));
        QCOMPARE(pppd->exitCode(), 5);
        f.tick();
        QVERIFY(!f.watch.running);
        QCOMPARE(f.view.endDialogs, QList<Light>{Light::Green});
        QCOMPARE(f.archiveBytes().size(), ConnRecord::Size);
        const ConnRecord r = f.recordAt(0);
        QCOMPARE(r.provider, QStringLiteral("casa"));
        QVERIFY(r.costo > 0);
        QVERIFY(r.fine > r.inizio);
        QVERIFY(r.motivo != QStringLiteral("Connessione In Corso..."));
    }

    // Each dial's notifications, in order, from the service's own thread,
    // ending in the error the dialler acts on.
    void dials_data()
    {
        QTest::addColumn<QString>("reply");    // the modem's answer to the number
        QTest::addColumn<QByteArray>("extra"); // more lines for the peer
        QTest::addColumn<bool>("peerForPppd"); // pppd finds the peer (else only we do)
        QTest::addColumn<bool>("link");        // the dial makes a link (needs ppp0)
        QTest::addColumn<QList<Seen>>("expected");
        const QList<Seen> placing{{0, 0}, {2, 0}};
        const QList<Seen> lineUp = placing + QList<Seen>{{3, 0}, {4, 0}};
        QTest::newRow("busy") << "BUSY" << QByteArray() << true << false
                              << (placing + QList<Seen>{{2, ras::LineBusy}});
        QTest::newRow("no carrier") << "NO CARRIER" << QByteArray() << true << false
                                    << (placing + QList<Seen>{{2, ras::NoCarrier}});
        QTest::newRow("no dial tone") << "NO DIALTONE" << QByteArray() << true << false
                                      << (placing + QList<Seen>{{2, ras::NoDialTone}});
        QTest::newRow("no answer") << "NO ANSWER" << QByteArray() << true << false
                                   << (placing + QList<Seen>{{2, ras::NoAnswer}});
        QTest::newRow("silence: chat times out") << "SILENCE" << QByteArray() << true << false
                                                 << (placing + QList<Seen>{{2, ras::NoAnswer}});
        QTest::newRow("peer missing for pppd") << "CONNECT" << QByteArray() << false << false
                                               << (placing + QList<Seen>{{2, ras::EntryNotFound}});
        QTest::newRow("authentication refused")
            << "CONNECT" << QByteArray("# standin: auth-fail\n") << true << true
            << (lineUp + QList<Seen>{{4, ras::AuthFailure}});
        QTest::newRow("connects") << "CONNECT" << QByteArray() << true << true
                                  << (lineUp + QList<Seen>{{14, 0}, {ras::Connected, 0}});
    }
    void dials()
    {
        QFETCH(QString, reply);
        QFETCH(QByteArray, extra);
        QFETCH(bool, peerForPppd);
        QFETCH(bool, link);
        QFETCH(QList<Seen>, expected);
        if (!m_noTools.isEmpty())
            QSKIP(qPrintable(m_noTools));
        if (link && !m_noNetwork.isEmpty())
            QSKIP(qPrintable(m_noNetwork));
        World w;
        QVERIFY(w.startModem({{QStringLiteral("0701234"), {reply}}}));
        w.peer(QStringLiteral("casa"), {}, extra);
        if (!peerForPppd) // pppd reads another folder than the one we list
            qputenv("TARVELO_TEST_PEERS", w.dir.filePath(QStringLiteral("altrove")).toLocal8Bit());
        TRasPppService service(w.paths());
        dialtest::Recorder rec;
        const RasHandle h = rec.dial(service, QStringLiteral("casa"), QStringLiteral("0701234"));
        QVERIFY(waitFor([&] { return rec.ended(ras::Connected); }));
        QCOMPARE(rec.snapshot(), expected);
        QVERIFY(rec.otherThread);
        QVERIFY(std::all_of(rec.handles.begin(), rec.handles.end(),
                            [&](RasHandle x) { return x == h; }));

        if (expected.last().error == 0) {
            // Up: the watch sees it too, connected, under the peer's name.
            const std::vector<RasConnection> conns = service.connections();
            QCOMPARE(conns.size(), size_t(1));
            QCOMPARE(conns[0].handle, h);
            QCOMPARE(conns[0].entryName, QStringLiteral("casa"));
            RasConnStatus st;
            QCOMPARE(service.connectionStatus(h, st), uint32_t(ras::Success));
            QCOMPARE(st.state, uint32_t(ras::Connected));
            QCOMPARE(service.hangUp(h), uint32_t(ras::Success));
        }
        // A failed dial leaves nothing behind: no connection, no pid file.
        QVERIFY(waitFor([&] {
            RasConnStatus st;
            return service.connectionStatus(h, st) == ras::InvalidHandle;
        }));
        QVERIFY(waitFor([&] { return service.connections().empty(); }));
        QCOMPARE(QDir(w.run).entryList(QDir::Files), QStringList());
    }

    // The program hangs up a link it dialled: SIGTERM, the wait sees it go,
    // and no notification follows the hang-up.
    void hangUpOfADialledLink()
    {
        if (!m_noNetwork.isEmpty())
            QSKIP(qPrintable(m_noNetwork));
        World w;
        QVERIFY(w.startModem());
        w.peer(QStringLiteral("casa"));
        TRasPppService service(w.paths());
        RasState state;
        TSystemClock clock;
        TDialUp dialUp(service, state, clock);
        dialtest::Recorder rec;
        rec.dial(service, QStringLiteral("casa"), QStringLiteral("0701234"));
        QVERIFY(waitFor([&] { return rec.ended(ras::Connected); }));
        QCOMPARE(rec.snapshot().last(), (Seen{ras::Connected, 0}));
        QCOMPARE(dialUp.probe().outcome, RasProbe::Connected);

        QCOMPARE(dialUp.hangUpWithWait(), RasHangUp::Gone);
        QVERIFY(service.connections().empty());
        QCOMPARE(dialUp.probe().outcome, RasProbe::NoConnection);
        // Once the dial's thread has reaped pppd, nothing more can be reported.
        QVERIFY(waitFor([&] { return service.idle(); }));
        QCOMPARE(rec.snapshot().last(), (Seen{ras::Connected, 0}));
    }

    // The dialler dials again while the line is busy, and the third dial
    // connects.
    void diallerRetriesABusyLine()
    {
        if (!m_noNetwork.isEmpty())
            QSKIP(qPrintable(m_noNetwork));
        World w;
        QVERIFY(w.startModem({{QStringLiteral("0701234"), {"BUSY", "BUSY", "CONNECT"}}}));
        w.peer(QStringLiteral("casa"));
        TRasPppService service(w.paths());
        dialtest::Fixture f(service);
        f.providerRecord(QStringLiteral("casa"), QStringLiteral("0701234"));

        const auto outcome = f.plan.run({QStringLiteral("casa"), "5", true, {}, "1", true});

        QCOMPARE(outcome, TAutoDialPlan::Outcome::Connected);
        QCOMPARE(f.windows.lines, (QStringList{"Tentativo 1 di 5 con", "Tentativo 2 di 5 con",
                                               "Tentativo 3 di 5 con"}));
        QVERIFY(f.status.texts.contains(ras::errorText(ras::LineBusy)));
        QVERIFY(f.watch.connected);
        QCOMPARE(f.watch.mode, WatchMode::Automatic);
        QCOMPARE(service.connections().size(), size_t(1));
        // The watch takes over the link the dialler made, and stores it.
        f.tick();
        QCOMPARE(f.watch.light, Light::Green);
        QCOMPARE(f.archiveBytes().size(), ConnRecord::Size);
        QCOMPARE(service.hangUp(service.connections().front().handle), uint32_t(ras::Success));
        QVERIFY(waitFor([&] { return service.connections().empty(); }));
    }

    // A pppd of another user cannot be signalled: the hang-up says so at
    // once instead of waiting 30 seconds for nothing.
    void anotherUsersLinkCannotBeHungUp()
    {
        if (!m_noTools.isEmpty())
            QSKIP(qPrintable(m_noTools));
        if (::geteuid() != 0)
            QSKIP("starting a pppd as another user needs root");
        World w;
        // Placing its call for as long as the test needs, readable by nobody.
        testsupport::writeFileBytes(w.peers + QStringLiteral("/altrui"),
                                    "connect \"sleep 60\"\nnoauth\n");
        for (const QString& d : {w.dir.path(), w.peers})
            QVERIFY(QFile::setPermissions(d, QFile::ReadOwner | QFile::WriteOwner |
                                                 QFile::ExeOwner | QFile::ReadOther |
                                                 QFile::ExeOther));
        QFile::setPermissions(w.peers + QStringLiteral("/altrui"),
                              QFile::ReadOwner | QFile::ReadOther);
        QProcess* other =
            w.pon(QStringLiteral("altrui"),
                  {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                   QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")});
        TRasPppService service(w.paths());
        RasState state;
        TSystemClock clock;
        TDialUp dialUp(service, state, clock);
        QVERIFY(waitFor([&] { return dialUp.probe().outcome == RasProbe::Connecting; }));
        const RasHandle h = dialUp.probe().handle;
        QCOMPARE(h, RasHandle(other->processId()));
        // Ready to end the link cleanly once its connect script runs.
        QVERIFY(waitFor([&] {
            const auto sleeps = TProcTable(QStringLiteral("/proc")).named("sleep");
            return std::any_of(sleeps.begin(), sleeps.end(), [](const ProcEntry& p) {
                return p.arguments == QStringList{QStringLiteral("sleep"), QStringLiteral("60")};
            });
        }));
        {
            ThreadWithout kill({CAP_KILL});
            QVERIFY(kill.ok());
            QCOMPARE(service.hangUp(h), uint32_t(ras::AccessDenied));
            QElapsedTimer t;
            t.start();
            QCOMPARE(dialUp.hangUpWithWait(), RasHangUp::Refused);
            QVERIFY(t.elapsed() < 5000);
        }
        QCOMPARE(state.hangUpError, uint32_t(ras::AccessDenied));
        QCOMPARE(dialUp.errorText(state.hangUpError),
                 QStringLiteral("pppd è stato avviato da un altro utente o dal sistema: può "
                                "chiudere la connessione solo chi l'ha aperta (ad esempio con "
                                "poff)."));
        QCOMPARE(dialUp.probe().outcome, RasProbe::Connecting);
        // Its owner (root here) can.
        QCOMPARE(dialUp.hangUpWithWait(), RasHangUp::Gone);
        QVERIFY(other->waitForFinished(10000));
        QCOMPARE(other->exitCode(), 5);
    }
};

QTEST_MAIN(TestRasPpp)
#include "tst_rasppp.moc"
