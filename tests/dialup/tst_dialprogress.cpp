// The dialler's progress notifications from real dials of the simulated
// service: they reach the window thread in order, start the session when the
// device is being connected, confirm it with the watch back in automatic
// mode, and end it without dialog on a busy line.

#include "platform/ras/RasTexts.h"
#include "tests/dialup/AutoDialFixture.h"

#include <QTest>
#include <thread>

using namespace dialtest;
using Outcome = TAutoDialPlan::Outcome;

class TestDialProgress : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }
    void connectedInOrderOnTheWindowThread();
    void busyRetriedThenConnected();
    void busyEveryTimeEndsWithoutDialog();
    void errorEndsTheSession();
    void errorBeforeAnySessionOffersNothing();
    void cancelHangsUpTheDial();
    void lateNotificationsDropped();
    void cancelledDialStartsNothingLater_data();
    void cancelledDialStartsNothingLater();
    void noProfileRefusedOnce();
    void watchOnKeepsADialledSession();
};

namespace
{

QStringList twice(const QList<uint32_t>& states)
{
    QStringList out;
    for (uint32_t s : states)
        out << ras::stateText(s) << ras::stateText(s);
    return out;
}

AutoDialChoice startWith(const QString& provider, const QString& attempts, bool interrompi = true)
{
    return {provider, attempts, true, {}, QStringLiteral("1"), interrompi};
}

// The fake service's dial 77 goes through the device state and connects;
// the probe then finds it up.
void dialConnects(Fixture& f)
{
    f.windows.results = {AttemptResult::Connected};
    f.windows.beforeResult = [&f] {
        const RasNotifier notify = f.progress.notifier();
        notify({77, ras::DialEventMessage, ras::ConnectDevice, 0, 0});
        notify({77, ras::DialEventMessage, ras::Connected, 0, 0});
        QCoreApplication::processEvents();
        f.fake.add(77, QStringLiteral("Prova"), ras::Connected);
    };
}

} // namespace

void TestDialProgress::connectedInOrderOnTheWindowThread()
{
    Fixture f;
    f.phoneBook("[Prova]\nPhoneNumber=0701234\nSimStepMs=2\n");
    f.providerRecord(QStringLiteral("Prova"), QStringLiteral("0701234"));

    QCOMPARE(f.plan.run(startWith(QStringLiteral("Prova"), QStringLiteral("3"))),
             Outcome::Connected);
    QVERIFY(!f.windows.timedOut);

    QCOMPARE(f.status.texts, twice({ras::OpenPort, ras::PortOpened, ras::ConnectDevice,
                                    ras::DeviceConnected, ras::AllDevicesConnected,
                                    ras::Authenticate, ras::Authenticated, ras::Connected}));
    for (QThread* t : f.status.threads)
        QCOMPARE(t, QThread::currentThread());

    QCOMPARE(f.watch.mode, WatchMode::Automatic);
    QVERIFY(f.watch.running);
    QVERIFY(f.watch.connected);
    QCOMPARE(f.watch.light, Light::Green);
    QCOMPARE(f.watch.lightImage, LightImage::Green);
    QCOMPARE(f.view.light(), lightIndex(LightImage::Green));
    QVERIFY(f.view.autGreen);
    QVERIFY(f.view.active(WatchTimer::Session));
    QVERIFY(!f.view.active(WatchTimer::Blink));
    QCOMPARE(f.records.running.provider, QStringLiteral("Prova"));
    QCOMPARE(f.records.running.telefono, QStringLiteral("0701234"));
    QVERIFY(f.prompt.texts().isEmpty());

    // Back in automatic mode the watch takes the confirmed connection over:
    // its first tick stores the running record.
    f.tick();
    QCOMPARE(f.archiveBytes().size(), ConnRecord::Size);
    QCOMPARE(f.recordAt(0).provider, QStringLiteral("Prova"));
}

void TestDialProgress::busyRetriedThenConnected()
{
    Fixture f;
    f.phoneBook("[Prova]\nPhoneNumber=0701234\nSimBusyAttempts=2\nSimStepMs=1\n");
    f.providerRecord(QStringLiteral("Prova"), QStringLiteral("0701234"));

    QCOMPARE(f.plan.run(startWith(QStringLiteral("Prova"), QStringLiteral("3"))),
             Outcome::Connected);
    QCOMPARE(f.windows.lines,
             QStringList({"Tentativo 1 di 3 con", "Tentativo 2 di 3 con", "Tentativo 3 di 3 con"}));
    QCOMPARE(f.status.texts.count(TDialProgress::DisconnectingText), 2);
    QCOMPARE(f.status.texts.count(ras::errorText(ras::LineBusy)), 2);
    QVERIFY(f.view.endDialogs.isEmpty());
    QVERIFY(f.watch.running);
    QCOMPARE(f.watch.mode, WatchMode::Automatic);
    // Each busy dial was hung up: only the connected one is left.
    QCOMPARE(f.sim.connections().size(), size_t(1));
}

