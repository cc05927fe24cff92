// The connection watch driven tick by tick against the simulated dial-up
// service: what the bar shows, what the archive holds after each step, and
// the refusals, busy line, disconnect questions and time-outs.

#include "tests/support/TestSupport.h"
#include "tests/watch/WatchFixture.h"

#include <QDir>
#include <QTest>

using namespace watchtest;

namespace
{

const QString InCorso = QStringLiteral("Connessione In Corso...");

bool sameTime(TDateTime a, TDateTime b)
{
    return qAbs(a - b) < dt::OneMillisecond;
}

} // namespace

class TestWatch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }

    void wholeSession_data();
    void wholeSession();
    void dialTimeDelaysTheStart();
    void busyLine();
    void goneBeforeStart();
    void noProfile();
    void noBand();
    void costShownAndStored();
    void elapsedTimeWrapsAtADay();
    void blinkAndLight();
    void manualMode();
    void changeTariffOnlyWhileConnected();
    void noNewSessionWhileEndDialogOpen();
    void failingSaveReportedOnce();
    void archiveMessagesDoNotStopTheTicks();
    void disconnect_data();
    void disconnect();
    void disconnectRefused();
};

// Idle → connecting → connected → dropped, after an archive that already
// holds two records and a torn fragment.
void TestWatch::wholeSession_data()
{
    QTest::addColumn<bool>("keep");
    QTest::addColumn<QString>("description"); // set in the dialog; empty: untouched
    QTest::addColumn<QString>("stored");

    QTest::newRow("confirm") << true << QString() << QString();
    QTest::newRow("confirm described") << true << QStringLiteral("posta") << "posta";
    QTest::newRow("confirm, description only starts with the running text")
        << true << InCorso + QStringLiteral(" 2") << InCorso + QStringLiteral(" 2");
    QTest::newRow("discard") << false << QString() << QString();
}

