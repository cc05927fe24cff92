// The simulated dial-up service: phone book, scripted dials reported from
// the service's own thread, connections shared through files.
#include "common/Clock.h"
#include "dialup/DialUp.h"
#include "dialup/ProviderRecord.h"
#include "platform/ras/RasSimService.h"
#include "tests/support/DialRecorder.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <mutex>
#include <thread>

namespace
{

using dialtest::Recorder;
using dialtest::Seen;

const QList<Seen> ToDevice = {{0, 0}, {1, 0}, {2, 0}};
const QList<Seen> ToAuthenticate = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}};

} // namespace

class TestRasSim : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    // The time of the connections' files, as the program and the tool keep it.
    const TSystemClock m_clock;
    QString folder() const { return m_tmp->path() + QLatin1Char('/'); }

    void writePhoneBook(const QByteArray& text)
    {
        QVERIFY(QDir().mkpath(folder() + QStringLiteral("ras-sim")));
        QFile f(folder() + QStringLiteral("ras-sim/rasphone.pbk"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
    }

    void phoneBookFormat()
    {
        const QByteArray text = "; rubrica\r\n"
                                "[Casa]\r\n"
                                "PhoneNumber=0701234\r\n"
                                "SimBusyAttempts=2\r\n"
                                "\r\n"
                                "[Lavoro Città]\r\n"
                                "phonenumber = 06 555\r\n"
                                "SimError=691\r\n"
                                "SimStepMs=5\r\n"
                                "SimHangUpMs=-1\r\n"
                                "[casa]\r\n"
                                "PhoneNumber=doppione\r\n";
        TRasPhoneBook pb = TRasPhoneBook::parse(text);
        QCOMPARE(pb.entries().size(), 2);
        const RasPhoneBookEntry casa = pb.entries()[0];
        QCOMPARE(casa.name, QStringLiteral("Casa"));
        QCOMPARE(casa.phoneNumber, QStringLiteral("0701234"));
        QCOMPARE(casa.busyAttempts, 2);
        QCOMPARE(casa.failError, 0u);
        QCOMPARE(casa.stepMs, 400);
        const RasPhoneBookEntry lavoro = *pb.find(QStringLiteral("LAVORO CITTÀ"));
        QCOMPARE(lavoro.phoneNumber, QStringLiteral("06 555"));
        QCOMPARE(lavoro.failError, 691u);
        QCOMPARE(lavoro.stepMs, 5);
        QCOMPARE(lavoro.hangUpMs, -1);

        // Editing keeps every other line.
        pb.setEntry(QStringLiteral("casa"), QStringLiteral("999"));
        pb.setEntry(QStringLiteral("Nuova"), std::nullopt);
        pb.setEntry(QStringLiteral("Lavoro Città"), std::nullopt);
        const TRasPhoneBook again = TRasPhoneBook::parse(pb.text());
        QCOMPARE(again.find(QStringLiteral("Casa"))->phoneNumber, QStringLiteral("999"));
        QCOMPARE(again.find(QStringLiteral("Casa"))->busyAttempts, 2);
        QCOMPARE(again.find(QStringLiteral("Lavoro Città"))->phoneNumber, QStringLiteral("06 555"));
        QCOMPARE(again.entries().last().name, QStringLiteral("Nuova"));
        QVERIFY(pb.text().startsWith("; rubrica\n[Casa]\nPhoneNumber=999\nSimBusyAttempts=2\n"));
    }

    // What the reader takes is what the writer changes, and a rewrite never
    // changes what the file says: a key given twice in a section, a section
    // given twice, byte-order marks piled up at the start.
    void readerAndWriterAgree_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("before"); // Casa's number as read
        QTest::newRow("number given twice")
            << QByteArray("[Casa]\nPhoneNumber=111\nSimStepMs=1\nphonenumber=222\n") << "111";
        QTest::newRow("section given twice")
            << QByteArray("[Casa]\nSimStepMs=1\n[CASA]\nPhoneNumber=222\n") << "";
        QTest::newRow("two byte-order marks")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF[Casa]\nPhoneNumber=111\n") << "111";
        QTest::newRow("three marks, CR LF")
            << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF\xEF\xBB\xBF[Casa]\r\nPhoneNumber=111\r\n")
            << "111";
    }
    void readerAndWriterAgree()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, before);
        TRasPhoneBook pb = TRasPhoneBook::parse(text);
        QVERIFY(pb.find(QStringLiteral("Casa")));
        QCOMPARE(pb.find(QStringLiteral("Casa"))->phoneNumber, before);
        // A rewrite with no change reads the same, however often it is done.
        TRasPhoneBook same = TRasPhoneBook::parse(pb.text());
        QCOMPARE(same.entries().size(), pb.entries().size());
        QCOMPARE(same.find(QStringLiteral("Casa"))->phoneNumber, before);
        QCOMPARE(TRasPhoneBook::parse(same.text()).text(), same.text());

        pb.setEntry(QStringLiteral("Casa"), QStringLiteral("999"));
        const TRasPhoneBook after = TRasPhoneBook::parse(pb.text());
        QCOMPARE(after.entries().size(), 1);
        QCOMPARE(after.find(QStringLiteral("Casa"))->phoneNumber, QStringLiteral("999"));
        QCOMPARE(after.find(QStringLiteral("Casa"))->stepMs,
                 pb.find(QStringLiteral("Casa"))->stepMs);
    }

    void entryNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << QStringLiteral("Linea 1") << true;
        QTest::newRow("slash is fine in the phone book") << QStringLiteral("a/b") << true;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("bracket") << QStringLiteral("a]b") << false;
        QTest::newRow("newline") << QStringLiteral("a\nb") << false;
        QTest::newRow("leading space") << QStringLiteral(" a") << false;
        QTest::newRow("257 characters") << QString(257, QLatin1Char('x')) << false;
    }
    void entryNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(TRasPhoneBook::isValidEntryName(name), valid);
    }

    // Each dial reports its states in order from a thread of the service, and
    // the shared file follows it so that a probe sees the same state.
    void scriptedDial_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QList<Seen>>("expected");
        QTest::addColumn<uint32_t>("finalState");
        QTest::addColumn<uint32_t>("finalError");
        QTest::newRow("success") << QByteArray()
                                 << QList<Seen>{{0, 0}, {1, 0}, {2, 0},  {3, 0},
                                                {4, 0}, {5, 0}, {14, 0}, {0x2000, 0}}
                                 << uint32_t(0x2000) << 0u;
        QTest::newRow("busy") << QByteArray("SimBusyAttempts=1\n")
                              << (ToDevice + QList<Seen>{{2, 676}}) << 2u << 676u;
        QTest::newRow("no answer")
            << QByteArray("SimError=678\n") << (ToDevice + QList<Seen>{{2, 678}}) << 2u << 678u;
        QTest::newRow("no dial tone")
            << QByteArray("SimError=680\n") << (ToDevice + QList<Seen>{{2, 680}}) << 2u << 680u;
        QTest::newRow("authentication") << QByteArray("SimError=691\n")
                                        << (ToAuthenticate + QList<Seen>{{5, 691}}) << 5u << 691u;
    }
    void scriptedDial()
    {
        QFETCH(QByteArray, keys);
        QFETCH(QList<Seen>, expected);
        QFETCH(uint32_t, finalState);
        QFETCH(uint32_t, finalError);
        writePhoneBook("[Casa]\nPhoneNumber=0701234\nSimStepMs=1\n" + keys);

        TRasSimService service(folder(), m_clock);
        RasState state;
        TManualClock clock;
        TDialUp dialup(service, state, clock, [](int) {});
        Recorder rec;
        TProviderRecord p;
        p.entryName = QStringLiteral("Casa");
        p.phoneNumber = QStringLiteral("0701234");
        dialup.dial(p, rec.notifier());
        QVERIFY(state.dialHandle != 0);
        QTRY_VERIFY_WITH_TIMEOUT(service.idle(), 5000); // nothing more can arrive
        QCOMPARE(rec.snapshot(), expected);
        QVERIFY(rec.otherThread);
        for (RasHandle h : rec.handles)
            QCOMPARE(h, state.dialHandle);

        // Another service on the same folder sees what the dial left behind.
        TRasSimService other(folder(), m_clock);
        RasState otherState;
        TDialUp watcher(other, otherState, clock);
        const RasProbeResult r = watcher.probe();
        QCOMPARE(r.entryName, QStringLiteral("Casa"));
        QCOMPARE(r.state, finalState);
        QCOMPARE(r.error, finalError);
        QCOMPARE(otherState.lastError, finalError);
        if (finalError == 676)
            QCOMPARE(r.outcome, RasProbe::Busy);

        // Hanging up takes it away for everyone.
        RasNotification n;
        n.handle = rec.handles.back();
        dialup.noteNotification(n);
        dialup.quickHangUp();
        QCOMPARE(watcher.probe().outcome, RasProbe::NoConnection);
    }

    void busyAttemptsCountPerEntry()
    {
        writePhoneBook("[Casa]\nSimBusyAttempts=2\nSimStepMs=0\n");
        TRasSimService service(folder(), m_clock);
        QList<uint32_t> lastErrors;
        for (int i = 0; i < 3; ++i) {
            Recorder rec;
            const RasHandle h = rec.dial(service, QStringLiteral("casa"));
            QTRY_VERIFY_WITH_TIMEOUT(rec.ended(0x2000), 5000);
            lastErrors << rec.snapshot().last().error;
            service.hangUp(h);
        }
        QCOMPARE(lastErrors, (QList<uint32_t>{676, 676, 0}));
    }

    void unknownEntryFailsThroughTheNotifier()
    {
        writePhoneBook("[Casa]\n");
        TRasSimService service(folder(), m_clock);
        Recorder rec;
        rec.dial(service, QStringLiteral("Altro"));
        QTRY_VERIFY_WITH_TIMEOUT(rec.ended(0x2000), 5000);
        QCOMPARE(rec.snapshot().last(), (Seen{0, 623}));
        QVERIFY(service.connections().empty());
    }

    // After a hang-up no more notifications arrive, and the service can be
    // destroyed in the middle of a dial.
    void hangUpStopsTheDial()
    {
        writePhoneBook("[Casa]\nSimStepMs=30\n");
        auto service = std::make_unique<TRasSimService>(folder(), m_clock);
        Recorder rec;
        const RasHandle h = rec.dial(*service, QStringLiteral("Casa"));
        QTRY_VERIFY_WITH_TIMEOUT(rec.snapshot().size() >= 2, 5000);
        service->hangUp(h);
        const qsizetype after = rec.snapshot().size();
        QTRY_VERIFY_WITH_TIMEOUT(service->idle(), 5000);
        QVERIFY(rec.snapshot().size() <= after + 1); // one may have been on its way
        QVERIFY(service->connections().empty());

        rec.dial(*service, QStringLiteral("Casa"));
        service.reset();
    }

    // Another process drops the connection while it is being set up.
    void droppedElsewhereDuringDial()
    {
        writePhoneBook("[Casa]\nSimStepMs=20\n");
        TRasSimService service(folder(), m_clock);
        Recorder rec;
        rec.dial(service, QStringLiteral("Casa"));
        QTRY_VERIFY_WITH_TIMEOUT(rec.snapshot().size() >= 2, 5000);
        TRasSimStore elsewhere(folder(), m_clock);
        QString error;
        QVERIFY(elsewhere.update([](SimConnections& s) { s.list.clear(); }, error));
        QTRY_VERIFY_WITH_TIMEOUT(rec.ended(0x2000), 5000);
        QCOMPARE(rec.snapshot().last(), (Seen{0x2001, 619}));
    }

    // A scripted slow hang-up, waited for by the hang-up with wait. The
    // service and the wait share a manual clock that the waits move on, so
    // nothing really sleeps. (A folder shared with another process, such as
    // tarvelo-cli, needs the same clock on both sides for its lingers.)
    void lingeringHangUp()
    {
        writePhoneBook("[Casa]\nSimHangUpMs=150\n");
        TManualClock clock;
        TRasSimService service(folder(), clock);
        QString error;
        QVERIFY(service.store().update(
            [](SimConnections& s) {
                s.list.push_back({s.allocateHandle(), QStringLiteral("Casa"), {}, 0x2000, 0, 0});
            },
            error));
        RasState state;
        TDialUp dialup(service, state, clock, [&](int ms) { clock.advanceMs(ms); });
        QCOMPARE(dialup.probe().outcome, RasProbe::Connected);
        const qint64 start = clock.monotonicMs();
        QCOMPARE(dialup.hangUpWithWait(), RasHangUp::Gone);
        QVERIFY(clock.monotonicMs() - start >= 150);
        QCOMPARE(dialup.probe().outcome, RasProbe::NoConnection);
    }

    // Read-modify-write from many writers at once loses nothing.
    void concurrentWritersLoseNothing()
    {
        constexpr int Threads = 4, Each = 25;
        std::vector<std::thread> threads;
        for (int t = 0; t < Threads; ++t)
            threads.emplace_back([this] {
                TRasSimStore store(folder(), m_clock);
                for (int i = 0; i < Each; ++i) {
                    QString error;
                    store.update(
                        [](SimConnections& s) {
                            s.list.push_back(
                                {s.allocateHandle(), QStringLiteral("X"), {}, 2, 0, 0});
                        },
                        error);
                }
            });
        for (auto& t : threads)
            t.join();
        const SimConnections s = TRasSimStore(folder(), m_clock).connections();
        QCOMPARE(int(s.list.size()), Threads * Each);
        QSet<RasHandle> handles;
        for (const auto& c : s.list)
            handles.insert(c.handle);
        QCOMPARE(handles.size(), Threads * Each);
    }

    // A damaged connections file reads as no connection and is repaired by
    // the next write.
    void damagedConnectionsFile()
    {
        writePhoneBook("[Casa]\n");
        QFile f(folder() + QStringLiteral("ras-sim/connections.json"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("{\"connections\": [ {\"hand");
        f.close();
        TRasSimService service(folder(), m_clock);
        QVERIFY(service.connections().empty());
        QString error;
        QVERIFY(service.store().update(
            [](SimConnections& s) {
                s.list.push_back({s.allocateHandle(), QStringLiteral("Casa"), {}, 0x2000, 0, 0});
            },
            error));
        QCOMPARE(int(service.connections().size()), 1);
    }
};

QTEST_GUILESS_MAIN(TestRasSim)
#include "tst_rassim.moc"