void TestDialProgress::busyEveryTimeEndsWithoutDialog()
{
    Fixture f;
    f.phoneBook("[Prova]\nPhoneNumber=0701234\nSimBusyAttempts=9\nSimStepMs=1\n");
    f.providerRecord(QStringLiteral("Prova"), QStringLiteral("0701234"));
    f.view.tempo = QStringLiteral("00.00.07");

    QCOMPARE(f.plan.run(startWith(QStringLiteral("Prova"), QStringLiteral("2"))),
             Outcome::Exhausted);
    QCOMPARE(f.windows.lines.size(), 2);
    QCOMPARE(f.status.last(), TDialProgress::DisconnectingText);
    QVERIFY(f.view.endDialogs.isEmpty());
    QVERIFY(!f.watch.running);
    QCOMPARE(f.watch.mode, WatchMode::Manual);
    QCOMPARE(f.watch.light, Light::Red);
    QCOMPARE(f.view.light(), lightIndex(LightImage::Red));
    // Nothing was spent: the bar reads zero and the busy mark is consumed.
    QCOMPARE(f.view.tempo, QStringLiteral("00.00.00"));
    QCOMPARE(f.view.costo, QStringLiteral("0"));
    QCOMPARE(f.ras.lastError, uint32_t(ras::Pending));
    QVERIFY(f.archiveBytes().isEmpty());
    QVERIFY(f.sim.connections().empty());
    QCOMPARE(f.prompt.texts(), QStringList{TAutoDialPlan::NoSuccessText});
}

void TestDialProgress::errorEndsTheSession()
{
    Fixture f;
    f.phoneBook("[Prova]\nPhoneNumber=0701234\nSimError=678\nSimStepMs=1\n");
    f.providerRecord(QStringLiteral("Prova"), QStringLiteral("0701234"));
    f.status.onText = [&f] { f.clock.advanceSeconds(1); };

    QCOMPARE(f.plan.run(startWith(QStringLiteral("Prova"), QStringLiteral("3"))), Outcome::Stopped);
    QCOMPARE(f.status.failureTail(),
             QStringList({ras::errorText(ras::NoAnswer), TDialProgress::DisconnectingOnErrorText}));
    // The session this dial started is offered for keeping, as one that was
    // only being dialled.
    QCOMPARE(f.view.endDialogs, QList<Light>{Light::Yellow});
    QVERIFY(!f.watch.running);
    QVERIFY(!f.view.active(WatchTimer::Session));
    QCOMPARE(f.watch.light, Light::Red);
    QCOMPARE(f.view.light(), lightIndex(LightImage::Red));
    QVERIFY(f.sim.connections().empty());
    QCOMPARE(f.prompt.texts(), QStringList{TAutoDialPlan::StoppedText});
}

void TestDialProgress::errorBeforeAnySessionOffersNothing()
{
    Fixture f;
    f.phoneBook("[Prova]\nPhoneNumber=0701234\nSimStepMs=1\n");
    // A record whose entry has left the phone book: the dial fails at once.
    f.providerRecord(QStringLiteral("Vecchio"), QStringLiteral("0709999"));
    // The running record still holds the last connection, stored long ago.
    f.records.running.inizio = watchtest::monday(9);
    f.records.running.fine = watchtest::monday(10);

    QCOMPARE(f.plan.run(startWith(QStringLiteral("Vecchio"), QStringLiteral("3"))),
             Outcome::Stopped);
    QCOMPARE(
        f.status.texts.mid(f.status.texts.size() - 2),
        QStringList({ras::errorText(ras::EntryNotFound), TDialProgress::DisconnectingOnErrorText}));
    QVERIFY(f.view.endDialogs.isEmpty());
    QVERIFY(f.archiveBytes().isEmpty());
}

void TestDialProgress::cancelHangsUpTheDial()
{
    Fixture f;
    f.phoneBook("[Prova]\nPhoneNumber=0701234\nSimStepMs=40\n");
    f.providerRecord(QStringLiteral("Prova"), QStringLiteral("0701234"));
    // Before any notification has named the dial.
    f.windows.cancelAfterMs = 0;

    QCOMPARE(f.plan.run(startWith(QStringLiteral("Prova"), QStringLiteral("3"))),
             Outcome::Cancelled);
    QCOMPARE(f.windows.lines.size(), 1);
    QVERIFY(f.sim.connections().empty());
    QCOMPARE(f.prompt.texts(), QStringList{TAutoDialPlan::CancelledText});
    // Nothing of the abandoned dial shows up later: once its thread has
    // ended, whatever it sent is handled.
    const int seen = int(f.status.texts.size());
    QTRY_VERIFY(f.sim.idle());
    QCoreApplication::processEvents();
    QCOMPARE(int(f.status.texts.size()), seen);
    QVERIFY(!f.watch.running);
    QCOMPARE(f.watch.light, Light::Red);
}