void TestWatch::wholeSession()
{
    QFETCH(bool, keep);
    QFETCH(QString, description);
    QFETCH(QString, stored);

    Fixture f;
    QVERIFY(f.saveProfile(QStringLiteral("Prova"), liraPerSecond()));
    ConnRecord old;
    old.inizio = monday(9);
    old.fine = monday(10);
    old.motivo = QStringLiteral("vecchia");
    QFile file(f.archivePath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(old.toBytes() + old.toBytes() + QByteArray(100, 'x'));
    file.close();
    const qint64 before = 2 * ConnRecord::Size;

    // Idle.
    f.watcher.watchOn();
    QVERIFY(f.view.active(WatchTimer::Ctrl));
    f.tick();
    QCOMPARE(f.view.light(), lightIndex(LightImage::Red));
    QVERIFY(!f.watch.running);

    // Connecting: timed, blinking, nothing stored.
    QVERIFY(f.connecting());
    f.tick();
    QVERIFY(f.watch.running);
    QVERIFY(!f.watch.connected);
    QCOMPARE(f.watch.light, Light::Yellow);
    QCOMPARE(f.watch.lightImage, LightImage::Yellow);
    QVERIFY(f.view.active(WatchTimer::Session));
    QVERIFY(f.view.active(WatchTimer::Blink));
    QCOMPARE(f.records.running.provider, QStringLiteral("Prova"));
    QCOMPARE(f.records.running.nomeTar, QStringLiteral("Prova"));
    QCOMPARE(f.records.running.motivo, InCorso);
    const TDateTime start = f.records.running.inizio;
    QVERIFY(sameTime(start, monday(12, 0, 2)));
    f.ticks(29);
    QCOMPARE(f.view.tempo, QStringLiteral("00.00.29"));
    QCOMPARE(f.view.costo, QStringLiteral("35")); // 29 × 1.2 + 0.49
    QCOMPARE(f.archiveBytes().size(), before + 100);

    // Connected: the first confirmed tick appends.
    QVERIFY(f.connect());
    f.tick();
    QVERIFY(f.watch.connected);
    QCOMPARE(f.watch.light, Light::Green);
    QCOMPARE(f.view.light(), lightIndex(LightImage::Green));
    QVERIFY(!f.view.active(WatchTimer::Blink));
    QCOMPARE(f.archiveBytes().size(), before + ConnRecord::Size);
    ConnRecord saved = f.recordAt(2);
    QVERIFY(sameTime(saved.inizio, start));
    QVERIFY(sameTime(saved.fine, start + 30 * dt::OneSecond));
    QCOMPARE(saved.costo, 30 * 1.2f + 0.49f);
    QCOMPARE(saved.motivo, InCorso);
    QVERIFY(f.view.autGreen);
    QCOMPARE(f.view.autLights, (QList<bool>{true, false, true}));

    // Twenty more ticks leave it; the twenty-first overwrites the same record.
    f.ticks(20);
    QVERIFY(sameTime(f.recordAt(2).fine, saved.fine));
    f.tick();
    QCOMPARE(f.archiveBytes().size(), before + ConnRecord::Size);
    saved = f.recordAt(2);
    QVERIFY(sameTime(saved.fine, start + 51 * dt::OneSecond));
    QCOMPARE(f.recordAt(0).motivo, QStringLiteral("vecchia"));
    QCOMPARE(f.recordAt(1).motivo, QStringLiteral("vecchia"));

    // Dropped: the end dialog decides.
    f.ticks(4);
    if (keep)
        f.confirmInDialog();
    else
        f.discardInDialog();
    const auto answer = f.view.onEndDialog;
    f.view.onEndDialog = [&](Light light) {
        QVERIFY(!f.watch.running);
        QVERIFY(!f.watch.connected);
        if (!description.isEmpty())
            f.records.running.motivo = description;
        answer(light);
    };
    QVERIFY(f.drop());
    f.tick();
    QCOMPARE(f.view.endDialogs, QList<Light>{Light::Green});
    QCOMPARE(f.view.light(), lightIndex(LightImage::Red));
    QVERIFY(!f.view.active(WatchTimer::Session));
    QCOMPARE(f.archiveBytes().size(), before + ConnRecord::Size);
    const ConnRecord last = f.recordAt(2);
    if (keep) {
        QVERIFY(sameTime(last.inizio, start));
        QVERIFY(sameTime(last.fine, start + 56 * dt::OneSecond));
        QCOMPARE(last.costo, 56 * 1.2f); // without the 0.49
        QCOMPARE(last.motivo, stored);
        QCOMPARE(last.provider, QStringLiteral("Prova"));
    } else {
        QCOMPARE(f.archiveBytes().mid(2 * ConnRecord::Size), QByteArray(ConnRecord::Size, '\0'));
    }
    QVERIFY(!f.records.sessionSaved);

    // Idle again; the next tick changes nothing.
    f.tick();
    QCOMPARE(f.view.endDialogs.size(), 1);
    QVERIFY(f.prompt.requests().isEmpty());
}

void TestWatch::dialTimeDelaysTheStart()
{
    Fixture f;
    QVERIFY(f.saveProfile(QStringLiteral("Prova"), liraPerSecond()));
    f.settings.dialTime = 10;
    f.settings.mostraSeConn = true;
    f.confirmInDialog();
    f.watcher.watchOn();
    f.tick();
    QVERIFY(f.connect());
    f.tick();
    QCOMPARE(f.view.barShown, 1); // "MostraSeConn"
    const TDateTime seen = f.clock.now();
    QVERIFY(sameTime(f.records.running.inizio, seen + 10 * dt::OneSecond));
    for (int i = 1; i < 10; ++i) {
        f.tick();
        QCOMPARE(f.view.tempo, QStringLiteral("00.00.00"));
        QCOMPARE(f.view.costo, QStringLiteral("0"));
    }
    QVERIFY(f.archiveBytes().isEmpty());
    f.tick(); // the start itself: counted, and saved at once
    QCOMPARE(f.archiveBytes().size(), qint64(ConnRecord::Size));
    f.ticks(5);
    QCOMPARE(f.view.tempo, QStringLiteral("00.00.05"));
    QCOMPARE(f.view.costo, QStringLiteral("6"));
    QVERIFY(f.drop());
    f.tick();
    QCOMPARE(f.view.endDialogs.size(), 1);
    const ConnRecord r = f.recordAt(0);
    QVERIFY(sameTime(r.inizio, seen + 10 * dt::OneSecond));
    QCOMPARE(r.durationSeconds(), 6);
}

void TestWatch::busyLine()
{
    Fixture f;
    QVERIFY(f.saveProfile(QStringLiteral("Prova"), liraPerSecond()));
    f.watcher.watchOn();
    f.tick();
    QVERIFY(f.connecting());
    f.ticks(5);
    QCOMPARE(f.view.tempo, QStringLiteral("00.00.04"));
    const int lightsBefore = int(f.view.lights.size());

    // The line turns out busy: the watch leaves everything as it is.
    QVERIFY(f.setConnection(QStringLiteral("Prova"), ras::ConnectDevice, ras::LineBusy));
    f.watcher.watchTick();
    QCOMPARE(f.ras.lastError, uint32_t(ras::LineBusy));
    QVERIFY(f.watch.running);
    QCOMPARE(f.watch.light, Light::Yellow);
    QCOMPARE(f.view.lights.size(), lightsBefore);

    QVERIFY(f.drop());
    f.tick();
    QVERIFY(!f.watch.running);
    QVERIFY(f.view.endDialogs.isEmpty());
    QCOMPARE(f.view.tempo, QStringLiteral("00.00.00"));
    QCOMPARE(f.view.costo, QStringLiteral("0"));
    QCOMPARE(f.ras.lastError, uint32_t(ras::Pending));
    QVERIFY(f.archiveBytes().isEmpty());
}

void TestWatch::goneBeforeStart()
{
    Fixture f;
    QVERIFY(f.saveProfile(QStringLiteral("Prova"), liraPerSecond()));
    f.settings.dialTime = 10;
    f.watcher.watchOn();
    QVERIFY(f.connect());
    f.ticks(4);
    QVERIFY(f.watch.connected);
    QVERIFY(f.drop());
    f.tick();
    QVERIFY(!f.watch.running);
    QVERIFY(!f.watch.connected); // no "&Disconnetti" left behind
    QVERIFY(f.view.endDialogs.isEmpty());
    QVERIFY(f.archiveBytes().isEmpty());
    QCOMPARE(f.view.light(), lightIndex(LightImage::Red));
}

void TestWatch::noProfile()
{
    Fixture f;
    f.watcher.watchOn();
    f.tick();
    QVERIFY(f.connect());
    f.tick();
    QCOMPARE(f.prompt.beeps(), 1);
    QCOMPARE(f.prompt.requests().size(), 1);
    const PromptRequest& m = f.prompt.requests().first();
    QCOMPARE(m.text, TWatch::NoProfileText);
    QCOMPARE(m.title, QStringLiteral("Errore..."));
    QCOMPARE(m.icon, PromptIcon::Error);
    QVERIFY(m.systemModal);
    QVERIFY(!f.watch.enabled);
    QVERIFY(!f.watch.running);
    QVERIFY(f.watch.light == Light::None);
    QCOMPARE(f.view.light(), lightIndex(LightImage::Off));
    QVERIFY(!f.view.active(WatchTimer::Ctrl));
    QVERIFY(!f.view.active(WatchTimer::Session));
    QVERIFY(!QFile::exists(f.archivePath()));

    // Off, the watch does not try again by itself.
    f.watcher.watchTick();
    QCOMPARE(f.prompt.requests().size(), 1);

    // The user repairs the profile and clicks the light.
    QVERIFY(f.saveProfile(QStringLiteral("Prova"), liraPerSecond()));
    f.watcher.watchOn();
    QVERIFY(f.watch.enabled);
    QVERIFY(f.view.active(WatchTimer::Ctrl));
    f.tick();
    QVERIFY(f.watch.running);
    QCOMPARE(f.view.light(), lightIndex(LightImage::Green));
    QCOMPARE(f.archiveBytes().size(), qint64(ConnRecord::Size));

    // A click while the watch is on changes nothing.
    const int lights = int(f.view.lights.size());
    f.watcher.watchOn();
    QVERIFY(f.watch.running);
    QCOMPARE(f.view.lights.size(), lights);
}

void TestWatch::noBand()
{
    Fixture f;
    // A profile whose only band starts at 13:00: nothing is in force at noon
    // on a Monday.
    TariffTable t;
    for (int row = 0; row < DayRows; ++row) {
        t.cell(1, row).dalle = dt::encodeTime(13, 0, 0);
        t.cell(1, row).costo1 = 60;
    }
    QVERIFY(f.saveProfile(QStringLiteral("Prova"), t));
    f.watcher.watchOn();
    QVERIFY(f.connecting());
    f.tick();
    QVERIFY(!f.watch.running);
    QVERIFY(!f.watch.enabled);
    QCOMPARE(f.prompt.beeps(), 1);
    QCOMPARE(f.prompt.requests().size(), 1);
    const PromptRequest& m = f.prompt.requests().first();
    QCOMPARE(m.text, TWatch::noBandText(QStringLiteral("Prova")));
    QVERIFY(m.text.contains(QStringLiteral("<Prova>")));
    QCOMPARE(m.title, QStringLiteral("Errore..."));
    QCOMPARE(m.icon, PromptIcon::Error);
    QVERIFY(m.systemModal);
    QCOMPARE(f.view.light(), lightIndex(LightImage::Off));
    QVERIFY(!f.schedule);
    QVERIFY(!QFile::exists(f.archivePath()));
}

// c = 1234.4 (a fixed charge at answer on a free band): the bar shows 1.482
// (1481.77), the stored cost is 1481.28.
void TestWatch::costShownAndStored()
{
    Fixture f;
    TariffTable t;
    for (int row = 0; row < DayRows; ++row) {
        TariffCell& c = t.cell(1, row);
        c.costo1 = FreeMarker;
        c.scrsi = 1;
        c.costorisp = 1234.4f;
    }
    QVERIFY(f.saveProfile(QStringLiteral("Prova"), t));
    f.provider.profile = QStringLiteral("Prova");
    f.confirmInDialog();
    f.watcher.watchOn();
    QVERIFY(f.connect());
    f.ticks(3);
    QCOMPARE(f.view.costo, QStringLiteral("1.482"));
    QCOMPARE(f.watch.shownCost, 1481.77f);
    QCOMPARE(f.recordAt(0).costo, 1481.77f);
    QVERIFY(f.drop());
    f.tick();
    QCOMPARE(f.recordAt(0).costo, 1481.28f);
}

void TestWatch::elapsedTimeWrapsAtADay()
{
    Fixture f;
    QVERIFY(f.saveProfile(QStringLiteral("Prova"), liraPerSecond()));
    f.watcher.watchOn();
    QVERIFY(f.connect());
    f.tick();
    f.clock.advanceSeconds(25 * 3600 - 1);
    f.tick();
    QCOMPARE(f.view.tempo, QStringLiteral("01.00.00"));
}

void TestWatch::blinkAndLight()
{
    Fixture f;
    QVERIFY(f.saveProfile(QStringLiteral("Prova"), liraPerSecond()));
    f.watcher.watchOn();
    f.tick();
    QVERIFY(f.connecting());
    f.view.lights.clear();
    f.ticks(4);
    QCOMPARE(f.view.lights, (QList<int>{5, 3, 5, 3}));
    QVERIFY(f.connect());
    f.tick();
    QCOMPARE(f.view.light(), lightIndex(LightImage::Green));
    QVERIFY(!f.view.active(WatchTimer::Blink));
    // A blink tick while the watch is off shows nothing.
    f.watcher.watchOff();
    f.view.lights.clear();
    f.watcher.blinkTick();
    QVERIFY(f.view.lights.isEmpty());
}

void TestWatch::manualMode()
{
    Fixture f;
    QVERIFY(f.saveProfile(QStringLiteral("Prova"), liraPerSecond()));
    f.watcher.watchOn();
    f.tick();

    // No dialler can be shown: back to automatic at once.
    f.watcher.AutoInt1Click();
    QCOMPARE(f.view.dialerRequests, 1);
    QCOMPARE(f.watch.mode, WatchMode::Automatic);
    QVERIFY(f.view.autGreen);

    // With a dialler the watch stops polling: another program's connection
    // is not timed.
    f.view.dialerOpens = true;
    f.watcher.AutoInt1Click();
    QCOMPARE(f.watch.mode, WatchMode::Manual);
    QVERIFY(!f.view.autGreen);
    QVERIFY(f.connect());
    f.ticks(3);
    QVERIFY(!f.watch.running);

    // Back to automatic (the dialler does this once connected): timed.
    f.watch.mode = WatchMode::Automatic;
    f.tick();
    QVERIFY(f.watch.running);
    QVERIFY(f.watch.connected);
}

void TestWatch::changeTariffOnlyWhileConnected()
{
    Fixture f;
    QVERIFY(f.saveProfile(QStringLiteral("Prova"), liraPerSecond()));
    f.watcher.watchOn();
    QVERIFY(f.connecting());
    f.tick();
    f.watcher.cambiatariffa1Click();
    QCOMPARE(f.view.changeTariffOpened, 0);
    QVERIFY(f.connect());
    f.tick();
    f.watcher.cambiatariffa1Click();
    QCOMPARE(f.view.changeTariffOpened, 1);
}

// A new connection while the end dialog is open must not take over the
// record the dialog is about to store.
void TestWatch::noNewSessionWhileEndDialogOpen()
{
    Fixture f;
    QVERIFY(f.saveProfile(QStringLiteral("Prova"), liraPerSecond()));
    f.watcher.watchOn();
    QVERIFY(f.connect());
    f.ticks(10);
    QVERIFY(f.drop());
    f.view.onEndDialog = [&](Light) {
        const ConnRecord finished = f.records.running;
        QVERIFY(f.connect(QStringLiteral("Altro")));
        f.ticks(3);
        QVERIFY(!f.watch.running);
        QCOMPARE(f.records.running, finished);
        QVERIFY(session::finalWrite(f.records, f.archive, f.prompt));
        session::releaseSessionRecord(f.records);
    };
    f.tick();
    QCOMPARE(f.recordAt(0).provider, QStringLiteral("Prova"));
    QCOMPARE(f.recordAt(0).durationSeconds(), 10);
    f.view.onEndDialog = nullptr;
    f.tick();
    QVERIFY(f.watch.running);
    QCOMPARE(f.records.running.provider, QStringLiteral("Altro"));
    QCOMPARE(f.archiveBytes().size(), 2 * qint64(ConnRecord::Size));
}

// An archive that cannot be opened: one message, the autLight stays red
// until a save succeeds again.
void TestWatch::failingSaveReportedOnce()
{
    Fixture f;
    QVERIFY(f.saveProfile(QStringLiteral("Prova"), liraPerSecond()));
    QVERIFY(QDir().mkdir(f.archivePath())); // a folder where the file should be
    f.watcher.watchOn();
    QVERIFY(f.connect());
    f.ticks(5);
    QCOMPARE(f.prompt.requests().size(), 1);
    QVERIFY(f.prompt.requests().first().text.contains(f.archivePath()));
    QVERIFY(!f.view.autGreen);
    QVERIFY(QDir().rmdir(f.archivePath()));
    f.tick();
    QVERIFY(f.view.autGreen);
    QCOMPARE(f.archiveBytes().size(), qint64(ConnRecord::Size));
    QCOMPARE(f.prompt.requests().size(), 1);
}

// The archive messages of a session's start and of its periodic saves come
// from the bar's timers: they are shown without waiting, so the session goes
// on being timed and a connection that drops meanwhile ends when it drops.
// The ticks neither start the session again nor stack up a message a second.
void TestWatch::archiveMessagesDoNotStopTheTicks()
{
    Fixture f;
    QVERIFY(f.saveProfile(QStringLiteral("Prova"), liraPerSecond()));
    QVERIFY(QDir().mkdir(f.archivePath())); // a folder where the file should be
    f.watcher.watchOn();
    QVERIFY(f.connect());
    f.tick();
    QCOMPARE(f.prompt.requests().size(), 1);
    QCOMPARE(f.prompt.notices().size(), 1);
    QVERIFY(f.prompt.notices().first().contains(f.archivePath()));
    QCOMPARE(f.watch.light, Light::Green);
    QVERIFY(sameTime(f.records.running.inizio, monday(12, 0, 1)));

    f.ticks(30); // every periodic save fails too
    QCOMPARE(f.view.tempo, QStringLiteral("00.00.30"));
    QCOMPARE(f.view.costo, QStringLiteral("36")); // 30 Lire and VAT
    QVERIFY(sameTime(f.records.running.inizio, monday(12, 0, 1)));
    QVERIFY(!f.view.autGreen);
    QCOMPARE(f.prompt.requests().size(), 1);

    QVERIFY(f.drop());
    f.tick();
    QCOMPARE(f.view.endDialogs, QList<Light>{Light::Green});
    QVERIFY(sameTime(f.records.running.fine, monday(12, 0, 32)));
}

// "&Disconnetti": two questions, then the hang-up; a connection that will
// not go brings the time-out questions.
void TestWatch::disconnect_data()
{
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<bool>("goes");      // the service lets the connection go
    QTest::addColumn<bool>("guardSet");  // a disconnect is already in progress
    QTest::addColumn<int>("hangUps");    // hang-up attempts with wait
    QTest::addColumn<bool>("connected"); // afterwards
    QTest::addColumn<bool>("lastResort");

    const int Y = PbYes, N = PbNo;
    QTest::newRow("no to the first question")
        << QList<int>{N} << true << false << 0 << true << false;
    QTest::newRow("no to the second question")
        << QList<int>{Y, N} << true << false << 0 << true << false;
    QTest::newRow("yes twice, gone") << QList<int>{Y, Y} << true << false << 1 << false << false;
    QTest::newRow("already in progress") << QList<int>{Y, Y} << true << true << 0 << true << false;
    QTest::newRow("time-out, no retry, keep the program")
        << QList<int>{Y, Y, N, N} << false << false << 1 << true << false;
    QTest::newRow("time-out, retry, then keep")
        << QList<int>{Y, Y, Y, N, N} << false << false << 2 << true << false;
    QTest::newRow("time-out, last resort")
        << QList<int>{Y, Y, N, Y} << false << false << 1 << false << true;
}

void TestWatch::disconnect()
{
    QFETCH(QList<int>, answers);
    QFETCH(bool, goes);
    QFETCH(bool, guardSet);
    QFETCH(int, hangUps);
    QFETCH(bool, connected);
    QFETCH(bool, lastResort);

    Fixture f(Fixture::Service::Fake);
    QVERIFY(f.saveProfile(QStringLiteral("Prova"), liraPerSecond()));
    f.fake.queriesUntilGone = goes ? 1 : -1;
    f.fake.add(5, QStringLiteral("Prova"), ras::Connected);
    f.confirmInDialog();
    f.watcher.watchOn();
    f.ticks(30);
    QVERIFY(f.watch.connected);
    f.watch.hangUpGuard = guardSet;
    for (int a : answers)
        f.prompt.answerNext(a);

    f.watcher.AutoInt1Click();

    const QList<PromptRequest>& asked = f.prompt.requests();
    QCOMPARE(asked.size(), answers.size());
    for (int i = 0; i < asked.size(); ++i) {
        const PromptRequest& q = asked[i];
        QCOMPARE(q.buttons, PbYes | PbNo);
        if (i < 2) {
            QCOMPARE(q.text, i == 0 ? TWatch::AlreadyConnectedText : TWatch::SureToEndText);
            QCOMPARE(q.title, QStringLiteral("Conferma..."));
            QCOMPARE(q.icon, PromptIcon::Question);
            QCOMPARE(q.defaultButton, int(PbNo));
        } else {
            // "No" to the time-out brings the second question.
            const bool giveUp =
                i > 2 && asked[i - 1].text == TWatch::HangUpTimeoutText && answers[i - 1] == PbNo;
            QCOMPARE(q.text, giveUp ? TWatch::GiveUpText : TWatch::HangUpTimeoutText);
            QCOMPARE(q.title, QStringLiteral("Tarvelo!..."));
            QCOMPARE(q.icon, PromptIcon::Warning);
            QCOMPARE(q.defaultButton, int(PbNo));
            QVERIFY(q.systemModal);
        }
    }
    QCOMPARE(f.fake.hungUp.size(), hangUps);
    QCOMPARE(f.watch.connected, connected);
    QCOMPARE(f.watch.hangUpGuard, guardSet);
    QCOMPARE(f.view.mainBarClosed, lastResort ? 1 : 0);
    if (lastResort) {
        // The session is closed and offered for keeping before the program ends.
        QVERIFY(!f.watch.running);
        QCOMPARE(f.view.endDialogs, QList<Light>{Light::Green});
        QCOMPARE(f.recordAt(0).motivo, QString());
    }
    if (hangUps > 0 && !goes) // each attempt waited its 30 seconds
        QVERIFY(f.clock.monotonicMs() >= 30000 + hangUps * TDialUp::HangUpTimeoutMs);
}

// A connection the service may not close says why at once; the session and
// the connection go on untouched.
void TestWatch::disconnectRefused()
{
    Fixture f(Fixture::Service::Fake);
    QVERIFY(f.saveProfile(QStringLiteral("Prova"), liraPerSecond()));
    f.fake.add(5, QStringLiteral("Prova"), ras::Connected);
    f.fake.hangUpRefusal = ras::AccessDenied;
    f.watcher.watchOn();
    f.ticks(3);
    f.prompt.answerNext(PbYes);
    f.prompt.answerNext(PbYes);
    const qint64 before = f.clock.monotonicMs();

    f.watcher.AutoInt1Click();

    const QList<PromptRequest>& asked = f.prompt.requests();
    QCOMPARE(asked.size(), 3);
    QCOMPARE(asked[2].text, QStringLiteral("Non è possibile chiudere la connessione.\rerrore 5"));
    QCOMPARE(asked[2].title, QStringLiteral("Errore..."));
    QCOMPARE(asked[2].icon, PromptIcon::Error);
    QCOMPARE(asked[2].buttons, int(PbOk));
    QCOMPARE(f.fake.hungUp, QList<RasHandle>{5});
    QCOMPARE(f.clock.monotonicMs(), before);
    QVERIFY(f.watch.connected);
    QVERIFY(f.watch.running);
    QVERIFY(!f.watch.hangUpGuard);
}

QTEST_GUILESS_MAIN(TestWatch)
#include "tst_watch.moc"