void TestDialProgress::lateNotificationsDropped()
{
    Fixture f;
    f.progress.beginAttempt();
    const RasNotifier old = f.progress.notifier();
    f.progress.beginAttempt();
    std::thread([&] { old({5, ras::DialEventMessage, ras::ConnectDevice, 0, 0}); }).join();
    QCoreApplication::processEvents();
    QVERIFY(f.status.texts.isEmpty());
    QVERIFY(!f.watch.running);

    // A notifier that outlives its receiver posts nothing.
    auto gone = std::make_unique<TDialProgress>(f.watcher, f.status);
    const RasNotifier orphan = gone->notifier();
    gone.reset();
    std::thread([&] { orphan({5, ras::DialEventMessage, ras::Connected, 0, 0}); }).join();
    QCoreApplication::processEvents();
    QVERIFY(f.status.texts.isEmpty());
    QVERIFY(!f.watch.connected);
}

void TestDialProgress::cancelledDialStartsNothingLater_data()
{
    QTest::addColumn<bool>("deviceSeen");   // the session started before the cancel
    QTest::addColumn<uint32_t>("inFlight"); // posted by the service just as the user cancels
    QTest::addColumn<QList<Light>>("dialogs");

    QTest::newRow("device state in flight")
        << false << uint32_t(ras::ConnectDevice) << QList<Light>();
    QTest::newRow("connected in flight")
        << true << uint32_t(ras::Connected) << QList<Light>{Light::Yellow};
}

void TestDialProgress::cancelledDialStartsNothingLater()
{
    QFETCH(bool, deviceSeen);
    QFETCH(uint32_t, inFlight);
    QFETCH(QList<Light>, dialogs);

    Fixture f(Fixture::Service::Fake);
    f.providerRecord(QStringLiteral("Prova"), QStringLiteral("0701234"));
    f.windows.results = {AttemptResult::Cancelled};
    TDateTime dialogInizio = 0;
    f.view.onEndDialog = [&](Light) { dialogInizio = f.records.running.inizio; };
    TDateTime startedAt = 0;
    f.windows.beforeResult = [&] {
        if (deviceSeen) {
            f.progress.notifier()({77, ras::DialEventMessage, ras::ConnectDevice, 0, 0});
            QCoreApplication::processEvents();
            startedAt = f.records.running.inizio;
        }
        f.clock.advanceSeconds(5);
        // Queued to the window thread, not yet handled when the attempt ends.
        f.progress.notifier()({77, ras::DialEventMessage, inFlight, 0, 0});
    };

    QCOMPARE(f.plan.run(startWith(QStringLiteral("Prova"), QStringLiteral("1"))),
             Outcome::Cancelled);
    QCoreApplication::processEvents();

    // The abandoned dial neither starts a session nor takes over the one
    // being offered for keeping.
    QCOMPARE(f.view.endDialogs, dialogs);
    QCOMPARE(dialogInizio, startedAt);
    QVERIFY(!f.watch.running);
    QVERIFY(!f.watch.connected);
    QCOMPARE(f.watch.mode, WatchMode::Manual);
    QVERIFY(!f.view.active(WatchTimer::Session));
    QVERIFY(!f.view.active(WatchTimer::Blink));
    QCOMPARE(f.watch.light, Light::Red);
    QCOMPARE(f.view.light(), lightIndex(LightImage::Red));
}

void TestDialProgress::noProfileRefusedOnce()
{
    Fixture f(Fixture::Service::Fake);
    f.providerRecord(QStringLiteral("Prova"), QStringLiteral("0701234"));
    f.settings.tabDefault = QStringLiteral("Manca");
    dialConnects(f);

    QCOMPARE(f.plan.run(startWith(QStringLiteral("Prova"), QStringLiteral("1"))),
             Outcome::Connected);
    // The device state found no profile and switched the watch off; the
    // confirmed state does not ask again until the user switches it back on.
    QCOMPARE(f.prompt.texts(), QStringList{TWatch::NoProfileText});
    QCOMPARE(f.prompt.beeps(), 1);
    QVERIFY(!f.watch.enabled);
    QVERIFY(!f.watch.running);
    QVERIFY(!f.view.active(WatchTimer::Session));
    QVERIFY(f.watch.connected);
    QCOMPARE(f.watch.mode, WatchMode::Automatic);
}

// The watch was left off by an earlier refusal; the user repairs the profile
// and dials before clicking the light. Clicking it then hands the dialled
// session to the watch instead of dropping it.
void TestDialProgress::watchOnKeepsADialledSession()
{
    Fixture f(Fixture::Service::Fake);
    f.providerRecord(QStringLiteral("Prova"), QStringLiteral("0701234"));
    f.watch.enabled = false;
    dialConnects(f);
    QCOMPARE(f.plan.run(startWith(QStringLiteral("Prova"), QStringLiteral("1"))),
             Outcome::Connected);
    QVERIFY(f.watch.running);
    const TDateTime start = f.records.running.inizio;
    f.ticks(3);

    f.watcher.watchOn();
    QVERIFY(f.watch.running);
    f.ticks(3);
    QCOMPARE(f.records.running.inizio, start);
    QCOMPARE(f.recordAt(0).inizio, start);

    f.fake.conns.clear();
    f.fake.status.clear();
    f.tick();
    QCOMPARE(f.view.endDialogs, QList<Light>{Light::Green});
    QCOMPARE(f.records.running.durationSeconds(), 7);
}

QTEST_GUILESS_MAIN(TestDialProgress)
#include "tst_dialprogress.moc"
